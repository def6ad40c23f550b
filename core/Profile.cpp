#include "core/Profile.h"

#include "core/SaveFiles.h"
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
    save_map(out, properties_, [&](const auto& value) { orvek::io::save_shared(out, value); });
}

void Profile::load(orvek::io::IStream& in) {
    std::uint32_t version = 0;
    in >> version;
    in.read_string(name_);
    load_map(in, properties_, [&](std::shared_ptr<ProfileProperty>& value) { orvek::io::load_shared(in, value); });
}

}  // namespace orvek::trelm::core
