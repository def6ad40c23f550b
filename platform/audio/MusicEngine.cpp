#include "platform/audio/MusicEngine.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "orvek/Log.h"
#include "platform/audio/Audio.h"
#include "platform/audio/SoundFile.h"

namespace plat {

namespace {

orvek::LogChannel music_warn("platform.music", 2);

// 16-bit frames out of PCM held in memory (8-bit data is widened).
class PcmStream : public SoundStream {
public:
    explicit PcmStream(PcmData pcm) : pcm_(std::move(pcm)) {}
    int channels() const override { return pcm_.format.channels; }
    int rate() const override { return pcm_.format.rate; }
    std::size_t Read(std::int16_t* out, std::size_t frames) override {
        const std::size_t align = pcm_.format.block_align();
        const std::size_t total = pcm_.bytes.size() / align;
        const std::size_t n = std::min(frames, total - at_);
        const std::size_t values = n * pcm_.format.channels;
        const std::uint8_t* p = pcm_.bytes.data() + at_ * align;
        for (std::size_t i = 0; i < values; ++i)
            out[i] = pcm_.format.bits == 8 ? static_cast<std::int16_t>((p[i] - 128) * 256)
                                           : static_cast<std::int16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        at_ += n;
        return n;
    }
    bool Rewind() override {
        at_ = 0;
        return true;
    }

private:
    PcmData pcm_;
    std::size_t at_ = 0;
};

// A file's sound as a stream: WAV or Ogg Vorbis by their contents.
std::unique_ptr<SoundStream> OpenStreamFile(const std::string& name) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(name, bytes)) {
        music_warn << "'" << name << "' cannot be read" << std::endl;
        return nullptr;
    }
    std::string why;
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0) {
        PcmData pcm;
        if (ParseWav(bytes.data(), bytes.size(), pcm, {}, &why)) return std::make_unique<PcmStream>(std::move(pcm));
    } else if (bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0) {
        if (auto s = OggStream::OpenMemory(std::move(bytes), &why)) return s;
    } else {
        why = "neither WAV nor Ogg Vorbis";
    }
    music_warn << "'" << name << "': " << why << std::endl;
    return nullptr;
}

// A whole sound file as PCM: WAV or Ogg Vorbis by their contents.
bool LoadWhole(const std::string& name, PcmData& out) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(name, bytes)) return false;
    std::string why;
    bool ok = false;
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0) {
        ok = ParseWav(bytes.data(), bytes.size(), out, {}, &why);
    } else if (bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0) {
        auto s = OggStream::OpenMemory(std::move(bytes), &why);
        ok = s && DecodeOgg(std::move(s), out, &why);
    } else {
        why = "neither WAV nor Ogg Vorbis";
    }
    if (!ok) music_warn << "'" << name << "': " << why << std::endl;
    return ok;
}

struct BassChannel {
    std::unique_ptr<SoundBuffer> voice;
    bool loop = false;
    bool paused = false;
    bool held = false;  // playing when output stopped
    int volume = 100;
};

struct Engine {
    std::recursive_mutex mutex;
    AudioDevice* chosen = nullptr;
    AudioDevice* device = nullptr;
    std::unique_ptr<AudioDevice> own;
    bool bass_open = false, fmod_open = false;

    std::map<std::uint32_t, BassChannel> streams;
    std::uint32_t next_handle = 1;
    int stream_volume = 100;

    std::set<fmod::Sample*> samples;
    std::set<fmod::Stream*> fstreams;
    std::map<int, BassChannel> channels;  // by the caller's channel number
};

Engine& engine() {
    // Never destroyed: entry points may still be called during exit.
    static Engine* e = new Engine;
    return *e;
}

using Lock = std::lock_guard<std::recursive_mutex>;

bool OpenDevice(Engine& e) {
    if (e.device) return true;
    if (e.chosen) {
        e.device = e.chosen;
        return true;
    }
    e.own = OpenAudioDevice();
    e.device = e.own.get();
    return e.device != nullptr;
}

void CloseDeviceIfUnused(Engine& e) {
    if (e.bass_open || e.fmod_open) return;
    e.device = nullptr;
    e.own.reset();
}

