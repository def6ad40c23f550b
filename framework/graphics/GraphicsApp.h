#pragma once
// What the graphics layer needs of the application above it. The
// application object implements this and installs itself with
// SetGraphicsApp; the graphics code never includes the application's
// headers. Tests install a fake.
//
// The part declared so far is the image bookkeeping:
// - every memory image registers itself from construction to destruction
//   (the application keeps the set of live images, under its display lock);
// - releasing the last reference to a shared image raises the
//   application's image-set-dirty flag; the application frees unreferenced
//   shared images later, never the releasing reference.
#include <string>

#include "framework/graphics/Image.h"

namespace Vant {

class MemoryImage;

class GraphicsApp {
public:
    virtual void RegisterMemoryImage(MemoryImage* image) = 0;
    // Also drops whatever 3D data the application holds for the image.
    virtual void UnregisterMemoryImage(MemoryImage* image) = 0;
    virtual void SetImageSetDirty() = 0;

    // ---- image fonts: shared images, copies, error pop-ups ----
    // One image per upper-cased (file, variant); *isNew tells whether it was
    // opened just now. Here: none.
    virtual SharedImageRef OpenSharedImage(const std::string& file, const std::string& variant, bool* isNew);
    // A new image holding a copy of the whole image. Here: a memory image.
    virtual MemoryImage* DuplicateImage(Image* image);
    // Shows an error to the user. Here: nothing.
    virtual void Popup(const std::string& text);

protected:
    ~GraphicsApp() = default;
};

// The process-wide application; null until one installs itself (images made
// then belong to no application).
GraphicsApp* GetGraphicsApp();
void SetGraphicsApp(GraphicsApp* app);

}  // namespace Vant
