// The 3D layer over the software device: texture piece sizes, layout and
// formats, the upload and read-back converters, and what the drawing
// operations send to the device.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/SoftwareDevice3D.h"

namespace {

using namespace Vant;
using plat::Primitive;

struct Fixture {
    plat::SoftwareDevice3D dev;
    std::shared_ptr<plat::Surface> surface;
    D3DInterface d3d;
    std::vector<std::pair<std::string, std::string>> written;
    explicit Fixture(plat::PixelFormat f = plat::kFormat888, int w = 64, int h = 64)
        : surface(std::make_shared<plat::Surface>(w, h, f, plat::MemoryKind::Video)) {
        d3d.writeRegistryString = [this](const std::string& n, const std::string& v) { written.emplace_back(n, v); };
        EXPECT_TRUE(d3d.Init(&dev, surface, w, h, true));
        dev.record = true;
    }
};

void Fill(MemoryImage& img, int w, int h, uint32_t (*f)(int x, int y)) {
    img.Create(w, h);
    uint32_t* p = img.GetBits();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p[y * w + x] = f(x, y);
    img.BitsChanged();
}

TEST(D3DTextures, PieceSizes) {
    Fixture fx;  // device limits 1 .. 1024, any aspect
    struct Case {
        int w, h, flags;
        bool edge;
        int wantW, wantH;
    };
    const Case cases[] = {
        {640, 640, 0, false, 512, 512}, {128, 128, 0, true, 128, 128}, {100, 100, 0, false, 128, 128},
        {65, 65, 0, false, 128, 128},   {1, 1, 0, false, 1, 1},         {100, 40, 0, false, 128, 64},
        {100, 40, 2, false, 64, 64},    {100, 40, 1, false, 128, 64},   {600, 3, 1, false, 1024, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        int w = c.w, h = c.h;
        D3DInterface::GetBestTextureDimensions(w, h, c.edge, true, c.flags);
        EXPECT_EQ(w, c.wantW);
        EXPECT_EQ(h, c.wantH);
    }
    // The device minimum comes after the table; the aspect limit last.
    D3DInterface::minTextureWidth = D3DInterface::minTextureHeight = 8;
    int w = 1, h = 1;
    D3DInterface::GetBestTextureDimensions(w, h, false, true, 0);
    EXPECT_EQ(w, 8);
    D3DInterface::maxTextureAspect = 1;
    w = 100, h = 40;
    D3DInterface::GetBestTextureDimensions(w, h, false, true, 0);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 128);

    // 640 wide: one 512 piece and an edge piece of 128.
    Fixture again;
    MemoryImage img;
    Fill(img, 640, 8, [](int, int) { return 0xFF102030u; });
    ASSERT_TRUE(again.d3d.CreateImageTexture(&img));
    const TextureData* d = again.d3d.GetTextureData(&img);
    ASSERT_EQ(d->columns, 2);
    EXPECT_EQ(d->pieces[0].width, 512);
    EXPECT_EQ(d->pieces[1].width, 128);
    EXPECT_FLOAT_EQ(d->maxU, 1.25f);
}

TEST(D3DTextures, DeviceWithoutTextureLimitsGets64x64) {
    plat::SoftwareDevice3D dev;
    dev.caps.maxTextureWidth = 0;
    auto s = std::make_shared<plat::Surface>(8, 8, plat::kFormat565, plat::MemoryKind::Video);
    D3DInterface d3d;
    ASSERT_TRUE(d3d.Init(&dev, s, 8, 8, true));
    EXPECT_EQ(D3DInterface::maxTextureWidth, 64);
    EXPECT_EQ(D3DInterface::minTextureHeight, 64);
    EXPECT_EQ(D3DInterface::maxTextureAspect, 1);
    dev.caps = {};
    dev.caps.alphaPalette = false;
    ASSERT_TRUE(d3d.Init(&dev, s, 8, 8, true));
    EXPECT_EQ(D3DInterface::maxTextureWidth, 1024);
    EXPECT_EQ(D3DInterface::maxTextureAspect, 65536);
    EXPECT_EQ(D3DInterface::textureFormatMask, 7u) << "no palette textures without alpha palettes";
}

TEST(D3DTextures, FormatChoice) {
    struct Case {
        uint32_t pixel;
        int flags;
        uint32_t mask;
        int want;
    };
    const Case cases[] = {
        {0xFF808080, 0, 15, 4}, {0xFF808080, 8, 15, 1}, {0x80808080, 4, 15, 2},
        {0x80808080, 4, 1 | 4, 1}, {0x80808080, 0, 2 | 4, 2}, {0x00808080, 0, 15, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        Fixture fx;
        fx.dev.formatMask = c.mask;
        ASSERT_TRUE(fx.d3d.Init(&fx.dev, fx.surface, 64, 64, true));
        MemoryImage img;
        img.Create(4, 4);
        std::fill(img.GetBits(), img.GetBits() + 16, c.pixel);
        img.BitsChanged();
        img.d3dFlags = c.flags;
        ASSERT_TRUE(fx.d3d.CreateImageTexture(&img));
        EXPECT_EQ(fx.d3d.GetTextureData(&img)->format, c.want);
    }
}

TEST(D3DTextures, UploadThenReadBackReproducesRepresentablePixels) {
    struct Case {
        int code;
        int flags;
        uint32_t mask;
        uint32_t (*pixel)(int x, int y);
    };
    const Case cases[] = {
        {1, 0, 15, [](int x, int y) { return uint32_t(x) * 0x01030507u + uint32_t(y) * 0x0B0D1113u; }},
        // Four bits a channel, alpha included: n * 17 comes back whole.
        {2, 4, 15, [](int x, int y) { return uint32_t(((x + y) & 15) * 0x11000000u + (x & 15) * 0x110000u +
                                                      (y & 15) * 0x1100u + ((x * 3) & 15) * 0x11u); }},
        {4, 0, 15, [](int x, int y) { return 0xFF000000u | uint32_t((x & 31) * 8) << 16 | uint32_t((y & 63) * 4) << 8 |
                                             uint32_t(((x + y) & 31) * 8); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Fixture fx;
        fx.dev.formatMask = c.mask;
        ASSERT_TRUE(fx.d3d.Init(&fx.dev, fx.surface, 64, 64, true));
        MemoryImage img;
        Fill(img, 70, 20, c.pixel);  // two columns, the second an edge piece
        img.d3dFlags = c.flags;
        ASSERT_TRUE(fx.d3d.CreateImageTexture(&img));
        ASSERT_EQ(fx.d3d.GetTextureData(&img)->format, c.code);
        std::vector<uint32_t> before(img.GetBits(), img.GetBits() + 70 * 20);
        std::fill(img.bits.get(), img.bits.get() + 70 * 20, 0u);
        ASSERT_TRUE(fx.d3d.ReadBackTextures(&img));
        for (int i = 0; i < 70 * 20; ++i) ASSERT_EQ(img.bits[i], before[i]) << i;
    }
    // 8-bit through the palette.
    Fixture fx;
    MemoryImage img;
    Fill(img, 9, 9, [](int x, int y) { return (x + y) % 3 == 0 ? 0x40FF0000u : 0xFF00FF00u; });
    ASSERT_TRUE(img.Palletize());
    ASSERT_TRUE(fx.d3d.CreateImageTexture(&img));
    ASSERT_EQ(fx.d3d.GetTextureData(&img)->format, 8);
    img.bits.reset();
    ASSERT_TRUE(fx.d3d.ReadBackTextures(&img));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(img.bits[y * 9 + x], (x + y) % 3 == 0 ? 0x40FF0000u : 0xFF00FF00u);
}

TEST(D3DTextures, ChangedBitsUploadAgainAndRemoveForgets) {
    Fixture fx;
    MemoryImage img;
    Fill(img, 4, 4, [](int, int) { return 0xFF0000FFu; });
    ASSERT_TRUE(fx.d3d.CreateImageTexture(&img));
    auto first = fx.d3d.GetTextureData(&img)->pieces[0].texture;
    img.GetBits()[0] = 0xFFFF0000u;
    img.BitsChanged();
    ASSERT_TRUE(fx.d3d.CreateImageTexture(&img));
    EXPECT_EQ(fx.d3d.GetTextureData(&img)->pieces[0].texture, first) << "same layout keeps the pieces";
    img.bits[1] = 0;
    ASSERT_TRUE(fx.d3d.ReadBackTextures(&img));
    EXPECT_EQ(img.bits[0] & 0xFFFFFF, 0xFF0000u & 0xF8FCF8u);
    fx.d3d.Remove3DData(&img);
    EXPECT_EQ(fx.d3d.GetTextureData(&img), nullptr);
    EXPECT_TRUE(fx.d3d.Images().empty());
}

// --- Drawing.

TEST(D3DDrawing, LineIsSentWithItsLastPixelStep) {
    Fixture fx;
    fx.d3d.DrawLine(0, 0, 10, 0, Color(255, 255, 255), false);
    ASSERT_EQ(fx.dev.calls.size(), 1u);
    const auto& call = fx.dev.calls[0];
    EXPECT_EQ(call.type, Primitive::LineStrip);
    ASSERT_EQ(call.vertices.size(), 3u);
    const float want[3][2] = {{0, 0}, {10, 0}, {10.5f, 0.5f}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(call.vertices[i].x, want[i][0]);
        EXPECT_FLOAT_EQ(call.vertices[i].y, want[i][1]);
    }
    EXPECT_FALSE(call.textured);
    EXPECT_EQ(fx.surface->PixelAt(10, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(fx.surface->PixelAt(11, 0) & 0xFFFFFF, 0u);
}

TEST(D3DDrawing, TrianglesOnOnePieceGoOutInBatchesOfAHundred) {
    Fixture fx;
    MemoryImage img;
    Fill(img, 16, 16, [](int, int) { return 0xFFFFFFFFu; });
    std::vector<std::array<SWRaster::TriVertex, 3>> tris(250);
    for (auto& t : tris) t = {{{0, 0, 0, 0, 0}, {4, 0, 1, 0, 0}, {0, 4, 0, 1, 0}}};
    fx.d3d.BlitTrianglesTextured(&img, reinterpret_cast<const SWRaster::TriVertex(*)[3]>(tris.data()), 250,
                                 Color(255, 255, 255), false, 0, 0, false);
    ASSERT_EQ(fx.dev.calls.size(), 3u);
    EXPECT_EQ(fx.dev.calls[0].vertices.size(), 300u);
    EXPECT_EQ(fx.dev.calls[1].vertices.size(), 300u);
    EXPECT_EQ(fx.dev.calls[2].vertices.size(), 150u);
    for (const auto& c : fx.dev.calls) EXPECT_EQ(c.type, Primitive::TriangleList);
}

TEST(D3DDrawing, TrianglesOverSeveralPiecesAreCutPerPiece) {
    Fixture fx;
    MemoryImage img;
    Fill(img, 100, 10, [](int x, int) { return x < 64 ? 0xFFFF0000u : 0xFF0000FFu; });
    img.d3dFlags = 2;  // 64 x 64 pieces: two columns
    const SWRaster::TriVertex tri[1][3] = {{{0, 0, 0, 0, 0}, {50, 0, 1, 0, 0}, {0, 5, 0, 0.5f, 0}}};
    fx.d3d.BlitTrianglesTextured(&img, tri, 1, Color(255, 255, 255), false, 0, 0, false);
    ASSERT_EQ(fx.dev.calls.size(), 2u);
    for (const auto& c : fx.dev.calls) {
        EXPECT_EQ(c.type, Primitive::TriangleFan);
        for (const auto& v : c.vertices) {
            EXPECT_GE(v.u, -1e-5f);
            EXPECT_LE(v.u, 1 + 1e-5f);
        }
    }
}

TEST(D3DDrawing, PolygonOfTwoPointsDrawsNothing) {
    Fixture fx;
    const int pts[] = {0, 0, 10, 10};
    fx.d3d.FillPolygon(pts, 2, Color(255, 0, 0), false, nullptr, 0, 0);
    EXPECT_TRUE(fx.dev.calls.empty());
    const int tri[] = {0, 0, 10, 0, 0, 10};
    fx.d3d.FillPolygon(tri, 3, Color(255, 0, 0), false, nullptr, 0, 0);
    ASSERT_EQ(fx.dev.calls.size(), 1u);
    EXPECT_EQ(fx.dev.calls[0].type, Primitive::TriangleFan);
}

TEST(D3DDrawing, QuadCrossingTheClipBecomesAnInterpolatedFan) {
    // A quad from (0,0) to (20,20) clipped at x <= 10 and y >= 5.
    auto v = [](float x, float y, uint32_t c, float u, float vv) { return plat::Vertex3D{x, y, 0, 1, c, 0, u, vv}; };
    std::vector<plat::Vertex3D> poly = {v(0, 0, 0xFF000000, 0, 0), v(20, 0, 0xFFFF0000, 1, 0),
                                        v(20, 20, 0xFFFF00FF, 1, 1), v(0, 20, 0xFF0000FF, 0, 1)};
    ClipPolygonToRect(poly, Rect(0, 5, 10, 100));
    ASSERT_EQ(poly.size(), 4u);
    struct Want {
        float x, y, u, v;
        uint32_t c;
    };
    const Want want[] = {{0, 5, 0, 0.25f, 0xFF00003F}, {10, 5, 0.5f, 0.25f, 0xFF7F003F},
                         {10, 20, 0.5f, 1, 0xFF7F00FF}, {0, 20, 0, 1, 0xFF0000FF}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        // The start vertex depends on where the passes cut; find by position.
        bool found = false;
        for (const auto& p : poly)
            if (std::abs(p.x - want[i].x) < 1e-4f && std::abs(p.y - want[i].y) < 1e-4f) {
                found = true;
                EXPECT_NEAR(p.u, want[i].u, 1e-5f);
                EXPECT_NEAR(p.v, want[i].v, 1e-5f);
                EXPECT_EQ(p.diffuse, want[i].c);
            }
        EXPECT_TRUE(found);
    }
    // Through the layer: a transformed blit with a clip rect sends a fan.
    Fixture fx;
    MemoryImage img;
    Fill(img, 20, 20, [](int, int) { return 0xFFFFFFFFu; });
    const Rect clip(0, 0, 10, 64);
    fx.d3d.BltTransformed(&img, &clip, Color(255, 255, 255), 0, Rect(0, 0, 20, 20), Matrix3(), false, 0, 0, false);
    ASSERT_EQ(fx.dev.calls.size(), 1u);
    EXPECT_EQ(fx.dev.calls[0].type, Primitive::TriangleFan);
    for (const auto& p : fx.dev.calls[0].vertices) EXPECT_LE(p.x, 10.0001f);
}

TEST(D3DDrawing, BlitAcrossPiecesReproducesTheImage) {
    Fixture fx(plat::kFormat888, 128, 64);
    MemoryImage img;
    Fill(img, 100, 40, [](int x, int y) { return 0xFF000000u | uint32_t(x * 2) << 16 | uint32_t(y * 5) << 8 | 7u; });
    img.d3dFlags = 2 | 8;  // 64 x 64 pieces, 32-bit texels
    fx.d3d.Blt(&img, 3, 4, Rect(0, 0, 100, 40), Color(255, 255, 255), 0, false);
    EXPECT_EQ(fx.dev.calls.size(), 2u);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(fx.surface->PixelAt(x + 3, y + 4) & 0xFFFFFF, img.GetBits()[y * 100 + x] & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(fx.surface->PixelAt(2, 4) & 0xFFFFFF, 0u);
    EXPECT_EQ(fx.surface->PixelAt(103, 4) & 0xFFFFFF, 0u);
}

TEST(D3DDrawing, MinimisedDrawsNothingAndOpensNoScene) {
    Fixture fx;
    bool minimised = true;
    fx.d3d.isMinimised = [&] { return minimised; };
    fx.d3d.FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), false);
    EXPECT_TRUE(fx.dev.calls.empty());
    EXPECT_FALSE(fx.d3d.SceneOpen());
    EXPECT_EQ(fx.dev.scenesBegun, 0);
    minimised = false;
    fx.d3d.FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), false);
    EXPECT_EQ(fx.dev.calls.size(), 1u);
    EXPECT_TRUE(fx.d3d.SceneOpen());
    EXPECT_EQ(fx.surface->PixelAt(3, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(fx.surface->PixelAt(4, 4) & 0xFFFFFF, 0u);
}

TEST(D3DDrawing, RenderTargetFailureSkipsTheFrameAndKeepsTheFlag) {
    Fixture fx;
    fx.dev.FailStep(plat::SoftwareDevice3D::Step::SetRenderTarget, plat::res::DDERR_SURFACELOST);
    fx.d3d.FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), false);
    EXPECT_TRUE(D3DInterface::renderTargetLost);
    EXPECT_TRUE(fx.dev.calls.empty());
    EXPECT_TRUE(D3DInterface::errorText3D.empty()) << "a lost target is not a 3D error";
    fx.d3d.FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), false);
    EXPECT_FALSE(D3DInterface::renderTargetLost);
    EXPECT_EQ(fx.dev.calls.size(), 1u);
}

TEST(D3DDrawing, DeviceErrorIsRecordedAndWritten) {
    Fixture fx;
    fx.dev.FailStep(plat::SoftwareDevice3D::Step::DrawPrimitive, plat::res::DDERR_SURFACELOST);
    fx.d3d.FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), false);
    EXPECT_EQ(D3DInterface::errorText3D, "DrawPrimitive (Rect): DDERR_SURFACELOST");
    ASSERT_EQ(fx.written.size(), 1u);
    EXPECT_EQ(fx.written[0].first, "Test3D\\RuntimeError");
    EXPECT_EQ(fx.written[0].second, D3DInterface::errorText3D);
}