void ApplyLevel(Engine& e, BassChannel& c) {
    if (c.voice) c.voice->SetLevel(c.volume / 100.0 * e.stream_volume / 100.0);
}

}  // namespace

void SetMusicDevice(AudioDevice* device) {
    Engine& e = engine();
    Lock lock(e.mutex);
    e.chosen = device;
}

// ---------------------------------------------------------------- first table

namespace bassfn {

BassChannel* Find(std::uint32_t h) {
    auto it = engine().streams.find(h);
    return it == engine().streams.end() ? nullptr : &it->second;
}

int Init(int, std::uint32_t, std::uint32_t, void*, const void*) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!OpenDevice(e)) return 0;
    e.bass_open = true;
    return 1;
}

int Free() {
    Engine& e = engine();
    Lock lock(e.mutex);
    e.streams.clear();
    e.bass_open = false;
    CloseDeviceIfUnused(e);
    return 1;
}

int Start() {
    Engine& e = engine();
    Lock lock(e.mutex);
    for (auto& [h, c] : e.streams)
        if (c.held) {
            c.held = false;
            c.voice->Play(c.loop);
        }
    return 1;
}

int Stop() {
    Engine& e = engine();
    Lock lock(e.mutex);
    for (auto& [h, c] : e.streams)
        if (c.voice->IsPlaying()) {
            c.held = true;
            c.voice->Stop();
        }
    return 1;
}

int SetGlobalVolumes(int, int, int stream) {
    Engine& e = engine();
    Lock lock(e.mutex);
    e.stream_volume = std::clamp(stream, 0, 100);
    for (auto& [h, c] : e.streams) ApplyLevel(e, c);
    return 1;
}

std::uint32_t SetConfig(std::uint32_t option, std::uint32_t value) {
    if (option == bass::kConfigStreamVolume) return static_cast<std::uint32_t>(SetGlobalVolumes(-1, -1, static_cast<int>(std::min(value, 100u))));
    return 1;  // the module volume and the buffer length change nothing here
}

int MusicSetAmplify(std::uint32_t, std::uint32_t) { return 0; }

int ChannelStop(std::uint32_t h) {
    Lock lock(engine().mutex);
    BassChannel* c = Find(h);
    if (!c) return 0;
    c->voice->Stop();
    c->voice->SetPosition(0);
    c->paused = c->held = false;
    return 1;
}

int ChannelPause(std::uint32_t h) {
    Lock lock(engine().mutex);
    BassChannel* c = Find(h);
    if (!c || !c->voice->IsPlaying()) return 0;
    c->voice->Stop();
    c->paused = true;
    return 1;
}

int ChannelResume(std::uint32_t h) {
    Lock lock(engine().mutex);
    BassChannel* c = Find(h);
    if (!c || !c->paused) return 0;
    c->paused = false;
    c->voice->Play(c->loop);
    return 1;
}

int ChannelSetAttributes(std::uint32_t h, int freq, int volume, int pan) {
    Engine& e = engine();
    Lock lock(e.mutex);
    BassChannel* c = Find(h);
    if (!c) return 0;
    if (freq > 0) c->voice->SetFrequency(freq);
    if (volume != -1) {
        c->volume = std::clamp(volume, 0, 100);
        ApplyLevel(e, *c);
    }
    if (pan != -101) c->voice->SetPan(std::clamp(pan, -100, 100) * 100);
    return 1;
}

int ChannelSetPosition(std::uint32_t h, std::uint64_t position) {
    Lock lock(engine().mutex);
    BassChannel* c = Find(h);
    // Streams decode forwards only; they go back to their start and no further.
    if (!c || position != 0) return 0;
    c->voice->SetPosition(0);
    return 1;
}

std::uint32_t ChannelIsActive(std::uint32_t h) {
    Lock lock(engine().mutex);
    BassChannel* c = Find(h);
    if (!c) return 0;
    if (c->paused) return bass::kActivePaused;
    return c->voice->IsPlaying() ? bass::kActivePlaying : 0;
}

