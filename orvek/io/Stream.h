#pragma once
// Binary object streams: every save of the game is a short header ("orvek::io::Stream"
// and a u32 flag word) followed by records of objects and plain values, all
// little-endian. An object shared by several owners is written once and
// referred to by its key afterwards.
//
// State bits: 1 bad, 2 eof, 4 fail, 8 lost (an object was skipped or a
// length could not be patched). A bit that meets the exception mask (13
// after construction) raises io::Failure the moment it is set. An operation
// on a stream with any bit but lost set transfers nothing; a read then adds
// fail, a write leaves the state alone.
//
// Objects read from a stream belong to the stream until an owner takes
// them: a counted handle or shared pointer loaded through load_refs,
// load_shared or load_weak takes them by itself; code that keeps the raw
// object from read_object_or_skip calls adopt. Whatever no owner took is
// deleted with the stream, so a damaged file leaks nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ios>
#include <memory>
#include <set>
#include <streambuf>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "orvek/AbstractFactory.h"
#include "orvek/Exception.h"
#include "orvek/Refs.h"
#include "orvek/io/Object.h"
#include "orvek/io/Registry.h"

namespace orvek::io {

namespace stream {
class BoostRegistry;
}

class Stream {
public:
    enum State : std::uint32_t { goodbit = 0, badbit = 1, eofbit = 2, failbit = 4, lostbit = 8 };
    enum Flags : std::uint32_t { length_prefixed = 2, no_header = 4 };
    static constexpr std::uint32_t default_exceptions = badbit | failbit | lostbit;
    static constexpr char magic[] = "orvek::io::Stream";
    static constexpr std::size_t magic_size = 17;
    static constexpr std::size_t header_bytes = magic_size + 4;
    // Deepest nesting of object bodies: a reader follows no deeper, and a
    // writer writes no deeper, so no save is refused by its own loader.
    static constexpr int max_depth = 256;

    // A stream failure description; an archive code's text follows the
    // text after ": ".
    class Error : public ErrorInfo {
    public:
        explicit Error(std::string_view text = {}, std::uint32_t code = 0, std::string_view context = {},
                       const ErrorInfo* nested = nullptr);
        std::size_t write_message(char* buffer, std::size_t size) const override;
        std::uint32_t code() const { return code_; }
        const std::string& text() const { return text_; }
        static const char* code_text(std::uint32_t code);

    private:
        std::string text_;
        std::uint32_t code_;
    };

    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    virtual ~Stream();

    // Text naming the stream in failure messages when nothing better is known.
    virtual const char* name() const { return name_.c_str(); }
    void set_name(std::string name) { name_ = std::move(name); }

    std::uint32_t rdstate() const { return state_; }
    // No bad, eof or fail (lost alone keeps a stream good).
    bool good() const { return (state_ & ~std::uint32_t(lostbit)) == 0; }
    bool bad() const { return (state_ & badbit) != 0; }
    bool eof() const { return (state_ & eofbit) != 0; }
    bool fail() const { return (state_ & (badbit | failbit)) != 0; }

    // Adds bits (and bad without a buffer); raises when they meet the mask.
    void setstate(std::uint32_t bits, const ErrorInfo* info = nullptr);
    // Sets the state (bad without a buffer); raises when it meets the mask.
    void clear(std::uint32_t state = goodbit);
    std::uint32_t exceptions() const { return exceptions_; }
    // Sets the mask; raises when it meets the state.
    void exceptions(std::uint32_t mask);

    std::uint32_t flags() const { return flags_; }
    void flags(std::uint32_t flags) { flags_ = flags; }

    std::streambuf* rdbuf() const { return buffer_; }

    // The factory registry; created (a Registry2, owned) when missing.
    Registry* registry() const { return registry_; }
    Registry& registry_or_create();
    // Drops the per-stream tables and the registry (deleted when owned).
    void detach_registry();

    stream::BoostRegistry& boost_registry();
    std::set<std::shared_ptr<const void>>& shared_objects();

