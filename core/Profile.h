#pragma once
// A player: a name and typed data objects (profile properties), each kept
// under its class's fixed type name, which is part of the profiles file.
#include <map>
#include <memory>
#include <string>

#include "orvek/io/Object.h"

namespace orvek::trelm::core {

class ProfileProperty : public orvek::io::Object {};

class Profile : public orvek::io::Object {
public:
    static constexpr const char* type_key = "class orvek::trelm::core::Profile";
    static constexpr const char* property_type_key = "class orvek::trelm::core::ProfileProperty";
    using Properties = std::map<std::string, std::shared_ptr<ProfileProperty>>;

    Profile() = default;
    explicit Profile(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }

    // T names its key as T::type_key.
    template <class T>
    std::shared_ptr<T> property() const {
        auto it = properties_.find(T::type_key);
        return it == properties_.end() ? nullptr : std::dynamic_pointer_cast<T>(it->second);
    }
    template <class T>
    bool has_property() const {
        return properties_.count(T::type_key) != 0;
    }
    template <class T>
    void set_property(std::shared_ptr<T> value) {
        properties_[T::type_key] = std::move(value);
    }
    const Properties& properties() const { return properties_; }

    // u32 version 0, the name, u32 count, then per property its key and
    // its shared pointer.
    void save(orvek::io::OStream& out) const override;
    // Stops quietly at the first read that leaves the stream bad; the
    // properties read before stay.
    void load(orvek::io::IStream& in) override;

private:
    Properties properties_;
    std::string name_;
};

}  // namespace orvek::trelm::core
