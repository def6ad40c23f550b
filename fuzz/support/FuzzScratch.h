#pragma once
// A private scratch folder for one fuzz run, and writing an input into it.
// The folder is in memory where the system has one: several readers under
// test sync what they save, which would make every run wait on the disk.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fuzzsupport {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag) {
        std::error_code ec;
        std::filesystem::path base;
        if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) base = tmp;
        else if (::access("/dev/shm", W_OK) == 0) base = "/dev/shm";
        else base = std::filesystem::temp_directory_path(ec);
        dir_ = base / ("zelkor_" + tag + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_, ec);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

inline bool write_input(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    if (size) std::fwrite(data, 1, size, f);
    return std::fclose(f) == 0;
}

}  // namespace fuzzsupport
