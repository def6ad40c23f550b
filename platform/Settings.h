#pragma once
// The settings store: typed values under keys addressed by path
// ("SOFTWARE\Zelkor\Sub"), kept in one text file. Key paths and value
// names are compared without regard to ASCII case; the spelling first
// written is kept. Every change rewrites the whole file through the base
// library's safe writer, so a crash leaves either the old or the new file.
//
// A file that does not parse is renamed to "<file>.prev", logged, and the
// store starts empty: the program runs on its defaults and the damaged copy
// stays for a look.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Value types, numbered as the game's stored data knows them.
enum SettingsType : std::uint32_t {
    kSettingsNone = 0,
    kSettingsSz = 1,       // text bytes (no terminator needed)
    kSettingsBinary = 3,
    kSettingsDword = 4,    // 4 bytes, little-endian in the caller's buffer
};

// The file beside the program.
inline constexpr const char* kSettingsFile = "config/registry.txt";

class SettingsStore {
public:
    explicit SettingsStore(std::string path = kSettingsFile);

    // Reads the file. A missing file is an empty store (true); a damaged one
    // is kept as ".prev" and the store starts empty (false).
    bool Load();
    const std::string& path() const { return path_; }

    // Copies a value into data. *size is the buffer's size on entry and the
    // value's size on return. When the buffer is too small (or data is null)
    // nothing is written to it and the answer is false, with *size the size
    // needed. type may be null.
    bool Read(std::string_view key, std::string_view name, std::uint32_t* type, void* data,
              std::uint32_t* size) const;
    // Stores a value and rewrites the file. False when the type is unknown,
    // a DWORD is not 4 bytes, or the file cannot be written (the value then
    // stays unchanged in memory as well).
    bool Write(std::string_view key, std::string_view name, std::uint32_t type, const void* data,
               std::uint32_t size);
    // Removes a value and rewrites the file; false when absent.
    bool Erase(std::string_view key, std::string_view name);
    bool KeyExists(std::string_view key) const;

    // The file's text for the current content, and its reader. Parse leaves
    // the store unchanged and reports the line on failure.
    std::string Serialise() const;
    bool Parse(std::string_view text, std::string* error);

    // The largest file and value the reader accepts.
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr std::uint32_t kMaxValueBytes = 1024 * 1024;

private:
    struct Value {
        std::string name;   // as first written
        std::uint32_t type = kSettingsNone;
        std::vector<std::uint8_t> data;
    };
    struct Key {
        std::string path;   // as first written
        std::map<std::string, Value> values;   // by folded name
    };
    using Keys = std::map<std::string, Key>;   // by folded path

    bool Save(const Keys& keys, std::string* error) const;
    static std::string Serialise(const Keys& keys);

    std::string path_;
    Keys keys_;
};

}  // namespace plat
