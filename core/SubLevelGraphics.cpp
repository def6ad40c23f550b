#include "core/SubLevelGraphics.h"

#include <vector>

#include "core/CoreError.h"
#include "core/LevelAttributes.h"
#include "core/LevelText.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/config/XmlAttributes.h"

namespace orvek::trelm::core {

namespace {

orvek::ostrel::ConfigValueReadOnly<std::string> graphics_dir("levels/@sublevels_graphics_settings_dir",
                                                             "data/levels-xml/GraphicsSettings");

Sprite read_sprite(const orvek::ostrel::XmlAttributes& map, const std::string& p) {
    IntPosition pos = parse_int_position(attribute_string(map, p + "/@position"));
    return Sprite(attribute_string(map, p + "/@id"), pos.x, pos.y, attribute_int(map, p + "/@level"));
}

AnimatedSprite read_animated(const orvek::ostrel::XmlAttributes& map, const std::string& p) {
    AnimatedSprite a;
    a.id = attribute_string(map, p + "/@id");
    a.level = attribute_int(map, p + "/@level");
    a.angle = attribute_float(map, p + "/@angle");
    a.play_time = attribute_float(map, p + "/@play_time");
    FloatPosition pos = parse_float_position(attribute_string(map, p + "/@position"));
    a.x = pos.x;
    a.y = pos.y;
    return a;
}

void read_sprites(const orvek::ostrel::XmlAttributes& map, std::vector<Sprite>& out) {
    for (unsigned n = 0;; ++n) {
        const std::string p = "sub-level/sprites/sprite" + std::to_string(n);
        if (attribute_string(map, p + "/@id").empty()) break;
        out.push_back(read_sprite(map, p));
    }
}

}  // namespace

Sprite::Sprite() : record_(std::make_unique<Record>()) {}
Sprite::Sprite(const std::string& id, int x, int y, int level)
    : record_(std::make_unique<Record>(Record{id, x, y, level})) {}
Sprite::Sprite(const Sprite& other) : record_(std::make_unique<Record>(*other.record_)) {}
Sprite& Sprite::operator=(const Sprite& other) {
    if (this != &other) *record_ = *other.record_;
    return *this;
}
Sprite::~Sprite() = default;
const std::string& Sprite::id() const { return record_->id; }
int Sprite::x() const { return record_->x; }
int Sprite::y() const { return record_->y; }
int Sprite::level() const { return record_->level; }

struct SubLevelGraphics::Impl {
    std::vector<Sprite> frame_sprites;
    std::vector<Sprite> sprites;
    std::vector<AnimatedSprite> animated_sprites;
    std::vector<PortalDescriptor> portals;
    std::string background_image;
    float desktop_lx = 0.0f, desktop_ly = 0.0f;
    std::string way_file, contour_file;
    float platform_position_y = 0.0f, platform_limit_left = 0.0f, platform_limit_right = 0.0f;

