// The 3D screen's draws, handed to the display's 3D layer.
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"

namespace Vant {

namespace {

MemoryImage* AsMemory(Image* image) { return dynamic_cast<MemoryImage*>(image); }

}  // namespace

bool DDImage::Has3DTransforms() const { return !ddInterface->d3d.transformStack.empty(); }

bool DDImage::Forward3DFillPolygon(const int* points, int pointCount, const Rect* clipRect, const Color& color,
                                   int drawMode, int offsetX, int offsetY, bool) {
    ddInterface->d3d.FillPolygon(points, pointCount, color, drawMode == DrawModeAdditive, clipRect, offsetX, offsetY);
    return true;
}

void DDImage::Forward3DFillRect(const Rect& rect, const Color& color, int drawMode) {
    ddInterface->d3d.FillRect(rect, color, drawMode == DrawModeAdditive);
}

void DDImage::Forward3DDrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) {
    ddInterface->d3d.DrawLine(x1, y1, x2, y2, color, drawMode == DrawModeAdditive);
}

void DDImage::Forward3DBlit(Image* source, float x, float y, const Rect& srcRect, const Color& color, int drawMode,
                            bool linearFilter) {
    if (MemoryImage* m = AsMemory(source)) ddInterface->d3d.Blt(m, x, y, srcRect, color, drawMode, linearFilter);
}

void DDImage::Forward3DBlitF(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                             const Color& color, int drawMode) {
    if (MemoryImage* m = AsMemory(source)) ddInterface->d3d.BltClipF(m, x, y, srcRect, clipRect, color, drawMode);
}

void DDImage::Forward3DBlitMirror(Image* source, float x, float y, const Rect& srcRect, const Color& color,
                                  int drawMode) {
    if (MemoryImage* m = AsMemory(source)) ddInterface->d3d.BltMirror(m, x, y, srcRect, color, drawMode);
}

void DDImage::BlitMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clipRect,
                         const Color& color, int drawMode, const Rect& srcRect, bool blend) {
    if (!Is3DScreen()) {
        MemoryImage::BlitMatrix(source, x, y, matrix, clipRect, color, drawMode, srcRect, blend);
        return;
    }
    lastPath = Path::Direct3D;
    // Centred on (x, y) as the software path draws it.
    if (MemoryImage* m = AsMemory(source))
        ddInterface->d3d.BltTransformed(m, &clipRect, color, drawMode, srcRect, matrix, blend, x, y, true);
}

void DDImage::BlitTrianglesTextured(Image* source, const TriVertex (*triangles)[3], int triangleCount,
                                    const Rect& clipRect, const Color& color, int drawMode, float offsetX,
                                    float offsetY, bool blend) {
    if (!Is3DScreen()) {
        MemoryImage::BlitTrianglesTextured(source, triangles, triangleCount, clipRect, color, drawMode, offsetX,
                                           offsetY, blend);
        return;
    }
    lastPath = Path::Direct3D;
    if (MemoryImage* m = AsMemory(source))
        ddInterface->d3d.BlitTrianglesTextured(m, triangles, triangleCount, color, drawMode == DrawModeAdditive,
                                               offsetX, offsetY, blend);
}

}  // namespace Vant
