#pragma once
// Helpers for the object stream tests: a byte builder for hand-made
// streams, stream buffers with limited positioning, and small persistent
// classes that count their live instances.
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "orvek/AbstractFactory.h"
#include "orvek/Refs.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace streamkit {

// Little-endian byte strings, written the way the streams write them.
struct Bytes {
    std::string s;
    Bytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
    Bytes& u8(std::uint8_t v) {
        s.push_back(static_cast<char>(v));
        return *this;
    }
    Bytes& raw(const std::string& t) {
        s += t;
        return *this;
    }
    // u32 length then the bytes.
    Bytes& str(const std::string& t) { return u32(static_cast<std::uint32_t>(t.size())).raw(t); }
    Bytes& header(std::uint32_t flags = 2) { return raw("orvek::io::Stream").u32(flags); }
    // A new name in the current encoding: 0, length, bytes.
    Bytes& new_name(const std::string& t) { return u32(0).str(t); }
};

// Reports positions but refuses to move back (a pipe with a counter).
class NoSeekBackBuf : public std::stringbuf {
protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        if (off == 0 && dir == std::ios_base::cur) return std::stringbuf::seekoff(off, dir, which);
        return pos_type(off_type(-1));
    }
    pos_type seekpos(pos_type, std::ios_base::openmode) override { return pos_type(off_type(-1)); }
};

// Reports no position at all.
class NoPositionBuf : public std::stringbuf {
public:
    using std::stringbuf::stringbuf;

protected:
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override {
        return pos_type(off_type(-1));
    }
    pos_type seekpos(pos_type, std::ios_base::openmode) override { return pos_type(off_type(-1)); }
};

inline int& live_leaves() {
    static int n = 0;
    return n;
}

// A leaf: version byte, a number and a text.
struct Leaf : orvek::io::Object {
    std::uint32_t value = 0;
    std::string text;
    Leaf() { ++live_leaves(); }
    Leaf(std::uint32_t v, std::string t) : value(v), text(std::move(t)) { ++live_leaves(); }
    Leaf(const Leaf& o) : orvek::io::Object(), value(o.value), text(o.text) { ++live_leaves(); }
    ~Leaf() override { --live_leaves(); }
    void save(orvek::io::OStream& os) const override {
        os << std::uint8_t(0) << value;
        os.write_sized_block(text);
    }
    void load(orvek::io::IStream& is) override {
        std::uint8_t version = 0;
        is >> version >> value;
        is.read_string(text);
    }
};

// Holds two counted handles and a shared pointer to leaves.
struct Holder : orvek::io::Object {
    orvek::Refs<Leaf> a, b;
    std::shared_ptr<Leaf> shared;
    void save(orvek::io::OStream& os) const override {
        os << std::uint8_t(0);
        orvek::io::save_refs(os, a);
        orvek::io::save_refs(os, b);
        orvek::io::save_shared(os, shared);
    }
    void load(orvek::io::IStream& is) override {
        std::uint8_t version = 0;
        is >> version;
        orvek::io::load_refs(is, a);
        orvek::io::load_refs(is, b);
        orvek::io::load_shared(is, shared);
    }
};

inline const char* const leaf_name = "class streamkit::Leaf";
inline const char* const holder_name = "class streamkit::Holder";

// Registered once per test program.
inline void register_kit() {
    static orvek::Factory<Leaf> leaf(leaf_name);
    static orvek::Factory<Holder> holder(holder_name);
}

}  // namespace streamkit