    const Sprite& sprite(unsigned index) const {
        if (index >= sprites.size())
            raise_core_error("Core/SubLevelGraphics", 90, "orvek::trelm::core::SubLevelGraphics::Impl::sprite",
                             "Attempt to take non-existent sprite");
        return sprites[index];
    }
    const AnimatedSprite& animated_sprite(unsigned index) const {
        if (index >= animated_sprites.size())
            raise_core_error("Core/SubLevelGraphics", 104,
                             "orvek::trelm::core::SubLevelGraphics::Impl::animated_sprite",
                             "Attempt to take non-existent animated_sprite");
        return animated_sprites[index];
    }
};

std::string graphics_settings_dir() { return graphics_dir.get(); }

SubLevelGraphics::SubLevelGraphics() : impl_(std::make_unique<Impl>()) {}
SubLevelGraphics::SubLevelGraphics(const SubLevelGraphics& other)
    : impl_(std::make_unique<Impl>(*other.impl_)) {}
SubLevelGraphics& SubLevelGraphics::operator=(const SubLevelGraphics& other) {
    if (this != &other) *impl_ = *other.impl_;
    return *this;
}
SubLevelGraphics::~SubLevelGraphics() = default;

bool SubLevelGraphics::load(const orvek::ostrel::XmlAttributes& b) {
    const std::string frame_path =
        graphics_settings_dir() + "/" + attribute_string(b, "sub-level/settings/frame/@file");
    orvek::ostrel::XmlAttributes frame;
    if (!frame.load(frame_path.c_str())) {
        log_level_error("Cannot read frame file " + frame_path + ": " + frame.error_text);
        return false;
    }
    Impl& d = *impl_;
    d.frame_sprites.clear();
    read_sprites(frame, d.frame_sprites);
    d.sprites.clear();
    read_sprites(b, d.sprites);

    d.animated_sprites.clear();
    for (unsigned n = 0;; ++n) {
        const std::string p = "sub-level/animated_sprites/sprite" + std::to_string(n);
        if (attribute_string(b, p + "/@id").empty()) break;
        d.animated_sprites.push_back(read_animated(b, p));
    }

    d.portals.clear();
    for (unsigned n = 0;; ++n) {
        const std::string p = "sub-level/portals/portal" + std::to_string(n);
        if (attribute_string(b, p + "/portal_first/@id").empty()) break;
        d.portals.push_back({read_animated(b, p + "/portal_first"), read_animated(b, p + "/portal_second")});
    }

    d.background_image = attribute_string(b, "sub-level/settings/@background-image");
    d.desktop_lx = attribute_float(b, "sub-level/settings/@desktop_lx");
    d.desktop_ly = attribute_float(b, "sub-level/settings/@desktop_ly");
    d.way_file = attribute_string(b, "sub-level/settings/way/@file");
    d.contour_file = attribute_string(b, "sub-level/settings/contour/@file");
    d.platform_position_y = attribute_float(b, "sub-level/settings/platform/@position_y");
    d.platform_limit_left = attribute_float(b, "sub-level/settings/platform/@limit_left");
    d.platform_limit_right = attribute_float(b, "sub-level/settings/platform/@limit_right");
    return true;
}

unsigned SubLevelGraphics::frame_sprites_count() const { return static_cast<unsigned>(impl_->frame_sprites.size()); }

const Sprite& SubLevelGraphics::frame_sprite(unsigned index) const {
    if (index >= impl_->frame_sprites.size())
        raise_core_error("Core/SubLevelGraphics", 258, "orvek::trelm::core::SubLevelGraphics::frame_sprite",
                         "Attempt to take non-existent frame sprite");
    return impl_->frame_sprites[index];
}

unsigned SubLevelGraphics::sprites_count() const { return static_cast<unsigned>(impl_->sprites.size()); }
const Sprite& SubLevelGraphics::sprite(unsigned index) const { return impl_->sprite(index); }
unsigned SubLevelGraphics::animated_sprites_count() const {
    return static_cast<unsigned>(impl_->animated_sprites.size());
}
const AnimatedSprite& SubLevelGraphics::animated_sprite(unsigned index) const {
    return impl_->animated_sprite(index);
}
unsigned SubLevelGraphics::portals_count() const { return static_cast<unsigned>(impl_->portals.size()); }

const PortalDescriptor& SubLevelGraphics::portal_descriptor(unsigned index) const {
    if (index >= impl_->portals.size())
        raise_core_error("Core/SubLevelGraphics", 293, "orvek::trelm::core::SubLevelGraphics::portal_descriptor",
                         "Attempt to take non-existent portal");
    return impl_->portals[index];
}

const std::string& SubLevelGraphics::background_image() const { return impl_->background_image; }
const std::string& SubLevelGraphics::way_file() const { return impl_->way_file; }
const std::string& SubLevelGraphics::contour_file() const { return impl_->contour_file; }
float SubLevelGraphics::desktop_lx() const { return impl_->desktop_lx; }
float SubLevelGraphics::desktop_ly() const { return impl_->desktop_ly; }
float SubLevelGraphics::platform_position_y() const { return impl_->platform_position_y; }
float SubLevelGraphics::platform_limit_left() const { return impl_->platform_limit_left; }
float SubLevelGraphics::platform_limit_right() const { return impl_->platform_limit_right; }

}  // namespace orvek::trelm::core