std::uint32_t MusicLoad(int, const void* file, std::uint64_t, std::uint32_t, std::uint32_t, std::uint32_t) {
    music_warn << "'" << static_cast<const char*>(file) << "': tracker modules are not supported" << std::endl;
    return 0;
}

int MusicPlay(std::uint32_t) { return 0; }
int MusicPlayEx(std::uint32_t, std::uint32_t, int) { return 0; }
void MusicFree(std::uint32_t) {}

std::uint32_t StreamCreateFile(int memory, const void* file, std::uint64_t, std::uint64_t, std::uint32_t) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (memory || !file || !e.bass_open) return 0;
    auto stream = OpenStreamFile(static_cast<const char*>(file));
    if (!stream) return 0;
    BassChannel c;
    c.voice = SoundBuffer::CreateStream(*e.device, std::move(stream));
    if (!c.voice) return 0;
    const std::uint32_t h = e.next_handle++;
    if (e.next_handle == 0) e.next_handle = 1;
    ApplyLevel(e, c);
    e.streams[h] = std::move(c);
    return h;
}

void StreamFree(std::uint32_t h) {
    Lock lock(engine().mutex);
    engine().streams.erase(h);
}

int StreamPlay(std::uint32_t h, int flush, std::uint32_t flags) {
    Lock lock(engine().mutex);
    BassChannel* c = Find(h);
    if (!c) return 0;
    if (flush) c->voice->SetPosition(0);
    c->loop = (flags & bass::kLoop) != 0;
    c->paused = c->held = false;
    return c->voice->Play(c->loop) ? 1 : 0;
}

}  // namespace bassfn

// ---------------------------------------------------------------- second table

}  // namespace plat

namespace plat::fmod {
struct Sample {
    std::unique_ptr<SoundBuffer> buffer;
    unsigned mode = 0;
    std::uint32_t loop_start = 0;
};
struct Stream {
    std::unique_ptr<SoundBuffer> voice;
};
}  // namespace plat::fmod

namespace plat {
namespace fmodfn {

using fmod::Sample;

unsigned ModeOf(const SoundFormat& f) {
    return (f.bits == 8 ? fmod::k8Bits : fmod::k16Bits) | (f.channels == 1 ? fmod::kMono : fmod::kStereo);
}

signed char SetBufferSize(int) { return 1; }
signed char SetHWND(void*) { return 1; }

signed char Init(int, int, unsigned) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!OpenDevice(e)) return 0;
    e.fmod_open = true;
    return 1;
}

void Close() {
    Engine& e = engine();
    Lock lock(e.mutex);
    e.channels.clear();
    for (Sample* s : e.samples) delete s;
    e.samples.clear();
    for (fmod::Stream* s : e.fstreams) delete s;
    e.fstreams.clear();
    e.fmod_open = false;
    CloseDeviceIfUnused(e);
}

Sample* Adopt(PcmData& pcm, unsigned loop_mode) {
    Engine& e = engine();
    auto s = std::make_unique<Sample>();
    s->buffer = SoundBuffer::Create(*e.device, pcm.format, static_cast<std::uint32_t>(pcm.bytes.size()));
    if (!s->buffer) return nullptr;
    std::memcpy(s->buffer->Lock(), pcm.bytes.data(), pcm.bytes.size());
    s->buffer->Unlock();
    s->mode = ModeOf(pcm.format) | loop_mode;
    Sample* raw = s.release();
    e.samples.insert(raw);
    return raw;
}

Sample* SampleLoad(int, const char* name, unsigned, int) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!e.fmod_open || !name) return nullptr;
    PcmData pcm;
    if (!LoadWhole(name, pcm)) return nullptr;
    return Adopt(pcm, fmod::kLoopOff);
}

Sample* SampleAlloc(int, int length, unsigned mode, int freq, int, int, int) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!e.fmod_open || length <= 0 || freq <= 0) return nullptr;
    PcmData pcm;
    pcm.format = SoundFormat{(mode & fmod::kMono) ? 1 : 2, freq, (mode & fmod::k8Bits) ? 8 : 16};
    const std::uint64_t bytes = static_cast<std::uint64_t>(length) * pcm.format.block_align();
    if (bytes > (1u << 30)) return nullptr;
    pcm.bytes.assign(bytes, pcm.format.bits == 8 ? 128 : 0);
    return Adopt(pcm, mode & (fmod::kLoopOff | fmod::kLoopNormal));
}

