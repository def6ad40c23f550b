#pragma once
// Counted reference handles for objects shared by several owners. A counter
// keeps two counts: uses (handles that keep the object alive) and totals
// (everything that keeps the counter itself alive, uses included). Counts are
// plain integers: handles of one object stay on one thread.
#include <cstdint>
#include <type_traits>
#include <utility>

namespace orvek {

struct PtrRefsData {
    std::int32_t use_count = 0;
    std::int32_t total_count = 0;
};

class PtrRefs : public PtrRefsData {
public:
    PtrRefs(std::int32_t use, std::int32_t total) {
        use_count = use;
        total_count = total;
    }
    PtrRefs(const PtrRefs&) = delete;
    PtrRefs& operator=(const PtrRefs&) = delete;

    // Destroys the owned object (once; later calls do nothing).
    virtual void dispose() = 0;
    // Deletes the counter itself.
    virtual void destroy() { delete this; }
    virtual ~PtrRefs() = default;
    // The object the counter owns (the address of the most-derived object);
    // null once disposed.
    virtual const void* owned() const = 0;

    void add_use() {
        ++use_count;
        ++total_count;
    }
    // One use and one total go; the object dies with its last use, the
    // counter with its last total.
    void release_use() {
        if (--use_count < 1) dispose();
        release_total();
    }
    void add_total() { ++total_count; }
    void release_total() {
        if (--total_count < 1) destroy();
    }
};

template <class T>
struct CheckedDeleter {
    void operator()(T* p) const {
        static_assert(sizeof(T) > 0, "deleting an incomplete type");
        delete p;
    }
};

// Leaves the object alone: a counter that only counts.
template <class T>
struct NullDeleter {
    void operator()(T*) const {}
};

template <class P, class D>
class PtrRefsImpl;

template <class T, class D>
class PtrRefsImpl<T*, D> : public PtrRefs {
public:
    PtrRefsImpl(T* p, std::int32_t use, std::int32_t total, D d = D())
        : PtrRefs(use, total), ptr_(p), deleter_(std::move(d)) {}
    ~PtrRefsImpl() override { dispose(); }

    void dispose() override {
        T* p = ptr_;
        ptr_ = nullptr;
        if (p) deleter_(p);
    }
    const void* owned() const override {
        if constexpr (std::is_polymorphic_v<T>)
            return dynamic_cast<const void*>(ptr_);
        else
            return ptr_;
    }
    T* get() const { return ptr_; }

private:
    T* ptr_;
    D deleter_;
};

template <class T>
class Refs {
public:
    Refs() = default;
    // Takes the object with a new counter of its own.
    explicit Refs(T* object) { reset(object); }
    // Shares the given counter (one more use of it).
    Refs(T* object, PtrRefs* counter) { reset(object, counter); }
    Refs(const Refs& other) : object_(other.object_), counter_(other.counter_) {
        if (counter_) counter_->add_use();
    }
    Refs(Refs&& other) noexcept : object_(other.object_), counter_(other.counter_) {
        other.object_ = nullptr;
        other.counter_ = nullptr;
    }
    template <class U>
    Refs(const Refs<U>& other) : object_(other.get()), counter_(other.counter()) {
        if (counter_) counter_->add_use();
    }
    ~Refs() { reset(); }

    Refs& operator=(const Refs& other) {
        Refs(other).swap(*this);
        return *this;
    }
    Refs& operator=(Refs&& other) noexcept {
        Refs(std::move(other)).swap(*this);
        return *this;
    }

    // Lets the object and counter go.
    void reset() {
        PtrRefs* c = counter_;
        object_ = nullptr;
        counter_ = nullptr;
        if (c) c->release_use();
    }
    // Nothing happens when object is the one held already. Otherwise the
    // handle lets go and takes object with the given counter, or with a new
    // one when none is given.
    void reset(T* object, PtrRefs* counter = nullptr) {
        if (object == object_) return;
        reset();
        if (!object) return;
        if (counter) {
            counter->add_use();
        } else {
            counter = new PtrRefsImpl<T*, CheckedDeleter<T>>(object, 1, 1);
        }
        object_ = object;
        counter_ = counter;
    }

    void swap(Refs& other) noexcept {
        std::swap(object_, other.object_);
        std::swap(counter_, other.counter_);
    }

    T* get() const { return object_; }
    T& operator*() const { return *object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    PtrRefs* counter() const { return counter_; }
    std::int32_t use_count() const { return counter_ ? counter_->use_count : 0; }

private:
    T* object_ = nullptr;
    PtrRefs* counter_ = nullptr;
};

template <class T, class U>
bool operator==(const Refs<T>& a, const Refs<U>& b) {
    return a.get() == b.get();
}

}  // namespace orvek
