#include "framework/app/DSoundManager.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "framework/app/MusicTables.h"
#include "framework/app/SoundFiles.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "platform/audio/MusicEngine.h"

namespace Vant {

namespace {

orvek::LogChannel sound_warn("app.sound", 2);

std::uint32_t SteadyTicks() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}


}  // namespace

// ---------------------------------------------------------------- instance

DSoundInstance::DSoundInstance(DSoundManager* owner, plat::SoundBuffer* source,
                               std::unique_ptr<plat::SoundBuffer> buffer)
    : manager(owner), sourceBuffer(source), soundBuffer(std::move(buffer)) {
    if (soundBuffer) defaultFrequency = static_cast<unsigned>(soundBuffer->GetFrequency());
    RehupVolume();
}

DSoundInstance::~DSoundInstance() = default;

int DSoundInstance::VolumeToAttenuation(double v) {
    const double a = (std::log10(9.0 * v + 1.0) - 1.0) * 2333.0;
    if (!(a >= -2000.0)) return plat::kSilence;  // NaN too
    return static_cast<int>(a);
}

void DSoundInstance::RehupVolume() {
    if (!soundBuffer) return;
    soundBuffer->SetVolume(VolumeToAttenuation(manager->effectsVolume * volume * baseVolume));
}

void DSoundInstance::Release() {
    Stop();
    released = true;
}

void DSoundInstance::SetBaseVolume(double v) {
    baseVolume = v;
    RehupVolume();
}

void DSoundInstance::SetBasePan(int p) {
    basePan = p;
    if (soundBuffer) soundBuffer->SetPan(pan + basePan);
}

void DSoundInstance::AdjustPitch(double steps) {
    if (!soundBuffer) return;
    double f = defaultFrequency * std::pow(1.0594630943592953, steps);
    f = std::clamp(f, 100.0, 100000.0);  // NaN is not expected: steps come from the game
    soundBuffer->SetFrequency(static_cast<int>(f));
}

void DSoundInstance::SetVolume(double v) {
    volume = v;
    RehupVolume();
}

void DSoundInstance::SetPan(int p) {
    pan = p;
    if (soundBuffer) soundBuffer->SetPan(basePan + pan);
}

bool DSoundInstance::Play(bool looping, bool release) {
    Stop();
    hasPlayed = true;
    autoRelease = release;
    if (!soundBuffer) return false;
    return soundBuffer->Play(looping);
}

void DSoundInstance::Stop() {
    if (soundBuffer) {
        soundBuffer->Stop();
        soundBuffer->SetPosition(0);
    }
    autoRelease = false;
}

bool DSoundInstance::IsPlaying() {
    if (!hasPlayed || !soundBuffer) return false;
    return soundBuffer->IsPlaying();
}

bool DSoundInstance::IsReleased() {
    if (!released && autoRelease && hasPlayed && !IsPlaying()) Release();
    return released;
}

// ---------------------------------------------------------------- manager

DSoundManager::DSoundManager(void* window, bool fmod) : haveFMod(fmod) {
    std::fill(std::begin(baseVolumes), std::end(baseVolumes), 1.0);
    tickSource = &SteadyTicks;
    if (!window) return;
    own_ = plat::OpenAudioDevice();  // logs when there is none
    device_ = own_.get();
    Start(window);
}

DSoundManager::DSoundManager(plat::AudioDevice* device, bool fmod) : haveFMod(fmod) {
    std::fill(std::begin(baseVolumes), std::end(baseVolumes), 1.0);
    tickSource = &SteadyTicks;
    device_ = device;
    Start(nullptr);
}

void DSoundManager::Start(void* window) {
    if (!device_) return;
    // Music plays on the same device.
    plat::SetMusicDevice(device_);
    if (haveFMod) {
        fmod_ = FMOD_INSTANCE::Acquire();
        if (fmod_) {
            fmod_->FSOUND_SetHWND(window);
            fmod_->FSOUND_SetBufferSize(200);
            fmod_->FSOUND_Init(44100, 64, 2);
        }
    }
}

DSoundManager::~DSoundManager() {
    ReleaseChannels();
    for (auto& s : sourceSounds) s.reset();
    if (device_) {
        if (fmod_) {
            fmod_->FSOUND_Close();
            FMOD_INSTANCE::Release();
        }
        plat::SetMusicDevice(nullptr);
    }
}

