#pragma once
// The one global source of look data: attribute values of the skin file
// ("menu/buttons/ok/@position") and localized texts of the language file
// ("menu/window_name"), and images, fonts and resource groups by id from
// the resource manager.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
#include "orvek/SkinLookup.h"

namespace orvek {
class TextParams;
}
namespace Vant {
class Font;
}

namespace orvek::ostrel {

class ResourceManager;

class Skin : public orvek::ISkinLookup {
public:
    using Map = std::map<std::string, std::string>;
    using ImagePtr = std::shared_ptr<Vant::Image>;

    // How one of the skin's files was read: opened and read to the end, or
    // the error and its line.
    struct ReadStatus {
        bool ok = false;
        std::string error;
        int line = 0;
    };

    // Start-up settings, read by create.
    static void set_skin_file(const char* name);
    static void set_language(const char* language);
    static void set_language_file(const char* name);
    static void set_resources_file(const std::string& name);
    static void set_data_path(const std::string& path);
    static const std::string& skin_file();
    static const std::string& language_setting();
    static const std::string& language_file();
    static const std::string& resources_file();  // "properties/resources.xml" by default
    static const std::string& data_path();       // "data/" by default

    // Builds a skin from the current settings and makes it the global one
    // (the old one is destroyed); the game logic reads it from then on.
    static void create(ResourceManager* resources = nullptr);
    // The global skin; null before create.
    static Skin* instance();
    // Destroys the global skin (the process does at exit).
    static void destroy();

    // A strict run hears of every name asked for and not found: "attribute
    // <path>/@<name>" read without has_attribute first, "text <key>"
    // answered by its own key, "image <id>" or "font <id>" the resource
    // manager cannot give, "file <name>" that does not load. Empty (the
    // default) tells no one. Returns the previous one.
    using MissRecorder = std::function<void(const std::string& miss)>;
    static MissRecorder set_miss_recorder(MissRecorder recorder);

    // Has the resource manager read the resources file, then reads both
    // files; a file that cannot be opened leaves its map empty, a syntax
    // error keeps what was read before it (and is logged). Without a
    // resource manager every image and font is missing.
    Skin(ResourceManager* resources, const std::string& skin_file, const std::string& language,
         const std::string& language_file);
    ~Skin() override;
    Skin(const Skin&) = delete;
    Skin& operator=(const Skin&) = delete;

    bool has_attribute(const std::string& path, const std::string& name) const override;
    // "" when absent.
    std::string get_attribute(const std::string& path, const std::string& name) const override;
    // Decimal conversions like atoi and atof; 0 when absent or not a number.
    int get_int(const std::string& path, const std::string& name) const;
    float get_float(const std::string& path, const std::string& name) const;
    // The data path followed by the node's "path" attribute.
    std::string get_path(const std::string& node) const;
    // Exactly two integers of the node's "dimensions", "position" or
    // "offset" attribute, else (0, 0).
    std::pair<int, int> get_dimensions(const std::string& node) const;
    std::pair<int, int> get_position(const std::string& node) const;
    std::pair<int, int> get_offset(const std::string& node) const;
    // Three to five integers of the node's "color" (red, green, blue,
    // alpha 255 unless given); otherwise opaque black.
    Vant::Color get_color(const std::string& node) const;

    // The text for key, or the key itself when absent.
    std::string get_text(const std::string& key) const override;
    // As get_text, with the placeholders of a found text filled in; a
    // missing key comes back unchanged and unfilled.
    std::string get_formatted_text(const std::string& key, const TextParams& params) const;

    // By resource id. get_image and get_font throw the resource manager's
    // exception for a missing id; get_image_if_any answers none and
    // records nothing.
    Vant::SharedImageRef get_image(const std::string& id) const;
    Vant::SharedImageRef get_image_if_any(const std::string& id) const;
    Vant::Font* get_font(const std::string& id) const;
    // The font whose id is the node's "id" attribute.
    Vant::Font* get_node_font(const std::string& node) const;
    // An image from a file through the application, cached by the name as
    // given unless no_cache. A file that fails to load gives an empty
    // image, cached the same way (and logged once).
    ImagePtr load_image(const std::string& file_name, bool no_cache = false);
    // Loads a resource group unless it is loaded; throws when it cannot be.
    bool load_resources(const std::string& group);

    const ReadStatus& skin_status() const { return skin_status_; }
    const ReadStatus& language_status() const { return language_status_; }
    const ReadStatus& manifest_status() const { return manifest_status_; }

    const std::string& language() const { return language_; }
    ResourceManager* resources() const { return resources_; }
    const Map& attributes() const { return attributes_; }
    const Map& texts() const { return texts_; }

    // Fills map from an XML file with the skin's keys; false when the file
    // cannot be opened or breaks off with a syntax error.
    static bool read_keys(const std::string& file_name, Map& map, ReadStatus* status = nullptr);

private:
    std::pair<int, int> get_pair(const std::string& node, const char* attribute) const;

    Map attributes_;
    Map texts_;
    std::string language_;
    ResourceManager* resources_;
    std::map<std::string, ImagePtr> image_cache_;
    ReadStatus skin_status_, language_status_, manifest_status_;
};

// Integers of a skin number list ("10,20", "255, 0, 0, 128"): an integer,
// one separator that is not blank, an integer, and so on, at most max of
// them; reading stops at the first that cannot be read. Answers how many
// were read.
int read_number_list(const std::string& text, int* values, int max);

void set_screen_size(int width, int height);
std::pair<int, int> screen_size();

}  // namespace orvek::ostrel
