#pragma once
// Our music engine, reached the way a music library loaded at run time is:
// through entry points looked up by their exported names. Two tables are
// offered, "bass.dll" and "fmod.dll", each with the calls the game's music
// interfaces make. Streams (".wav" through our WAV reader, ".ogg" decoded
// as they play) and samples (loaded whole) play through long-lived voices
// of the mixer. Tracker modules and MP3 are not decoded: their loads give 0.
#include <cstdint>
#include <memory>
#include <string>

namespace plat {

class AudioDevice;

using MusicProc = void (*)();

// A loaded library of entry points.
class MusicLibrary {
public:
    virtual ~MusicLibrary() = default;
    // The entry point of that exact name, or null.
    virtual MusicProc Find(const char* name) const = 0;
};

// Our engine's table for "bass.dll" or "fmod.dll" (names compared without
// regard to case, as library names are); null for anything else.
std::unique_ptr<MusicLibrary> OpenMusicLibrary(const std::string& name);

// The device the engine plays on from its next initialisation; without
// one it opens a device of its own.
void SetMusicDevice(AudioDevice* device);

// Entry-point types of the first table. Handles are 32-bit; 0 is none.
namespace bass {
using Init = int (*)(int device, std::uint32_t freq, std::uint32_t flags, void* window);
using InitNew = int (*)(int device, std::uint32_t freq, std::uint32_t flags, void* window, const void* clsid);
using Void = int (*)();
using SetGlobalVolumes = int (*)(int music, int sample, int stream);
using SetVolume = int (*)(std::uint32_t volume);
using MusicSetAmplify = int (*)(std::uint32_t handle, std::uint32_t amplify);
using SetConfig = std::uint32_t (*)(std::uint32_t option, std::uint32_t value);
using Channel = int (*)(std::uint32_t handle);
// Frequency and volume -1 and pan -101 leave that attribute unchanged;
// volume 0..100, pan -100..100.
using ChannelSetAttributes = int (*)(std::uint32_t handle, int freq, int volume, int pan);
using ChannelSetPosition = int (*)(std::uint32_t handle, std::uint64_t position);
using ChannelIsActive = std::uint32_t (*)(std::uint32_t handle);  // 0 stopped, 1 playing, 3 paused
using MusicLoad = std::uint32_t (*)(int memory, const void* file, std::uint32_t offset, std::uint32_t length,
                                    std::uint32_t flags);
using MusicLoadNew = std::uint32_t (*)(int memory, const void* file, std::uint64_t offset, std::uint32_t length,
                                       std::uint32_t flags, std::uint32_t freq);
using MusicPlayEx = int (*)(std::uint32_t handle, std::uint32_t position, int flags, int reset);
using MusicPlayExNew = int (*)(std::uint32_t handle, std::uint32_t position, int flags);
using Free = void (*)(std::uint32_t handle);
using StreamCreateFile = std::uint32_t (*)(int memory, const void* file, std::uint64_t offset,
                                           std::uint64_t length, std::uint32_t flags);
using StreamPlay = int (*)(std::uint32_t handle, int flush, std::uint32_t flags);

inline constexpr std::uint32_t kLoop = 4;       // play flag
inline constexpr std::uint32_t kActivePlaying = 1;
inline constexpr std::uint32_t kActivePaused = 3;
inline constexpr std::uint32_t kConfigMusicVolume = 5;
inline constexpr std::uint32_t kConfigStreamVolume = 6;
}  // namespace bass

// Entry-point types of the second table. Channels are numbers the caller
// picks; samples, streams and songs are pointers, null for none.
namespace fmod {
struct Sample;
struct Stream;
struct Song;
using SetBufferSize = signed char (*)(int ms);
using SetHWND = signed char (*)(void* window);
using Init = signed char (*)(int rate, int channels, unsigned flags);
using Close = void (*)();
using SampleLoad = Sample* (*)(int index, const char* name, unsigned mode, int length);
using SampleAlloc = Sample* (*)(int index, int length, unsigned mode, int freq, int volume, int pan, int priority);
using SampleFree = void (*)(Sample* sample);
using SampleLock = signed char (*)(Sample* sample, int offset, int length, void** ptr1, void** ptr2,
                                   unsigned* len1, unsigned* len2);
using SampleUnlock = signed char (*)(Sample* sample, void* ptr1, void* ptr2, unsigned len1, unsigned len2);
using SampleSetLoopPoints = signed char (*)(Sample* sample, int start, int end);
using SampleGetLength = unsigned (*)(Sample* sample);  // frames
using SampleGetDefaults = signed char (*)(Sample* sample, int* freq, int* volume, int* pan, int* priority);
using SampleGetMode = unsigned (*)(Sample* sample);
using PlaySound = int (*)(int channel, Sample* sample);
using ChannelCall = signed char (*)(int channel);
using ChannelSet = signed char (*)(int channel, int value);  // volume 0..100, paused, loop mode
using StreamOpenFile = Stream* (*)(const char* name, unsigned mode, int length);
using StreamClose = signed char (*)(Stream* stream);
using StreamPlay = int (*)(int channel, Stream* stream);
using LoadSong = Song* (*)(const char* name);
using SongCall = signed char (*)(Song* song);
using SongSet = signed char (*)(Song* song, int value);

inline constexpr unsigned kLoopOff = 1;
inline constexpr unsigned kLoopNormal = 2;
inline constexpr unsigned k8Bits = 0x08;
inline constexpr unsigned k16Bits = 0x10;
inline constexpr unsigned kMono = 0x20;
inline constexpr unsigned kStereo = 0x40;
}  // namespace fmod

}  // namespace plat
