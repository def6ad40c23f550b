#include "framework/graphics/SysFont.h"

#include <cmath>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/GraphicsApp.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/SurfaceResults.h"
#include "platform/SystemFont.h"

namespace Vant {

SysFont::SysFont(GraphicsApp* app, const std::string& faceName, int pointSize, int, bool bold, bool italic,
                 bool underline)
    : mApp(app), face_(faceName), bold_(bold), italic_(italic), underline_(underline) {
    // Points at 96 dots per inch, rounded to the nearest pixel.
    pixelSize_ = static_cast<int>(std::lround(pointSize * 96.0 / 72.0));
    Open();
}

SysFont::SysFont(const SysFont& other)
    : Font(other),
      mApp(other.mApp),
      face_(other.face_),
      pixelSize_(other.pixelSize_),
      bold_(other.bold_),
      italic_(other.italic_),
      underline_(other.underline_) {
    ascentPadding = 0;
    lineSpacingOffset = 0;
    Open();
}

SysFont::~SysFont() = default;

void SysFont::Open() {
    std::string error;
    font_ = plat::SystemFont::Open(face_, pixelSize_, bold_, italic_, underline_, &error);
    if (!font_) {
        if (mApp) mApp->Popup(error);
        return;
    }
    ascent = font_->Ascent();
    height = font_->Height();
}

Font* SysFont::Duplicate() { return new SysFont(*this); }

int SysFont::StringWidth(const std::string& text) { return font_ ? font_->MeasureText(text) : 0; }

void SysFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                         const Rect& clipRect) {
    auto* dest = dynamic_cast<MemoryImage*>(g->destImage);
    if (!font_ || !dest || text.empty()) return;
    const int left = static_cast<int>(x + g->transX);
    const int top = static_cast<int>(y - ascent + 1 + g->transY);
    const plat::Rect clip{clipRect.x, clipRect.y, clipRect.width, clipRect.height};
    const uint32_t rgb = (static_cast<uint32_t>(color.r & 0xFF) << 16) | (static_cast<uint32_t>(color.g & 0xFF) << 8) |
                         static_cast<uint32_t>(color.b & 0xFF);

    // A 32-bit surface takes the text straight into its memory; on the 3D
    // screen the software device draws into that memory too, so the text
    // keeps its place in the drawing order.
    if (auto* dd = dynamic_cast<DDImage*>(dest); dd && dd->HasSurface()) {
        plat::LockInfo info;
        const bool ownLock = dd->lockCount == 0;
        if (ownLock ? !plat::Failed(dd->surface->Lock(&info)) : true) {
            if (!ownLock) info = dd->surfaceDesc;
            if (info.bits && info.bpp == 32 && info.rMask == 0xFF0000 && info.gMask == 0xFF00 && info.bMask == 0xFF) {
                font_->DrawText(static_cast<uint32_t*>(info.bits), info.pitch / 4, dd->width, dd->height, clip, left,
                                top, text, rgb);
                if (ownLock) dd->surface->Unlock();
                dd->DropMemoryForms();
                return;
            }
            if (ownLock) dd->surface->Unlock();
        }
    }
    uint32_t* bits = dest->GetBits();
    if (!bits) return;
    font_->DrawText(bits, dest->width, dest->width, dest->height, clip, left, top, text, rgb);
    dest->BitsChanged();
}

}  // namespace Vant
