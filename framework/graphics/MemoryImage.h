#pragma once
// Image whose pixels live in memory as 32-bit ARGB words (0xAARRGGBB, not
// premultiplied), row after row, and the software drawing primitives for
// it. Besides the words it keeps buffers built on demand from them (palette
// form, premultiplied native data for the display, run-length tables) and
// the flags that say whether any pixel is transparent or translucent.
// Drawing always works on the words and ends with BitsChanged, which drops
// every derived buffer.
//
// Every primitive clips to the destination's and the source's bounds
// itself, whatever rectangles it is handed.
#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

namespace Vant {

class GraphicsApp;

// The display's pixel layout: per channel its mask, bit count and shift.
struct NativeFormat {
    uint32_t redMask = 0xFF0000, greenMask = 0xFF00, blueMask = 0xFF;
    int redBits = 8, greenBits = 8, blueBits = 8;
    int redShift = 16, greenShift = 8, blueShift = 0;

    static NativeFormat Argb8888() { return NativeFormat(); }
    static NativeFormat Rgb565() { return NativeFormat{0xF800, 0x7E0, 0x1F, 5, 6, 5, 11, 5, 0}; }
    bool operator==(const NativeFormat&) const = default;
};

class MemoryImage : public Image {
public:
    static constexpr uint32_t GuardWord = 0x4BEEFADE;

    // Registers with the application given, or the process-wide one.
    MemoryImage();
    explicit MemoryImage(GraphicsApp* app);
    MemoryImage(const MemoryImage& other);
    MemoryImage& operator=(const MemoryImage&) = delete;
    ~MemoryImage() override;

    // Premultiplied words in the display's layout, alpha in the top byte
    // (256 entries, indexed by colour index, for a palettised image).
    virtual uint32_t* GetNativeAlphaData(const NativeFormat& format);
    // One byte a pixel: how many pixels from there to the end of its run of
    // equal alpha class (transparent, opaque, translucent), capped at 255.
    virtual uint8_t* GetRLAlphaData();
    // The same over black / not black of the native data.
    virtual uint8_t* GetRLAdditiveData(const NativeFormat& format);
    virtual void DeleteSWBuffers();
    virtual void DeleteExtraBuffers();
    virtual void BitsChanged();
    // Rescans the alpha flags when the pixels changed and the image mode is
    // not forced: alpha 0 sets hasTrans, 1..254 sets hasAlpha.
    virtual void CommitBits();
    virtual void DeleteNativeData();
    virtual void Clear();
    // Replaces the pixels with a copy of w * h words.
    virtual void SetBits(const uint32_t* source, int w, int h, bool commit = true);
    // New size with no pixels yet (they read as zeros); counts as
    // translucent until committed.
    virtual void Create(int w, int h);
    // width * height words followed by the guard word, rebuilt from the
    // palette or the native data when absent, else zeros.
    virtual uint32_t* GetBits();
    // Fixes the two flags; CommitBits no longer recomputes them.
    virtual void SetImageMode(bool trans, bool alpha);
    virtual void SetVolatile(bool flag) { isVolatile = flag; }
    // To palette form (at most 256 distinct ARGB values, slots in order of
    // first appearance); false, with the image unchanged, otherwise.
    virtual bool Palletize();

    // Software primitives.
    void FillRect(const Rect& rect, const Color& color, int drawMode) override;
    void ClearRect(const Rect& rect) override;
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void Blit(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void BlitF(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect, const Color& color,
               int drawMode) override;
    void BlitRotated(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect, const Color& color,
                     int drawMode, double angle, float centreX, float centreY) override;
    void StretchBlit(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                     const Color& color, int drawMode, bool fastStretch) override;
    void BlitMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clipRect, const Color& color,
                    int drawMode, const Rect& srcRect, bool blend) override;
    void BlitTrianglesTextured(Image* source, const TriVertex (*triangles)[3], int triangleCount,
                               const Rect& clipRect, const Color& color, int drawMode, float offsetX, float offsetY,
                               bool blend) override;

    // The source rect of a stretch of destRect clipped to clipRect (doubles
    // in srcOut); false when nothing is left. `mirrored` trims the source's
    // left side for clipping on the right.
    static bool ClipStretch(const Rect& destRect, const Rect& srcRect, const Rect& clipRect, bool mirrored,
                            Rect& destOut, FRect& srcOut);

    // The filtered stretch of the double source rect into dest of this
    // image, on its own (the surface image's filtered stretch uses it).
    void SlowStretchBlit(MemoryImage* src, const Rect& dest, const FRect& srcRect) { SlowStretch(src, dest, srcRect); }

    bool HasBits() const { return bits != nullptr; }
    size_t PixelCount() const;

    std::unique_ptr<uint32_t[]> bits;
    std::unique_ptr<uint32_t[]> palette;
    std::unique_ptr<uint8_t[]> colorIndices;
    std::unique_ptr<uint32_t[]> nativeAlphaData;
    std::unique_ptr<uint8_t[]> rlAlphaData;
    std::unique_ptr<uint8_t[]> rlAdditiveData;
    NativeFormat nativeFormat;  // the layout nativeAlphaData was built for

    int bitsChangedCount = 0;
    int d3dFlags = 0;
    bool forcedMode = false;
    bool hasTrans = false;
    bool hasAlpha = false;
    bool isVolatile = false;
    bool purgeBits = false;
    bool wantPalletize = false;
    bool bitsChangedPending = false;
    GraphicsApp* app = nullptr;

private:
    // Row `y` of the pixels from column x, n words: the bits themselves, or
    // the palette's colours written into scratch.
    const uint32_t* SourceRow(int x, int y, int n, uint32_t* scratch);
    void NormalBlit(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color);
    void AdditiveBlit(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color);
    void NormalLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode);
    void FastStretch(MemoryImage* src, const Rect& dest, const FRect& srcRect, const Color& color);
    void SlowStretch(MemoryImage* src, const Rect& dest, const FRect& srcRect);
    int DestFormat() const;
};

}  // namespace Vant
