#pragma once
// Drawing memory images through the 3D device into the display's draw
// surface: every image drawn in 3D is cut into power-of-two texture pieces
// (the texture half, D3DTextures.cpp) and drawn as screen-space triangles
// (D3DInterface.cpp). A scene opens lazily on the first draw of a frame and
// is closed by the display's Redraw.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"
#include "framework/graphics/Transform.h"
#include "framework/raster/Raster.h"
#include "platform/Device3D.h"

namespace Vant {

class MemoryImage;
class DDInterface;

// One texture piece of an image.
struct TexturePiece {
    std::shared_ptr<plat::Texture3D> texture;
    int width = 0, height = 0;
};

// Texture data of one image.
struct TextureData {
    std::vector<TexturePiece> pieces;  // row-major, columns x rows
    bool hasPalette = false;
    std::uint32_t palette[256] = {};
    int width = 0, height = 0;
    int columns = 0, rows = 0;
    int pieceWidth = 64, pieceHeight = 64;
    int changeStamp = -1;
    std::size_t memory = 0;
    float maxU = 0, maxV = 0;
    int format = 0;
    int flags = 0;
    bool laidOut = false;
};

// A piece and the part of it that holds the asked-for texels.
struct TextureRef {
    std::shared_ptr<plat::Texture3D> texture;
    float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
    int width = 0, height = 0;  // texels of the part
};

// Sutherland-Hodgman against x >= left, y >= top, x <= right, y <= bottom;
// cut vertices interpolate position, u, v and each colour byte.
void ClipPolygonToRect(std::vector<plat::Vertex3D>& polygon, const Rect& clip);

class D3DInterface {
public:
    // Texture format codes.
    enum : int { FormatA8R8G8B8 = 1, FormatA4R4G4B4 = 2, FormatR5G6B5 = 4, FormatPalette8 = 8 };

    // Shared state: one set for the program.
    static int minTextureWidth, minTextureHeight, maxTextureWidth, maxTextureHeight, maxTextureAspect;
    static std::uint32_t textureFormatMask;
    static bool linearFilterOn;
    static bool renderTargetLost;
    static std::string errorText3D;

    D3DInterface();
    virtual ~D3DInterface();
    D3DInterface(const D3DInterface&) = delete;
    D3DInterface& operator=(const D3DInterface&) = delete;

    // What the 3D layer asks of the application.
    std::function<bool()> isMinimised;
    std::function<void(const std::string& name, const std::string& value)> writeRegistryString;

    // The display's device, window, size and draw surface.
    bool InitFromDDInterface(DDInterface& display, plat::Device3D* device);
    // Same, from the parts (tests, the capability test).
    bool Init(plat::Device3D* device, const std::shared_ptr<plat::Surface>& drawSurface, int width, int height,
              bool windowed);
    bool InitD3D();
    void Cleanup();
    bool BeginScene();
    // Closes an open scene (the display's Redraw).
    void EndScene();
    bool SceneOpen() const { return sceneOpen_; }
    void SetViewport();
    void SetDrawMode(bool additive);
    void SetLinearFilter(bool on);

    // --- Drawing.
    // The plain blit entry: untransformed, or through the stack's top.
    void Blt(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color, int drawMode,
             bool linearFilter);
    void BltUntransformed(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color);
    void BltTransformed(MemoryImage* image, const Rect* clipRect, const Color& color, int drawMode,
                        const Rect& srcRect, const Matrix3& matrix, bool linearFilter, float x, float y,
                        bool centred);
    // The surface image's blits in 3D, each a matrix for BltTransformed.
    void BltClipF(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                  const Color& color, int drawMode);
    void BltMirror(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color, int drawMode,
                   const Rect* clipRect = nullptr);
    // angle in radians; the centre is relative to the source rect.
    void BltRotated(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, int drawMode, double angle, float centreX, float centreY);
    void StretchBlt(MemoryImage* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, int drawMode, bool fastStretch, bool mirror);
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, bool additive);
    void FillRect(const Rect& rect, const Color& color, bool additive);
    // points: count (x, y) pairs.
    void FillPolygon(const int* points, int count, const Color& color, bool additive, const Rect* clipRect,
                     int tx, int ty);
    void BlitTrianglesTextured(MemoryImage* image, const SWRaster::TriVertex (*triangles)[3], int count,
                               const Color& color, bool additive, float tx, float ty, bool linearFilter);

    std::vector<Matrix3> transformStack;

    // --- Textures.
    bool CreateImageTexture(MemoryImage* image);
    void Remove3DData(MemoryImage* image);
    bool ReadBackTextures(MemoryImage* image);
    TextureData* GetTextureData(MemoryImage* image);
    bool GetTexture(MemoryImage* image, int x, int y, int width, int height, TextureRef* out);
    // Visits the texture pieces covering `src` row by row, with each piece's
    // top-left in the image; stops when a piece is missing or `visit` says so.
    template <typename Visit>
    void ForEachPiece(MemoryImage* image, const Rect& src, Visit visit);
    void LayoutTextures(MemoryImage* image, TextureData& data);
    bool CreateTextures(MemoryImage* image, TextureData& data);
    std::shared_ptr<plat::Texture3D> CreateTexture(int width, int height, int code);
    bool UploadPiece(plat::Texture3D* texture, MemoryImage* image, int x, int y, int width, int height, int code);
    static void GetBestTextureDimensions(int& width, int& height, bool isEdge, bool usePow2, int flags);
    static int ClassifyPixelFormat(const plat::TexturePixelFormat& format);
    static plat::TexturePixelFormat MakePixelFormat(int code);
    const std::set<MemoryImage*>& Images() const { return images_; }

    // True for a failure, after recording "operation: NAME".
    bool CheckD3DError(plat::HResult result, const std::string& operation);

    plat::Device3D* Device() const { return device_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    using Vertex = plat::Vertex3D;
    bool Draw(plat::Primitive type, const Vertex* v, int count, const char* operation);
    void DrawClipped(std::vector<Vertex>& poly, const Rect& clip, const char* operation);
    Vertex MakeVertex(float x, float y, std::uint32_t color, float u = 0, float v = 0) const;

    plat::Device3D* device_ = nullptr;
    std::shared_ptr<plat::Surface> drawSurface_;
    int width_ = 640, height_ = 480;
    bool sceneOpen_ = false;
    bool windowed_ = true;
    std::set<MemoryImage*> images_;
    std::map<MemoryImage*, std::unique_ptr<TextureData>> data_;
};

}  // namespace Vant
