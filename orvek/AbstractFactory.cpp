#include "orvek/AbstractFactory.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

namespace orvek {

namespace {

// Built on first use, so registrations from static initialisers in any
// order find it; it outlives every factory constructed after it.
std::unordered_map<std::string, AbstractFactory*>& factory_table() {
    static std::unordered_map<std::string, AbstractFactory*> table(100);
    return table;
}

// Type -> factories naming it, newest last.
std::map<std::type_index, std::vector<const AbstractFactory*>>& type_table() {
    static std::map<std::type_index, std::vector<const AbstractFactory*>> table;
    return table;
}

bool replace_all(std::string& text, std::string_view from, std::string_view to) {
    bool any = false;
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
        any = true;
    }
    return any;
}

}  // namespace

AbstractFactory::AbstractFactory(std::string name) : name_(std::move(name)) {
    if (name_.empty()) return;
    auto& table = factory_table();
    auto it = table.find(name_);
    if (it != table.end()) {
        next_ = it->second;
        it->second = this;
    } else {
        table.emplace(name_, this);
    }
}

AbstractFactory::~AbstractFactory() {
    if (type_) {
        auto& types = type_table();
        auto it = types.find(std::type_index(*type_));
        if (it != types.end()) {
            auto& list = it->second;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
            if (list.empty()) types.erase(it);
        }
    }
    if (name_.empty()) return;
    auto& table = factory_table();
    auto it = table.find(name_);
    if (it == table.end()) return;
    if (it->second == this) {
        if (next_)
            it->second = next_;
        else
            table.erase(it);
    } else {
        // Unregistered out of order: unlink from the chain of older ones.
        for (AbstractFactory* f = it->second; f; f = f->next_) {
            if (f->next_ == this) {
                f->next_ = next_;
                break;
            }
        }
    }
}

void AbstractFactory::register_type(const std::type_info& type) {
    if (name_.empty()) return;
    type_ = &type;
    type_table()[std::type_index(type)].push_back(this);
}

AbstractFactory* AbstractFactory::find(std::string_view name) {
    auto& table = factory_table();
    std::string key(name);
    auto it = table.find(key);
    if (it != table.end()) return it->second;
    bool changed = false;
    changed |= replace_all(key, "windows::", "win::");
    changed |= replace_all(key, "graphics::", "g::");
    changed |= replace_all(key, "mathematics::", "math::");
    changed |= replace_all(key, "scene_graph::", "sg::");
    changed |= replace_all(key, "direct3d::", "d3d::");
    if (changed) {
        it = table.find(key);
        if (it != table.end()) return it->second;
    }
    return nullptr;
}

std::string type_name_of(const std::type_info& type) {
    auto& types = type_table();
    auto it = types.find(std::type_index(type));
    if (it == types.end() || it->second.empty()) return {};
    return it->second.back()->name();
}

std::string type_name_of(const io::Object* object) { return object ? type_name_of(typeid(*object)) : std::string(); }

FactoryExc::FactoryExc(std::string name, std::uint32_t code)
    : Exception(("Factory<" + name + "> not found").c_str()), name_(std::move(name)), code_(code) {}

void throw_factory_exception(const char* text) {
    report_and_throw(ThrowLocation{"orvek/AbstractFactory", 291, "orvek::throw_factory_exception"},
                     FactoryExc(text ? text : ""));
}

}  // namespace orvek
