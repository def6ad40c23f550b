#pragma once
// Helpers shared by the writers of the player's save files.
#include <cstdint>
#include <string>

#include "orvek/io/Stream.h"

namespace orvek { class LogChannel; }

namespace orvek::trelm::core {

// "dir/name.ext" -> "dir/name.prev.ext": the first name a save file that
// could not be read is kept under before anything is written over it.
std::string backup_path(const std::string& path);

// Copies the file at path through the safe writer to the next free kept
// copy name (".prev", ".prev2", ...; when all are taken, the oldest goes),
// so an earlier kept copy is never overwritten. True when there is nothing
// to keep or the copy is complete; failures are logged on channel.
bool keep_aside(const std::string& path, const orvek::LogChannel& errors);

// A string-keyed map as u32 count, then per entry the key as a sized block
// and the value as save_value writes it.
template <class Map, class SaveValue>
void save_map(orvek::io::OStream& out, const Map& map, SaveValue save_value) {
    out << static_cast<std::uint32_t>(map.size());
    for (const auto& [key, value] : map) {
        if (!out.good()) break;
        out.write_sized_block(key);
        save_value(value);
    }
}

// Reads what save_map wrote; the entries read before the stream went bad
// stay. The count comes from the file: the loop ends with the stream.
template <class Map, class LoadValue>
void load_map(orvek::io::IStream& in, Map& map, LoadValue load_value) {
    map.clear();
    std::uint32_t count = 0;
    in >> count;
    for (std::uint32_t i = 0; i < count && in.good(); ++i) {
        std::string key;
        in.read_string(key);
        if (!in.good()) break;
        typename Map::mapped_type value{};
        load_value(value);
        if (!in.good()) break;
        map[key] = std::move(value);
    }
}

}  // namespace orvek::trelm::core
