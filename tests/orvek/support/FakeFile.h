#pragma once
// An in-memory AbstractFile that can deliver short reads and short writes
// and fail chosen opens, for the layers above the file.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "orvek/File.h"

namespace testsupport {

class FakeFile : public orvek::AbstractFile {
public:
    std::string data;
    std::size_t pos = 0;
    std::size_t max_read = SIZE_MAX;   // bytes per read call
    std::size_t max_write = SIZE_MAX;  // bytes per write call
    std::size_t write_budget = SIZE_MAX;  // total bytes before writes stop
    std::function<bool(const std::string&)> accept = [](const std::string&) { return true; };
    std::vector<std::string> opened_names;
    orvek::TextualErrorInfo error{"disk full"};

    bool do_open(const char* name, orvek::OpenMode mode) override {
        opened_names.push_back(name);
        if (!accept(name)) return false;
        if (mode & orvek::open_mode::trunc) data.clear();
        pos = (mode & orvek::open_mode::ate) ? data.size() : 0;
        return true;
    }
    bool do_close() override { return true; }
    std::uint64_t size() override { return data.size(); }
    bool flush() override { return true; }
    std::size_t read(void* buffer, std::size_t count) override {
        std::size_t n = std::min({count, max_read, data.size() - std::min(pos, data.size())});
        std::memcpy(buffer, data.data() + pos, n);
        pos += n;
        return n;
    }
    std::size_t write(const void* buffer, std::size_t count) override {
        std::size_t n = std::min({count, max_write, write_budget});
        write_budget -= n;
        if (pos + n > data.size()) data.resize(pos + n);
        std::memcpy(data.data() + pos, buffer, n);
        pos += n;
        return n;
    }
    std::int64_t seek(std::int64_t offset, int direction) override {
        std::int64_t base = direction == seek_begin ? 0
                            : direction == seek_current ? static_cast<std::int64_t>(pos)
                            : direction == seek_end ? static_cast<std::int64_t>(data.size())
                                                    : -1;
        if (base < 0 || base + offset < 0) return -1;
        pos = static_cast<std::size_t>(base + offset);
        return static_cast<std::int64_t>(pos);
    }
    const orvek::ErrorInfo* error_info() const override { return &error; }
};

}  // namespace testsupport
