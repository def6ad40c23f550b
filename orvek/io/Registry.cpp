#include "orvek/io/Registry.h"

#include <cstdio>
#include <ostream>

#include "orvek/io/IoLog.h"
#include "orvek/io/Stream.h"

namespace orvek::io {

namespace {

std::size_t write_text_then_base(char* buffer, std::size_t size, const std::string& text) {
    if (!buffer || size == 0) return 0;
    std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    text.copy(buffer, n);
    buffer[n] = '\0';
    return n;
}

}  // namespace

std::size_t InvalidFactoryIdError::write_message(char* buffer, std::size_t size) const {
    std::string text = "Invalid factory id (" + std::to_string(id_) + ") while loading object. There are " +
                       std::to_string(count_) + " factories loaded at this time.";
    std::size_t n = write_text_then_base(buffer, size, text);
    if (n == 0 && size == 0) return 0;
    return n + write_base(buffer + n, size - n);
}

std::size_t InvalidFactoryNameLengthError::write_message(char* buffer, std::size_t size) const {
    std::string text = "Invalid factory name length (" + std::to_string(length_) + ").";
    std::size_t n = write_text_then_base(buffer, size, text);
    if (n == 0 && size == 0) return 0;
    return n + write_base(buffer + n, size - n);
}

BasicRegistry::BasicRegistry() : loaded_objects_(100), written_(100), factory_names_(100) {}

void BasicRegistry::reset() {
    clear_objects();
    clear_factories();
}

void BasicRegistry::clear_objects() {
    loaded_objects_.clear();
    loaded_datums_.clear();
    written_.clear();
    next_key_ = 2;
}

void BasicRegistry::clear_factories() {
    factories_.clear();
    factory_names_.clear();
    name_count_ = 0;
}

bool BasicRegistry::write_object_ref(OStream& stream, const void* object, std::string_view type_name,
                                     bool unshared) {
    std::uint32_t key;
    if (unshared) {
        key = 1;
    } else if (!object) {
        key = 0;
    } else {
        auto it = written_.find(object);
        if (it != written_.end()) {
            stream << it->second;
            return false;
        }
        key = next_key_;
    }
    stream << key;
    if (!stream.good() || key == 0) return false;
    if (!write_factory(stream, type_name)) return false;
    if (!unshared) {
        written_.emplace(object, key);
        ++next_key_;
    }
    return true;
}

bool BasicRegistry::read_object_ref(IStream& stream, ObjectRef& ref, std::uint32_t& key) {
    key = 0;
    std::uint32_t k = 0;
    stream >> k;
    if (!stream.good() || k == 0) return false;
    key = k;
    if (k != 1) {
        auto obj = loaded_objects_.find(k);
        if (obj != loaded_objects_.end()) {
            if (ref.kind != ObjectRef::object_record) {
                ref.wrong_kind = true;
                return false;
            }
            ref.object = obj->second;
            ref.skipped = obj->second == nullptr;
            return false;
        }
        auto datum = loaded_datums_.find(k);
        if (datum != loaded_datums_.end()) {
            if (ref.kind != ObjectRef::datum_record) {
                ref.wrong_kind = true;
                return false;
            }
            ref.datum = datum->second.address;
            ref.datum_kind = datum->second.kind;
            return false;
        }
    }
    const bool needed = ref.factory == nullptr;
    AbstractFactory* factory = read_factory(stream, needed);
    if (needed) ref.factory = factory;
    return stream.good();
}

void BasicRegistry::remember_loaded(Object* object, std::uint32_t key) {
    if (key != 1 && key != 0) loaded_objects_[key] = object;
}

void BasicRegistry::remember_datum(void* datum, const void* kind, std::uint32_t key) {
    if (key != 1 && key != 0) loaded_datums_[key] = LoadedDatum{datum, kind};
}

std::size_t BasicRegistry::forget_loaded(std::uint32_t key) {
    if (key == 1) return 0;
    return loaded_objects_.erase(key) + loaded_datums_.erase(key);
}

bool BasicRegistry::skip_object_ref(IStream& stream) {
    std::uint32_t k = 0;
    stream >> k;
    if (!stream.good() || k == 0) return false;
    if (k != 1 && (loaded_objects_.count(k) || loaded_datums_.count(k))) return true;
    read_factory(stream, false);
    return true;
}

AbstractFactory* BasicRegistry::read_name(IStream& stream, std::uint32_t n, bool needed) {
    if (n == 0 || n > max_name_length) {
        io_error_log() << "Invalid factory name length (" << n << ")." << std::endl;
        InvalidFactoryNameLengthError info(n);
        stream.setstate(Stream::failbit, &info);
        return nullptr;
    }
    std::string name(n, '\0');
    if (!stream.read_bytes(name.data(), n)) {
        io_error_log() << "Reading factory name failed." << std::endl;
        return nullptr;
    }
    AbstractFactory* factory = AbstractFactory::find(name);
    factories_.push_back(factory);
    if (!factory && needed) io_warning_log() << "'" << name << "' factory not found." << std::endl;
    return factory;
}

void BasicRegistry::report_invalid_id(IStream& stream, std::uint32_t id) {
    io_error_log() << "Invalid factory id (" << id << ") while loading object. There are " << factories_.size()
                   << " factories loaded at the time." << std::endl;
    InvalidFactoryIdError info(id, factories_.size());
    stream.setstate(Stream::failbit, &info);
}

std::uint32_t BasicRegistry::id_of(std::string_view name, bool& known) const {
    auto it = factory_names_.find(std::string(name));
    known = it != factory_names_.end();
    return known ? it->second : name_count_ + 1;
}

void BasicRegistry::add_name(std::string_view name, std::uint32_t id) {
    if (factory_names_.emplace(std::string(name), id).second) ++name_count_;
}

bool BasicRegistry::write_known_id(OStream& stream, std::uint32_t id, bool zero_first) {
    if (zero_first) stream << std::uint32_t(0);
    stream << id;
    if (!stream.good()) {
        io_error_log() << "Failed to write factory id." << std::endl;
        return false;
    }
    return true;
}

bool BasicRegistry::write_new_name(OStream& stream, std::string_view name, std::uint32_t id, bool zero_first,
                                   const ThrowLocation& where) {
    if (name.empty()) report_and_throw(where, Exception("Invalid attempt to store empty factory name."));
    if (name.size() > max_name_length) {
        // The reader refuses such a name: refuse it here, with its words.
        io_error_log() << "Invalid factory name length (" << name.size() << ")." << std::endl;
        InvalidFactoryNameLengthError info(static_cast<std::uint32_t>(
            name.size() > 0xFFFFFFFFu ? 0xFFFFFFFFu : name.size()));
        stream.setstate(Stream::failbit, &info);
        return false;
    }
    if (zero_first) stream << std::uint32_t(0);
    stream << static_cast<std::uint32_t>(name.size());
    if (stream.good()) stream.write(name.data(), name.size());
    if (!stream.good()) {
        io_error_log() << "Failed to write factory name." << std::endl;
        return false;
    }
    add_name(name, id);
    return true;
}

bool Registry2::write_factory(OStream& stream, std::string_view name) {
    bool known = false;
    const std::uint32_t id = id_of(name, known);
    if (known) return write_known_id(stream, id, false);
    return write_new_name(stream, name, id, true,
                          ThrowLocation{"orvek/Registry2", 62, "orvek::io::Registry2::write_factory"});
}

AbstractFactory* Registry2::read_factory(IStream& stream, bool needed) {
    std::uint32_t id = 0;
    stream >> id;
    if (!stream.good()) return nullptr;
    if (id != 0) {
        if (id > factory_count()) {
            report_invalid_id(stream, id);
            return nullptr;
        }
        return factory_at(id);
    }
    std::uint32_t n = 0;
    stream >> n;
    if (!stream.good()) {
        io_error_log() << "Failed to read factory name length." << std::endl;
        return nullptr;
    }
    return read_name(stream, n, needed);
}

bool Registry1::write_factory(OStream& stream, std::string_view name) {
    bool known = false;
    const std::uint32_t id = id_of(name, known);
    if (known) return write_known_id(stream, id, true);
    return write_new_name(stream, name, id, false,
                          ThrowLocation{"orvek/Registry1", 62, "orvek::io::Registry1::write_factory"});
}

AbstractFactory* Registry1::read_factory(IStream& stream, bool needed) {
    std::uint32_t n = 0;
    stream >> n;
    if (!stream.good()) return nullptr;
    if (n != 0) return read_name(stream, n, needed);
    std::uint32_t id = 0;
    stream >> id;
    if (!stream.good()) {
        io_error_log() << "Failed to read factory id." << std::endl;
        return nullptr;
    }
    if (id == 0 || id > factory_count()) {
        report_invalid_id(stream, id);
        return nullptr;
    }
    return factory_at(id);
}

}  // namespace orvek::io
