// Text-mode file reads must give the same text whatever the read sizes:
// "\r\n" becomes "\n" even across a read boundary, and byte 26 ends the text.
// The first input byte picks the read size, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "orvek/File.h"

namespace {

std::string expected_text(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == 26) break;
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        out += raw[i];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 16;
    const std::string raw(reinterpret_cast<const char*>(data) + 1, size - 1);

    int fd = memfd_create("textfile", 0);
    if (fd < 0) return 0;
    if (write(fd, raw.data(), raw.size()) != static_cast<ssize_t>(raw.size()) || lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return 0;
    }
    std::string got;
    {
        orvek::File file;
        file.attach(fd, orvek::open_mode::in);
        char buf[16];
        for (std::size_t n; (n = file.read(buf, chunk)) > 0;) got.append(buf, n);
        file.close();
    }
    close(fd);
    if (got != expected_text(raw)) std::abort();
    return 0;
}
