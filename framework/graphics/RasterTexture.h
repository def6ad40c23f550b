#pragma once
// The memory image as the software rasteriser's texture, and the drawing
// entry in the framework's own types.
#include "framework/graphics/Color.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Rect.h"
#include "framework/raster/Raster.h"

namespace Vant {

class MemoryImageTexture final : public SWRaster::TextureSource {
public:
    explicit MemoryImageTexture(MemoryImage& image) : image_(image) {}
    void commitBits() override { image_.CommitBits(); }
    const uint32_t* bits() override { return image_.GetBits(); }
    int width() const override { return image_.width; }
    int height() const override { return image_.height; }
    bool hasTrans() const override { return image_.hasTrans; }
    bool hasAlpha() const override { return image_.hasAlpha; }

private:
    MemoryImage& image_;
};

namespace SWRaster {

// DrawTriangleStrip with the framework's image, colour and rectangle; a null
// texture draws untextured.
void DrawTriangleStrip(const TriVertex* vertices, int count, MemoryImage* texture, const Color* color,
                       int drawMode, const Rect* clipRect, uint8_t* destBits, std::ptrdiff_t destPitch,
                       int destWidth, int destHeight, int format, bool linearBlend, bool vertexColors);

}  // namespace SWRaster

}  // namespace Vant
