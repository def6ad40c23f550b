#pragma once
// Developer tools kept in the shipped program: a millisecond stopwatch, a
// profiler between two key presses, and the accounting behind the image
// dump. The clock is the platform's nanosecond counter, taken as a
// processor running at 1 GHz.
#include <cstdint>
#include <string>
#include <vector>

namespace plat {
class Clock;
}

namespace Vant {

class MemoryImage;
struct TextureData;

class PerfTimer {
public:
    void Start();
    void Stop();
    double GetDuration();

    std::int64_t mStart = 0;
    double mDuration = 0.0;
    bool mRunning = false;
};

// The clock the stopwatch and the profiler read; none restores the
// process's own.
void SetDebugClock(plat::Clock* clock);

void StartProfiling();
void StopProfiling();
std::string ProfileResults();
bool IsProfiling();

// One image's memory by kind, in bytes, for the image dump.
struct ImageMemory {
    MemoryImage* image = nullptr;
    int width = 0, height = 0;
    long long bits = 0, palette = 0, surface = 0, texture = 0, nativeAlpha = 0, rlAlpha = 0, rlAdditive = 0;
    long long total = 0;
    std::string textureFormat;  // empty without a texture
    bool isVolatile = false, forced = false, hasAlpha = false, hasTrans = false;
};
ImageMemory MeasureImage(MemoryImage* image, const TextureData* texture, bool hasSurface);

// The dump's page for images already measured (listed largest first);
// file names are "img%04d.png" and "thumb%04d.jpg" by position.
std::string ImageDumpPage(std::vector<ImageMemory>& images, const std::string& when);

// A texture format's name as the statistics print it.
const char* TextureFormatName(int format);

}  // namespace Vant
