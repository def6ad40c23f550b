#include "orvek/Names.h"

#include <memory>
#include <mutex>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvek {

namespace {

struct NameHash {
    std::size_t operator()(std::string_view text) const {
        std::uint32_t h = 0;
        for (char c : text) h = 5 * h + static_cast<std::uint32_t>(static_cast<signed char>(c));
        return h;
    }
};

struct NameTable {
    std::mutex lock;
    std::unordered_map<std::string_view, const char*, NameHash> index;
    std::vector<std::unique_ptr<char[]>> storage;
};

NameTable& name_table() {
    // Never destroyed: interned pointers must stay valid during static
    // destruction as well.
    static NameTable* table = new NameTable;
    return *table;
}

}  // namespace

const char* intern_name(const char* text, std::size_t length) {
    if (!text) length = 0;
    std::string_view key(length ? text : "", length);
    NameTable& t = name_table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto found = t.index.find(key);
    if (found != t.index.end()) return found->second;
    auto copy = std::make_unique<char[]>(length + 1);
    if (length) std::memcpy(copy.get(), key.data(), length);
    copy[length] = '\0';
    const char* stored = copy.get();
    t.storage.push_back(std::move(copy));
    t.index.emplace(std::string_view(stored, length), stored);
    return stored;
}

TextParams& TextParams::set(const char* name, const char* value) {
    if (!name) return *this;
    entries_[intern_name(name, std::strlen(name))] = value ? value : "";
    return *this;
}

TextParams& TextParams::set_int(const char* name, long long value) {
    std::ostringstream s;
    s << value;
    return set(name, s.str().c_str());
}

TextParams& TextParams::set_uint(const char* name, unsigned long long value) {
    std::ostringstream s;
    s << value;
    return set(name, s.str().c_str());
}

void TextParams::apply(std::string& text) const {
    if (entries_.empty()) return;
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    std::size_t pos = 0;
    bool replaced = false;
    while (pos < text.size()) {
        const std::string* value = nullptr;
        std::size_t length = 0;
        // Entries in name order, so at one position the first in order wins,
        // as it would when each entry is applied in turn.
        for (const auto& [name, v] : entries_) {
            if (name[0] != text[pos]) continue;
            std::size_t n = std::strlen(name);
            if (n == 0 || n > text.size() - pos) continue;
            if (text.compare(pos, n, name) == 0) {
                value = &v;
                length = n;
                break;
            }
        }
        if (!value) {
            ++pos;
            continue;
        }
        out.append(text, copied, pos - copied);
        out += *value;
        pos += length;
        copied = pos;
        replaced = true;
    }
    if (!replaced) return;
    out.append(text, copied, std::string::npos);
    text = std::move(out);
}

}  // namespace orvek
