#pragma once
// A full disk as a writer sees it, without mounting anything: a child
// process whose files may not grow past a few bytes (the size limit), with
// the signal that would end it ignored, so every write past the limit fails
// with "File too large". The child's answer comes back as text.
#include <csignal>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fulldisk {

// Runs body in a child limited to limit bytes per file and answers what it
// returned; "child failed" when it did not end normally.
inline std::string run(rlim_t limit, const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid < 0) return "no fork";
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit rl {limit, limit};
        std::string out = ::setrlimit(RLIMIT_FSIZE, &rl) == 0 ? body() : "no limit";
        std::size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string got;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? got : "child failed";
}

}  // namespace fulldisk
