#pragma once
// Small helpers shared by the tests: a private scratch folder per test and
// whole-file read/write.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace testsupport {

// A fresh folder that is removed again when the test ends.
class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("ZELKOR_TEST_WORK");
        std::string tmpl = std::string(base ? base : "/tmp") + "/tmpXXXXXX";
        if (!mkdtemp(tmpl.data())) std::abort();
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs the body with the current directory switched to dir.
template <class F>
void in_directory(const std::filesystem::path& dir, F&& body) {
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    try { body(); } catch (...) { std::filesystem::current_path(old); throw; }
    std::filesystem::current_path(old);
}

}  // namespace testsupport
