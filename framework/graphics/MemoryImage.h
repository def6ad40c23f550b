#pragma once
// Image whose pixels live in memory as 32-bit ARGB words (0xAARRGGBB, not
// premultiplied), row after row, with flags that say whether any pixel is
// transparent or translucent. This is the part the software rasteriser
// draws with; the blitters and derived buffers come with the rest of the
// graphics.
#include <cstdint>
#include <memory>

namespace Vant {

class MemoryImage {
public:
    static constexpr uint32_t GuardWord = 0x4BEEFADE;

    MemoryImage() = default;
    MemoryImage(const MemoryImage&) = delete;
    MemoryImage& operator=(const MemoryImage&) = delete;
    virtual ~MemoryImage() = default;

    // Marks the pixels changed; the alpha flags are rescanned at the next
    // CommitBits.
    virtual void BitsChanged();
    // Rescans the alpha flags when the pixels changed and the image mode is
    // not forced: alpha 0 sets hasTrans, 1..254 sets hasAlpha.
    virtual void CommitBits();
    // width * height words, built on first use (zeros), followed by the
    // guard word.
    virtual uint32_t* GetBits();

    // Replaces the pixels with a copy of width * height words.
    void SetBits(const uint32_t* source, int w, int h, bool commit = true);
    // New size with no pixels yet (they read as zeros); counts as translucent
    // until committed.
    void Create(int w, int h);
    // Fixes the two flags; CommitBits no longer recomputes them.
    void SetImageMode(bool trans, bool alpha);
    // All pixels 0.
    void Clear();

    int width = 0;
    int height = 0;
    int bitsChangedCount = 0;
    bool forcedMode = false;
    bool hasTrans = false;
    bool hasAlpha = false;
    bool bitsChangedPending = false;

    bool HasBits() const { return bits != nullptr; }

private:
    size_t PixelCount() const;

    std::unique_ptr<uint32_t[]> bits;
};

}  // namespace Vant
