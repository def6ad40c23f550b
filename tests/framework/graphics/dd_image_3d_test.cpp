// The 3D screen's rotated, stretched, mirrored, matrix and triangle draws go
// to the 3D layer and land where the software paths put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/graphics/Transform.h"
#include "platform/SoftwareDevice3D.h"
#include "support/SurfaceRig.h"

namespace {

using namespace Vant;
using graphicstest::SurfaceRig;

// The device outlives the display, which releases its 3D layer last.
struct Device {
    plat::SoftwareDevice3D dev;
};

struct Rig3D : Device, SurfaceRig {
    DDImage* screen = nullptr;
    Rig3D() {
        display.device3D = &dev;
        display.Set3D(true);
        EXPECT_EQ(display.Init(1, true), 0) << display.ErrorText();
        screen = display.GetScreenImage();
        EXPECT_TRUE(screen->Is3DScreen());
    }
    std::uint32_t At(int x, int y) { return display.DrawSurface()->PixelAt(x, y) & 0xFFFFFF; }
};

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

TEST(Screen3DDraws, FastStretchAndItsMirrorRepeatTexels) {
    for (bool mirror : {false, true}) {
        SCOPED_TRACE(mirror);
        Rig3D rig;
        auto src = rig.Image(2, 1, {kRed, kGreen});
        const Rect clip(0, 0, 64, 48);
        if (mirror) rig.screen->StretchBlitMirror(src.get(), Rect(4, 4, 4, 2), Rect(0, 0, 2, 1), clip, Color::White, 0, true);
        else rig.screen->StretchBlit(src.get(), Rect(4, 4, 4, 2), Rect(0, 0, 2, 1), clip, Color::White, 0, true);
        EXPECT_EQ(rig.screen->lastPath, DDImage::Path::Direct3D);
        rig.display.d3d.EndScene();
        const std::uint32_t left = mirror ? 0x00FF00 : 0xFF0000, right = mirror ? 0xFF0000 : 0x00FF00;
        for (int y = 4; y < 6; ++y) {
            EXPECT_EQ(rig.At(4, y), left);
            EXPECT_EQ(rig.At(5, y), left);
            EXPECT_EQ(rig.At(6, y), right);
            EXPECT_EQ(rig.At(7, y), right);
            EXPECT_EQ(rig.At(3, y), 0u);
            EXPECT_EQ(rig.At(8, y), 0u);
        }
        EXPECT_EQ(rig.At(4, 6), 0u);
    }
}

TEST(Screen3DDraws, StretchHonoursTheClipRect) {
    Rig3D rig;
    auto src = rig.Image(2, 1, {kRed, kGreen});
    rig.screen->StretchBlit(src.get(), Rect(4, 4, 4, 2), Rect(0, 0, 2, 1), Rect(0, 0, 6, 48), Color::White, 0, true);
    rig.display.d3d.EndScene();
    EXPECT_EQ(rig.At(5, 4), 0xFF0000u);
    EXPECT_EQ(rig.At(6, 4), 0u);
}

TEST(Screen3DDraws, RotationTurnsTheSameWayAsTheSoftwareBlit) {
    Rig3D rig;
    auto src = rig.Image(4, 2, std::vector<std::uint32_t>(8, kWhite));
    rig.dev.record = true;
    const float x = 10, y = 12, cx = 2, cy = 1;
    const double angle = 0.5;
    rig.screen->BlitRotated(src.get(), x, y, Rect(0, 0, 4, 2), Rect(0, 0, 64, 48), Color::White, 0, angle, cx, cy);
    EXPECT_EQ(rig.screen->lastPath, DDImage::Path::Direct3D);
    ASSERT_EQ(rig.dev.calls.size(), 1u);
    const auto& v = rig.dev.calls[0].vertices;
    ASSERT_EQ(v.size(), 4u);
    // The software blit's corner rule, less the half-pixel offset.
    const float c = float(std::cos(angle)), s = float(std::sin(angle));
    const float corners[4][2] = {{0, 0}, {4, 0}, {0, 2}, {4, 2}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const float px = corners[i][0] - cx, py = corners[i][1] - cy;
        EXPECT_NEAR(v[i].x, px * c + py * s + cx + x - 0.5f, 1e-4);
        EXPECT_NEAR(v[i].y, py * c - px * s + cy + y - 0.5f, 1e-4);
        EXPECT_FLOAT_EQ(v[i].u, corners[i][0] / 4);
        EXPECT_FLOAT_EQ(v[i].v, corners[i][1] / 2);
    }
}

TEST(Screen3DDraws, MatrixBlitIsCentredOnItsPosition) {
    Rig3D rig;
    auto src = rig.Image(2, 2, {kRed, kGreen, kBlue, kWhite});
    Matrix3 identity;
    rig.screen->BlitMatrix(src.get(), 20, 10, identity, Rect(0, 0, 64, 48), Color::White, 0, Rect(0, 0, 2, 2), false);
    EXPECT_EQ(rig.screen->lastPath, DDImage::Path::Direct3D);
    rig.display.d3d.EndScene();
    EXPECT_EQ(rig.At(19, 9), 0xFF0000u);
    EXPECT_EQ(rig.At(20, 9), 0x00FF00u);
    EXPECT_EQ(rig.At(19, 10), 0x0000FFu);
    EXPECT_EQ(rig.At(20, 10), 0xFFFFFFu);
    EXPECT_EQ(rig.At(18, 9), 0u);
    EXPECT_EQ(rig.At(21, 10), 0u);
}

TEST(Screen3DDraws, TrianglesGoOutWithTheirOffsetsAndColour) {
    Rig3D rig;
    auto src = rig.Image(2, 2, std::vector<std::uint32_t>(4, kWhite));
    rig.dev.record = true;
    const TriVertex tris[2][3] = {{{0, 0, 0, 0, 0}, {8, 0, 1, 0, 0}, {0, 8, 0, 1, 0}},
                                  {{8, 0, 1, 0, 0xFF102030}, {8, 8, 1, 1, 0}, {0, 8, 0, 1, 0}}};
    rig.screen->BlitTrianglesTextured(src.get(), tris, 2, Rect(0, 0, 64, 48), Color(10, 20, 30, 40), 1, 5, 6, false);
    EXPECT_EQ(rig.screen->lastPath, DDImage::Path::Direct3D);
    ASSERT_EQ(rig.dev.calls.size(), 1u);
    const auto& call = rig.dev.calls[0];
    EXPECT_EQ(call.type, plat::Primitive::TriangleList);
    ASSERT_EQ(call.vertices.size(), 6u);
    EXPECT_FLOAT_EQ(call.vertices[1].x, 13);
    EXPECT_FLOAT_EQ(call.vertices[2].y, 14);
    EXPECT_EQ(call.vertices[0].diffuse, 0x280A141Eu);  // zero takes the draw colour
    EXPECT_EQ(call.vertices[3].diffuse, 0xFF102030u);
    EXPECT_EQ(rig.dev.RenderStateValue(plat::RenderState::DestBlend), plat::kBlendOne);
}

TEST(Screen3DDraws, OtherImagesDrawMatricesOnTheirBits) {
    Rig3D rig;
    auto src = rig.Image(2, 2, std::vector<std::uint32_t>(4, kWhite));
    auto dst = rig.Solid(8, 8, 0xFF000000);
    rig.dev.record = true;
    Matrix3 identity;
    dst->BlitMatrix(src.get(), 4, 4, identity, Rect(0, 0, 8, 8), Color::White, 0, Rect(0, 0, 2, 2), false);
    EXPECT_TRUE(rig.dev.calls.empty());
    EXPECT_NE(dst->lastPath, DDImage::Path::Direct3D);
    EXPECT_EQ(dst->GetBits()[4 * 8 + 4] & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