TEST(D3DDrawing, MirroredStretchedAndRotatedBlitsPlaceTheirTexels) {
    auto texel = [](int x, int y) { return 0xFF000000u | uint32_t(x * 30) << 16 | uint32_t(y * 40) << 8 | 9u; };
    MemoryImage img;
    Fill(img, 6, 4, [](int x, int y) { return 0xFF000000u | uint32_t(x * 30) << 16 | uint32_t(y * 40) << 8 | 9u; });
    img.d3dFlags = 8;
    const Rect clip(0, 0, 64, 64), all(0, 0, 6, 4);
    {
        SCOPED_TRACE("mirror");
        Fixture fx;
        fx.d3d.BltMirror(&img, 10, 5, all, Color::White, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) EXPECT_EQ(fx.surface->PixelAt(10 + x, 5 + y) & 0xFFFFFF, texel(5 - x, y) & 0xFFFFFF);
        EXPECT_EQ(fx.surface->PixelAt(9, 5) & 0xFFFFFF, 0u);
        EXPECT_EQ(fx.surface->PixelAt(16, 5) & 0xFFFFFF, 0u);
    }
    for (const bool mirror : {false, true}) {
        SCOPED_TRACE(mirror ? "stretch mirrored" : "stretch");
        Fixture fx;
        fx.d3d.StretchBlt(&img, Rect(2, 3, 12, 8), all, clip, Color::White, 0, true, mirror);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x) {
                const int sx = mirror ? 5 - x / 2 : x / 2;
                EXPECT_EQ(fx.surface->PixelAt(2 + x, 3 + y) & 0xFFFFFF, texel(sx, y / 2) & 0xFFFFFF) << x << "," << y;
            }
    }
    {
        SCOPED_TRACE("rotated a half turn about the centre");
        Fixture fx;
        fx.d3d.BltRotated(&img, 20, 20, all, clip, Color::White, 0, 3.14159265358979, 3, 2);
        // Rotated blits filter, and a float half turn is not exact: each
        // pixel lands within a few steps of its texel.
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const uint32_t got = fx.surface->PixelAt(20 + x, 20 + y), want = texel(5 - x, 3 - y);
                for (int sh : {16, 8, 0})
                    EXPECT_NEAR(int((got >> sh) & 255), int((want >> sh) & 255), 12) << x << "," << y;
            }
    }
    {
        SCOPED_TRACE("positioned blit clipped");
        Fixture fx;
        fx.d3d.BltClipF(&img, 1, 1, all, Rect(0, 0, 4, 64), Color::White, 0);
        // Filtered, so near its texel; nothing past the clip.
        EXPECT_NEAR(int((fx.surface->PixelAt(2, 1) >> 16) & 255), int((texel(1, 0) >> 16) & 255), 12);
        EXPECT_NE(fx.surface->PixelAt(3, 1) & 0xFFFFFF, 0u);
        EXPECT_EQ(fx.surface->PixelAt(4, 1) & 0xFFFFFF, 0u);
        EXPECT_EQ(fx.surface->PixelAt(5, 1) & 0xFFFFFF, 0u);
    }
}

}  // namespace