int DSoundManager::LoadSound(const std::string& fileName) {
    if (!fileName.empty())
        for (unsigned i = 0; i < kMaxSourceSounds; ++i)
            if (sourceFileNames[i] == fileName) return static_cast<int>(i);
    for (int i = kMaxSourceSounds - 1; i >= 0; --i) {
        if (sourceSounds[i] || !sourceFileNames[i].empty()) continue;
        return LoadSound(static_cast<unsigned>(i), fileName) ? i : -1;
    }
    return -1;
}

bool DSoundManager::Fill(unsigned int id, const plat::PcmData& pcm) {
    auto b = plat::SoundBuffer::Create(*device_, pcm.format, static_cast<std::uint32_t>(pcm.bytes.size()));
    if (!b) return false;
    std::memcpy(b->Lock(), pcm.bytes.data(), pcm.bytes.size());
    if (!b->Unlock()) return false;
    sourceSounds[id] = std::move(b);
    sourceDataSizes[id] = static_cast<std::uint32_t>(pcm.bytes.size());
    return true;
}

bool DSoundManager::LoadMP3(unsigned int id, const std::string& path) {
    plat::fmod::Sample* s = fmod_->FSOUND_Sample_Load(-1, path.c_str(), 0, 0);
    if (!s) return false;
    const unsigned mode = fmod_->FSOUND_Sample_GetMode(s);
    plat::PcmData pcm;
    pcm.format.channels = (mode & 0x20) ? 1 : 2;
    pcm.format.bits = (mode & 0x08) ? 8 : 16;
    fmod_->FSOUND_Sample_GetDefaults(s, &pcm.format.rate, nullptr, nullptr, nullptr);
    const std::uint64_t size =
        static_cast<std::uint64_t>(fmod_->FSOUND_Sample_GetLength(s)) * pcm.format.block_align();
    bool ok = false;
    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    // Success only with the decoded bytes in hand, never a silent buffer.
    if (size > 0 && size < (1u << 30) &&
        fmod_->FSOUND_Sample_Lock(s, 0, static_cast<int>(size), &p1, &p2, &l1, &l2)) {
        if (l1 >= size) {
            const auto* bytes = static_cast<const std::uint8_t*>(p1);
            pcm.bytes.assign(bytes, bytes + size);
            ok = true;
        }
        fmod_->FSOUND_Sample_Unlock(s, p1, p2, l1, l2);
    }
    fmod_->FSOUND_Sample_Free(s);
    return ok && Fill(id, pcm);
}

bool DSoundManager::LoadSound(unsigned int id, const std::string& name) {
    if (id >= kMaxSourceSounds) return false;
    ReleaseSound(id);
    if (!device_) return true;
    sourceFileNames[id] = name;

    std::string copy;
    std::string why;
    plat::PcmData pcm;
    if (name.size() > 2 && name[0] != '\\' && name[0] != '/' && name[1] != ':') {
        copy = "cached\\" + name + ".wav";
        if (ReadSoundWav(copy, pcm, &why) && Fill(id, pcm)) return true;
        orvek::create_directories(copy);
    }
    if (ReadSoundWav(name + ".wav", pcm, &why)) {
        if (Fill(id, pcm)) return true;
    } else {
        struct Decoder {
            const char* ext;
            std::function<bool(const std::string&)> load;
        };
        const Decoder decoders[] = {
            {".mp3", [&](const std::string& p) { return haveFMod && fmod_ && LoadMP3(id, p); }},
            {".ogg", [&](const std::string& p) { return plat::ReadOgg(p, pcm, &why) && Fill(id, pcm); }},
            {".au", [&](const std::string& p) { return ReadAU(p, pcm, &why) && Fill(id, pcm); }},
        };
        for (const Decoder& d : decoders) {
            const std::string source = name + d.ext;
            if (!d.load(source)) continue;
            if (!copy.empty() && !WriteCachedWAV(id, copy, source))
                sound_warn << "'" << copy << "' could not be written" << std::endl;
            return true;
        }
    }
    // A name that loaded nothing must not be found as loaded later.
    sourceFileNames[id].clear();
    return false;
}

void DSoundManager::ReleaseSound(unsigned int id) {
    if (id >= kMaxSourceSounds) return;
    sourceSounds[id].reset();
    sourceFileNames[id].clear();
    sourceDataSizes[id] = 0;
}

void DSoundManager::SetVolume(double v) {
    effectsVolume = v;
    for (auto& i : playingSounds)
        if (i) i->RehupVolume();
}

bool DSoundManager::SetBaseVolume(unsigned int id, double v) {
    if (id >= kMaxSourceSounds) return false;
    baseVolumes[id] = v;
    return true;
}

bool DSoundManager::SetBasePan(unsigned int id, int p) {
    if (id >= kMaxSourceSounds) return false;
    basePans[id] = p;
    return true;
}

