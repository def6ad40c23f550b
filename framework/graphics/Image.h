#pragma once
// The abstract image: size, cel grid, animation record and the fifteen
// drawing primitives every concrete image implements; and the handle that
// shares images between owners.
#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"
#include "framework/raster/Raster.h"

#include <memory>
#include <vector>

namespace Vant {

class Matrix3;

// Animation of an image's cels, as the resource list describes it.
struct ImageAnimation {
    enum Type : int { None = 0, Once = 1, PingPong = 2, Loop = 3 };
    int type = None;
    int frameDelay = 1;
    int numFrames = 1;
    std::vector<int> perFrameDelay;
    std::vector<int> frameMap;
    int totalDuration = 0;

    // Fills the frame map and delays for numCels frames and sets the total.
    void Compute(int numCels, int beginDelay, int endDelay);
};

// One vertex of a textured triangle: position, texture coordinate as a
// fraction of the texture's size, colour 0xAARRGGBB.
using TriVertex = SWRaster::TriVertex;

// Draw modes.
enum : int { DrawModeNormal = 0, DrawModeAdditive = 1 };

class Image {
public:
    Image() = default;
    Image(const Image& other);
    Image& operator=(const Image&) = delete;
    virtual ~Image();

    // Cel grid; a grid of 0 (or fewer) columns or rows counts as one.
    int GetCelWidth() const;
    int GetCelHeight() const;
    Rect GetCelRect(int cel) const;

    // The primitives. The destination is always this image; colours equal to
    // Color::White draw uncoloured; draw mode 0 blends, 1 adds.
    virtual bool FillPolygon3D(const int* points, int pointCount, const Rect* clipRect, const Color& color,
                               int drawMode, int offsetX, int offsetY, bool flag);
    virtual void FillRect(const Rect& rect, const Color& color, int drawMode);
    // Outline covering width + 1 by height + 1 pixels, as four fills.
    virtual void DrawRect(const Rect& rect, const Color& color, int drawMode);
    virtual void ClearRect(const Rect& rect);
    virtual void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode);
    // spans: spanCount triples (y, x, width), one FillRect each.
    virtual void FillScanLines(const int* spans, int spanCount, const Color& color, int drawMode);
    virtual void Blit(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
    virtual void BlitF(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                       const Color& color, int drawMode);
    // angle in radians; the centre is relative to the source rect.
    virtual void BlitRotated(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                             const Color& color, int drawMode, double angle, float centreX, float centreY);
    virtual void StretchBlit(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                             const Color& color, int drawMode, bool fastStretch);
    virtual void BlitMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clipRect,
                            const Color& color, int drawMode, const Rect& srcRect, bool blend);
    // triangles: triangleCount groups of three vertices.
    virtual void BlitTrianglesTextured(Image* source, const TriVertex (*triangles)[3], int triangleCount,
                                       const Rect& clipRect, const Color& color, int drawMode, float offsetX,
                                       float offsetY, bool blend);
    virtual void BlitMirror(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
    virtual void StretchBlitMirror(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                                   const Color& color, int drawMode, bool fastStretch);

    int width = 0;
    int height = 0;
    int numRows = 1;
    int numCols = 1;
    std::unique_ptr<ImageAnimation> animation;
};

// The application's record of one shared image: the application owns both
// the record and the image and frees them once the count stays at 0.
struct SharedImage {
    std::unique_ptr<Image> image;
    int refCount = 0;
};

// Handle to a shared image, or to an image that is not shared. An unshared
// image is held with one ownership rule for every copy: when the handle was
// given ownership, the image lives until the last handle that carries it
// lets go, so no copy ever dangles.
class SharedImageRef {
public:
    SharedImageRef() = default;
    explicit SharedImageRef(SharedImage* shared);
    SharedImageRef(const SharedImageRef& other);
    SharedImageRef& operator=(const SharedImageRef& other);
    SharedImageRef& operator=(SharedImage* shared);
    ~SharedImageRef();

    // Lets go of the shared record (raising the application's image-set
    // flag when its count reaches 0) and of the unshared image.
    void Release();
    // Holds `image` unshared; with `owns` the handles delete it when the
    // last of them lets go.
    void AssignUnshared(Image* image, bool owns = false);
    Image* GetImage() const;

    SharedImage* sharedImage() const { return shared_; }
    Image* unsharedImage() const { return unshared_.get(); }
    bool ownsUnshared() const { return ownsUnshared_; }

private:
    SharedImage* shared_ = nullptr;
    std::shared_ptr<Image> unshared_;
    bool ownsUnshared_ = false;
};

}  // namespace Vant
