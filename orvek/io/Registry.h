#pragma once
// Factory registries of object streams: how an object key and the name of
// its factory are written and read, which objects a stream has written or
// loaded already, and the numbering of the factory names a stream spells
// out (ids from 1, in order of first use, alike on both sides).
//
// Keys are per-stream counters: 0 is a null object, 1 an object written
// unshared (in full every time), every other object or datum gets the next
// number the first time it is written. On the reading side objects and
// plain data are kept in separate tables, so a key can never be taken for a
// record of the other kind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "orvek/AbstractFactory.h"
#include "orvek/Exception.h"

namespace orvek::io {

class IStream;
class OStream;
class Object;

// What a record may turn out to be when its key is read.
struct ObjectRef {
    enum Kind { object_record, datum_record };

    Kind kind = object_record;
    AbstractFactory* factory = nullptr;  // wanted by the caller, or read from the stream
    Object* object = nullptr;            // an object record loaded before
    void* datum = nullptr;               // a datum record loaded before
    const void* datum_kind = nullptr;    // what the datum loaded before is
    bool skipped = false;                // the key named an object that was skipped
    bool wrong_kind = false;             // the key named a record of the other kind
};

class Registry {
public:
    virtual ~Registry() = default;

    virtual void reset() = 0;
    virtual void clear_objects() = 0;
    virtual void clear_factories() = 0;

    // Writes the key and, for an object not written before, its factory
    // reference. Answers whether a body must follow.
    virtual bool write_object_ref(OStream& stream, const void* object, std::string_view type_name,
                                  bool unshared) = 0;
    // Reads the key and, for a record not loaded before, its factory
    // reference. Answers whether a body follows.
    virtual bool read_object_ref(IStream& stream, ObjectRef& ref, std::uint32_t& key) = 0;
    // Records key -> object (null for a skipped object); key 1 never.
    virtual void remember_loaded(Object* object, std::uint32_t key) = 0;
    virtual void remember_datum(void* datum, const void* kind, std::uint32_t key) = 0;
    // Forgets the key (object or datum); answers how many entries went.
    virtual std::size_t forget_loaded(std::uint32_t key) = 0;
    // Reads a key and, unless it is 0 or known, a factory reference without
    // resolving it. Answers whether a key other than 0 was read.
    virtual bool skip_object_ref(IStream& stream) = 0;

    virtual bool write_factory(OStream& stream, std::string_view name) = 0;
    virtual AbstractFactory* read_factory(IStream& stream, bool needed) = 0;
};

class BasicRegistry : public Registry {
public:
    static constexpr std::uint32_t max_name_length = 4096;

    BasicRegistry();

    void reset() override;
    void clear_objects() override;
    void clear_factories() override;
    bool write_object_ref(OStream& stream, const void* object, std::string_view type_name,
                          bool unshared) override;
    bool read_object_ref(IStream& stream, ObjectRef& ref, std::uint32_t& key) override;
    void remember_loaded(Object* object, std::uint32_t key) override;
    void remember_datum(void* datum, const void* kind, std::uint32_t key) override;
    std::size_t forget_loaded(std::uint32_t key) override;
    bool skip_object_ref(IStream& stream) override;

    std::size_t factory_count() const { return factories_.size(); }

protected:
    // Reads a name of length n and resolves it; the list entry is appended
    // found or not, so ids stay aligned with the writer.
    AbstractFactory* read_name(IStream& stream, std::uint32_t n, bool needed);
    void report_invalid_id(IStream& stream, std::uint32_t id);
    // The id of a name: its own when known, else the next free one.
    std::uint32_t id_of(std::string_view name, bool& known) const;
    void add_name(std::string_view name, std::uint32_t id);
    // The two encodings differ only in whether a zero word comes first.
    bool write_known_id(OStream& stream, std::uint32_t id, bool zero_first);
    bool write_new_name(OStream& stream, std::string_view name, std::uint32_t id, bool zero_first,
                        const ThrowLocation& where);
    AbstractFactory* factory_at(std::uint32_t id) const { return factories_[id - 1]; }

private:
    struct LoadedDatum {
        void* address;
        const void* kind;
    };

    std::unordered_map<std::uint32_t, Object*> loaded_objects_;
    std::unordered_map<std::uint32_t, LoadedDatum> loaded_datums_;
    std::vector<AbstractFactory*> factories_;
    std::unordered_map<const void*, std::uint32_t> written_;
    std::uint32_t next_key_ = 2;
    std::unordered_map<std::string, std::uint32_t> factory_names_;
    std::uint32_t name_count_ = 0;
};

// The current encoding: a known name as its id, a new one as 0, its length
// and its bytes.
class Registry2 : public BasicRegistry {
public:
    bool write_factory(OStream& stream, std::string_view name) override;
    AbstractFactory* read_factory(IStream& stream, bool needed) override;
};

// The legacy encoding: a new name as its length and bytes, a known one as
// 0 and its id.
class Registry1 : public BasicRegistry {
public:
    bool write_factory(OStream& stream, std::string_view name) override;
    AbstractFactory* read_factory(IStream& stream, bool needed) override;
};

class InvalidFactoryIdError : public ErrorInfo {
public:
    InvalidFactoryIdError(std::uint32_t id, std::size_t count) : id_(id), count_(count) {}
    std::size_t write_message(char* buffer, std::size_t size) const override;
    std::uint32_t id() const { return id_; }

private:
    std::uint32_t id_;
    std::size_t count_;
};

class InvalidFactoryNameLengthError : public ErrorInfo {
public:
    explicit InvalidFactoryNameLengthError(std::uint32_t length) : length_(length) {}
    std::size_t write_message(char* buffer, std::size_t size) const override;
    std::uint32_t length() const { return length_; }

private:
    std::uint32_t length_;
};

}  // namespace orvek::io
