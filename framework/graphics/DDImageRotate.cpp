// The surface image's rotated draw (also every software sub-pixel draw,
// which arrives here at angle 0).
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDImageSurfaceTarget.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/SurfaceBlit.h"

namespace Vant {

void DDImage::BlitRotated(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                          const Color& color, int drawMode, double angle, float centreX, float centreY) {
    // The screen image drawing into video memory may not be locked.
    if (surfaceInVideoMemory) return;
    CommitBits();
    if (Is3DScreen()) {
        lastPath = Path::Direct3D;
        Forward3DBlitRotated(source, x, y, srcRect, clipRect, color, drawMode, angle, centreX, centreY);
        return;
    }
    if (memoryOnly || hasAlpha || (hasTrans && !colorKeyed) || ddInterface->Is3D()) {
        lastPath = Path::Memory;
        MemoryImage::BlitRotated(source, x, y, srcRect, clipRect, color, drawMode, angle, centreX, centreY);
        return;
    }
    const Rect clip = clipRect.Intersection(Rect(0, 0, width, height));
    FRect bounds;
    if (!GetRotatedBounds(x, y, srcRect, clip, angle, bounds, centreX, centreY)) return;
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src) {
        DropMemoryForms();
        return;
    }
    src->CommitBits();
    const TexelSource texels = ArgbTexels(*src);
    if (!texels.words && !texels.indices) return;
    if (!LockSurface()) return;
    lastPath = Path::SurfaceLoop;
    if (surfaceDesc.bpp == 16 || surfaceDesc.bpp == 32)
        RotatedSurfaceBlit(LockedSurfaceTarget(*this), texels, srcRect, x, y, clip, color, drawMode, angle, centreX,
                           centreY);
    UnlockSurface();
    DropMemoryForms();
}

void DDImage::Forward3DBlitRotated(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                                   const Color& color, int drawMode, double angle, float centreX, float centreY) {
    if (auto* m = dynamic_cast<MemoryImage*>(source))
        ddInterface->d3d.BltRotated(m, x, y, srcRect, clipRect, color, drawMode, angle, centreX, centreY);
}

}  // namespace Vant
