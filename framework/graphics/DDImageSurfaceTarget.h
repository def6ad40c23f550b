#pragma once
// The locked surface of a surface image as the rotated and stretched pixel
// loops see it, and the texels of a source image.
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/SurfaceBlit.h"

namespace Vant {

// Valid while the image stays locked. A display whose saturating tables do
// not fit its channel widths gives no tables, so nothing is drawn.
inline SurfaceTarget LockedSurfaceTarget(const DDImage& image) {
    const plat::LockInfo& l = image.surfaceDesc;
    const DDInterface& d = *image.ddInterface;
    SurfaceTarget t;
    t.bits = static_cast<uint8_t*>(l.bits);
    t.pitch = l.pitch;
    t.bpp = l.bpp;
    t.width = image.width;
    t.height = image.height;
    if (image.surface) {
        t.width = std::min(t.width, image.surface->Width());
        t.height = std::min(t.height, image.surface->Height());
    }
    const uint32_t masks[3] = {l.rMask, l.gMask, l.bMask};
    const int shifts[3] = {d.redShift, d.greenShift, d.blueShift};
    const int bits[3] = {d.redBits, d.greenBits, d.blueBits};
    const std::vector<int>* tables[3] = {&d.RedAddTable(), &d.GreenAddTable(), &d.BlueAddTable()};
    for (int c = 0; c < 3; ++c) {
        t.mask[c] = masks[c];
        t.shift[c] = shifts[c];
        t.bits_[c] = bits[c];
        const bool fits = bits[c] >= 1 && bits[c] <= 8 &&
                          tables[c]->size() == static_cast<size_t>(2 * ((1 << bits[c]) - 1) + 1);
        t.add[c] = fits ? tables[c]->data() : nullptr;
    }
    return t;
}

// The texels a rotated draw reads: ARGB words, or indices into the palette.
// Null words when the source has none to give.
inline TexelSource ArgbTexels(MemoryImage& source) {
    TexelSource s;
    s.stride = s.width = source.width;
    s.height = source.height;
    if (source.colorIndices && source.palette) {
        s.indices = source.colorIndices.get();
        s.table = source.palette.get();
    } else {
        s.words = source.GetBits();
    }
    return s;
}

}  // namespace Vant
