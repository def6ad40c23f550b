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
namespace Vant {

class MemoryImage;

class GraphicsApp {
public:
    virtual void RegisterMemoryImage(MemoryImage* image) = 0;
    // Also drops whatever 3D data the application holds for the image.
    virtual void UnregisterMemoryImage(MemoryImage* image) = 0;
    virtual void SetImageSetDirty() = 0;

protected:
    ~GraphicsApp() = default;
};

// The process-wide application; null until one installs itself (images made
// then belong to no application).
GraphicsApp* GetGraphicsApp();
void SetGraphicsApp(GraphicsApp* app);

}  // namespace Vant
