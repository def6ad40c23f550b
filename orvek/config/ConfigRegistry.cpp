#include "orvek/config/ConfigRegistry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <string_view>
#include <sys/stat.h>
#include <unordered_set>

#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/Path.h"
#include "orvek/XMLParser.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SafeWrite.h"

namespace orvek::ostrel {

namespace {

const orvek::LogChannel& config_warning() {
    static const orvek::LogChannel channel("ostrel.Config", orvek::log_warning_flag);
    return channel;
}
const orvek::LogChannel& config_error() {
    static const orvek::LogChannel channel("ostrel.Config", orvek::log_error_flag);
    return channel;
}

// The reader decodes these four, so every text survives a save and a load.
void append_escaped(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
        case '"': out += "&quot;"; break;
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out.push_back(c); break;
        }
    }
}

// A name the reader reads back as the same name (element path component or
// attribute name), written as it is.
bool writable_name(const std::string& name) {
    if (name.empty()) return false;
    if (name.compare(0, 3, "!--") == 0 || name[0] == '?') return false;
    for (unsigned char c : name)
        if (c < 0x21 || c == '"' || c == '<' || c == '>' || c == '/' || c == '=' || c == '&')
            return false;
    return true;
}

// Element paths with several levels ("a/b") are written as nested elements,
// so that the file reads back into the same paths.
struct Node {
    const ConfigRegistry::Attributes* attributes = nullptr;
    std::map<std::string, Node> children;
};

void write_node(std::string& out, const std::string& name, const Node& node, int depth) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    std::vector<const ConfigRegistry::Attribute*> entries;
    std::unordered_set<std::string_view> seen;
    if (node.attributes) {
        for (const auto& entry : *node.attributes) {
            // A name read twice (from two elements of one path) is written
            // once, with the text a lookup reads: the first. Both in one
            // element would read back as the last.
            if (!seen.insert(entry.first).second) continue;
            if (writable_name(entry.first)) {
                entries.push_back(&entry);
            } else {
                config_error() << "cannot write the attribute \"" << entry.first << "\" of \"" << name
                               << "\"" << std::endl;
            }
        }
    }
    if (entries.empty() && node.children.empty()) return;
    out += indent;
    out += '<';
    out += name;
    for (const auto* entry : entries) {
        out += '\n';
        out += indent;
        out += "  ";
        out += entry->first;
        out += "=\"";
        append_escaped(out, entry->second);
        out += '"';
    }
    if (node.children.empty()) {
        out += "/>\n";
        return;
    }
    out += ">\n";
    for (const auto& [child_name, child] : node.children)
        write_node(out, child_name, child, depth + 1);
    out += indent;
    out += "</";
    out += name;
    out += ">\n";
}

}  // namespace

ConfigRegistry& ConfigRegistry::instance() {
    static ConfigRegistry registry;
    return registry;
}

void ConfigRegistry::add_value(BasicConfigValue* value) {
    values_.push_back(value);
    pending_.push_back(value);
}

void ConfigRegistry::remove_value(BasicConfigValue* value) {
    values_.erase(std::remove(values_.begin(), values_.end(), value), values_.end());
    pending_.erase(std::remove(pending_.begin(), pending_.end(), value), pending_.end());
}

void ConfigRegistry::update_values() {
    pending_.clear();
    // By index: an update must not invalidate the walk if it registers more.
    for (std::size_t i = 0; i < values_.size(); ++i) values_[i]->update();
}

void ConfigRegistry::ensure_updated() {
    while (!pending_.empty()) {
        BasicConfigValue* value = pending_.front();
        pending_.erase(pending_.begin());
        value->update();
    }
}

std::pair<std::string, std::string> ConfigRegistry::split_key(const char* key) {
    std::string k(key);
    std::size_t at = k.rfind('@');
    if (at == std::string::npos) return {k, k};
    return {k.substr(0, at == 0 ? 0 : at - 1), k.substr(at + 1)};
}

bool ConfigRegistry::has(const char* key) const { return find(key) != nullptr; }

ConfigAttribute* ConfigRegistry::find(const char* key) {
    return const_cast<ConfigAttribute*>(static_cast<const ConfigRegistry*>(this)->find(key));
}

const ConfigAttribute* ConfigRegistry::find(const char* key) const {
    auto [element, name] = split_key(key);
    auto it = elements_.find(element);
    if (it == elements_.end()) return nullptr;
    for (const Attribute& entry : it->second)
        if (entry.first == name) return &entry.second;
    return nullptr;
}

void ConfigRegistry::add(const char* key, const ConfigAttribute& text) {
    auto [element, name] = split_key(key);
    elements_[element].emplace_back(std::move(name), text);
}

bool ConfigRegistry::get_bool(const char* key, const bool& fallback) const {
    const ConfigAttribute* a = find(key);
    return a ? static_cast<bool>(*a) : fallback;
}

int ConfigRegistry::get_int(const char* key, const int& fallback) const {
    const ConfigAttribute* a = find(key);
    return a ? static_cast<int>(*a) : fallback;
}

unsigned int ConfigRegistry::get_uint(const char* key, const unsigned int& fallback) const {
    const ConfigAttribute* a = find(key);
    return a ? static_cast<unsigned int>(*a) : fallback;
}

float ConfigRegistry::get_float(const char* key, const float& fallback) const {
    const ConfigAttribute* a = find(key);
    return a ? static_cast<float>(*a) : fallback;
}

