#pragma once
// A 64 x 48 headless display in a chosen desktop format, and surface images
// on it, for the tests of the surface image's draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "platform/headless/HeadlessDisplay.h"
#include "FakeGraphicsApp.h"

namespace graphicstest {

struct SurfaceRig {
    FakeGraphicsApp app;
    plat::headless::HeadlessDisplay device;
    Vant::DDInterface display{device, &app};
    explicit SurfaceRig(plat::PixelFormat desktop = plat::kFormat888) {
        device.desktop = desktop;
        device.clientWidth = 64;
        device.clientHeight = 48;
        display.config.width = 64;
        display.config.height = 48;
        EXPECT_EQ(display.Init(1, true), 0);
    }
    std::unique_ptr<Vant::DDImage> Image(int w, int h, const std::vector<std::uint32_t>& words) {
        auto im = std::make_unique<Vant::DDImage>(&display);
        im->SetBits(words.data(), w, h);
        return im;
    }
    std::unique_ptr<Vant::DDImage> Solid(int w, int h, std::uint32_t argb) {
        return Image(w, h, std::vector<std::uint32_t>(static_cast<size_t>(w) * h, argb));
    }
    // An opaque picture on its own surface, as the screen would be.
    std::unique_ptr<Vant::DDImage> Screen(int w, int h, std::uint32_t argb = 0xFF000000) {
        auto im = Solid(w, h, argb);
        EXPECT_TRUE(im->GenerateDDSurface());
        return im;
    }
};

inline std::uint32_t Pixel(Vant::DDImage& im, int x, int y) { return im.surface->PixelAt(x, y); }

}  // namespace graphicstest
