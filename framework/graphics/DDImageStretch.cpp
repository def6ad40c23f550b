// The surface image's stretched and mirrored-stretched draws.
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDImageSurfaceTarget.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/SurfaceBlit.h"

#include "orvek/Log.h"

namespace Vant {

namespace {

orvek::LogChannel stretch_error("graphics.image", 1);

bool InsideImage(const Rect& r, const Image& image) {
    return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 &&
           static_cast<long long>(r.x) + r.width <= image.width &&
           static_cast<long long>(r.y) + r.height <= image.height;
}

}  // namespace

// The nearest-texel loops straight into the locked surface.
static void FastSoftwareStretch(DDImage& dest, Image* source, const FRect& s,
                                const Rect& clipped, const Color& color, int drawMode, bool mirror) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src) {
        dest.DropMemoryForms();
        return;
    }
    src->CommitBits();
    if (!src->palette && !src->GetBits()) return;
    TexelSource texels;
    texels.words = src->GetNativeAlphaData(dest.ddInterface->Format());
    if (src->palette && src->colorIndices) {
        texels.indices = src->colorIndices.get();
        texels.table = texels.words;
        texels.words = nullptr;
    }
    texels.stride = texels.width = src->width;
    texels.height = src->height;
    if (!dest.LockSurface()) return;
    dest.lastPath = DDImage::Path::SurfaceLoop;
    if (dest.surfaceDesc.bpp == 16 || dest.surfaceDesc.bpp == 32)
        StretchSurfaceBlit(LockedSurfaceTarget(dest), texels, s, clipped, color, drawMode, mirror);
    dest.UnlockSurface();
    dest.DropMemoryForms();
}

void DDImage::StretchBlit(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                          const Color& color, int drawMode, bool fastStretch) {
    CommitBits();
    if (Is3DScreen()) {
        lastPath = Path::Direct3D;
        Forward3DStretchBlit(source, destRect, srcRect, clipRect, color, drawMode, fastStretch, false);
        return;
    }
    // Every path reads inside the source rect, so it is checked once here.
    if (!source || !InsideImage(srcRect, *source)) return;
    FRect s;
    Rect clipped;
    if (!GetStretchClip(srcRect, clipRect.Intersection(Rect(0, 0, width, height)), destRect, s, clipped)) return;

    if (!fastStretch) {
        auto* src = dynamic_cast<MemoryImage*>(source);
        if (!memoryOnly && !hasAlpha && !hasTrans && !ddInterface->Is3D() && src) {
            // Filtered into a picture of the clipped size, then blitted.
            MemoryImage scaled(ddInterface->App());
            scaled.Create(clipped.width, clipped.height);
            scaled.SlowStretchBlit(src, Rect(0, 0, clipped.width, clipped.height), s);
            Blit(&scaled, clipped.x, clipped.y, Rect(0, 0, clipped.width, clipped.height), color, drawMode);
            DropMemoryForms();
        } else {
            lastPath = Path::Memory;
            MemoryImage::StretchBlit(source, destRect, srcRect, clipRect, color, drawMode, false);
        }
        return;
    }

    auto* src = dynamic_cast<DDImage*>(source);
    if (src && color == Color::White && drawMode == DrawModeNormal && !src->hasAlpha && src->GetSurface() && GetSurface()) {
        // A surface stretch with the source's colour key.
        lastPath = Path::SurfaceBlt;
        const bool locked = lockCount > 0;
        if (locked) surface->Unlock();
        const plat::Rect d{clipped.x, clipped.y, clipped.width, clipped.height};
        const int sx = static_cast<int>(s.x), sy = static_cast<int>(s.y);
        const plat::Rect r{sx, sy, static_cast<int>(s.width + s.x) - sx, static_cast<int>(s.height + s.y) - sy};
        surface->Blt(&d, *src->surface, &r, src->hasTrans ? plat::kBltKeySrc : 0);
        if (locked) {
            const plat::HResult result = surface->Lock(&surfaceDesc);
            if (plat::Failed(result)) {
                // The old pixel pointer is gone: nothing may write through it,
                // and the memory copies no longer match the surface.
                lockCount = 0;
                surfaceDesc = plat::LockInfo();
                bitsChangedPending = true;
                DropMemoryForms();
                stretch_error.stream() << "relock after surface stretch failed: "
                                       << (plat::ResultName(result) ? plat::ResultName(result) : "?") << std::endl;
                return;
            }
        }
        DropMemoryForms();
        return;
    }
    FastSoftwareStretch(*this, source, s, clipped, color, drawMode, false);
}

void DDImage::StretchBlitMirror(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                                const Color& color, int drawMode, bool fastStretch) {
    CommitBits();
    if (Is3DScreen()) {
        lastPath = Path::Direct3D;
        Forward3DStretchBlit(source, destRect, srcRect, clipRect, color, drawMode, fastStretch, true);
        return;
    }
    if (!source || !InsideImage(srcRect, *source)) return;
    FRect s;
    Rect clipped;
    if (!GetStretchMirrorClip(srcRect, clipRect.Intersection(Rect(0, 0, width, height)), destRect, s, clipped))
        return;
    FastSoftwareStretch(*this, source, s, clipped, color, drawMode, true);
}

void DDImage::Forward3DStretchBlit(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                                   const Color& color, int drawMode, bool fastStretch, bool mirror) {
    if (auto* m = dynamic_cast<MemoryImage*>(source))
        ddInterface->d3d.StretchBlt(m, destRect, srcRect, clipRect, color, drawMode, fastStretch, mirror);
}

}  // namespace Vant
