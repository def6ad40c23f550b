#pragma once
// Background music from a text file of track paths, one a line, played one
// after the other in turn or at random.
#include <cstdint>
#include <string>
#include <vector>

#include "orvek/LegacyRand.h"

namespace orvek::ostrel {

class MusicPlaylist {
public:
    static constexpr std::uint32_t no_music = 0xFFFFFFFFu;

    // False, with the list kept, when the file can not be opened. The
    // current music keeps playing.
    bool load(const std::string& path);
    // 0 in turn, 1 at random; any other order plays nothing.
    void set_order(unsigned order) { order_ = order; }
    void start();
    void play_next();
    // The per-pass tick: the next track once the current one has ended.
    void update();

    bool playing = false;
    bool paused = false;

    const std::vector<std::string>& tracks() const { return tracks_; }
    std::uint32_t current_id() const { return current_id_; }
    int current_index() const { return current_index_; }
    // The random order's own generator, never the game model's.
    orvek::LegacyRand& random() { return rand_; }

private:
    unsigned order_ = 0;
    std::vector<std::string> tracks_;
    std::uint32_t current_id_ = no_music;
    int current_index_ = -1;
    orvek::LegacyRand rand_;
    // Tracks that failed in a row; at the track count it stops trying.
    std::size_t failures_ = 0;
};

}  // namespace orvek::ostrel
