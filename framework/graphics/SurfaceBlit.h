#pragma once
// Pixel loops of the rotated and stretched draws into a locked 16- or
// 32-bit surface, and the geometry that bounds them. The loops work on
// plain memory described by a SurfaceTarget, so they know nothing of
// surfaces or locking; the surface image sets them up.
//
// Rotated: bilinear sampling in 16.16 fixed point. The span of a row is
// every destination pixel whose sample point lies inside the source rect;
// pixels whose right or lower neighbour texel lies outside it read that
// texel as transparent, so the image's edges and one-texel-wide images are
// drawn (instead of losing the first and last column and the last row).
//
// Stretched: nearest texel of the premultiplied native data, 16.16 steps,
// optionally written right to left.
#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

#include <cstdint>

namespace Vant {

// A locked surface and the display's channel layout.
struct SurfaceTarget {
    uint8_t* bits = nullptr;
    int pitch = 0;  // bytes per row
    int bpp = 0;    // 16 or 32; nothing is written at any other depth
    int width = 0, height = 0;
    uint32_t mask[3] = {0, 0, 0};  // red, green, blue
    int shift[3] = {0, 0, 0};
    int bits_[3] = {0, 0, 0};
    // Saturating tables of 2 * max + 1 entries, max = 2^bits - 1.
    const int* add[3] = {nullptr, nullptr, nullptr};
};

// Texels of a source: ARGB words (or premultiplied native words), or colour
// indices into a 256-entry table. stride is the source image's width.
struct TexelSource {
    const uint32_t* words = nullptr;
    const uint8_t* indices = nullptr;
    const uint32_t* table = nullptr;
    int stride = 0;
    int width = 0, height = 0;  // the source image's size
};

// The rotated source rect's bounding box around (x + cx, y + cy),
// intersected with the clip; false when nothing is left.
bool GetRotatedBounds(float x, float y, const Rect& srcRect, const Rect& clipRect, double angle, FRect& out,
                      float cx, float cy);
// The part of destRect inside clipRect and the double source rect it shows;
// false when either is empty.
bool GetStretchClip(const Rect& srcRect, const Rect& clipRect, const Rect& destRect, FRect& srcOut,
                    Rect& clippedOut);
// The same for a draw mirrored left to right.
bool GetStretchMirrorClip(const Rect& srcRect, const Rect& clipRect, const Rect& destRect, FRect& srcOut,
                          Rect& clippedOut);

// Draws srcRect of the source (ARGB texels) rotated by angle about
// (cx, cy), relative to the rect's origin, with its origin's unrotated place
// at (x, y); clipped to clipRect and the target. A rect reaching outside the
// source image draws only its inside part. Draw mode 0 blends (colourised
// unless the colour is white), any other mode adds the colour-scaled texels.
void RotatedSurfaceBlit(const SurfaceTarget& target, const TexelSource& source, const Rect& srcRect, float x,
                        float y, const Rect& clipRect, const Color& color, int drawMode, double angle, float cx,
                        float cy);

// Nearest-texel stretch of the double source rect (from GetStretchClip or
// GetStretchMirrorClip) into the clipped rect; source texels are
// premultiplied native words. Draws nothing unless the source rect lies
// inside the source image.
void StretchSurfaceBlit(const SurfaceTarget& target, const TexelSource& source, const FRect& srcRect,
                        const Rect& clipped, const Color& color, int drawMode, bool mirror);

}  // namespace Vant