std::string ConfigRegistry::get_string(const char* key) const { return get_string(key, std::string()); }

std::string ConfigRegistry::get_string(const char* key, const std::string& fallback) const {
    const ConfigAttribute* a = find(key);
    return a ? a->str() : fallback;
}

void ConfigRegistry::set_bool(const char* key, const bool& value) {
    if (ConfigAttribute* a = find(key)) {
        a->assign(1, value ? '1' : '0');
    } else {
        ConfigAttribute text;
        text = value;
        add(key, text);
    }
}

void ConfigRegistry::set_int(const char* key, const int& value) {
    if (ConfigAttribute* a = find(key)) a->assign(format_config_value(value));
    else add(key, format_config_value(value));
}

void ConfigRegistry::set_uint(const char* key, const unsigned int& value) {
    if (ConfigAttribute* a = find(key)) a->assign(format_config_value(value));
    else add(key, format_config_value(value));
}

void ConfigRegistry::set_float(const char* key, const float& value) {
    if (ConfigAttribute* a = find(key)) a->assign(format_config_value(value));
    else add(key, format_config_value(value));
}

void ConfigRegistry::set_string(const char* key, const std::string& value) {
    if (ConfigAttribute* a = find(key)) a->assign(value);
    else add(key, value);
}

bool ConfigRegistry::load(const char* file_name) {
    elements_.clear();
    // Whether this file still needs keeping is decided afresh.
    const std::string resolved = resolve_path(file_name);
    unkept_.erase(std::remove(unkept_.begin(), unkept_.end(), resolved), unkept_.end());
    Vant::XMLParser parser;
    if (!parser.OpenFile(file_name)) {
        // No file is a first start; a file that cannot be opened is no
        // empty configuration, and must not be saved over unseen.
        const int open_error = errno;
        struct stat st;
        if (::lstat(resolved.c_str(), &st) != 0 && errno == ENOENT) return false;
        config_error() << "'" << file_name << "' cannot be opened: " << std::strerror(open_error)
                       << "; the default settings are used" << std::endl;
        keep_damaged(file_name);
        return false;
    }
    Vant::XMLElement e;
    bool has_root = false;
    while (parser.NextElement(&e)) {
        if (e.mType != Vant::XMLElement::TYPE_START) continue;
        has_root = true;
        if (e.mAttributes.empty()) continue;
        // The root element's name is not part of the path.
        std::string path = e.mSection + "/" + e.mValue;
        path.erase(0, path.find('/') + 1);
        Attributes& list = elements_[path];
        for (const auto& [name, text] : e.mAttributes) list.emplace_back(name, text);
    }
    if (parser.HasFailed()) {
        config_error() << "'" << file_name << "' line " << parser.GetCurrentLineNum() << ": "
                       << parser.GetErrorText() << "; settings behind that point are not read"
                       << std::endl;
    } else if (!has_root) {
        // An empty file, or one cut after its declaration: the settings were lost.
        config_error() << "'" << file_name << "' has no root element; the default settings are used"
                       << std::endl;
    } else {
        return true;
    }
    keep_damaged(file_name);
    return false;
}

void ConfigRegistry::keep_damaged(const char* file_name) {
    // Keep the user's file before the application writes the registry over it.
    std::string kept_as, why;
    if (io::keep_copy(file_name, kept_as, why)) {
        if (!kept_as.empty()) config_warning() << "the damaged file is kept as '" << kept_as << "'" << std::endl;
        return;
    }
    config_error() << "cannot keep a copy of '" << file_name << "' as '" << kept_as << "': " << why << std::endl;
    unkept_.push_back(resolve_path(file_name));
}

bool ConfigRegistry::save(const char* file_name) const {
    std::string text = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<root>\n";
    // Names the reader could not read back are left out (and logged); the
    // rest of the registry is still saved.
    Node root;
    for (const auto& [path, attributes] : elements_) {
        Node* node = &root;
        std::size_t start = 0;
        for (;;) {
            std::size_t slash = path.find('/', start);
            std::string part = path.substr(start, slash == std::string::npos ? std::string::npos
                                                                              : slash - start);
            if (!writable_name(part)) {
                node = nullptr;
                break;
            }
            node = &node->children[part];
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        if (!node) {
            config_error() << "cannot write the element \"" << path << "\"" << std::endl;
            continue;
        }
        node->attributes = &attributes;
    }
    for (const auto& [name, node] : root.children) write_node(text, name, node, 1);
    text += "</root>\n";

    // A damaged file that could not be kept is the user's only copy of
    // those settings: try once more, and never write over it unkept.
    const std::string path = resolve_path(file_name);
    auto unkept = std::find(unkept_.begin(), unkept_.end(), path);
    if (unkept != unkept_.end()) {
        std::string kept_as, why;
        if (!io::keep_copy(file_name, kept_as, why)) {
            config_error() << "not saved: '" << file_name << "' is damaged and could not be kept as '"
                           << kept_as << "': " << why << std::endl;
            return false;
        }
        if (!kept_as.empty()) config_warning() << "the damaged file is kept as '" << kept_as << "'" << std::endl;
        unkept_.erase(unkept);
    }
    std::string why;
    if (!io::write_file_safely(file_name, text, &why, false)) {
        config_error() << "cannot write '" << file_name << "': " << why << std::endl;
        return false;
    }
    return true;
}

}  // namespace orvek::ostrel
