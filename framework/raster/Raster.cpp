// The drawing entry: walks the strip, clips each triangle, converts it to
// fixed point and hands it to the chosen filler as a fan.
#include "framework/raster/FixedPoint.h"
#include "framework/raster/Raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Vant::SWRaster {

namespace {

// 16.16 positions hold up to 32767 pixels; larger destinations are drawn in
// that part only.
constexpr int64_t MaxExtent = 32767;

int32_t clampChannel(int c) { return c < 0 ? 0 : c > 255 ? 255 : c; }

int32_t toFixed(float v, int64_t lo, int64_t hi) {
    const int64_t f = fx::truncSaturate(static_cast<double>(v) * 65536.0);
    return static_cast<int32_t>(std::clamp(f, lo, hi));
}

int32_t texelCoord(float t, int size) {
    return fx::truncSaturate(static_cast<double>(t) * static_cast<double>(size) * 65536.0);
}

bool finitePosition(const TriVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// A non-finite u or v becomes 0 before the clipper sees it: a cut vertex
// interpolated from it would otherwise differ from the uncut vertex, and the
// clip rectangle would change what is drawn.
TriVertex readVertex(const TriVertex& v) {
    TriVertex r = v;
    if (!std::isfinite(r.u)) r.u = 0;
    if (!std::isfinite(r.v)) r.v = 0;
    return r;
}

}  // namespace

void DrawTriangleStrip(const TriVertex* vertices, int count, TextureSource* texture, const DrawColor* color,
                       int /*drawMode: additive draws come out as normal ones in software*/,
                       const ClipRect* clipRect, uint8_t* destBits, std::ptrdiff_t destPitch, int destWidth,
                       int destHeight, int format, bool linearBlend, bool vertexColors, const FillerArray* table) {
    const DrawColor drawColor = color ? *color : DrawColor{};
    const FillColor fill{clampChannel(drawColor.a), clampChannel(drawColor.r), clampChannel(drawColor.g),
                         clampChannel(drawColor.b)};
    const bool modulate = drawColor.r != 255 || drawColor.g != 255 || drawColor.b != 255 || drawColor.a != 255;

    // The alpha flags must be current even when nothing is drawn.
    if (texture) texture->commitBits();
    const unsigned index = selectFillerIndex(texture != nullptr, texture && texture->hasTrans(),
                                             texture && texture->hasAlpha(), linearBlend, modulate, vertexColors,
                                             format);
    if (count < 3 || !vertices || !destBits || !clipRect) return;

    // The clip rectangle, cut to the destination. Its right and bottom edges
    // are exclusive bounds of the pixels, so the last column and row inside it
    // are drawn.
    const int64_t x0 = std::max<int64_t>(clipRect->x, 0);
    const int64_t y0 = std::max<int64_t>(clipRect->y, 0);
    const int64_t x1 = std::min<int64_t>({int64_t{clipRect->x} + clipRect->width, destWidth, MaxExtent});
    const int64_t y1 = std::min<int64_t>({int64_t{clipRect->y} + clipRect->height, destHeight, MaxExtent});
    if (x1 <= x0 || y1 <= y0) return;
    const float xmin = static_cast<float>(x0), xmax = static_cast<float>(x1);
    const float ymin = static_cast<float>(y0), ymax = static_cast<float>(y1);

    const std::ptrdiff_t pixelSize = (format == Format565 || format == Format555) ? 2 : 4;
    const std::ptrdiff_t pitch = destPitch - destPitch % pixelSize;

    const FillerArray& fillers = table ? *table : FillerTable;
    const TriangleFiller filler = fillers[index];
    const int texWidth = texture ? std::max(texture->width(), 0) : 0;
    const int texHeight = texture ? std::max(texture->height(), 0) : 0;

    ClipPool pool;
    const TriVertex* polygon[ClipListSize];
    FixedVertex fixed[8]{};

    for (int t = 0; t + 2 < count; ++t) {
        const TriVertex a = readVertex(vertices[t]);
        const TriVertex b = readVertex(vertices[t + ((t & 1) ? 2 : 1)]);
        const TriVertex c = readVertex(vertices[t + ((t & 1) ? 1 : 2)]);
        if (!finitePosition(a) || !finitePosition(b) || !finitePosition(c)) continue;

        const int n = ClipPolygon(&a, &b, &c, polygon, xmin, xmax, ymin, ymax, pool);
        if (n == 0) continue;

        // Clamping in fixed point as well keeps every vertex inside the
        // rectangle whatever the float cut rounded to.
        for (int i = 0; i < n; ++i) {
            const TriVertex& p = *polygon[i];
            FixedVertex& f = fixed[i];
            f = FixedVertex{};
            f.x = toFixed(p.x, x0 << 16, x1 << 16);
            f.y = toFixed(p.y, y0 << 16, y1 << 16);
            if (texture) {
                f.u = texelCoord(p.u, texWidth);
                f.v = texelCoord(p.v, texHeight);
            }
            if (vertexColors) {
                const uint32_t w = p.color;
                f.a = static_cast<int32_t>((w >> 8) & 0xFF0000u);
                f.r = static_cast<int32_t>(w & 0xFF0000u);
                f.g = static_cast<int32_t>((w & 0xFF00u) << 8);
                f.b = static_cast<int32_t>((w & 0xFFu) << 16);
            }
        }

        TextureInfo info;
        if (texture) {
            const uint32_t* bits = texture->bits();
            if (bits && texWidth > 0 && texHeight > 0) {
                info.bits = bits;
                info.width = texWidth;
                info.height = texHeight;
                info.pixelCount = static_cast<int32_t>(
                    std::min<int64_t>(int64_t{texWidth} * texHeight, std::numeric_limits<int32_t>::max()));
            }
        }

        if (!filler) continue;
        FixedVertex window[3] = {fixed[0], fixed[1], fixed[2]};
        filler(window, destBits, pitch, &info, &fill);
        for (int k = 3; k < n; ++k) {
            window[1] = fixed[k - 1];
            window[2] = fixed[k];
            filler(window, destBits, pitch, &info, &fill);
        }
    }
}

}  // namespace Vant::SWRaster
