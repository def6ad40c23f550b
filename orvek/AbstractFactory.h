#pragma once
// Factories of persistent classes, registered under explicit type names in
// one global table, so that object streams can create objects by name.
//
// A persistent class registers one static factory with its name as the
// saves spell it:
//     static orvek::Factory<Ball> ball_factory("class orvek::trelm::logic::Ball");
// The same registration tells the writers which name to store for an object
// of that dynamic type (type_name_of), so saved names never depend on the
// compiler's own type information.
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>

#include "orvek/Exception.h"
#include "orvek/io/Object.h"

namespace orvek {

class AbstractFactory {
public:
    // Registers the factory under name (the newest registration of a name
    // wins); an empty name registers nothing.
    explicit AbstractFactory(std::string name);
    AbstractFactory(const AbstractFactory&) = delete;
    AbstractFactory& operator=(const AbstractFactory&) = delete;
    // Unregisters: the factory registered before under the same name comes back.
    virtual ~AbstractFactory();

    virtual void* allocate() = 0;
    virtual void destroy(void* object) = 0;
    virtual void* create() = 0;
    virtual void* copy_construct(void* memory, const void* source) = 0;

    // A new object as a persistent object; null for factories of plain data.
    virtual io::Object* create_object() { return nullptr; }
    // Size in bytes of what create makes when it is read as a stream datum.
    virtual std::size_t datum_size() const = 0;
    // Identifies what create makes, so that a stream can refuse a datum of
    // one kind where another is expected.
    virtual const void* datum_kind() const = 0;

    const std::string& name() const { return name_; }
    AbstractFactory* next() const { return next_; }

    // The factory registered under name, trying the short namespace aliases
    // ("windows::" as "win::" and the like) when the full name is unknown.
    static AbstractFactory* find(std::string_view name);

protected:
    // Records that objects of type are saved under this factory's name.
    void register_type(const std::type_info& type);

private:
    std::string name_;
    AbstractFactory* next_ = nullptr;
    const std::type_info* type_ = nullptr;
};

// The registered name under which objects of this dynamic type are saved;
// empty when no factory names the type.
std::string type_name_of(const std::type_info& type);
// The registered name of the object's dynamic type; empty for null.
std::string type_name_of(const io::Object* object);

// Raised when a factory is missing or cannot do what is asked.
class FactoryExc : public Exception {
public:
    explicit FactoryExc(std::string name, std::uint32_t code = 0);
    const std::string& name() const { return name_; }
    std::uint32_t code() const { return code_; }

private:
    std::string name_;
    std::uint32_t code_;
};

// Reports and raises FactoryExc carrying text as its name.
[[noreturn]] void throw_factory_exception(const char* text);

namespace detail {
template <class T>
struct DatumKind {
    static constexpr char tag = 0;
};
}  // namespace detail

template <class T, int N = 3>
class Factory : public AbstractFactory {
public:
    explicit Factory(std::string name) : AbstractFactory(std::move(name)) { register_type(typeid(T)); }

    void* allocate() override { return ::operator new(sizeof(T)); }
    void destroy(void* object) override { delete static_cast<T*>(object); }
    void* create() override { return new T(); }
    void* copy_construct(void* memory, const void* source) override {
        return new (memory) T(*static_cast<const T*>(source));
    }
    io::Object* create_object() override {
        if constexpr (std::is_base_of_v<io::Object, T>)
            return new T();
        else
            return nullptr;
    }
    std::size_t datum_size() const override { return sizeof(T); }
    const void* datum_kind() const override { return &detail::DatumKind<T>::tag; }
};

}  // namespace orvek