bool Known(Sample* s) { return s && engine().samples.count(s) != 0; }

void SampleFree(Sample* s) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!Known(s)) return;
    e.samples.erase(s);
    delete s;
}

signed char SampleLock(Sample* s, int offset, int length, void** p1, void** p2, unsigned* l1, unsigned* l2) {
    Lock lock(engine().mutex);
    if (!Known(s) || offset < 0 || length < 0 || !p1) return 0;
    const std::uint32_t size = s->buffer->size();
    if (static_cast<std::uint32_t>(offset) > size) return 0;
    *p1 = s->buffer->Lock() + offset;
    if (l1) *l1 = std::min<std::uint32_t>(static_cast<std::uint32_t>(length), size - offset);
    if (p2) *p2 = nullptr;
    if (l2) *l2 = 0;
    return 1;
}

signed char SampleUnlock(Sample* s, void*, void*, unsigned, unsigned) {
    Lock lock(engine().mutex);
    return Known(s) && s->buffer->Unlock() ? 1 : 0;
}

unsigned SampleGetLength(Sample* s) {
    Lock lock(engine().mutex);
    return Known(s) ? s->buffer->size() / s->buffer->format().block_align() : 0;
}

signed char SampleSetLoopPoints(Sample* s, int start, int) {
    Lock lock(engine().mutex);
    if (!Known(s) || start < 0) return 0;
    // The loop runs from start to the sample's end.
    s->loop_start = static_cast<std::uint32_t>(start) < SampleGetLength(s) ? static_cast<std::uint32_t>(start) : 0;
    return 1;
}

signed char SampleGetDefaults(Sample* s, int* freq, int* volume, int* pan, int* priority) {
    Lock lock(engine().mutex);
    if (!Known(s)) return 0;
    if (freq) *freq = s->buffer->format().rate;
    if (volume) *volume = 255;
    if (pan) *pan = 128;
    if (priority) *priority = 0;
    return 1;
}

unsigned SampleGetMode(Sample* s) {
    Lock lock(engine().mutex);
    return Known(s) ? s->mode : 0;
}

int PlaySound(int channel, Sample* s) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!Known(s) || channel < 0) return -1;
    BassChannel c;
    c.voice = s->buffer->Duplicate();
    if (!c.voice) return -1;
    c.voice->SetLoopStart(s->loop_start);
    c.loop = (s->mode & fmod::kLoopNormal) != 0;
    c.voice->Play(c.loop);
    e.channels[channel] = std::move(c);
    return channel;
}

BassChannel* Chan(int channel) {
    auto it = engine().channels.find(channel);
    return it == engine().channels.end() ? nullptr : &it->second;
}

signed char StopSound(int channel) {
    Lock lock(engine().mutex);
    return engine().channels.erase(channel) ? 1 : 0;
}

signed char SetVolume(int channel, int volume) {
    Engine& e = engine();
    Lock lock(e.mutex);
    BassChannel* c = Chan(channel);
    if (!c) return 0;
    c->volume = std::clamp(volume, 0, 100);
    c->voice->SetLevel(c->volume / 100.0);
    return 1;
}

signed char SetPaused(int channel, int paused) {
    Lock lock(engine().mutex);
    BassChannel* c = Chan(channel);
    if (!c) return 0;
    if (paused && !c->paused && c->voice->IsPlaying()) {
        c->voice->Stop();
        c->paused = true;
    } else if (!paused && c->paused) {
        c->paused = false;
        c->voice->Play(c->loop);
    }
    return 1;
}

signed char SetLoopMode(int channel, int mode) {
    Lock lock(engine().mutex);
    BassChannel* c = Chan(channel);
    if (!c) return 0;
    c->loop = (static_cast<unsigned>(mode) & fmod::kLoopNormal) != 0;
    if (c->voice->IsPlaying()) c->voice->Play(c->loop);
    return 1;
}

