#include "orvek/io/Stream.h"

#include <algorithm>
#include <ostream>

#include "orvek/Log.h"
#include "orvek/io/BasicFileBuf.h"
#include "orvek/io/IoLog.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/StreamBufEx.h"

namespace orvek::io {

namespace {

constexpr std::uint32_t no_length = 0xFFFFFFFFu;
constexpr std::size_t block_piece = 64 * 1024;
// Kind of the raw data blocks a stream reads without a factory.
constexpr char raw_kind = 0;

}  // namespace

namespace detail {
void fail_stream(IStream& stream, const char* text) {
    io_error_log() << text << std::endl;
    Stream::Error info(text);
    stream.setstate(Stream::failbit, &info);
}
}  // namespace detail

// ---------------------------------------------------------------- Stream::Error

Stream::Error::Error(std::string_view text, std::uint32_t code, std::string_view context, const ErrorInfo* nested)
    : ErrorInfo(context, nested), text_(text), code_(code) {}

const char* Stream::Error::code_text(std::uint32_t code) {
    switch (code) {
        case 1: return "reading rw1 header failed";
        case 2: return "g1rw streams packed with dkpack are not supported";
        case 3: return "Encrypted g1rw streams are not supported";
        case 4: return "Unknown g1rw stream packer type";
        case 5: return "z_uncompress() failed while opening g1rw stream";
        default: return "";
    }
}

std::size_t Stream::Error::write_message(char* buffer, std::size_t size) const {
    if (!buffer || size == 0) return 0;
    std::string text = text_;
    const char* code = code_text(code_);
    if (*code) text += (text.empty() ? std::string() : std::string(": ")) + code;
    std::size_t n = std::min(text.size(), size - 1);
    text.copy(buffer, n);
    buffer[n] = '\0';
    return n + write_base(buffer + n, size - n);
}

// ---------------------------------------------------------------- Stream

Stream::Stream() = default;

Stream::~Stream() {
    release_tables();
    if (owns_registry_) delete registry_;
}

void Stream::attach(std::streambuf* buffer, Registry* registry) {
    release_tables();
    buffer_ = buffer;
    attached_buffer_ = buffer;
    state_ = buffer ? goodbit : badbit;
    exceptions_ = default_exceptions;
    flags_ = length_prefixed;
    if (owns_registry_) delete registry_;
    registry_ = registry;
    owns_registry_ = false;
}

void Stream::release_tables() {
    if (boost_registry_) boost_registry_->clear();
    boost_registry_.reset();
    if (shared_objects_) {
        auto objects = std::move(*shared_objects_);
        shared_objects_.reset();
    }
}

void Stream::setstate(std::uint32_t bits, const ErrorInfo* info) {
    state_ |= bits;
    if (!buffer_) state_ |= badbit;
    if (state_ & exceptions_) throw_failure_(info);
}

void Stream::clear(std::uint32_t state) {
    state_ = state | (buffer_ ? goodbit : badbit);
    if (state_ & exceptions_) throw_failure_();
}

void Stream::exceptions(std::uint32_t mask) {
    exceptions_ = mask;
    if (state_ & exceptions_) throw_failure_();
}

Registry& Stream::registry_or_create() {
    if (!registry_) {
        registry_ = new Registry2();
        owns_registry_ = true;
    }
    return *registry_;
}

void Stream::detach_registry() {
    release_tables();
    if (owns_registry_) delete registry_;
    registry_ = nullptr;
    owns_registry_ = false;
}

stream::BoostRegistry& Stream::boost_registry() {
    if (!boost_registry_) boost_registry_ = std::make_unique<stream::BoostRegistry>();
    return *boost_registry_;
}

std::set<std::shared_ptr<const void>>& Stream::shared_objects() {
    if (!shared_objects_) shared_objects_ = std::make_unique<std::set<std::shared_ptr<const void>>>();
    return *shared_objects_;
}

void Stream::throw_failure_(const ErrorInfo* info) const {
    Error fallback("i/o error");
    const ErrorInfo& given = info ? *info : fallback;
    std::string context;
    if (given.context().empty()) {
        if (auto* ex = dynamic_cast<StreamBufEx*>(attached_buffer_)) {
            context = ex->file_name();
        } else if (buffer_) {
            context = type_name(typeid(*buffer_));
        } else {
            context = name();
        }
    }
    ThrowLocation where{"orvek/stream", static_cast<std::uint32_t>(__LINE__), "orvek::io::Stream::throw_failure_"};
    if (context.empty()) report_and_throw(where, Failure(given));
    ErrorInfo wrapped(context, &given);
    report_and_throw(where, Failure(wrapped));
}

std::int64_t Stream::position(std::ios_base::openmode which) const {
    if (!buffer_ || (state_ & failbit)) return -1;
    auto pos = buffer_->pubseekoff(0, std::ios_base::cur, which);
    return pos == std::streampos(std::streamoff(-1)) ? -1 : static_cast<std::int64_t>(std::streamoff(pos));
}

std::int64_t Stream::seek(std::int64_t pos, std::ios_base::openmode which) {
    if (pos < 0 || !buffer_) return -1;
    auto got = buffer_->pubseekpos(std::streampos(std::streamoff(pos)), which);
    return got == std::streampos(std::streamoff(-1)) ? -1 : static_cast<std::int64_t>(std::streamoff(got));
}

void Stream::fail_with(const char* text, std::uint32_t bits) {
    io_error_log() << text << std::endl;
    Error info(text);
    setstate(bits, &info);
}

bool Stream::may_transfer(bool reading) {
    if (state_ & ~std::uint32_t(lostbit)) {
        if (reading) setstate(failbit);
        return false;
    }
    if (!buffer_) {
        setstate(badbit | failbit);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- OStream

OStream::OStream(std::streambuf* buffer, Registry* registry) { attach(buffer, registry); }

OStream::~OStream() = default;

bool OStream::write_bytes(const void* data, std::size_t n) {
    if (n == 0) return true;
    if (!buffer_) return false;
    return buffer_->sputn(static_cast<const char*>(data), static_cast<std::streamsize>(n)) ==
           static_cast<std::streamsize>(n);
}

OStream& OStream::write(const void* data, std::size_t n) {
    if (!may_transfer(false)) return *this;
    if (write_bytes(data, n)) return *this;
    // A file that refused the bytes knows why (a full disk, say): the
    // failure carries that reason, not a bare "i/o error".
    const auto* file = dynamic_cast<const BasicFileBuf*>(attached_buffer_);
    if (file && file->in_error() && file->error_info()) {
        TextualErrorInfo info("write failed: ", {}, file->error_info());
        setstate(eofbit | failbit, &info);
    } else {
        setstate(eofbit | failbit);
    }
    return *this;
}

OStream& OStream::operator<<(std::uint32_t v) {
    unsigned char bytes[4];
    put_u32(bytes, v);
    return write(bytes, 4);
}

OStream& OStream::operator<<(std::int32_t v) { return *this << static_cast<std::uint32_t>(v); }

OStream& OStream::operator<<(std::uint8_t v) { return write(&v, 1); }

OStream& OStream::operator<<(float v) {
    unsigned char bytes[4];
    put_float(bytes, v);
    return write(bytes, 4);
}

OStream& OStream::write_sized_block(const void* data, std::size_t n) {
    if (n >= no_length) {
        // The count would read back as "no block" or be cut short.
        fail_with("Block too large to write.");
        return *this;
    }
    *this << static_cast<std::uint32_t>(n);
    if (good()) write(data, n);
    return *this;
}

void OStream::write_header() {
    const std::int64_t p0 = position(std::ios_base::out);
    if (p0 == -1) flags(flags() & ~std::uint32_t(length_prefixed));
    write(magic, magic_size);
    *this << flags();
    header_size_ = position(std::ios_base::out) - p0;
}

void OStream::write_object(const Object* object, std::string_view type_name, bool unshared) {
    Registry& registry = registry_or_create();
    if (!registry.write_object_ref(*this, object, type_name, unshared)) return;
    if (depth_ >= max_depth) {
        fail_with("Objects nested too deeply.");
        return;
    }
    auto save = [&] {
        ++depth_;
        try {
            object->save(*this);
        } catch (...) {
            --depth_;
            // The record is incomplete: nothing after it can be trusted.
            state_restore(rdstate() | badbit | failbit);
            throw;
        }
        --depth_;
    };
    if (!(flags() & length_prefixed)) {
        save();
        return;
    }
    const std::int64_t p1 = position(std::ios_base::out);
    *this << no_length;
    if (good()) save();
    if (!good()) return;
    const std::int64_t p2 = position(std::ios_base::out);
    if (p1 == -1 || p2 == -1 || seek(p1, std::ios_base::out) == -1) {
        setstate(lostbit);
        return;
    }
    *this << static_cast<std::uint32_t>(p2 - p1 - 4);
    if (good() && seek(p2, std::ios_base::out) == -1) setstate(failbit);
}

void OStream::write_shared_datum(const void* address, std::size_t size, std::string_view type_name,
                                 bool unshared) {
    Registry& registry = registry_or_create();
    if (!registry.write_object_ref(*this, address, type_name, unshared)) return;
    *this << static_cast<std::uint32_t>(size);
    write(address, size);
}

void OStream::reset() {
    release_tables();
    if (registry_) registry_->reset();
    header_size_ = 0;
    depth_ = 0;
}

// ---------------------------------------------------------------- IStream

IStream::IStream(std::streambuf* buffer, Registry* registry) { attach(buffer, registry); }

IStream::~IStream() {
    release_objects();
    if (registry_ == legacy_registry_.get()) registry_ = nullptr;
}

bool IStream::read_bytes(void* data, std::size_t n) {
    if (!may_transfer(true)) return false;
    if (n == 0) return true;
    const auto got = buffer_->sgetn(static_cast<char*>(data), static_cast<std::streamsize>(n));
    if (got != static_cast<std::streamsize>(n)) {
        setstate(eofbit | failbit);
        return false;
    }
    return true;
}

bool IStream::read_block(std::vector<char>& out, std::size_t n) {
    out.clear();
    try {
        while (n > 0) {
            const std::size_t piece = std::min(n, block_piece);
            const std::size_t old = out.size();
            out.resize(old + piece);
            if (!read_bytes(out.data() + old, piece)) {
                out.clear();
                return false;
            }
            n -= piece;
        }
    } catch (...) {
        out.clear();
        throw;
    }
    return good();
}

IStream& IStream::operator>>(std::uint32_t& v) {
    unsigned char bytes[4];
    if (read_bytes(bytes, 4)) v = get_u32(bytes);
    return *this;
}

IStream& IStream::operator>>(std::int32_t& v) {
    std::uint32_t u = 0;
    if ((*this >> u).good()) v = static_cast<std::int32_t>(u);
    return *this;
}

IStream& IStream::operator>>(std::uint8_t& v) {
    read_bytes(&v, 1);
    return *this;
}

IStream& IStream::operator>>(float& v) {
    unsigned char bytes[4];
    if (read_bytes(bytes, 4)) v = get_float(bytes);
    return *this;
}

IStream& IStream::read_string(std::string& s) {
    s.clear();
    std::uint32_t n = 0;
    if (!(*this >> n).good() || n == no_length) return *this;
    std::size_t left = n;
    try {
        while (left > 0) {
            const std::size_t piece = std::min(left, block_piece);
            const std::size_t old = s.size();
            s.resize(old + piece);
            if (!read_bytes(s.data() + old, piece)) {
                s.clear();
                break;
            }
            left -= piece;
        }
    } catch (...) {
        s.clear();
        throw;
    }
    return *this;
}

void IStream::read_header() {
    const std::int64_t p0 = position(std::ios_base::in);
    if (p0 == -1) flags(flags() & ~std::uint32_t(length_prefixed));
    detach_registry();
    legacy_registry_.reset();

    // A short or foreign start is not a failure: it marks a legacy stream.
    const std::uint32_t saved_state = rdstate();
    const std::uint32_t saved_mask = exceptions();
    unsigned char head[magic_size + 4];
    bool got4 = false;
    {
        struct RestoreMask {
            IStream& s;
            std::uint32_t mask;
            ~RestoreMask() { s.exceptions_restore(mask); }
        } restore{*this, saved_mask};
        exceptions_restore(badbit);
        got4 = read_bytes(head, 4);
    }
    state_restore(saved_state);
    if (rdstate() & exceptions()) throw_failure_();

    if (got4 && std::equal(head, head + 4, magic)) {
        const std::size_t rest = magic_size - 4;
        std::size_t got = 0;
        if (good() && buffer_) got = static_cast<std::size_t>(buffer_->sgetn(reinterpret_cast<char*>(head + 4), rest));
        if (got == rest && std::equal(head + 4, head + magic_size, magic + 4)) {
            unsigned char word[4];
            if (buffer_->sgetn(reinterpret_cast<char*>(word), 4) == 4) {
                // Only the length flag is the writer's to pass on.
                const std::uint32_t stored = get_u32(word);
                flags((flags() & ~std::uint32_t(length_prefixed)) | (stored & length_prefixed));
                header_size_ = position(std::ios_base::in) - p0;
                return;
            }
        }
    }

    state_restore(buffer_ ? goodbit : badbit);
    legacy_registry_ = std::make_unique<Registry1>();
    registry_ = legacy_registry_.get();
    owns_registry_ = false;
    flags(flags() & ~std::uint32_t(length_prefixed));
    header_size_ = 0;
    if (seek(p0, std::ios_base::in) == -1) fail_with("Failed to open legacy stream.");
}

Object* IStream::read_object_or_skip(AbstractFactory* factory) {
    Registry& registry = registry_or_create();
    ObjectRef ref;
    ref.kind = ObjectRef::object_record;
    ref.factory = factory;
    std::uint32_t key = 0;
    if (!registry.read_object_ref(*this, ref, key)) {
        if (ref.wrong_kind) {
            fail_with("Object key names a record of another kind.");
            return nullptr;
        }
        if (ref.object) {
            // An object loaded earlier whose owners have let it go since.
            auto owner = owners_.find(ref.object);
            if (owner != owners_.end() && !owner->second->owned()) {
                fail_with("Object key names an object that no longer exists.");
                return nullptr;
            }
        }
        return ref.object;
    }
    AbstractFactory* made_by = ref.factory;
    if (!made_by) {
        if (!(flags() & length_prefixed)) {
            fail_with("Failed to skip object.");
            return nullptr;
        }
        std::uint32_t length = 0;
        if (!(*this >> length).good()) return nullptr;
        if (skip_object(length)) {
            registry.remember_loaded(nullptr, key);
            io_warning_log() << "Object skipped." << std::endl;
            setstate(lostbit);
        }
        return nullptr;
    }
    if (depth_ >= max_depth) {
        fail_with("Objects nested too deeply.");
        return nullptr;
    }
    const bool check_length = (flags() & length_prefixed) != 0;
    std::uint32_t length = 0;
    if (check_length && !(*this >> length).good()) return nullptr;
    const std::int64_t start = position(std::ios_base::in);
    Object* object = made_by->create_object();
    if (!object) {
        fail_with(("Factory '" + made_by->name() + "' makes no objects.").c_str());
        return nullptr;
    }
    unowned_.insert(object);
    registry.remember_loaded(object, key);
    ++depth_;
    try {
        object->load(*this);
    } catch (...) {
        --depth_;
        throw;
    }
    --depth_;
    if (check_length && good()) {
        const std::int64_t end = position(std::ios_base::in);
        if (end - start != static_cast<std::int64_t>(length)) {
            const bool more = end > start + static_cast<std::int64_t>(length);
            default_error_channel() << "Object: " << made_by->name() << " - "
                                    << (more ? "loaded more than must" : "loaded less than must") << std::endl;
            Error info(more ? "loaded more than must" : "loaded less than must");
            setstate(badbit | failbit, &info);
        }
    }
    return object;
}

bool IStream::skip_object(std::uint32_t length) {
    if (!(flags() & length_prefixed)) {
        fail_with("Failed to skip object.");
        return false;
    }
    if (length == no_length) {
        fail_with("Data length is not available for skipping.");
        return false;
    }
    const std::streampos bad(std::streamoff(-1));
    if (!buffer_) {
        fail_with("Seek failed while skipping data.");
        return false;
    }
    // A file may be sought past its end: where the end is known, a body
    // that reaches beyond it is damage, not an object to skip.
    const std::streampos here = buffer_->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    const std::streampos end = here == bad ? bad : buffer_->pubseekoff(0, std::ios_base::end, std::ios_base::in);
    if (end != bad && std::streamoff(end) - std::streamoff(here) < std::streamoff(length)) {
        fail_with("Data length reaches past the end of the stream.");
        return false;
    }
    const std::streampos target = here == bad ? bad : here + std::streamoff(length);
    const std::streampos got =
        end != bad ? buffer_->pubseekpos(target, std::ios_base::in)
                   : buffer_->pubseekoff(length, std::ios_base::cur, std::ios_base::in);
    if (got == bad) {
        fail_with("Seek failed while skipping data.");
        return false;
    }
    return true;
}

void* IStream::read_object(AbstractFactory* factory) {
    Registry& registry = registry_or_create();
    ObjectRef ref;
    ref.kind = ObjectRef::datum_record;
    ref.factory = factory;
    std::uint32_t key = 0;
    const void* wanted_kind = factory ? factory->datum_kind() : &raw_kind;
    if (!registry.read_object_ref(*this, ref, key)) {
        if (ref.wrong_kind || (ref.datum && ref.datum_kind != wanted_kind)) {
            fail_with("Data key names a record of another kind.");
            return nullptr;
        }
        return ref.datum;
    }
    std::uint32_t n = 0;
    if (!(*this >> n).good()) return nullptr;
    if (factory) {
        if (n != factory->datum_size()) {
            fail_with(("Invalid data size (" + std::to_string(n) + ").").c_str());
            return nullptr;
        }
        std::vector<char> bytes;
        if (!read_block(bytes, n)) return nullptr;
        void* target = factory->create();
        if (!target) {
            fail_with("Failed to create shared data.");
            return nullptr;
        }
        if (n) std::memcpy(target, bytes.data(), n);
        registry.remember_datum(target, wanted_kind, key);
        return target;
    }
    // Without a factory the bytes are kept as a plain block; a type the
    // file names is never filled from raw bytes.
    auto block = std::make_unique<std::vector<char>>();
    if (!read_block(*block, n)) return nullptr;
    if (block->empty()) block->resize(1);
    void* address = block->data();
    data_blocks_.push_back(std::move(block));
    registry.remember_datum(address, wanted_kind, key);
    return address;
}

bool IStream::adopt(Object* object) { return object && unowned_.erase(object) > 0; }

void IStream::hold_counter(PtrRefs* counter, const Object* object) {
    counter->add_total();
    held_counters_.push_back(counter);
    if (object) owners_[object] = counter;
}

void IStream::release_objects() {
    release_tables();
    auto objects = std::move(unowned_);
    unowned_.clear();
    for (Object* object : objects) delete object;
    auto counters = std::move(held_counters_);
    held_counters_.clear();
    owners_.clear();
    for (PtrRefs* counter : counters) counter->release_total();
    data_blocks_.clear();
    depth_ = 0;
}

void IStream::reset() {
    release_objects();
    if (registry_) registry_->reset();
    header_size_ = 0;
}

}  // namespace orvek::io
