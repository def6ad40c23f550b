// The 3D screen's draws. Until the 3D device exists the display never runs
// in 3D (Init refuses with code 7), so none of these is reached; the 3D
// layer fills them in.
#include "framework/graphics/DDImage.h"

namespace Vant {

bool DDImage::Has3DTransforms() const { return false; }

bool DDImage::Forward3DFillPolygon(const int*, int, const Rect*, const Color&, int, int, int, bool) { return true; }

void DDImage::Forward3DFillRect(const Rect&, const Color&, int) {}

void DDImage::Forward3DDrawLine(double, double, double, double, const Color&, int) {}

void DDImage::Forward3DBlit(Image*, float, float, const Rect&, const Color&, int, bool) {}

void DDImage::Forward3DBlitF(Image*, float, float, const Rect&, const Rect&, const Color&, int) {}

void DDImage::Forward3DBlitMirror(Image*, float, float, const Rect&, const Color&, int) {}

}  // namespace Vant