signed char IsPlaying(int channel) {
    Lock lock(engine().mutex);
    BassChannel* c = Chan(channel);
    return c && c->voice->IsPlaying() ? 1 : 0;
}

fmod::Stream* StreamOpenFile(const char* name, unsigned, int) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!e.fmod_open || !name) return nullptr;
    auto stream = OpenStreamFile(name);
    if (!stream) return nullptr;
    auto s = std::make_unique<fmod::Stream>();
    s->voice = SoundBuffer::CreateStream(*e.device, std::move(stream));
    if (!s->voice) return nullptr;
    e.fstreams.insert(s.get());
    return s.release();
}

signed char StreamClose(fmod::Stream* s) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!s || !e.fstreams.erase(s)) return 0;
    delete s;
    return 1;
}

int StreamPlay(int channel, fmod::Stream* s) {
    Engine& e = engine();
    Lock lock(e.mutex);
    if (!s || !e.fstreams.count(s)) return -1;
    s->voice->SetPosition(0);
    s->voice->Play(false);
    return channel;
}

fmod::Song* LoadSong(const char* name) {
    music_warn << "'" << (name ? name : "") << "': tracker modules are not supported" << std::endl;
    return nullptr;
}
signed char SongCall(fmod::Song*) { return 0; }
signed char SongSet(fmod::Song*, int) { return 0; }

}  // namespace fmodfn

