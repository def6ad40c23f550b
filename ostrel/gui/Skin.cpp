#include "ostrel/gui/Skin.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "framework/app/VantAppBase.h"
#include "framework/graphics/DDImage.h"
#include "orvek/Exception.h"
#include "orvek/Log.h"
#include "orvek/Names.h"
#include "orvek/XMLParser.h"
#include "ostrel/ResourceManager.h"

namespace orvek::ostrel {

namespace {

std::string& setting(int which) {
    static std::string values[5] = {"", "", "", "properties/resources.xml", "data/"};
    return values[which];
}
enum { kSkinFile, kLanguage, kLanguageFile, kResourcesFile, kDataPath };

std::unique_ptr<Skin>& global_skin() {
    static std::unique_ptr<Skin> skin;
    return skin;
}

std::pair<int, int>& global_screen_size() {
    static std::pair<int, int> size{0, 0};
    return size;
}

const LogChannel& skin_warning() {
    static const LogChannel channel("ostrel.Skin", log_warning_flag);
    return channel;
}

Skin::MissRecorder& miss_recorder() {
    static Skin::MissRecorder recorder;
    return recorder;
}

void record_miss(const std::string& miss) {
    if (const auto& recorder = miss_recorder()) recorder(miss);
}

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Like atoi, but saturating where atoi would be undefined.
int to_int(const std::string& s) {
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

}  // namespace

// ---------------------------------------------------------------- settings

void Skin::set_skin_file(const char* name) { setting(kSkinFile) = name ? name : ""; }
void Skin::set_language(const char* language) { setting(kLanguage) = language ? language : ""; }
void Skin::set_language_file(const char* name) { setting(kLanguageFile) = name ? name : ""; }
void Skin::set_resources_file(const std::string& name) {
    if (&name != &setting(kResourcesFile)) setting(kResourcesFile) = name;
}
void Skin::set_data_path(const std::string& path) {
    if (&path != &setting(kDataPath)) setting(kDataPath) = path;
}
const std::string& Skin::skin_file() { return setting(kSkinFile); }
const std::string& Skin::language_setting() { return setting(kLanguage); }
const std::string& Skin::language_file() { return setting(kLanguageFile); }
const std::string& Skin::resources_file() { return setting(kResourcesFile); }
const std::string& Skin::data_path() { return setting(kDataPath); }

void Skin::create(ResourceManager* resources) {
    auto skin = std::make_unique<Skin>(resources, skin_file(), language_setting(), language_file());
    orvek::set_skin_lookup(skin.get());
    global_skin() = std::move(skin);
}

Skin* Skin::instance() { return global_skin().get(); }

void Skin::destroy() { global_skin().reset(); }

Skin::MissRecorder Skin::set_miss_recorder(MissRecorder recorder) {
    std::swap(miss_recorder(), recorder);
    return recorder;
}

// ---------------------------------------------------------------- reading

Skin::Skin(ResourceManager* resources, const std::string& skin_file, const std::string& language,
           const std::string& language_file)
    : language_(language), resources_(resources) {
    if (resources_) {
        manifest_status_.ok = resources_->LoadManifest(resources_file());
        if (!manifest_status_.ok) {
            manifest_status_.error = resources_->ErrorText();
            skin_warning() << manifest_status_.error << " in " << resources_file();
        }
    } else {
        manifest_status_.error = "There is no resource manager.";
    }
    read_keys(skin_file, attributes_, &skin_status_);
    read_keys(language_file, texts_, &language_status_);
}

Skin::~Skin() {
    if (orvek::skin_lookup() == this) orvek::set_skin_lookup(nullptr);
}

bool Skin::read_keys(const std::string& file_name, Map& map, ReadStatus* status) {
    Vant::XMLParser parser;
    if (!parser.OpenFile(file_name)) {
        if (status) *status = ReadStatus{false, "Cannot open file " + file_name, 0};
        return false;
    }
    Vant::XMLElement e;
    while (parser.NextElement(&e)) {
        if (e.mType == Vant::XMLElement::TYPE_START && !e.mAttributes.empty()) {
            const std::string prefix = e.mSection + "/" + e.mValue + "/@";
            for (const auto& [name, value] : e.mAttributes) map[prefix + name] = value;
        } else if (e.mType == Vant::XMLElement::TYPE_ELEMENT) {
            map[e.mSection] = e.mValue;
        }
    }
    if (parser.HasFailed()) {
        skin_warning() << parser.GetErrorText() << " at line " << parser.GetCurrentLineNum() << " of "
                       << file_name;
        if (status) *status = ReadStatus{false, parser.GetErrorText(), parser.GetCurrentLineNum()};
        return false;
    }
    if (status) *status = ReadStatus{true, "", 0};
    return true;
}

// ---------------------------------------------------------------- attributes

bool Skin::has_attribute(const std::string& path, const std::string& name) const {
    return attributes_.count(path + "/@" + name) != 0;
}

std::string Skin::get_attribute(const std::string& path, const std::string& name) const {
    const auto it = attributes_.find(path + "/@" + name);
    if (it != attributes_.end()) return it->second;
    record_miss("attribute " + path + "/@" + name);
    return std::string();
}

int Skin::get_int(const std::string& path, const std::string& name) const {
    return to_int(get_attribute(path, name));
}

float Skin::get_float(const std::string& path, const std::string& name) const {
    return float(std::strtod(get_attribute(path, name).c_str(), nullptr));
}

std::string Skin::get_path(const std::string& node) const {
    return data_path() + get_attribute(node, "path");
}

std::pair<int, int> Skin::get_pair(const std::string& node, const char* attribute) const {
    const std::string text = get_attribute(node, attribute);
    int v[3] = {0, 0, 0};
    if (text.empty() || read_number_list(text, v, 3) != 2) return {0, 0};
    return {v[0], v[1]};
}

std::pair<int, int> Skin::get_dimensions(const std::string& node) const { return get_pair(node, "dimensions"); }
std::pair<int, int> Skin::get_position(const std::string& node) const { return get_pair(node, "position"); }
std::pair<int, int> Skin::get_offset(const std::string& node) const { return get_pair(node, "offset"); }

Vant::Color Skin::get_color(const std::string& node) const {
    const std::string text = get_attribute(node, "color");
    int v[5] = {0, 0, 0, 255, 0};
    const int n = text.empty() ? 0 : read_number_list(text, v, 5);
    if (n < 3) return Vant::Color(0, 0, 0, 255);
    return Vant::Color(v[0], v[1], v[2], n >= 4 ? v[3] : 255);
}

int read_number_list(const std::string& text, int* values, int max) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    int count = 0;
    while (count < max) {
        if (count > 0) {
            while (i < n && is_blank(text[i])) ++i;
            if (i >= n) break;
            ++i;  // the separator, whatever it is
        }
        while (i < n && is_blank(text[i])) ++i;
        std::size_t j = i;
        bool negative = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) negative = text[j++] == '-';
        if (j >= n || !std::isdigit(static_cast<unsigned char>(text[j]))) break;
        long long v = 0;
        bool overflow = false;
        for (; j < n && std::isdigit(static_cast<unsigned char>(text[j])); ++j) {
            v = v * 10 + (text[j] - '0');
            if (v > (long long)INT_MAX + 1) overflow = true, v = (long long)INT_MAX + 1;
        }
        if (negative) v = -v;
        if (overflow || v > INT_MAX || v < INT_MIN) break;  // a number too big for an int reads as none
        values[count++] = int(v);
        i = j;
    }
    return count;
}

