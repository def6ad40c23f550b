#pragma once
// Saving and loading shared objects: counted handles (orvek::Refs) and
// std::shared_ptr / std::weak_ptr. An object shared by several handles is
// written once, its counter once (a datum tagged "long", 4 bytes, value 0),
// and after loading the handles share one counter again.
//
// Ownership on loading: every object has exactly one counter. A shared
// pointer restored by load_shared holds a use of that counter in its
// deleter, so handles and shared pointers to one object form one owner
// group and the object is deleted once, when the last of them is gone.
// Objects loaded through a stream also stay alive as long as the stream.
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <typeindex>
#include <utility>

#include "orvek/AbstractFactory.h"
#include "orvek/Refs.h"
#include "orvek/io/Stream.h"

namespace orvek {

namespace io::detail {
// One kind for every stream-made counter: which class it owns is checked
// against the object, not by the kind.
inline constexpr char counter_kind = 0;
// The address a counter compares objects by: the most-derived object.
template <class T>
const void* object_identity(const T* p) {
    if constexpr (std::is_polymorphic_v<T>)
        return dynamic_cast<const void*>(p);
    else
        return p;
}
// Fails the stream with text (logged on "orvek.io").
void fail_stream(IStream& stream, const char* text);
}  // namespace io::detail

// Makes the counter of a handle being loaded; built on the stack, never
// registered. The counter takes the object out of the stream's keeping.
template <class T>
class RefsIoFactory : public AbstractFactory {
public:
    RefsIoFactory(io::IStream& stream, T* object) : AbstractFactory(std::string()), stream_(stream), object_(object) {}

    void* allocate() override { return ::operator new(sizeof(Counter)); }
    // Lets go one use and one total of the counter whose use count this is.
    void destroy(void* use_count) override { counter_of(use_count)->release_use(); }
    void* create() override {
        if (object_ && !stream_.adopt(object_)) return nullptr;  // already has an owner
        created_ = new Counter(object_, 0, 0);
        return static_cast<PtrRefsData*>(created_);
    }
    void* copy_construct(void*, const void*) override {
        throw_factory_exception("o::Factory::uninitialized_copy(): The factory does not support this method.");
    }
    std::size_t datum_size() const override { return sizeof(std::int32_t); }
    const void* datum_kind() const override { return &io::detail::counter_kind; }

    PtrRefs* created() const { return created_; }
    static PtrRefs* counter_of(void* use_count) {
        return static_cast<PtrRefs*>(static_cast<PtrRefsData*>(use_count));
    }

private:
    using Counter = PtrRefsImpl<T*, CheckedDeleter<T>>;
    io::IStream& stream_;
    T* object_;
    PtrRefs* created_ = nullptr;
};

namespace io {

namespace stream {

// Per stream: raw address -> (shared pointer, handle) of every shared
// object saved or loaded through it.
class BoostRegistry {
public:
    BoostRegistry() = default;
    BoostRegistry(const BoostRegistry&) = delete;
    BoostRegistry& operator=(const BoostRegistry&) = delete;
    ~BoostRegistry() { clear(); }

    template <class T>
    void insert(T* address, const std::shared_ptr<T>& shared, const Refs<T>& handle) {
        Key key{static_cast<const void*>(address), std::type_index(typeid(T))};
        if (entries_.count(key)) return;
        if (handle.counter()) handle.counter()->add_use();
        auto it = entries_.emplace(key, Entry{std::shared_ptr<const void>(shared), handle.counter()}).first;
        by_identity_.emplace(detail::object_identity(address), &it->second);
    }
    template <class T>
    Refs<T> find_refs(const T* address) const {
        const Entry* entry = find_entry(address);
        if (!entry || !entry->counter) return {};
        return Refs<T>(const_cast<T*>(address), entry->counter);
    }
    template <class T>
    std::shared_ptr<T> find_shared(const T* address) const {
        auto it = entries_.find(Key{static_cast<const void*>(address), std::type_index(typeid(T))});
        if (it != entries_.end()) return std::static_pointer_cast<T>(std::const_pointer_cast<void>(it->second.shared));
        // Met before through a pointer of another type: share that owner group.
        const Entry* entry = find_entry(address);
        if (!entry || !entry->shared) return {};
        return std::shared_ptr<T>(std::const_pointer_cast<void>(entry->shared), const_cast<T*>(address));
    }

