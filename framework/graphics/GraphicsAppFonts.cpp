#include "framework/graphics/GraphicsApp.h"
#include "framework/graphics/MemoryImage.h"

namespace Vant {

SharedImageRef GraphicsApp::OpenSharedImage(const std::string&, const std::string&, bool* isNew) {
    if (isNew) *isNew = false;
    return SharedImageRef();
}

MemoryImage* GraphicsApp::DuplicateImage(Image* image) {
    auto* copy = new MemoryImage(this);
    if (!image) return copy;
    if (auto* mem = dynamic_cast<MemoryImage*>(image)) {
        copy->SetBits(mem->GetBits(), image->width, image->height);
    } else {
        copy->Create(image->width, image->height);
        copy->Blit(image, 0, 0, Rect(0, 0, image->width, image->height), Color::White, DrawModeNormal);
    }
    copy->numRows = image->numRows;
    copy->numCols = image->numCols;
    return copy;
}

void GraphicsApp::Popup(const std::string&) {}

}  // namespace Vant
