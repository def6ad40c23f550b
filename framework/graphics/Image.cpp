#include "framework/graphics/Image.h"

#include "framework/graphics/GraphicsApp.h"

namespace Vant {

namespace {
GraphicsApp* gApp = nullptr;
}

GraphicsApp* GetGraphicsApp() { return gApp; }
void SetGraphicsApp(GraphicsApp* app) { gApp = app; }

Image::Image(const Image& other)
    : width(other.width), height(other.height), numRows(other.numRows), numCols(other.numCols),
      animation(other.animation ? std::make_unique<ImageAnimation>(*other.animation) : nullptr) {}

Image::~Image() = default;

int Image::GetCelWidth() const { return numCols > 0 ? width / numCols : width; }
int Image::GetCelHeight() const { return numRows > 0 ? height / numRows : height; }

Rect Image::GetCelRect(int cel) const {
    const int cols = numCols > 0 ? numCols : 1;
    const int w = GetCelWidth(), h = GetCelHeight();
    return Rect((cel % cols) * w, (cel / cols) * h, w, h);
}

bool Image::FillPolygon3D(const int*, int, const Rect*, const Color&, int, int, int, bool) { return false; }
void Image::FillRect(const Rect&, const Color&, int) {}

void Image::DrawRect(const Rect& r, const Color& color, int drawMode) {
    FillRect(Rect(r.x, r.y, r.width + 1, 1), color, drawMode);
    FillRect(Rect(r.x, r.y + r.height, r.width + 1, 1), color, drawMode);
    FillRect(Rect(r.x, r.y + 1, 1, r.height - 1), color, drawMode);
    FillRect(Rect(r.x + r.width, r.y + 1, 1, r.height - 1), color, drawMode);
}

void Image::ClearRect(const Rect&) {}
void Image::DrawLine(double, double, double, double, const Color&, int) {}

void Image::FillScanLines(const int* spans, int spanCount, const Color& color, int drawMode) {
    for (int i = 0; i < spanCount; ++i)
        FillRect(Rect(spans[3 * i + 1], spans[3 * i], spans[3 * i + 2], 1), color, drawMode);
}

void Image::Blit(Image*, int, int, const Rect&, const Color&, int) {}
void Image::BlitF(Image*, float, float, const Rect&, const Rect&, const Color&, int) {}
void Image::BlitRotated(Image*, float, float, const Rect&, const Rect&, const Color&, int, double, float, float) {}
void Image::StretchBlit(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}
void Image::BlitMatrix(Image*, float, float, const Matrix3&, const Rect&, const Color&, int, const Rect&, bool) {}
void Image::BlitTrianglesTextured(Image*, const TriVertex (*)[3], int, const Rect&, const Color&, int, float, float,
                                  bool) {}
void Image::BlitMirror(Image*, int, int, const Rect&, const Color&, int) {}
void Image::StretchBlitMirror(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}

// ---------------------------------------------------------------------------

SharedImageRef::SharedImageRef(SharedImage* shared) : shared_(shared) {
    if (shared_) ++shared_->refCount;
}

SharedImageRef::SharedImageRef(const SharedImageRef& other)
    : shared_(other.shared_), unshared_(other.unshared_), ownsUnshared_(other.ownsUnshared_) {
    if (shared_) ++shared_->refCount;
}

SharedImageRef& SharedImageRef::operator=(const SharedImageRef& other) {
    if (this == &other) return *this;
    // Take the new references before letting go of the old ones: the two
    // may lead to the same record.
    SharedImage* shared = other.shared_;
    std::shared_ptr<Image> unshared = other.unshared_;
    const bool owns = other.ownsUnshared_;
    if (shared) ++shared->refCount;
    Release();
    shared_ = shared;
    unshared_ = std::move(unshared);
    ownsUnshared_ = owns;
    return *this;
}

SharedImageRef& SharedImageRef::operator=(SharedImage* shared) {
    if (shared) ++shared->refCount;
    Release();
    shared_ = shared;
    return *this;
}

SharedImageRef::~SharedImageRef() { Release(); }

void SharedImageRef::Release() {
    unshared_.reset();
    if (shared_) {
        if (--shared_->refCount == 0) {
            if (GraphicsApp* app = GetGraphicsApp()) app->SetImageSetDirty();
        }
        shared_ = nullptr;
    }
}

void SharedImageRef::AssignUnshared(Image* image, bool owns) {
    Release();
    ownsUnshared_ = owns;
    if (!image) return;
    if (owns)
        unshared_.reset(image);
    else
        unshared_ = std::shared_ptr<Image>(image, [](Image*) {});
}

Image* SharedImageRef::GetImage() const {
    if (unshared_) return unshared_.get();
    return shared_ ? shared_->image.get() : nullptr;
}

}  // namespace Vant
