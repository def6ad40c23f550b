#pragma once
// Object streams over memory, for building and checking saved records byte
// by byte without files.
#include <sstream>
#include <string>

#include "orvek/io/Stream.h"

namespace savetest {

struct MemOut {
    std::stringbuf buf{std::ios::out | std::ios::binary};
    orvek::io::OStream os{&buf};
    std::string bytes() const { return buf.str(); }
};

struct MemIn {
    explicit MemIn(const std::string& bytes) : buf(bytes, std::ios::in | std::ios::binary), is(&buf) {}
    // True when every byte was read.
    bool at_end() {
        return buf.in_avail() == 0;
    }
    std::stringbuf buf;
    orvek::io::IStream is;
};

inline bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

}  // namespace savetest
