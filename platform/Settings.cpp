#include "platform/Settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/io/FileStream.h"

namespace plat {
namespace {

const orvek::LogChannel& Warn() {
    static const orvek::LogChannel channel("platform.settings", orvek::log_warning_flag);
    return channel;
}

constexpr std::string_view kHeader = "ZelkorSettings 1";

std::string Fold(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Names and texts may hold any byte; the file keeps to printable ASCII with
// "%XX" for everything else and for the characters the format uses.
bool NeedsEscape(unsigned char c) {
    return c <= 0x20 || c >= 0x7F || c == '%' || c == '=' || c == '[' || c == ']';
}

void Escape(std::string& out, const std::uint8_t* p, std::size_t n) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < n; ++i) {
        if (NeedsEscape(p[i])) {
            out += '%';
            out += kHex[p[i] >> 4];
            out += kHex[p[i] & 15];
        } else {
            out += static_cast<char>(p[i]);
        }
    }
}
void Escape(std::string& out, std::string_view s) {
    Escape(out, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c == '%') {
            if (i + 2 >= in.size()) return false;
            const int hi = HexDigit(in[i + 1]), lo = HexDigit(in[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if (NeedsEscape(c)) {
            return false;
        } else {
            out += static_cast<char>(c);
        }
    }
    return true;
}

bool ParseU32(std::string_view s, std::uint32_t& v) {
    if (s.empty() || s.size() > 10) return false;
    std::uint64_t x = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        x = x * 10 + static_cast<unsigned>(c - '0');
    }
    if (x > 0xFFFFFFFFu) return false;
    v = static_cast<std::uint32_t>(x);
    return true;
}

}  // namespace

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

bool SettingsStore::Load() {
    keys_.clear();
    const std::string resolved = orvek::resolve_path(path_);
    orvek::File file;
    if (!orvek::file_exists(resolved)) return true;
    if (!file.open(resolved, orvek::open_mode::in | orvek::open_mode::binary)) {
        Warn() << "'" << resolved << "': cannot be read; starting from the defaults" << std::endl;
        return false;
    }
    std::string text;
    std::string error;
    const std::uint64_t size = file.size();
    if (size > kMaxFileBytes) {
        error = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
    } else {
        text.resize(static_cast<std::size_t>(size));
        if (file.read(text.data(), text.size()) != text.size()) error = "read failed";
    }
    file.close();
    if (error.empty() && Parse(text, &error)) return true;
    const std::string kept = resolved + ".prev";
    if (std::rename(resolved.c_str(), kept.c_str()) == 0)
        Warn() << "'" << resolved << "' is damaged (" << error << "); kept as '" << kept
               << "', starting from the defaults" << std::endl;
    else
        Warn() << "'" << resolved << "' is damaged (" << error << ") and could not be kept as '" << kept
               << "': " << std::strerror(errno) << "; starting from the defaults" << std::endl;
    return false;
}

bool SettingsStore::Parse(std::string_view text, std::string* error) {
    Keys keys;
    Key* key = nullptr;
    std::size_t line_no = 0, values = 0;
    bool ended = false;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(line_no) + ": " + why;
        return false;
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            ++line_no;
            return fail("no line end (the file is cut short)");
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (ended) return fail("text after the end line");
        if (line_no == 1) {
            if (line != kHeader) return fail("not a settings file");
            continue;
        }
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.size() < 3 || line.back() != ']') return fail("bad key line");
            std::string path;
            if (!Unescape(line.substr(1, line.size() - 2), path)) return fail("bad key name");
            auto [it, fresh] = keys.try_emplace(Fold(path));
            if (!fresh) return fail("key '" + path + "' appears twice");
            it->second.path = path;
            key = &it->second;
            continue;
        }
        if (line.substr(0, 4) == "end ") {
            std::uint32_t count;
            if (!ParseU32(line.substr(4), count) || count != values) return fail("value count does not match");
            ended = true;
            continue;
        }
        const std::size_t space = line.find(' '), eq = line.find('=');
        if (space == std::string_view::npos || eq == std::string_view::npos || eq < space)
            return fail("not a value line");
        if (!key) return fail("value before any key");
        const std::string_view type = line.substr(0, space);
        std::string name;
        if (!Unescape(line.substr(space + 1, eq - space - 1), name) || name.empty()) return fail("bad value name");
        const std::string_view body = line.substr(eq + 1);
        Value v;
        v.name = name;
        if (type == "dword") {
            std::uint32_t d;
            if (!ParseU32(body, d)) return fail("bad number for '" + name + "'");
            v.type = kSettingsDword;
            for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<std::uint8_t>(d >> (8 * i)));
        } else if (type == "sz") {
            std::string s;
            if (!Unescape(body, s)) return fail("bad text for '" + name + "'");
            v.type = kSettingsSz;
            v.data.assign(s.begin(), s.end());
        } else if (type == "binary") {
            if (body.size() % 2 != 0) return fail("bad bytes for '" + name + "'");
            v.type = kSettingsBinary;
            for (std::size_t i = 0; i < body.size(); i += 2) {
                const int hi = HexDigit(body[i]), lo = HexDigit(body[i + 1]);
                if (hi < 0 || lo < 0) return fail("bad bytes for '" + name + "'");
                v.data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
            }
        } else {
            return fail("unknown type '" + std::string(type) + "'");
        }
        if (v.data.size() > kMaxValueBytes) return fail("value '" + name + "' too large");
        if (!key->values.try_emplace(Fold(name), std::move(v)).second)
            return fail("value '" + name + "' appears twice");
        ++values;
    }
    if (line_no == 0) {
        // An empty file: a write cut short by a full disk on a system
        // without our safe writer; nothing to keep but nothing to read.
        if (error) *error = "empty file";
        return false;
    }
    if (!ended) return fail("no end line (the file is cut short)");
    keys_ = std::move(keys);
    return true;
}