namespace {

struct Entry {
    const char* name;
    MusicProc proc;
};

template <class F>
MusicProc P(F f) {
    return reinterpret_cast<MusicProc>(f);
}

const Entry kBass[] = {
    {"BASS_Init", P(&bassfn::Init)},
    {"BASS_Free", P(&bassfn::Free)},
    {"BASS_Stop", P(&bassfn::Stop)},
    {"BASS_Start", P(&bassfn::Start)},
    {"BASS_SetGlobalVolumes", P(&bassfn::SetGlobalVolumes)},
    {"BASS_MusicSetAmplify", P(&bassfn::MusicSetAmplify)},
    {"BASS_SetConfig", P(&bassfn::SetConfig)},
    {"BASS_ChannelStop", P(&bassfn::ChannelStop)},
    {"BASS_ChannelPause", P(&bassfn::ChannelPause)},
    {"BASS_ChannelResume", P(&bassfn::ChannelResume)},
    {"BASS_ChannelSetAttributes", P(&bassfn::ChannelSetAttributes)},
    {"BASS_ChannelSetPosition", P(&bassfn::ChannelSetPosition)},
    {"BASS_ChannelIsActive", P(&bassfn::ChannelIsActive)},
    {"BASS_MusicLoad", P(&bassfn::MusicLoad)},
    {"BASS_MusicPlay", P(&bassfn::MusicPlay)},
    {"BASS_MusicPlayEx", P(&bassfn::MusicPlayEx)},
    {"BASS_MusicFree", P(&bassfn::MusicFree)},
    {"BASS_StreamCreateFile", P(&bassfn::StreamCreateFile)},
    {"BASS_StreamFree", P(&bassfn::StreamFree)},
    {"BASS_StreamPlay", P(&bassfn::StreamPlay)},
};

const Entry kFmod[] = {
    {"FSOUND_SetBufferSize", P(&fmodfn::SetBufferSize)},
    {"FSOUND_SetHWND", P(&fmodfn::SetHWND)},
    {"FSOUND_Init", P(&fmodfn::Init)},
    {"FSOUND_Close", P(&fmodfn::Close)},
    {"FSOUND_Sample_Load", P(&fmodfn::SampleLoad)},
    {"FSOUND_Sample_Alloc", P(&fmodfn::SampleAlloc)},
    {"FSOUND_Sample_Free", P(&fmodfn::SampleFree)},
    {"FSOUND_Sample_Lock", P(&fmodfn::SampleLock)},
    {"FSOUND_Sample_Unlock", P(&fmodfn::SampleUnlock)},
    {"FSOUND_Sample_SetLoopPoints", P(&fmodfn::SampleSetLoopPoints)},
    {"FSOUND_Sample_GetLength", P(&fmodfn::SampleGetLength)},
    {"FSOUND_Sample_GetDefaults", P(&fmodfn::SampleGetDefaults)},
    {"FSOUND_Sample_GetMode", P(&fmodfn::SampleGetMode)},
    {"FSOUND_PlaySound", P(&fmodfn::PlaySound)},
    {"FSOUND_StopSound", P(&fmodfn::StopSound)},
    {"FSOUND_SetVolume", P(&fmodfn::SetVolume)},
    {"FSOUND_SetPaused", P(&fmodfn::SetPaused)},
    {"FSOUND_SetLoopMode", P(&fmodfn::SetLoopMode)},
    {"FSOUND_IsPlaying", P(&fmodfn::IsPlaying)},
    {"FSOUND_Stream_OpenFile", P(&fmodfn::StreamOpenFile)},
    {"FSOUND_Stream_Close", P(&fmodfn::StreamClose)},
    {"FSOUND_Stream_Play", P(&fmodfn::StreamPlay)},
    {"FMUSIC_LoadSong", P(&fmodfn::LoadSong)},
    {"FMUSIC_PlaySong", P(&fmodfn::SongCall)},
    {"FMUSIC_StopSong", P(&fmodfn::SongCall)},
    {"FMUSIC_SetLooping", P(&fmodfn::SongSet)},
    {"FMUSIC_SetOrder", P(&fmodfn::SongSet)},
    {"FMUSIC_SetPaused", P(&fmodfn::SongSet)},
    {"FMUSIC_SetMasterVolume", P(&fmodfn::SongSet)},
    {"FMUSIC_IsPlaying", P(&fmodfn::SongCall)},
};

// The second table's names as the library exports them: "_" + name + "@"
// + the bytes of its arguments.
const char* const kFmodExports[] = {
    "_FSOUND_SetBufferSize@4", "_FSOUND_SetHWND@4", "_FSOUND_Init@12", "_FSOUND_Close@0",
    "_FSOUND_Sample_Load@16", "_FSOUND_Sample_Alloc@28", "_FSOUND_Sample_Free@4", "_FSOUND_Sample_Lock@28",
    "_FSOUND_Sample_Unlock@20", "_FSOUND_Sample_SetLoopPoints@12", "_FSOUND_Sample_GetLength@4",
    "_FSOUND_Sample_GetDefaults@20", "_FSOUND_Sample_GetMode@4", "_FSOUND_PlaySound@8", "_FSOUND_StopSound@4",
    "_FSOUND_SetVolume@8", "_FSOUND_SetPaused@8", "_FSOUND_SetLoopMode@8", "_FSOUND_IsPlaying@4",
    "_FSOUND_Stream_OpenFile@12", "_FSOUND_Stream_Close@4", "_FSOUND_Stream_Play@8", "_FMUSIC_LoadSong@4",
    "_FMUSIC_PlaySong@4", "_FMUSIC_StopSong@4", "_FMUSIC_SetLooping@8", "_FMUSIC_SetOrder@8",
    "_FMUSIC_SetPaused@8", "_FMUSIC_SetMasterVolume@8", "_FMUSIC_IsPlaying@4",
};
static_assert(std::size(kFmod) == std::size(kFmodExports));

class BassLibrary : public MusicLibrary {
public:
    MusicProc Find(const char* name) const override {
        for (const Entry& e : kBass)
            if (std::strcmp(e.name, name) == 0) return e.proc;
        return nullptr;
    }
};

class FmodLibrary : public MusicLibrary {
public:
    MusicProc Find(const char* name) const override {
        for (std::size_t i = 0; i < std::size(kFmod); ++i)
            if (std::strcmp(kFmodExports[i], name) == 0) return kFmod[i].proc;
        return nullptr;
    }
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

std::unique_ptr<MusicLibrary> OpenMusicLibrary(const std::string& name) {
    const std::string n = Lower(name);
    if (n == "bass.dll") return std::make_unique<BassLibrary>();
    if (n == "fmod.dll") return std::make_unique<FmodLibrary>();
    return nullptr;
}

}  // namespace plat
