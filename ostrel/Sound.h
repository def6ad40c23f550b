#pragma once
// Sound effects by file name under small handles, and music and volumes,
// over the application's sound manager and music interface. Primary thread
// only.
#include <cstdint>
#include <string>

namespace orvek::ostrel {

// The handle of the playing sound, 0 when it could not be played. A sound
// that can not be loaded is replaced by a silent file (below the program's
// folder only), so it is found, silent, from then on.
std::uint32_t play_sound(const std::string& name, bool looping = false);
void stop_sound(std::uint32_t handle);
void set_sound_volume(std::uint32_t handle, double volume);
void set_sound_volume_percent(std::uint32_t handle, int percent);
void set_effects_volume(int percent);
void set_music_volume(int percent);

// A new music id, or -1 without an application or music interface, or when
// the file does not load.
int load_music(const std::string& name);
void play_music(int id, int offset, bool no_loop);
void stop_music(int id);
void unload_music(int id);
bool is_music_playing(int id);

// Stops and releases every sound in the table; the application calls it
// before its sound manager goes.
void release_sounds();

namespace sound_detail {
// The path the sound manager is asked for: "/" as "\", no extension.
std::string sound_path(const std::string& name);
// Writes the silent file at path (with "\" separators) when it lies below
// the program's folder and no file of that name exists; true when written.
bool write_silent_wav(const std::string& path);
std::uint32_t& handle_counter();
std::size_t sound_count();
}  // namespace sound_detail

}  // namespace orvek::ostrel
