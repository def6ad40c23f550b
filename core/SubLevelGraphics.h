#pragma once
// How one sub-level looks: frame pictures, static and animated pictures,
// portals, background, desktop size, way and contour files and the
// platform's line; read from its graphics settings file and frame file.
#include <memory>
#include <string>

namespace orvek::ostrel { class XmlAttributes; }

namespace orvek::trelm::core {

class Sprite {
public:
    Sprite();
    Sprite(const std::string& id, int x, int y, int level);
    Sprite(const Sprite& other);
    Sprite& operator=(const Sprite& other);
    ~Sprite();

    const std::string& id() const;
    int x() const;
    int y() const;
    int level() const;

private:
    struct Record {
        std::string id;
        int x = 0, y = 0, level = 0;
    };
    std::unique_ptr<Record> record_;
};

struct AnimatedSprite {
    std::string id;
    float x = 0.0f, y = 0.0f;
    int level = 0;
    float angle = 0.0f;
    float play_time = 0.0f;
};

struct PortalDescriptor {
    AnimatedSprite first;
    AnimatedSprite second;
};

// The graphics folder: where the sub-levels' graphics settings files and
// the frame files they name are read from.
std::string graphics_settings_dir();

class SubLevelGraphics {
public:
    SubLevelGraphics();
    SubLevelGraphics(const SubLevelGraphics& other);
    SubLevelGraphics& operator=(const SubLevelGraphics& other);
    ~SubLevelGraphics();

    // Reads the graphics settings map and the frame file it names (from the
    // graphics folder); false only when the frame file cannot be read.
    bool load(const orvek::ostrel::XmlAttributes& settings);

    unsigned frame_sprites_count() const;
    const Sprite& frame_sprite(unsigned index) const;
    unsigned sprites_count() const;
    const Sprite& sprite(unsigned index) const;
    unsigned animated_sprites_count() const;
    const AnimatedSprite& animated_sprite(unsigned index) const;
    unsigned portals_count() const;
    const PortalDescriptor& portal_descriptor(unsigned index) const;

    const std::string& background_image() const;
    const std::string& way_file() const;
    const std::string& contour_file() const;
    float desktop_lx() const;
    float desktop_ly() const;
    float platform_position_y() const;
    float platform_limit_left() const;
    float platform_limit_right() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvek::trelm::core
