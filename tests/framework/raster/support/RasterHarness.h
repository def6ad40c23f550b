#pragma once
// Shared pieces of the rasteriser tests: a destination with a guard band of
// sentinel pixels, a fake texture that counts how it is used, and a filler
// table that records its calls instead of drawing.
#include "framework/raster/Raster.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace rastertest {

using namespace Vant::SWRaster;

// A pixel of `size` bytes (2 or 4) at p, as a word; writing keeps the low
// bits that fit.
inline uint32_t readPixel(const uint8_t* p, int size) {
    if (size == 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    uint16_t h;
    std::memcpy(&h, p, 2);
    return h;
}
inline void writePixel(uint8_t* p, int size, uint32_t value) {
    if (size == 4) {
        std::memcpy(p, &value, 4);
    } else {
        const uint16_t h = static_cast<uint16_t>(value);
        std::memcpy(p, &h, 2);
    }
}

// A width x height destination inside a band of `guard` sentinel pixels on
// every side. Pixels are 16 or 32 bits by format.
class Canvas {
public:
    Canvas(int width, int height, int format, uint32_t fill = 0, int guard = 8, uint32_t sentinel = 0xA5C3E1F7);

    int width() const { return width_; }
    int height() const { return height_; }
    int format() const { return format_; }
    int pixelSize() const { return pixelSize_; }
    std::ptrdiff_t pitch() const { return static_cast<std::ptrdiff_t>(stride_) * pixelSize_; }
    uint8_t* bits() { return raw(guard_, guard_); }

    uint32_t at(int x, int y) const;          // destination coordinates
    void set(int x, int y, uint32_t value);
    void fillRect(int x, int y, int w, int h, uint32_t value);

    // Draws through the entry with this canvas as destination.
    void draw(const std::vector<TriVertex>& v, TextureSource* tex, const DrawColor& color, const ClipRect& clip,
              bool linearBlend = false, bool vertexColors = false, const FillerArray* table = nullptr, int drawMode = 0);
    void draw(const std::vector<TriVertex>& v, TextureSource* tex = nullptr, bool linearBlend = false,
              bool vertexColors = false);

    // Remembers the current contents; changedOutside then lists pixels
    // (guard band included) outside `clip` that differ from that snapshot.
    void snapshot() { saved_ = mem_; }
    std::string changedOutside(const ClipRect& clip) const;
    int changedCount() const;  // pixels that differ from the snapshot

private:
    uint8_t* raw(int col, int row) { return mem_.data() + (static_cast<size_t>(row) * stride_ + col) * pixelSize_; }
    const uint8_t* raw(int col, int row) const {
        return mem_.data() + (static_cast<size_t>(row) * stride_ + col) * pixelSize_;
    }
    uint32_t read(const std::vector<uint8_t>& m, int col, int row) const;

    int width_, height_, format_, guard_, pixelSize_, stride_;
    std::vector<uint8_t> mem_, saved_;
};

class FakeTexture final : public TextureSource {
public:
    FakeTexture(int w, int h, uint32_t fill = 0xFFFFFFFF) : w_(w), h_(h), texels(static_cast<size_t>(w) * h, fill) {}
    void commitBits() override { ++commitCalls; }
    const uint32_t* bits() override {
        ++bitsCalls;
        return nullBits ? nullptr : texels.data();
    }
    int width() const override { return w_; }
    int height() const override { return h_; }
    bool hasTrans() const override { return trans; }
    bool hasAlpha() const override { return alpha; }

    uint32_t& texel(int x, int y) { return texels[static_cast<size_t>(y) * w_ + x]; }

    int w_, h_;
    std::vector<uint32_t> texels;
    bool trans = false, alpha = false, nullBits = false;
    int commitCalls = 0, bitsCalls = 0;
};

// One recorded filler call.
struct FillerCall {
    unsigned entry;
    FixedVertex v[3];
    TextureInfo tex;
    FillColor color;
    std::ptrdiff_t pitch;
};

// A table whose entry i records (i, arguments) into recordedCalls().
const FillerArray& recordingTable();
std::vector<FillerCall>& recordedCalls();

// Strip vertex helpers.
inline TriVertex vtx(float x, float y, float u = 0, float v = 0, uint32_t color = 0xFFFFFFFF) {
    return TriVertex{x, y, u, v, color};
}

inline ClipRect fullClip(const Canvas& c) { return ClipRect{0, 0, c.width(), c.height()}; }

}  // namespace rastertest
