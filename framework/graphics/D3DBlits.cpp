// The surface image's positioned, mirrored, rotated and stretched blits in
// 3D: each builds its matrix step by step (every step acting after the ones
// before) and draws the source rect through BltTransformed.
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/MemoryImage.h"

namespace Vant {

namespace {

struct Steps {
    Transform t;
    Steps& Translate(float x, float y) { return t.TranslateMatrix(x, y), *this; }
    Steps& Scale(float x, float y) { return t.ScaleMatrix(x, y), *this; }
    Steps& Rotate(float a) { return t.RotateMatrix(a), *this; }
    const Matrix3& Matrix() const { return t.matrix; }
};

}  // namespace

void D3DInterface::BltClipF(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                            const Color& color, int drawMode) {
    Steps s;
    s.Translate(x, y);
    BltTransformed(image, &clipRect, color, drawMode, srcRect, s.Matrix(), true, 0, 0, false);
}

void D3DInterface::BltMirror(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color,
                             int drawMode, const Rect* clipRect) {
    Steps s;
    s.Translate(-float(srcRect.width), 0).Scale(-1, 1).Translate(x, y);
    BltTransformed(image, clipRect, color, drawMode, srcRect, s.Matrix(), false, 0, 0, false);
}

void D3DInterface::BltRotated(MemoryImage* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                              const Color& color, int drawMode, double angle, float centreX, float centreY) {
    Steps s;
    s.Translate(-centreX, -centreY).Rotate(float(angle)).Translate(x + centreX, y + centreY);
    BltTransformed(image, &clipRect, color, drawMode, srcRect, s.Matrix(), true, 0, 0, false);
}

void D3DInterface::StretchBlt(MemoryImage* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                              const Color& color, int drawMode, bool fastStretch, bool mirror) {
    if (srcRect.width <= 0 || srcRect.height <= 0) return;
    const float sx = float(destRect.width) / float(srcRect.width), sy = float(destRect.height) / float(srcRect.height);
    Steps s;
    if (mirror) s.Translate(-float(srcRect.width), 0).Scale(-sx, sy);
    else s.Scale(sx, sy);
    s.Translate(float(destRect.x), float(destRect.y));
    BltTransformed(image, &clipRect, color, drawMode, srcRect, s.Matrix(), !fastStretch, 0, 0, false);
}

}  // namespace Vant