std::string SettingsStore::Serialise(const Keys& keys) {
    std::string out(kHeader);
    out += '\n';
    std::size_t values = 0;
    for (const auto& [folded, key] : keys) {
        out += '[';
        Escape(out, key.path);
        out += "]\n";
        for (const auto& [fname, v] : key.values) {
            switch (v.type) {
            case kSettingsDword: {
                std::uint32_t d = 0;
                for (int i = 0; i < 4; ++i) d |= std::uint32_t(v.data[i]) << (8 * i);
                out += "dword ";
                Escape(out, v.name);
                out += '=';
                out += std::to_string(d);
                break;
            }
            case kSettingsSz:
                out += "sz ";
                Escape(out, v.name);
                out += '=';
                Escape(out, v.data.data(), v.data.size());
                break;
            default: {
                static constexpr char kHex[] = "0123456789abcdef";
                out += "binary ";
                Escape(out, v.name);
                out += '=';
                for (std::uint8_t b : v.data) {
                    out += kHex[b >> 4];
                    out += kHex[b & 15];
                }
                break;
            }
            }
            out += '\n';
            ++values;
        }
    }
    out += "end " + std::to_string(values) + "\n";
    return out;
}

std::string SettingsStore::Serialise() const { return Serialise(keys_); }

bool SettingsStore::Save(const Keys& keys, std::string* error) const {
    return orvek::io::write_file_safely(path_, Serialise(keys), error);
}

bool SettingsStore::Read(std::string_view key, std::string_view name, std::uint32_t* type, void* data,
                         std::uint32_t* size) const {
    if (!size) return false;
    const auto k = keys_.find(Fold(key));
    if (k == keys_.end()) return false;
    const auto v = k->second.values.find(Fold(name));
    if (v == k->second.values.end()) return false;
    const auto needed = static_cast<std::uint32_t>(v->second.data.size());
    const std::uint32_t room = *size;
    *size = needed;
    if (type) *type = v->second.type;
    if (!data || room < needed) return false;
    if (needed) std::memcpy(data, v->second.data.data(), needed);
    return true;
}

bool SettingsStore::Write(std::string_view key, std::string_view name, std::uint32_t type, const void* data,
                          std::uint32_t size) {
    if (key.empty() || name.empty()) return false;
    if (type != kSettingsDword && type != kSettingsSz && type != kSettingsBinary) return false;
    if (type == kSettingsDword && size != 4) return false;
    if (size > kMaxValueBytes || (size && !data)) return false;
    Keys next = keys_;
    auto [k, fresh_key] = next.try_emplace(Fold(key));
    if (fresh_key) k->second.path = std::string(key);
    auto [v, fresh_value] = k->second.values.try_emplace(Fold(name));
    if (fresh_value) v->second.name = std::string(name);
    v->second.type = type;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    v->second.data.assign(bytes, bytes + size);
    std::string error;
    if (!Save(next, &error)) {
        Warn() << "'" << path_ << "': setting '" << name << "' not saved: " << error << std::endl;
        return false;
    }
    keys_ = std::move(next);
    return true;
}

bool SettingsStore::Erase(std::string_view key, std::string_view name) {
    Keys next = keys_;
    const auto k = next.find(Fold(key));
    if (k == next.end() || k->second.values.erase(Fold(name)) == 0) return false;
    std::string error;
    if (!Save(next, &error)) {
        Warn() << "'" << path_ << "': setting '" << name << "' not erased: " << error << std::endl;
        return false;
    }
    keys_ = std::move(next);
    return true;
}

bool SettingsStore::KeyExists(std::string_view key) const { return keys_.count(Fold(key)) != 0; }

}  // namespace plat
