#pragma once
// The application as the graphics layer sees it, for tests: records the
// live memory images and the image-set flag, and installs itself for its
// lifetime.
#include "framework/graphics/GraphicsApp.h"

#include <set>

namespace graphicstest {

class FakeGraphicsApp : public Vant::GraphicsApp {
public:
    FakeGraphicsApp() : previous_(Vant::GetGraphicsApp()) { Vant::SetGraphicsApp(this); }
    ~FakeGraphicsApp() { Vant::SetGraphicsApp(previous_); }

    void RegisterMemoryImage(Vant::MemoryImage* image) override { images.insert(image); }
    void UnregisterMemoryImage(Vant::MemoryImage* image) override { images.erase(image); }
    void SetImageSetDirty() override { ++dirtyRaised; }

    std::set<Vant::MemoryImage*> images;
    int dirtyRaised = 0;

private:
    Vant::GraphicsApp* previous_;
};

}  // namespace graphicstest
