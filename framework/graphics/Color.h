#pragma once
// 32-bit ARGB colour of the framework: four ints, meant to lie in 0..255
// (nothing here clamps them).
#include <cstdint>

namespace Vant {

struct Color {
    int r = 0, g = 0, b = 0, a = 255;

    Color() = default;
    Color(int red, int green, int blue) : r(red), g(green), b(blue), a(255) {}
    Color(int red, int green, int blue, int alpha) : r(red), g(green), b(blue), a(alpha) {}
    // From 0xAARRGGBB; a top byte of 0 means opaque, so 0x00RRGGBB is opaque.
    explicit Color(uint32_t packed)
        : r(static_cast<int>((packed >> 16) & 0xFF)),
          g(static_cast<int>((packed >> 8) & 0xFF)),
          b(static_cast<int>(packed & 0xFF)),
          a((packed >> 24) == 0 ? 255 : static_cast<int>(packed >> 24)) {}

    // The same colour made opaque.
    static Color Opaque(const Color& c) { return Color(c.r, c.g, c.b, 255); }

    // Packs to 0xAARRGGBB without masking: out-of-range channels spill into
    // their neighbours.
    uint32_t ToInt() const {
        const auto u = [](int c) { return static_cast<uint32_t>(c); };
        return (((((u(a) << 8) | u(r)) << 8) | u(g)) << 8) | u(b);
    }

    bool operator==(const Color& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const Color& o) const { return !(*this == o); }

    static const Color White;  // (255, 255, 255, 255)
    static const Color Black;  // (0, 0, 0, 255)
};

}  // namespace Vant