    void clear() {
        by_identity_.clear();
        auto entries = std::move(entries_);
        entries_.clear();
        for (auto& [key, entry] : entries) {
            entry.shared.reset();
            if (entry.counter) entry.counter->release_use();
        }
    }

private:
    using Key = std::pair<const void*, std::type_index>;
    struct Entry {
        std::shared_ptr<const void> shared;
        PtrRefs* counter;  // one use held
    };
    // The entry of the object by its own type, or else by any other type it
    // was saved or loaded through (a ball saved both as a ball and as a
    // placeholder keeps one counter and one owner group).
    template <class T>
    const Entry* find_entry(const T* address) const {
        auto it = entries_.find(Key{static_cast<const void*>(address), std::type_index(typeid(T))});
        if (it != entries_.end()) return &it->second;
        auto jt = by_identity_.find(detail::object_identity(address));
        return jt == by_identity_.end() ? nullptr : jt->second;
    }

    std::map<Key, Entry> entries_;
    std::map<const void*, const Entry*> by_identity_;
};

}  // namespace stream

// Writes the object record of the handle's object, then its counter.
template <class T>
void save_refs(OStream& os, const Refs<T>& handle) {
    static_assert(std::is_base_of_v<Object, T>, "only persistent objects are saved");
    const T* p = handle.get();
    const std::string name = p ? type_name_of(typeid(*p)) : type_name_of(typeid(T));
    os.write_object(p, name, false);
    PtrRefs* counter = handle.counter();
    if (!counter) {
        os.write_shared_datum(nullptr, 4, "long", false);
        return;
    }
    // The stored use count is always 0; the loader counts the handles again.
    struct Restore {
        PtrRefs* c;
        std::int32_t use;
        ~Restore() { c->use_count = use; }
    } restore{counter, counter->use_count};
    counter->use_count = 0;
    os.write_shared_datum(&counter->use_count, 4, "long", false);
}

// Reads what save_refs wrote. A key that names an object of another type,
// or a counter that belongs to another object, fails the stream.
template <class T>
void load_refs(IStream& is, Refs<T>& handle) {
    static_assert(std::is_base_of_v<Object, T>, "only persistent objects are loaded");
    Object* object = is.read_object_or_skip(nullptr);
    T* typed = nullptr;
    if (object) {
        typed = dynamic_cast<T*>(object);
        if (!typed) {
            detail::fail_stream(is, ("Object is not of the expected type '" + type_name_of(typeid(T)) + "'.").c_str());
            return;
        }
    }
    if (!is.good()) return;
    RefsIoFactory<T> factory(is, typed);
    void* datum = is.read_object(&factory);
    if (!is.good()) return;
    PtrRefs* counter = datum ? RefsIoFactory<T>::counter_of(datum) : nullptr;
    if (counter && counter == factory.created()) {
        // Whatever count the file holds, the handles loaded are the uses.
        counter->use_count = 0;
        is.hold_counter(counter, typed);
    } else if (counter) {
        if (!typed || counter->owned() != detail::object_identity(typed)) {
            detail::fail_stream(is, "Reference counter does not belong to its object.");
            return;
        }
    } else if (typed && !is.adopt(typed)) {
        detail::fail_stream(is, "Object already has an owner.");
        return;
    }
    if (!typed) {
        handle.reset();
        return;
    }
    handle.reset(typed, counter);
    if (!counter && handle.counter()) is.hold_counter(handle.counter(), typed);
}

// Writes a shared pointer as a counted handle; every pointer to one object
// shares one counter within the stream.
template <class T>
void save_shared(OStream& os, const std::shared_ptr<T>& shared) {
    T* p = shared.get();
    Refs<T> handle;
    if (p) {
        auto& registry = os.boost_registry();
        handle = registry.find_refs(p);
        if (!handle) {
            // A counter that only counts: the shared pointer owns the object.
            handle.reset(p, new PtrRefsImpl<T*, NullDeleter<T>>(p, 0, 0));
            registry.insert(p, shared, handle);
        }
    }
    save_refs(os, handle);
}

template <class T>
void load_shared(IStream& is, std::shared_ptr<T>& shared) {
    Refs<T> handle;
    load_refs(is, handle);
    if (!is.good()) return;
    T* p = handle.get();
    if (!p) {
        shared.reset();
        return;
    }
    auto& registry = is.boost_registry();
    if (auto found = registry.find_shared(p)) {
        shared = std::move(found);
        return;
    }
    // The deleter holds a use of the object's counter: one owner group.
    std::shared_ptr<T> made(p, [keep = handle](T*) mutable { keep.reset(); });
    registry.insert(p, made, handle);
    shared = std::move(made);
}

// Loads a shared pointer and keeps it in the stream's shared-object set,
// so the object lives at least as long as the stream.
template <class T>
void load_weak(IStream& is, std::weak_ptr<T>& weak) {
    std::shared_ptr<T> shared;
    load_shared(is, shared);
    if (shared) is.shared_objects().insert(shared);
    weak = shared;
}

}  // namespace io
}  // namespace orvek
