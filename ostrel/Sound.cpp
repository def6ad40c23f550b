#include "ostrel/Sound.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <map>
#include <set>

#include "framework/app/MusicInterface.h"
#include "framework/app/SoundManager.h"
#include "framework/app/VantAppBase.h"
#include "orvek/File.h"
#include "orvek/Log.h"

namespace orvek::ostrel {

namespace {

std::map<std::uint32_t, Vant::SoundInstance*>& sounds() {
    static std::map<std::uint32_t, Vant::SoundInstance*> table;
    return table;
}

int& music_counter() {
    static int counter = 0;
    return counter;
}

const LogChannel& sound_warning() {
    static const LogChannel channel("ostrel.Sound", log_warning_flag);
    return channel;
}

Vant::SoundManager* sound_manager() {
    auto* app = Vant::VantAppBase::gApp;
    return app ? app->mSoundManager.get() : nullptr;
}

Vant::MusicInterface* music() {
    auto* app = Vant::VantAppBase::gApp;
    return app ? app->mMusicInterface.get() : nullptr;
}

void sweep() {
    auto& table = sounds();
    for (auto it = table.begin(); it != table.end();) {
        if (it->second->IsPlaying()) {
            ++it;
        } else {
            it->second->Release();
            it = table.erase(it);
        }
    }
}

// 0 and handles still in use are never given out.
std::uint32_t next_handle() {
    auto& counter = sound_detail::handle_counter();
    const auto& table = sounds();
    for (;;) {
        const std::uint32_t h = counter++;
        if (h != 0 && table.find(h) == table.end()) return h;
    }
}

void put_u16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put_u32(unsigned char* p, std::uint32_t v) {
    put_u16(p, v & 0xffff);
    put_u16(p + 2, v >> 16);
}

// Relative, and no ".." component: a name from the data can not reach out
// of the program's folder.
bool below_program_folder(const std::string& path) {
    if (path.empty() || path[0] == '\\' || path[0] == '/') return false;
    if (path.size() > 1 && path[1] == ':') return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        if (path.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

double clamp01(double v) { return v > 0.0 ? (v < 1.0 ? v : 1.0) : 0.0; }
int clamp_percent(int v) { return std::clamp(v, 0, 100); }

}  // namespace

namespace sound_detail {

std::uint32_t& handle_counter() {
    static std::uint32_t counter = 1;
    return counter;
}

std::size_t sound_count() { return sounds().size(); }

std::string sound_path(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '/', '\\');
    const std::size_t slash = path.find_last_of('\\');
    const std::size_t file_start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && dot >= file_start) path.erase(dot);
    return path;
}

bool write_silent_wav(const std::string& path) {
    if (!below_program_folder(path)) return false;
    const std::string file = resolve_path(path);
    create_directories(file);
    // O_EXCL: an existing file, whatever it holds, is never overwritten.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    unsigned char b[50] = {};
    std::copy_n("RIFF", 4, b);
    put_u32(b + 4, 42);
    std::copy_n("WAVE", 4, b + 8);
    std::copy_n("fmt ", 4, b + 12);
    put_u32(b + 16, 18);
    put_u16(b + 20, 1);
    put_u16(b + 22, 1);
    put_u32(b + 24, 22050);
    put_u32(b + 28, 44100);
    put_u16(b + 32, 2);
    put_u16(b + 34, 16);
    put_u16(b + 36, 0);  // no extra format bytes follow, so no extra size
    std::copy_n("data", 4, b + 38);
    put_u32(b + 42, 4);
    const bool ok = ::write(fd, b, sizeof b) == static_cast<ssize_t>(sizeof b);
    ::close(fd);
    return ok;
}

}  // namespace sound_detail

std::uint32_t play_sound(const std::string& name, bool looping) {
    sweep();
    Vant::SoundManager* manager = sound_manager();
    if (!manager) return 0;
    const std::string path = sound_detail::sound_path(name);
    const int id = manager->LoadSound(path);
    if (id == -1) {
        static std::set<std::string> logged;
        if (logged.insert(path).second) sound_warning() << "Missing sound " << path << std::endl;
        sound_detail::write_silent_wav(path + ".wav");
        return 0;
    }
    Vant::SoundInstance* instance = manager->GetSoundInstance(static_cast<unsigned>(id));
    if (!instance) return 0;
    const std::uint32_t handle = next_handle();
    instance->Play(looping, false);
    sounds()[handle] = instance;
    return handle;
}

void stop_sound(std::uint32_t handle) {
    auto& table = sounds();
    const auto it = table.find(handle);
    if (it == table.end()) return;
    it->second->Stop();
    it->second->Release();
    table.erase(it);
}

void set_sound_volume(std::uint32_t handle, double volume) {
    const auto it = sounds().find(handle);
    if (it != sounds().end()) it->second->SetVolume(clamp01(volume));
}

void set_sound_volume_percent(std::uint32_t handle, int percent) {
    set_sound_volume(handle, clamp_percent(percent) * 0.01);
}

void set_effects_volume(int percent) {
    if (auto* app = Vant::VantAppBase::gApp) app->SetSfxVolume(clamp_percent(percent) * 0.01);
}

void set_music_volume(int percent) {
    if (auto* app = Vant::VantAppBase::gApp) app->SetMusicVolume(clamp_percent(percent) * 0.01);
}

int load_music(const std::string& name) {
    Vant::MusicInterface* m = music();
    if (!m) return -1;
    int& counter = music_counter();
    const int id = counter;
    counter = counter == INT_MAX ? 0 : counter + 1;
    return m->LoadMusic(id, name) ? id : -1;
}

void play_music(int id, int offset, bool no_loop) {
    if (auto* m = music()) m->PlayMusic(id, offset, no_loop);
}

void stop_music(int id) {
    if (auto* m = music()) m->StopMusic(id);
}

void unload_music(int id) {
    if (auto* m = music()) m->UnloadMusic(id);
}

bool is_music_playing(int id) {
    auto* m = music();
    return m && m->IsPlaying(id);
}

void release_sounds() {
    auto& table = sounds();
    for (auto& [handle, instance] : table) {
        instance->Stop();
        instance->Release();
    }
    table.clear();
}

}  // namespace orvek::ostrel
