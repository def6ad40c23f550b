#pragma once
// Software triangle rasteriser: the one drawing entry, the filler table and
// the records every filler shares. The rasteriser knows nothing of the
// framework's images: a texture comes in through TextureSource, which the
// graphics layer implements for its memory image.
#include <array>
#include <cstddef>
#include <cstdint>

namespace Vant::SWRaster {

// Input vertex: position in destination pixels (integer coordinates are the
// pixels' sample points), texture coordinate as a fraction of the texture's
// size, colour 0xAARRGGBB.
struct TriVertex {
    float x = 0, y = 0;
    float u = 0, v = 0;
    uint32_t color = 0;
};

// Vertex handed to the fillers: x, y and u, v in 16.16; a, r, g, b in 8.16
// (the 8-bit channel in bits 16..23).
struct FixedVertex {
    int32_t x = 0, y = 0;
    int32_t a = 0, r = 0, g = 0, b = 0;
    int32_t u = 0, v = 0;
};

// The texture as the fillers see it. A texel is read only when its column is
// below width and its row below height; anything else reads as 0.
struct TextureInfo {
    const uint32_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pixelCount = 0;  // width * height, 0 when there are no texels
};

// Draw colour as the fillers see it, each channel 0..255.
struct FillColor {
    int32_t a = 255, r = 255, g = 255, b = 255;
};

// Draw colour and clip rectangle as the callers hand them in; the graphics
// layer's Vant::Color and Vant::Rect map onto these field for field.
struct DrawColor {
    int r = 255, g = 255, b = 255, a = 255;
};
struct ClipRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// What the entry needs of a texture image.
class TextureSource {
public:
    // Brings the two alpha flags up to date; called once per draw call.
    virtual void commitBits() = 0;
    // width() * height() texels 0xAARRGGBB, row after row with no gaps.
    // May return null, which reads as a texture without texels.
    virtual const uint32_t* bits() = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual bool hasTrans() const = 0;  // some texel has alpha 0
    virtual bool hasAlpha() const = 0;  // some texel has alpha 1..254

protected:
    ~TextureSource() = default;
};

// Destination format codes.
enum : int { Format8888 = 0x8888, Format888 = 0x888, Format565 = 0x565, Format555 = 0x555 };

// Filler signature. The three vertices are read only; destPitch is the signed
// byte distance from one row to the next (a multiple of the pixel size).
// A filler writes only pixels inside the integer bounding box of its three
// vertices: ceil(min x) <= column < ceil(max x), ceil(top y) <= row <
// ceil(bottom y). The entry keeps every vertex inside the clip rectangle, so
// that box lies inside it.
using TriangleFiller = void (*)(const FixedVertex* tri, uint8_t* destBits, std::ptrdiff_t destPitch,
                                const TextureInfo* tex, const FillColor* color);

inline constexpr int FillerCount = 128;
using FillerArray = std::array<TriangleFiller, FillerCount>;

// Index bits of the table.
enum : unsigned {
    FeatureFilter = 0x01,
    FeatureModulate = 0x02,
    FeatureVertexColors = 0x04,
    FeatureAlpha = 0x08,
    FeatureTexture = 0x10,
};

// Process-wide table; every entry is empty until InitFillerTable.
extern FillerArray FillerTable;

// The table InitFillerTable installs, built at compile time.
const FillerArray& GeneratedFillers();

void InitFillerTable();

// Writes nothing.
void NullFiller(const FixedVertex* tri, uint8_t* destBits, std::ptrdiff_t destPitch,
                const TextureInfo* tex, const FillColor* color);

// Format group of the table index: 0x888 -> 0x20, 0x565 -> 0x40,
// 0x555 -> 0x60, anything else -> 0x00 (the 0x8888 fillers).
constexpr unsigned formatGroup(int format) {
    return format == Format888 ? 0x20u : format == Format565 ? 0x40u : format == Format555 ? 0x60u : 0x00u;
}

// Table index for one draw call. With a texture, filtering always brings the
// alpha handling with it.
constexpr unsigned selectFillerIndex(bool textured, bool texHasTrans, bool texHasAlpha, bool linearBlend,
                                     bool modulate, bool vertexColors, int format) {
    unsigned index = 0;
    if (linearBlend) index |= FeatureFilter;
    if (modulate) index |= FeatureModulate;
    if (vertexColors) index |= FeatureVertexColors;
    if (textured && (texHasTrans || texHasAlpha || linearBlend)) index |= FeatureAlpha;
    if (textured) index |= FeatureTexture;
    return index | formatGroup(format);
}

// Draws `count` vertices as a triangle strip into the destination
// (destWidth x destHeight pixels of the given format, destPitch bytes a row),
// clipped to clipRect and to the destination; nothing is written outside
// either, whatever the coordinates. Triangles with a non-finite x or y are
// dropped; a non-finite u or v reads as 0 before clipping. drawMode has no
// effect. `table` replaces FillerTable when given (tests record the filler
// calls with it).
void DrawTriangleStrip(const TriVertex* vertices, int count, TextureSource* texture, const DrawColor* color,
                       int drawMode, const ClipRect* clipRect, uint8_t* destBits, std::ptrdiff_t destPitch,
                       int destWidth, int destHeight, int format, bool linearBlend, bool vertexColors,
                       const FillerArray* table = nullptr);

// The entry's path for a strip that is an axis-aligned sprite drawn about one
// texel a pixel: the fan triangles of its two clipped triangles (at most
// RectanglePieces), drawn pixel for pixel as the table entry's filler would
// draw them one after another, but a whole row as one run where the row's
// spans read consecutive texels. Null for entries without such a path.
inline constexpr int RectanglePieces = 12;
using RectangleFiller = void (*)(const FixedVertex (*tris)[3], int count, uint8_t* destBits,
                                 std::ptrdiff_t destPitch, const TextureInfo* tex, const FillColor* color);
RectangleFiller RectangleFillerFor(unsigned index);

// ---------------------------------------------------------------------------
// Instruction-set level of the pixel kernels. The entry uses the best one the
// processor has unless a lower one is forced: the tests and the fuzz target
// force each in turn, so that every kernel runs on any machine.

enum class KernelLevel : int { Plain = 0, Sse2 = 1, Avx2 = 2 };

// The best level this build and processor can run.
KernelLevel SupportedKernelLevel();
// Uses `level`, or the supported level when that is lower; returns the level
// now in force. Not to be called while another thread draws.
KernelLevel SetKernelLevel(KernelLevel level);
KernelLevel CurrentKernelLevel();

// ---------------------------------------------------------------------------
// Polygon clipper. Bounds are inclusive: a point on a bound is inside.

inline constexpr int ClipListSize = 64;

// Cut vertices of one ClipPolygon call; lives on the caller's stack.
struct ClipPool {
    TriVertex records[ClipListSize];
    int count = 0;
};

// Clips the triangle (a, b, c) against [xmin, xmax] x [ymin, ymax]. Writes
// the polygon's vertex pointers to `out` (null-terminated, at least
// ClipListSize entries) and returns their count: 0 or 3..7. Pointers point at
// the inputs or into `pool`. The coordinate on a cut line is the bound itself.
int ClipPolygon(const TriVertex* a, const TriVertex* b, const TriVertex* c, const TriVertex** out,
                float xmin, float xmax, float ymin, float ymax, ClipPool& pool);

// The four Sutherland-Hodgman passes, each (out, in, bound, pool) -> count.
int ClipLeft(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool);
int ClipRight(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool);
int ClipTop(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool);
int ClipBottom(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool);

// Cut vertex of the edge from the outside vertex o to the inside vertex i at
// the vertical line x = e (CutAtX) or the horizontal line y = e (CutAtY).
TriVertex CutAtX(const TriVertex& o, const TriVertex& i, float e);
TriVertex CutAtY(const TriVertex& o, const TriVertex& i, float e);

}  // namespace Vant::SWRaster
