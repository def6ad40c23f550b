#include "framework/graphics/RasterTexture.h"

#include <optional>

namespace Vant::SWRaster {

void DrawTriangleStrip(const TriVertex* vertices, int count, MemoryImage* texture, const Color* color,
                       int drawMode, const Rect* clipRect, uint8_t* destBits, std::ptrdiff_t destPitch,
                       int destWidth, int destHeight, int format, bool linearBlend, bool vertexColors) {
    const Color& c = color ? *color : Color::White;
    const DrawColor drawColor{c.r, c.g, c.b, c.a};
    ClipRect clip;
    if (clipRect) clip = ClipRect{clipRect->x, clipRect->y, clipRect->width, clipRect->height};
    std::optional<MemoryImageTexture> tex;
    if (texture) tex.emplace(*texture);
    DrawTriangleStrip(vertices, count, tex ? &*tex : static_cast<TextureSource*>(nullptr), &drawColor, drawMode,
                      clipRect ? &clip : nullptr, destBits, destPitch, destWidth, destHeight, format, linearBlend,
                      vertexColors);
}

}  // namespace Vant::SWRaster
