#include "Core/Profile.h"

#include "orvek/AbstractFactory.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::core {

namespace {
orvek::Factory<Profile> profile_factory(Profile::type_key);
}

void Profile::save(orvek::io::OStream& out) const {
    out << std::uint32_t{0};
    out.write_sized_block(name_);
    out << static_cast<std::uint32_t>(properties_.size());
    for (const auto& [key, value] : properties_) {
        if (!out.good()) break;
        out.write_sized_block(key);
        orvek::io::save_shared(out, value);
    }
}

void Profile::load(orvek::io::IStream& in) {
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    in >> version;
    in.read_string(name_);
    properties_.clear();
    in >> count;
    // The count is the file's: the loop ends with the stream, nothing is reserved.
    for (std::uint32_t i = 0; i < count && in.good(); ++i) {
        std::string key;
        std::shared_ptr<ProfileProperty> value;
        in.read_string(key);
        if (!in.good()) break;
        orvek::io::load_shared(in, value);
        if (!in.good()) break;
        properties_[key] = std::move(value);
    }
}

}  // namespace orvek::trelm::core
