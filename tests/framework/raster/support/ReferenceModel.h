#pragma once
// A slow, plain reference for the software rasteriser. Every pixel is worked
// channel by channel from the arithmetic the fillers are meant to compute,
// with the features chosen by runtime flags, so that the real fillers (which
// work on packed words, one routine per feature set and format) can be
// compared with it bit for bit.
//
// It has types of its own and does not include the rasteriser's headers: the
// tests translate their inputs into these records.
#include <cstddef>
#include <cstdint>

namespace refmodel {

enum class Format { Argb8888, Xrgb888, Rgb565, Rgb555 };

// The destination format of a filler table index (bits 5 and 6).
Format formatOfIndex(unsigned index);
// The format code the drawing entry takes for a format (0x8888, 0x888, ...).
int formatCode(Format format);
int bytesPerPixel(Format format);

// A vertex as the fillers receive it: x, y, u, v in 16.16, a, r, g, b in 8.16.
struct Vertex {
    int32_t x = 0, y = 0;
    int32_t a = 0, r = 0, g = 0, b = 0;
    int32_t u = 0, v = 0;
};

// Texels 0xAARRGGBB, row after row.
struct Texture {
    const uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

// The draw colour, each channel 0..255.
struct Paint {
    int a = 255, r = 255, g = 255, b = 255;
};

// The destination: pixel (0, 0) at bits, rows pitch bytes apart. width and
// height only let the model notice a pixel it would write outside.
struct Target {
    uint8_t* bits = nullptr;
    std::ptrdiff_t pitch = 0;
    int width = 0;
    int height = 0;
    Format format = Format::Argb8888;
};

// What the model noticed while drawing: writes it refused because they lay
// outside the target, and blend results that did not fit their channel.
// premultipliedWraps counts the 0x8888 blends of a premultiplied source whose
// channel quotient came out as 256 (source term equal to the weight) and was
// capped at 255; they are included in overflow.
struct Notes {
    long outside = 0;
    long overflow = 0;
    long premultipliedWraps = 0;
};

// Draws one triangle as the table entry `index` (0..127) would.
void fillTriangle(unsigned index, const Vertex tri[3], const Target& target,
                  const Texture& texture, const Paint& paint, Notes* notes = nullptr);

// ---- The drawing entry -------------------------------------------------

struct FloatVertex {
    float x = 0, y = 0, u = 0, v = 0;
    uint32_t color = 0;
};

// A texture as the entry sees it: size, texels and the two alpha flags.
struct Image {
    const uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    bool hasTrans = false;
    bool hasAlpha = false;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The table index the entry chooses.
unsigned selectIndex(bool textured, bool hasTrans, bool hasAlpha, bool modulate,
                     bool linearBlend, bool vertexColors, int formatCode);

// Walks the strip, clips, converts and fills as the drawing entry does.
// paint holds the caller's colour ints as given (they are clamped here).
void drawTriangleStrip(const FloatVertex* vertices, int count, const Image* texture,
                       const Paint& paint, const Rect& clip, const Target& target,
                       bool linearBlend, bool vertexColors, Notes* notes = nullptr);

}  // namespace refmodel
