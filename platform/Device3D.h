#pragma once
// The 3D device: textured, coloured, screen-space triangles and lines drawn
// into a display surface, with the render states the framework's 3D layer
// sets. There is one implementation, in software over our triangle
// rasteriser, so every machine draws the same picture and no GPU is needed.
// Primary thread only.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Surface.h"

namespace plat {

// Texture formats, as a bit mask.
enum TextureFormat : std::uint32_t {
    kTexArgb8888 = 1,
    kTexArgb4444 = 2,
    kTexRgb565 = 4,
    kTexPal8 = 8,
};

// How a texture format is described to the layer above, which classifies
// it by these fields.
enum : std::uint32_t { kPfAlphaPixels = 0x1, kPfPaletteIndexed8 = 0x20, kPfRgb = 0x40 };
struct TexturePixelFormat {
    std::uint32_t flags = 0;
    int bpp = 0;
    std::uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
    bool operator==(const TexturePixelFormat&) const = default;
};
TexturePixelFormat DescribeTextureFormat(TextureFormat format);

// Pre-transformed vertex: position in pixels (whole numbers are the pixel
// sample points), z and rhw unused, diffuse 0xAARRGGBB, specular unused.
struct Vertex3D {
    float x = 0, y = 0, z = 0, rhw = 1;
    std::uint32_t diffuse = 0xFFFFFFFF, specular = 0;
    float u = 0, v = 0;
};
static_assert(sizeof(Vertex3D) == 32);

enum class Primitive { TriangleList, TriangleStrip, TriangleFan, LineStrip };

enum class RenderState {
    AlphaBlendEnable, SrcBlend, DestBlend, Lighting, DitherEnable, SpecularEnable, ZWriteEnable, ZEnable,
    CullMode,
};
enum class StageState { MinFilter, MagFilter, MipFilter, AlphaOp, ColorOp, AddressU, AddressV };

enum Blend : std::uint32_t { kBlendZero = 1, kBlendOne = 2, kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6 };
// Filter values: 1 point, 2 linear (minification and magnification).
enum : std::uint32_t { kFilterNone = 0, kFilterPoint = 1, kFilterLinear = 2 };
enum : std::uint32_t { kTopSelectArg1 = 2, kTopModulate = 4 };
enum : std::uint32_t { kAddressClamp = 3 };

struct Device3DCaps {
    int minTextureWidth = 1, minTextureHeight = 1;
    int maxTextureWidth = 2048, maxTextureHeight = 2048;
    int maxTextureAspect = 0;  // 0: any
    bool alphaPalette = true;
};

struct AdapterIdentity {
    std::string description;
    std::string driver;  // the driver file's path
    std::array<std::uint8_t, 16> guid{};
};

// A texture of one of the four formats. Lock gives the format's own texels
// (1, 2 or 4 bytes each); Unlock makes them what the device draws with.
class Texture3D {
public:
    virtual ~Texture3D() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual TextureFormat Format() const = 0;
    virtual HResult Lock(LockInfo* out) = 0;
    virtual HResult Unlock() = 0;
    // 256 entries 0xAARRGGBB; only for 8-bit textures.
    virtual HResult SetPalette(const std::uint32_t* entries) = 0;
    virtual HResult GetPalette(std::uint32_t* entries) const = 0;
    // Bytes the texture occupies.
    virtual std::size_t Memory() const = 0;
};

class Device3D {
public:
    virtual ~Device3D() = default;

    virtual HResult GetIdentity(AdapterIdentity* out) = 0;
    // Free texture memory in bytes.
    virtual HResult GetAvailableVidMem(std::uint32_t* total, std::uint32_t* free) = 0;
    virtual HResult GetCaps(Device3DCaps* out) = 0;
    virtual HResult EnumTextureFormats(std::vector<TexturePixelFormat>* out) = 0;

    virtual HResult CreateTexture(int width, int height, TextureFormat format, std::shared_ptr<Texture3D>* out) = 0;

    // The surface drawn into; a surface of a depth the device cannot draw
    // (8 or 24 bits) is accepted and drawn into as nothing.
    virtual HResult SetRenderTarget(const std::shared_ptr<Surface>& target) = 0;
    virtual HResult SetViewport(int x, int y, int width, int height) = 0;
    // Fills the viewport with colour (0xAARRGGBB).
    virtual HResult Clear(std::uint32_t color) = 0;
    virtual HResult BeginScene() = 0;
    virtual HResult EndScene() = 0;
    virtual bool InScene() const = 0;
    virtual HResult SetRenderState(RenderState state, std::uint32_t value) = 0;
    virtual HResult SetTextureStageState(StageState state, std::uint32_t value) = 0;
    virtual HResult SetTexture(const std::shared_ptr<Texture3D>& texture) = 0;
    virtual HResult DrawPrimitive(Primitive type, const Vertex3D* vertices, int count) = 0;
};

}  // namespace plat
