#pragma once
// Image that can also hold its pixels in a display surface: the screen's
// draw surface, the cursor save areas and every picture marked for one. It
// keeps the memory forms of MemoryImage and adds one surface, made on demand
// from the ARGB bits. Each draw picks one path: the 3D layer (when this is
// the 3D screen), a surface-to-surface copy, the 16/32-bit loops on the
// locked surface, or the memory image's software loops on the bits. Drawing
// on the surface leaves the surface as the only copy; drawing on the bits
// releases the surface.
#include <cstdint>
#include <memory>

#include "framework/graphics/MemoryImage.h"
#include "platform/Surface.h"

namespace Vant {

class DDInterface;

class DDImage : public MemoryImage {
public:
    // Which way the last integer blit, fill or line went (for the curious:
    // tests and the video statistics).
    enum class Path { None, Direct3D, SurfaceBlt, SurfaceLoop, Memory };

    explicit DDImage(DDInterface* ddInterface);
    ~DDImage() override;
    DDImage(const DDImage&) = delete;

    // Memory-image operations that account for the surface.
    void BitsChanged() override;
    void CommitBits() override;
    void DeleteExtraBuffers() override;
    void DeleteNativeData() override;
    void Create(int w, int h) override;
    // The bits; read back from the surface when only it holds the pixels
    // (alpha 255, the low bits of 16-bit channels zero). Null while the
    // surface may not be locked or the lock fails.
    uint32_t* GetBits() override;
    bool Palletize() override;
    // Palettise, purge and make the surface as the flags ask.
    void ApplyMemoryFlags();
    void PurgeBits();

    // Primitives.
    bool FillPolygon3D(const int* points, int pointCount, const Rect* clipRect, const Color& color, int drawMode,
                       int offsetX, int offsetY, bool flag) override;
    void FillRect(const Rect& rect, const Color& color, int drawMode) override;
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void Blit(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void BlitF(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect, const Color& color,
               int drawMode) override;
    void BlitMirror(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;

    // Surface handling.
    // Adopts a surface from the display (screen, back buffer, cursor areas).
    void SetSurface(std::shared_ptr<plat::Surface> s);
    // The surface, made first when absent (null when it cannot be).
    plat::Surface* GetSurface();
    bool GenerateDDSurface();
    // Brings the pixels back into memory when only the surface holds them,
    // then releases the surface.
    void DeleteDDSurface();
    void SetVideoMemory(bool flag);
    bool LockSurface();
    bool UnlockSurface();
    // Frees every memory form (after a draw on the surface).
    void DropMemoryForms();
    // This image is the display's draw surface while the display draws in 3D.
    bool Is3DScreen() const;
    bool HasSurface() const { return surface != nullptr; }

    DDInterface* ddInterface;
    std::shared_ptr<plat::Surface> surface;
    bool surfaceAdopted = false;
    // Set on the screen image while it draws into video memory: the
    // surface is not locked for software access then.
    bool surfaceInVideoMemory = false;
    bool wantVideoMemory = false;
    bool wantDDSurface = false;
    // The surface carries a source colour key for the transparent pixels.
    bool colorKeyed = false;
    // Draws into this image always go to its bits.
    bool memoryOnly = false;
    int lockCount = 0;
    plat::LockInfo surfaceDesc;
    Path lastPath = Path::None;

    // --- Rotated and stretched draws (DDImageRotate.cpp, DDImageStretch.cpp)
    void BlitRotated(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect, const Color& color,
                     int drawMode, double angle, float centreX, float centreY) override;
    void StretchBlit(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                     const Color& color, int drawMode, bool fastStretch) override;
    void StretchBlitMirror(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                           const Color& color, int drawMode, bool fastStretch) override;
    // The matrix and triangle draws: the 3D screen hands them to the 3D
    // layer, every other image draws them on its bits (DDImage3D.cpp).
    void BlitMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clipRect, const Color& color,
                    int drawMode, const Rect& srcRect, bool blend) override;
    void BlitTrianglesTextured(Image* source, const TriVertex (*triangles)[3], int triangleCount,
                               const Rect& clipRect, const Color& color, int drawMode, float offsetX, float offsetY,
                               bool blend) override;
    // The 3D screen's rotated and stretched draws, through the 3D layer.
    void Forward3DBlitRotated(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                              const Color& color, int drawMode, double angle, float centreX, float centreY);
    void Forward3DStretchBlit(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                              const Color& color, int drawMode, bool fastStretch, bool mirror);
    // --- end of rotated and stretched draws

private:
    bool IsCursorArea() const;
    bool SurfaceUsable() const;
    // Surface loops, on the locked surface.
    void NormalFillRect(const Rect& rect, const Color& color);
    void AdditiveFillRect(const Rect& rect, const Color& color);
    void NormalBlt(Image* source, int x, int y, const Rect& srcRect, const Color& color, bool mirror);
    void AdditiveBlt(Image* source, int x, int y, const Rect& srcRect, const Color& color, bool mirror);
    void NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color);
    void AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color);
    // Surface to surface; false when the pair cannot be copied that way.
    void SurfaceToSurface(class DDImage* src, int x, int y, const Rect& srcRect);
    NativeFormat DisplayFormat() const;

    // The 3D screen's draws, handed to the 3D layer (DDImage3D.cpp).
    bool Forward3DFillPolygon(const int* points, int pointCount, const Rect* clipRect, const Color& color,
                              int drawMode, int offsetX, int offsetY, bool flag);
    void Forward3DFillRect(const Rect& rect, const Color& color, int drawMode);
    void Forward3DDrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode);
    void Forward3DBlit(Image* source, float x, float y, const Rect& srcRect, const Color& color, int drawMode,
                       bool linearFilter);
    void Forward3DBlitF(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                        const Color& color, int drawMode);
    void Forward3DBlitMirror(Image* source, float x, float y, const Rect& srcRect, const Color& color, int drawMode);
    // Whether the 3D layer has transforms pushed (hardware copies then go
    // through it instead).
    bool Has3DTransforms() const;
};

}  // namespace Vant
