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

// The strip a matrix draw makes of an unturned sprite (top-left, top-right,
// bottom-left, bottom-right) at about one texel a pixel. Only such a strip
// may take the rectangle path: where its pieces read one texel a pixel, that
// path draws their bounding block, which their triangles tile.
bool spriteRectangle(const TriVertex* v, int texWidth, int texHeight) {
    if (!(v[0].y == v[1].y && v[2].y == v[3].y && v[0].x == v[2].x && v[1].x == v[3].x && v[0].u == v[2].u &&
          v[1].u == v[3].u && v[0].v == v[1].v && v[2].v == v[3].v))
        return false;
    const double dx = double(v[1].x) - v[0].x, dy = double(v[2].y) - v[0].y;
    const double du = (double(v[1].u) - v[0].u) * texWidth, dv = (double(v[2].v) - v[0].v) * texHeight;
    return std::fabs(du - dx) < dx / 64 && std::fabs(dv - dy) < dy / 64;
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

    // Rows overlapping in memory would make the rectangle path's order of
    // rows visible, so it needs a pitch of at least a row.
    const RectangleFiller rectangle =
        !table && filler && filler == GeneratedFillers()[index] && count == 4 && texture &&
                std::abs(pitch) >= pixelSize * destWidth && spriteRectangle(vertices, texWidth, texHeight)
            ? RectangleFillerFor(index)
            : nullptr;
    FixedVertex pieces[RectanglePieces][3];
    int pieceCount = 0;
    TextureInfo rectangleTexture;

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
        if (rectangle) {
            if (pieceCount + n - 2 > RectanglePieces) {
                rectangle(pieces, pieceCount, destBits, pitch, &rectangleTexture, &fill);
                pieceCount = 0;
            }
            rectangleTexture = info;
            for (int k = 2; k < n; ++k) {
                pieces[pieceCount][0] = fixed[0];
                pieces[pieceCount][1] = fixed[k - 1];
                pieces[pieceCount][2] = fixed[k];
                ++pieceCount;
            }
            continue;
        }
        FixedVertex window[3] = {fixed[0], fixed[1], fixed[2]};
        filler(window, destBits, pitch, &info, &fill);
        for (int k = 3; k < n; ++k) {
            window[1] = fixed[k - 1];
            window[2] = fixed[k];
            filler(window, destBits, pitch, &info, &fill);
        }
    }
    if (pieceCount > 0) rectangle(pieces, pieceCount, destBits, pitch, &rectangleTexture, &fill);
}

}  // namespace Vant::SWRaster
