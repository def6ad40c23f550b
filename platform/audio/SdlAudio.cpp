// The SDL audio device: SDL calls our mixer from its own thread while it
// holds the device's lock, which is the lock every voice change takes.
#include <SDL.h>

#include "orvek/Log.h"
#include "platform/audio/Audio.h"

namespace plat {

namespace {

orvek::LogChannel audio_warn("platform.audio", 2);
orvek::LogChannel audio_info("platform.audio", 4);

class SdlAudioDevice : public AudioDevice {
public:
    SdlAudioDevice() = default;
    ~SdlAudioDevice() override {
        if (id_ != 0) SDL_CloseAudioDevice(id_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool Open() {
        SDL_AudioSpec want{};
        want.freq = kMixRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &SdlAudioDevice::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to whatever the hardware takes.
        id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id_ == 0) return false;
        SDL_PauseAudioDevice(id_, 0);
        return true;
    }

    void Lock() override { SDL_LockAudioDevice(id_); }
    void Unlock() override { SDL_UnlockAudioDevice(id_); }

private:
    static void Callback(void* self, Uint8* stream, int len) {
        auto* d = static_cast<SdlAudioDevice*>(self);
        d->mixer().Mix(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(len) / 4);
    }

    SDL_AudioDeviceID id_ = 0;
};

}  // namespace

std::unique_ptr<AudioDevice> OpenAudioDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        audio_warn << "no audio device, sound is off: " << SDL_GetError() << std::endl;
        return nullptr;
    }
    auto d = std::make_unique<SdlAudioDevice>();
    if (!d->Open()) {
        audio_warn << "no audio device, sound is off: " << SDL_GetError() << std::endl;
        return nullptr;  // the destructor leaves the subsystem again
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    audio_info << "audio device open on " << (driver ? driver : "?") << std::endl;
    return d;
}

}  // namespace plat