    // Raises io::Failure with info (or "i/o error"), naming the file or
    // buffer when the description names nothing itself.
    [[noreturn]] void throw_failure_(const ErrorInfo* info = nullptr) const;

protected:
    Stream();
    void attach(std::streambuf* buffer, Registry* registry);
    // Releases the shared-pointer tables.
    void release_tables();
    // Position of the buffer in the given direction; -1 without buffer,
    // after a failure, or when the buffer has none.
    std::int64_t position(std::ios_base::openmode which) const;
    std::int64_t seek(std::int64_t pos, std::ios_base::openmode which);
    // Logs text on "orvek.io" at error level and sets bits with it.
    void fail_with(const char* text, std::uint32_t bits = failbit);
    // State rule before a transfer: false (with fail added for readers)
    // when nothing may move.
    bool may_transfer(bool reading);
    // Set state or mask without raising (for operations that put back
    // what they found).
    void state_restore(std::uint32_t state) { state_ = state; }
    void exceptions_restore(std::uint32_t mask) { exceptions_ = mask; }

    std::streambuf* buffer_ = nullptr;
    std::streambuf* attached_buffer_ = nullptr;
    Registry* registry_ = nullptr;
    bool owns_registry_ = false;

private:
    std::string name_;
    std::uint32_t state_ = badbit;
    std::uint32_t exceptions_ = default_exceptions;
    std::uint32_t flags_ = length_prefixed;
    std::unique_ptr<stream::BoostRegistry> boost_registry_;
    std::unique_ptr<std::set<std::shared_ptr<const void>>> shared_objects_;
};

class OStream : public virtual Stream {
public:
    explicit OStream(std::streambuf* buffer = nullptr, Registry* registry = nullptr);
    ~OStream() override;

    // Moves n bytes out; answers whether all went.
    bool write_bytes(const void* data, std::size_t n);
    // The checked form: nothing happens on a failed stream.
    OStream& write(const void* data, std::size_t n);
    OStream& operator<<(std::uint32_t v);
    OStream& operator<<(std::int32_t v);
    OStream& operator<<(std::uint8_t v);
    OStream& operator<<(float v);
    // Two floats, x then y.
    template <class P>
    OStream& write_point(const P& p) {
        unsigned char bytes[8];
        put_float(bytes, static_cast<float>(p.x));
        put_float(bytes + 4, static_cast<float>(p.y));
        return write(bytes, 8);
    }
    // u32 n, then the n bytes when the stream is still good.
    OStream& write_sized_block(const void* data, std::size_t n);
    OStream& write_sized_block(std::string_view text) { return write_sized_block(text.data(), text.size()); }

    void write_header();
    // Writes an object record: its key and, the first time, its type name,
    // its body length (with length_prefixed) and its body.
    // (type_name_of(object) gives the registered name of its dynamic type.)
    void write_object(const Object* object, std::string_view type_name, bool unshared = false);
    // Writes a datum record: key and, the first time, type tag, size, bytes.
    void write_shared_datum(const void* address, std::size_t size, std::string_view type_name,
                            bool unshared = false);

    std::int64_t header_size() const { return header_size_; }
    // Drops keys and names (a new opening starts afresh).
    void reset();

    static void put_u32(unsigned char* out, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
    }
    static void put_float(unsigned char* out, float f) {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        put_u32(out, v);
    }

private:
    std::int64_t header_size_ = 0;
    int depth_ = 0;
};

class IStream : public virtual Stream {
public:
    explicit IStream(std::streambuf* buffer = nullptr, Registry* registry = nullptr);
    ~IStream() override;

    // Reads n bytes under the state rule; answers whether all arrived.
    bool read_bytes(void* data, std::size_t n);
    IStream& read(void* data, std::size_t n) {
        read_bytes(data, n);
        return *this;
    }
    IStream& operator>>(std::uint32_t& v);
    IStream& operator>>(std::int32_t& v);
    IStream& operator>>(std::uint8_t& v);
    IStream& operator>>(float& v);
    template <class P>
    IStream& read_point(P& p) {
        unsigned char bytes[8];
        if (read_bytes(bytes, 8)) {
            p.x = get_float(bytes);
            p.y = get_float(bytes + 4);
        }
        return *this;
    }
    // u32 n and n bytes; a count of 0xFFFFFFFF reads as empty. The string
    // grows only as the bytes arrive, so a damaged count allocates nothing
    // beyond what the stream holds.
    IStream& read_string(std::string& s);

