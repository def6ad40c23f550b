#include "ostrel/MusicPlaylist.h"

#include <fstream>
#include <iterator>

#include "orvek/File.h"
#include "orvek/Log.h"
#include "ostrel/Sound.h"

namespace orvek::ostrel {

namespace {

const LogChannel& playlist_warning() {
    static const LogChannel channel("ostrel.MusicPlaylist", log_warning_flag);
    return channel;
}

}  // namespace

bool MusicPlaylist::load(const std::string& path) {
    std::ifstream in(resolve_path(path), std::ios::binary);
    if (!in) return false;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tracks_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        tracks_.push_back(std::move(line));
        start = end + 1;
    }
    failures_ = 0;
    return true;
}

void MusicPlaylist::start() {
    playing = true;
    failures_ = 0;
    play_next();
}

void MusicPlaylist::play_next() {
    if (current_id_ != no_music) {
        stop_music(int(current_id_));
        unload_music(int(current_id_));
        current_id_ = no_music;
    }
    const std::size_t n = tracks_.size();
    // A failed track is skipped at once; a list that fails all round stops
    // until it is loaded or started again, rather than reloading every pass.
    while (n != 0 && failures_ < n) {
        int index;
        if (order_ == 1)
            index = int(std::size_t(rand_.next()) % n);
        else if (order_ == 0)
            index = current_index_ != -1 && std::size_t(current_index_) + 1 < n ? current_index_ + 1 : 0;
        else
            return;
        current_index_ = index;
        const int id = load_music(tracks_[std::size_t(index)]);
        if (id != -1) {
            current_id_ = std::uint32_t(id);
            play_music(id, 0, true);
            failures_ = 0;
            return;
        }
        if (++failures_ == n) playlist_warning() << "No track of the playlist plays; music stopped" << std::endl;
    }
}

void MusicPlaylist::update() {
    if (playing && !paused && current_id_ != no_music && !is_music_playing(int(current_id_))) play_next();
}

}  // namespace orvek::ostrel
