#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cstring>

namespace Vant {

size_t MemoryImage::PixelCount() const {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

void MemoryImage::BitsChanged() {
    ++bitsChangedCount;
    bitsChangedPending = true;
}

void MemoryImage::CommitBits() {
    if (!bitsChangedPending || forcedMode) return;
    hasAlpha = false;
    const auto scan = [this](const uint32_t* words, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            const uint32_t a = words[i] >> 24;
            if (a == 0)
                hasTrans = true;
            else if (a != 255)
                hasAlpha = true;
        }
    };
    if (bits) {
        hasTrans = false;
        scan(bits.get(), PixelCount());
    } else {
        // No pixels at all: nothing can be shown through.
        hasTrans = true;
    }
    bitsChangedPending = false;
}

uint32_t* MemoryImage::GetBits() {
    if (bits) return bits.get();
    const size_t n = PixelCount();
    bits.reset(new uint32_t[n + 1]());
    bits[n] = GuardWord;
    return bits.get();
}

void MemoryImage::SetBits(const uint32_t* source, int w, int h, bool commit) {
    width = w;
    height = h;
    const size_t n = PixelCount();
    bits.reset(new uint32_t[n + 1]());
    if (n && source) std::memcpy(bits.get(), source, n * sizeof(uint32_t));
    bits[n] = GuardWord;
    BitsChanged();
    if (commit) CommitBits();
}

void MemoryImage::Create(int w, int h) {
    bits.reset();
    width = w;
    height = h;
    hasTrans = true;
    hasAlpha = true;
    BitsChanged();
}

void MemoryImage::SetImageMode(bool trans, bool alpha) {
    forcedMode = true;
    hasTrans = trans;
    hasAlpha = alpha;
}

void MemoryImage::Clear() {
    uint32_t* p = GetBits();
    std::fill(p, p + PixelCount(), 0u);
    BitsChanged();
}

}  // namespace Vant