    // Detects the header; a stream without it is read as a legacy stream
    // from where it started.
    void read_header();
    // Reads an object record: null for key 0 or a skipped object, the
    // object loaded before for a known key. Without factory the record's
    // own type name decides; an unknown one is skipped by its length.
    Object* read_object_or_skip(AbstractFactory* factory = nullptr);
    // Reads a datum record and answers its address (null for key 0 or a
    // failure). A known key must name a datum of the factory's kind.
    void* read_object(AbstractFactory* factory);

    // Takes an object out of the stream's keeping: true when the stream held
    // it unowned (the caller owns it now), false when someone owns it already.
    bool adopt(Object* object);
    // Keeps the counter that owns object alive (one total count) as long as
    // the stream, so a later key of that object can be checked against it.
    void hold_counter(PtrRefs* counter, const Object* object);

    std::int64_t header_size() const { return header_size_; }
    bool is_legacy() const { return legacy_registry_ != nullptr; }
    // Drops keys, names, held objects and counters (a new opening starts afresh).
    void reset();

    static std::uint32_t get_u32(const unsigned char* in) {
        return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 |
               std::uint32_t(in[3]) << 24;
    }
    static float get_float(const unsigned char* in) {
        std::uint32_t v = get_u32(in);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }

    // Reads exactly n bytes into out in pieces, growing out as they arrive.
    bool read_block(std::vector<char>& out, std::size_t n);

private:
    bool skip_object(std::uint32_t length);
    void release_objects();

    std::unique_ptr<Registry1> legacy_registry_;
    std::int64_t header_size_ = 0;
    std::vector<std::unique_ptr<std::vector<char>>> data_blocks_;
    std::unordered_set<Object*> unowned_;
    std::vector<PtrRefs*> held_counters_;
    std::unordered_map<const Object*, PtrRefs*> owners_;
    int depth_ = 0;
};

// The count of a list of objects: one that does not fit below the marker is
// announced by it and follows in the next word.
constexpr std::uint32_t long_count_marker = 0xFFFFFFFEu;

inline void write_count(OStream& os, std::size_t n) {
    if (n >= long_count_marker) os << long_count_marker;
    os << static_cast<std::uint32_t>(n);
}

// The count write_count wrote; 0 once the stream has failed.
inline std::uint32_t read_count(IStream& is) {
    std::uint32_t n = 0;
    is >> n;
    if (n == long_count_marker) is >> n;
    return is.good() ? n : 0;
}

// count as u32, then the four-byte values of [first, last), stopping after
// the first that leaves the stream not good.
template <class It>
void write_counted(OStream& os, It first, It last, std::uint32_t count) {
    os << count;
    for (; first != last && os.good(); ++first) {
        auto v = *first;
        static_assert(sizeof(v) == 4, "write_counted writes four-byte values");
        unsigned char bytes[4];
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        OStream::put_u32(bytes, bits);
        os.write(bytes, 4);
    }
}

// Reads what write_counted wrote into a vector of four-byte values.
template <class T>
void read_vector(IStream& is, std::vector<T>& out) {
    static_assert(sizeof(T) == 4, "read_vector reads four-byte values");
    out.clear();
    std::uint32_t count = 0;
    if (!(is >> count).good()) return;
    // Room grows with what arrives, never with the stored count alone.
    out.reserve(count < 1024 ? count : 1024);
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned char bytes[4];
        if (!is.read_bytes(bytes, 4)) return;
        std::uint32_t bits = IStream::get_u32(bytes);
        T v;
        std::memcpy(&v, &bits, 4);
        out.push_back(v);
    }
}

}  // namespace orvek::io