// ---------------------------------------------------------------- texts

std::string Skin::get_text(const std::string& key) const {
    const auto it = texts_.find(key);
    if (it != texts_.end()) return it->second;
    record_miss("text " + key);
    return key;
}

std::string Skin::get_formatted_text(const std::string& key, const TextParams& params) const {
    const auto it = texts_.find(key);
    if (it == texts_.end()) {
        record_miss("text " + key);
        return key;
    }
    std::string text = it->second;
    params.apply(text);
    return text;
}

// ---------------------------------------------------------------- resources

Vant::SharedImageRef Skin::get_image(const std::string& id) const {
    try {
        if (!resources_) throw Vant::ResourceManagerException("Image resource not found: " + id);
        return resources_->RequireImage(id);
    } catch (...) {
        record_miss("image " + id);
        throw;
    }
}

Vant::SharedImageRef Skin::get_image_if_any(const std::string& id) const {
    return resources_ ? resources_->GetImage(id) : Vant::SharedImageRef();
}

Vant::Font* Skin::get_font(const std::string& id) const {
    try {
        if (!resources_) throw Vant::ResourceManagerException("Font resource not found: " + id);
        return resources_->RequireFont(id);
    } catch (...) {
        record_miss("font " + id);
        throw;
    }
}

Vant::Font* Skin::get_node_font(const std::string& node) const { return get_font(get_attribute(node, "id")); }

Skin::ImagePtr Skin::load_image(const std::string& file_name, bool no_cache) {
    const auto it = image_cache_.find(file_name);
    if (it != image_cache_.end()) return it->second;
    ImagePtr image;
    if (Vant::VantAppBase* app = Vant::VantAppBase::gApp) image.reset(app->GetImage(file_name));
    if (!image) {
        skin_warning() << "Cannot load image " << file_name;
        record_miss("file " + file_name);
    }
    if (!no_cache) image_cache_[file_name] = image;
    return image;
}

bool Skin::load_resources(const std::string& group) {
    if (resources_ && resources_->IsGroupLoaded(group)) return true;
    if (resources_ && resources_->LoadGroup(group)) return true;
    report_and_throw(ThrowLocation{__FILE__, static_cast<std::uint32_t>(__LINE__),
                                   "orvek::ostrel::Skin::load_resources"},
                     Exception("Resource group: '" + group + "' could not be loaded"));
}

// ---------------------------------------------------------------- screen size

void set_screen_size(int width, int height) { global_screen_size() = {width, height}; }

std::pair<int, int> screen_size() { return global_screen_size(); }

}  // namespace orvek::ostrel
