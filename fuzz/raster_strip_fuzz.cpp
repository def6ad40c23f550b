// Feeds random triangle strips to the rasteriser's entry: every format,
// every table entry, every kernel level, hostile coordinates (NaN,
// infinities, 1e30, slivers).
// Anything written outside the clip rectangle, or outside the destination,
// aborts.
#include "framework/raster/Raster.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <limits>
#include <vector>

namespace {

using namespace Vant::SWRaster;

class Reader {
public:
    Reader(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    uint8_t byte() { return pos_ < n_ ? d_[pos_++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = w << 8 | byte();
        return w;
    }
    bool more() const { return pos_ < n_; }

    // A coordinate: mostly near the destination, sometimes hostile.
    float coord(float size) {
        const uint8_t kind = byte();
        switch (kind % 16) {
            case 0: return std::numeric_limits<float>::quiet_NaN();
            case 1: return std::numeric_limits<float>::infinity();
            case 2: return -std::numeric_limits<float>::infinity();
            case 3: return (kind & 0x10) ? 1e30f : -1e30f;
            case 4: {  // any float bit pattern
                const uint32_t w = word();
                float f;
                std::memcpy(&f, &w, sizeof f);
                return f;
            }
            case 5: return static_cast<float>(static_cast<int8_t>(byte()));  // whole pixels, clip edges
            case 6: return static_cast<float>(static_cast<int16_t>(word() >> 16)) / 65536.0f * 64.0f;  // fine steps
            default: return (static_cast<float>(word() >> 8) / 16777216.0f) * (size + 16.0f) - 8.0f;
        }
    }

private:
    const uint8_t* d_;
    size_t n_, pos_ = 0;
};

constexpr int Guard = 4;
constexpr uint8_t Sentinel = 0xA7;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (InitFillerTable(), true);
    (void)ready;
    Reader in(data, size);

    static const int formats[] = {Format8888, Format888, Format565, Format555};
    const uint8_t flags = in.byte();
    const int format = formats[flags & 3];
    const bool textured = flags & 0x04;
    const bool linearBlend = flags & 0x08;
    const bool vertexColors = flags & 0x10;
    const bool white = flags & 0x20;
    const bool oddPitch = flags & 0x40;
    // Also reach the entries the drawing entry never chooses (filtering
    // without alpha handling): every index of the table in turn drives the
    // same clipped, converted triangles.
    const bool forceEntry = flags & 0x80;
    const unsigned forced = forceEntry ? ((in.byte() & 0x1Fu) | formatGroup(format)) : 0;

    const int width = 1 + in.byte() % 40, height = 1 + in.byte() % 40;
    const int clipX = static_cast<int8_t>(in.byte()) / 2, clipY = static_cast<int8_t>(in.byte()) / 2;
    const uint8_t clipW = in.byte(), clipH = in.byte();
    const ClipRect clip{clipX, clipY, clipW % 64, clipH % 64};
    // The top bits of the clip width, which it does not use, force a kernel
    // level, so the SSE2 and plain kernels are fuzzed on an AVX2 machine too.
    SetKernelLevel(static_cast<KernelLevel>(std::min(clipW >> 6, 2)));
    const DrawColor color = white ? DrawColor{} : DrawColor{in.byte(), in.byte(), in.byte(), in.byte()};

    struct Texture final : TextureSource {
        int w = 0, h = 0;
        bool trans = false, alpha = false;
        std::vector<uint32_t> texels;
        void commitBits() override {}
        const uint32_t* bits() override { return texels.empty() ? nullptr : texels.data(); }
        int width() const override { return w; }
        int height() const override { return h; }
        bool hasTrans() const override { return trans; }
        bool hasAlpha() const override { return alpha; }
    } tex;
    const uint8_t texFlags = in.byte();
    tex.w = texFlags & 7;
    tex.h = (texFlags >> 3) & 7;
    tex.trans = texFlags & 0x40;
    tex.alpha = texFlags & 0x80;
    if (tex.w && tex.h) {
        tex.texels.resize(static_cast<size_t>(tex.w) * tex.h);
        for (auto& t : tex.texels) t = in.word();
    }

    std::vector<TriVertex> strip;
    while (in.more() && strip.size() < 12) {
        TriVertex v;
        v.x = in.coord(static_cast<float>(width));
        v.y = in.coord(static_cast<float>(height));
        v.u = in.coord(1.0f);
        v.v = in.coord(1.0f);
        v.color = in.word();
        strip.push_back(v);
    }

    // The top bit of the clip height, which it does not use either, squares
    // the first four vertices up into an unturned sprite (the entry's
    // rectangle path), keeping their hostile values.
    if ((clipH & 0x80) && strip.size() >= 4) {
        strip[1].y = strip[0].y;
        strip[2].x = strip[0].x;
        strip[3].x = strip[1].x;
        strip[3].y = strip[2].y;
        strip[2].u = strip[0].u;
        strip[3].u = strip[1].u;
        strip[1].v = strip[0].v;
        strip[3].v = strip[2].v;
        if ((clipH & 0x40) && tex.w && tex.h) {
            // ... drawn one texel a pixel.
            strip[1].u = strip[3].u = strip[0].u + (strip[1].x - strip[0].x) / static_cast<float>(tex.w);
            strip[2].v = strip[3].v = strip[0].v + (strip[2].y - strip[0].y) / static_cast<float>(tex.h);
        }
        strip.resize(4);
    }

    // Destination with a band of sentinel bytes on every side.
    const int pixel = (format == Format565 || format == Format555) ? 2 : 4;
    const std::ptrdiff_t pitch = static_cast<std::ptrdiff_t>(width + 2 * Guard) * pixel + (oddPitch ? 1 : 0);
    std::vector<uint8_t> mem(static_cast<size_t>(pitch) * (height + 2 * Guard) + pixel, Sentinel);
    std::vector<uint8_t> before = mem;
    uint8_t* origin = mem.data() + Guard * pitch + Guard * pixel;
    // The usable pitch is the given one rounded down to whole pixels.
    const std::ptrdiff_t rowStep = pitch - pitch % pixel;

    FillerArray table;
    table.fill(GeneratedFillers()[forced]);
    DrawTriangleStrip(strip.data(), static_cast<int>(strip.size()), textured ? &tex : nullptr, &color, 0, &clip,
                      origin, pitch, width, height, format, linearBlend, vertexColors, forceEntry ? &table : nullptr);

    const int x0 = clip.x > 0 ? clip.x : 0, y0 = clip.y > 0 ? clip.y : 0;
    const int x1 = std::min(clip.x + clip.width, width), y1 = std::min(clip.y + clip.height, height);
    for (size_t i = 0; i < mem.size(); ++i) {
        if (mem[i] == before[i]) continue;
        const std::ptrdiff_t off = static_cast<std::ptrdiff_t>(i) - (origin - mem.data());
        const std::ptrdiff_t row = off >= 0 ? off / rowStep : -1;
        const std::ptrdiff_t col = off >= 0 ? (off % rowStep) / pixel : -1;
        if (row < y0 || row >= y1 || col < x0 || col >= x1) std::abort();
    }
    return 0;
}
