// Arbitrary bytes as a sound file. The first byte picks the reader: a WAV
// with "dep " chunks, then the sound manager's loaders for WAV, AU and Ogg,
// then our music engine's samples and streams. Whatever loads is played a
// little through the headless device.
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/app/BassMusicInterface.h"
#include "framework/app/DSoundManager.h"
#include "framework/app/FmodMusicInterface.h"
#include "framework/app/SoundFiles.h"
#include "platform/audio/MusicEngine.h"

#include "fuzz/support/FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("sound");
    if (size == 0) return 0;
    const unsigned mode = data[0] % 6;
    ++data;
    --size;
    plat::HeadlessAudioDevice device;

    if (mode == 0) {
        plat::PcmData pcm;
        if (plat::ParseWav(data, size, pcm, &Vant::CachedSourceIsCurrent)) {
            if (auto b = plat::SoundBuffer::Create(device, pcm.format, static_cast<std::uint32_t>(pcm.bytes.size()))) {
                std::memcpy(b->Lock(), pcm.bytes.data(), pcm.bytes.size());
                b->SetFrequency(static_cast<int>(pcm.bytes.size() * 97));
                b->Play(true);
                device.Render(512);
            }
        }
        return 0;
    }

    const char* ext[] = {"", ".wav", ".au", ".ogg", ".ogg", ".ogg"};
    const std::string base = scratch.file("s");
    if (!fuzzsupport::write_input(base + ext[mode], data, size)) return 0;

    if (mode <= 3) {
        Vant::DSoundManager m(&device, false);
        const int id = m.LoadSound(base);
        if (Vant::SoundInstance* i = id >= 0 ? m.GetSoundInstance(id) : nullptr) {
            i->AdjustPitch(size % 25 - 12.0);
            i->Play(false, true);
            device.Render(1024);
        }
        std::remove((base + ext[mode]).c_str());
        return 0;
    }

    // Mode 4: a sample through the second table (WAV or Ogg by content),
    // mode 5: a stream through the first.
    Vant::DSoundManager sound(&device, mode == 4);
    if (mode == 4) {
        std::remove(Vant::FModSampleCacheName(base).c_str());
        Vant::FModMusicInterface music;
        if (music.LoadSampleMusic(1, base, true)) {
            music.PlayMusic(1, 0, false);
            device.Render(1024);
            music.LoadMusicFromSamples(2, base, base, true);
            music.PlayMusic(2, 0, false);
            device.Render(1024);
        }
        std::remove(Vant::FModSampleCacheName(base).c_str());
    } else {
        Vant::BassMusicInterface music(nullptr);
        if (music.LoadMusic(1, base + ".ogg")) {
            music.PlayMusic(1, 0, false);
            device.Render(2048);
            music.FadeOut(1, true, 0.5);
            music.Update();
            device.Render(512);
        }
    }
    std::remove((base + ".ogg").c_str());
    return 0;
}