void DSoundManager::Sweep() {
    for (auto& i : playingSounds)
        if (i && i->IsReleased()) i.reset();
}

SoundInstance* DSoundManager::GetSoundInstance(unsigned int id) {
    if (id >= kMaxSourceSounds) return nullptr;
    const std::uint32_t now = tickSource ? tickSource() : 0;
    if (now - lastReleaseTick > 1000) {
        Sweep();
        lastReleaseTick = now;
    }
    int slot = -1;
    for (unsigned i = 0; i < kMaxChannels && slot < 0; ++i) {
        if (playingSounds[i] && playingSounds[i]->IsReleased()) playingSounds[i].reset();
        if (!playingSounds[i]) slot = static_cast<int>(i);
    }
    if (slot < 0) return nullptr;

    std::unique_ptr<DSoundInstance> inst;
    if (device_) {
        plat::SoundBuffer* source = sourceSounds[id].get();
        if (!source) return nullptr;
        auto copy = source->Duplicate();
        if (!copy) {
            // A sound that can not play this time is no reason to stop the game.
            sound_warn << "sound " << id << " ('" << sourceFileNames[id] << "') could not be duplicated" << std::endl;
            return nullptr;
        }
        inst = std::make_unique<DSoundInstance>(this, source, std::move(copy));
    } else {
        inst = std::make_unique<DSoundInstance>(this, nullptr, nullptr);
    }
    inst->SetBasePan(basePans[id]);
    inst->SetBaseVolume(baseVolumes[id]);
    playingSounds[slot] = std::move(inst);
    return playingSounds[slot].get();
}

void DSoundManager::ReleaseSounds() {
    for (auto& s : sourceSounds) s.reset();
}

void DSoundManager::ReleaseChannels() {
    for (auto& i : playingSounds) i.reset();
}

double DSoundManager::GetMasterVolume() { return device_ ? device_->mixer().MasterGain() : silentMasterVolume_; }

void DSoundManager::SetMasterVolume(double v) {
    if (device_) device_->mixer().SetMasterGain(v);
    else silentMasterVolume_ = std::clamp(v, 0.0, 1.0);
}

void DSoundManager::SetCooperativeWindow(void*, bool) {
    // Our device plays whichever window has the focus.
}

void DSoundManager::StopAllSounds() {
    for (auto& i : playingSounds) {
        if (!i) continue;
        const bool keep = i->autoRelease;
        i->Stop();
        i->autoRelease = keep;
    }
}

bool DSoundManager::WriteCachedWAV(unsigned int id, const std::string& copyName, const std::string& sourceName) {
    if (copyName.empty() || id >= kMaxSourceSounds || !sourceSounds[id]) return false;
    plat::SoundBuffer& b = *sourceSounds[id];
    const std::uint8_t* pcm = b.Lock();
    const plat::SoundFormat f = b.format();
    const std::uint32_t size = sourceDataSizes[id];
    const std::uint16_t align = static_cast<std::uint16_t>(f.block_align());
    const std::uint64_t time = GetSoundFileTime(sourceName);
    const std::uint16_t n = static_cast<std::uint16_t>(std::min<std::size_t>(sourceName.size(), 0xFFFF));

    std::vector<std::uint8_t> out;
    out.reserve(62 + n + size);
    PutTag(out, "RIFF");
    PutLE32(out, size + 36);  // the "dep " chunk is not counted
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLE32(out, 16);
    PutLE16(out, 1);
    PutLE16(out, static_cast<std::uint16_t>(f.channels));
    PutLE32(out, static_cast<std::uint32_t>(f.rate));
    PutLE32(out, static_cast<std::uint32_t>(f.rate) * align);
    PutLE16(out, align);
    PutLE16(out, static_cast<std::uint16_t>(f.bits));
    PutTag(out, "dep ");
    PutLE32(out, n + 10u);
    PutLE16(out, n);
    out.insert(out.end(), sourceName.begin(), sourceName.begin() + n);
    PutLE32(out, static_cast<std::uint32_t>(time));
    PutLE32(out, static_cast<std::uint32_t>(time >> 32));
    PutTag(out, "data");
    PutLE32(out, size);
    out.insert(out.end(), pcm, pcm + size);

    orvek::File file;
    if (!file.open(copyName, orvek::open_mode::out | orvek::open_mode::trunc | orvek::open_mode::binary)) {
        b.Unlock();
        return false;
    }
    const bool written = file.write(out.data(), out.size()) == out.size();
    file.close();
    return b.Unlock() && written;
}

}  // namespace Vant
