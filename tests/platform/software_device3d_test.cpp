// The software 3D device: blend pairs per target format against their
// per-channel definitions, exact texel reproduction, filters as the
// rasteriser draws them, texture formats, lines, faults and memory.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/raster/Raster.h"
#include "platform/SoftwareDevice3D.h"

namespace {

using namespace plat;
namespace SWRaster = Vant::SWRaster;

struct Fixture {
    SoftwareDevice3D dev;
    std::shared_ptr<Surface> target;
    explicit Fixture(PixelFormat f, int w = 16, int h = 16)
        : target(std::make_shared<Surface>(w, h, f, MemoryKind::Video)) {
        EXPECT_EQ(dev.SetRenderTarget(target), res::DD_OK);
        dev.SetRenderState(RenderState::AlphaBlendEnable, 1);
        dev.SetRenderState(RenderState::SrcBlend, kBlendSrcAlpha);
        dev.SetRenderState(RenderState::DestBlend, kBlendInvSrcAlpha);
        dev.SetTextureStageState(StageState::AlphaOp, kTopModulate);
    }
    std::shared_ptr<Texture3D> Texture(int w, int h, const std::vector<std::uint32_t>& argb) {
        std::shared_ptr<Texture3D> t;
        EXPECT_EQ(dev.CreateTexture(w, h, kTexArgb8888, &t), res::DD_OK);
        LockInfo li;
        EXPECT_EQ(t->Lock(&li), res::DD_OK);
        for (int y = 0; y < h; ++y)
            std::memcpy(static_cast<std::uint8_t*>(li.bits) + y * li.pitch, &argb[std::size_t(y) * w], 4 * w);
        EXPECT_EQ(t->Unlock(), res::DD_OK);
        return t;
    }
    // A w x h quad whose top-left pixel is (x, y), texels one to a pixel.
    void Quad(float x, float y, float w, float h, std::uint32_t diffuse = 0xFFFFFFFF) {
        const Vertex3D v[4] = {{x - 0.5f, y - 0.5f, 0, 1, diffuse, 0, 0, 0},
                               {x + w - 0.5f, y - 0.5f, 0, 1, diffuse, 0, 1, 0},
                               {x - 0.5f, y + h - 0.5f, 0, 1, diffuse, 0, 0, 1},
                               {x + w - 0.5f, y + h - 0.5f, 0, 1, diffuse, 0, 1, 1}};
        ASSERT_EQ(dev.DrawPrimitive(Primitive::TriangleStrip, v, 4), res::DD_OK);
    }
    // The pixel as 8-bit channels, widened the way the device widens.
    std::uint32_t Rgb(int x, int y) const {
        const std::uint32_t p = target->PixelAt(x, y);
        const PixelFormat& f = target->Format();
        auto ch = [&](std::uint32_t mask) {
            const int shift = __builtin_ctz(mask), bits = __builtin_popcount(mask);
            const std::uint32_t v = (p & mask) >> shift;
            return bits == 8 ? v : (v << (8 - bits)) | (v >> (2 * bits - 8));
        };
        return ch(f.rMask) << 16 | ch(f.gMask) << 8 | ch(f.bMask);
    }
};

TEST(SoftwareDevice3D, BlendPairsFollowTheirChannelDefinitions) {
    struct Pair {
        std::uint32_t src, dest;
        const char* name;
    };
    const Pair pairs[] = {{kBlendSrcAlpha, kBlendInvSrcAlpha, "alpha"},
                          {kBlendSrcAlpha, kBlendOne, "alpha-add"},
                          {kBlendOne, kBlendOne, "add"}};
    const PixelFormat formats[] = {kFormat565, kFormat555, kFormat888};
    const std::uint32_t dest = 0xFF6090C0, src = 0x80F04020;
    for (const PixelFormat& f : formats) {
        for (const Pair& p : pairs) {
            SCOPED_TRACE(std::string(p.name) + " bpp " + std::to_string(f.bpp) + " r " + std::to_string(f.rMask));
            Fixture fx(f, 8, 8);
            fx.dev.Clear(dest);
            const std::uint32_t d8 = fx.Rgb(0, 0);
            fx.dev.SetRenderState(RenderState::SrcBlend, p.src);
            fx.dev.SetRenderState(RenderState::DestBlend, p.dest);
            fx.dev.SetTexture(fx.Texture(4, 4, std::vector<std::uint32_t>(16, src)));
            fx.Quad(2, 2, 4, 4);
            const int a = int(src >> 24);
            for (int sh : {16, 8, 0}) {
                const int d = int((d8 >> sh) & 255), s = int((src >> sh) & 255);
                int want = 0;
                if (p.dest == kBlendInvSrcAlpha) want = (d * (255 - a) + s * a) / 255;
                else if (p.src == kBlendSrcAlpha) want = std::min(255, d + s * a / 255);
                else want = std::min(255, d + s);
                const std::uint32_t mask = sh == 16 ? f.rMask : sh == 8 ? f.gMask : f.bMask;
                // One step of the target's precision; the rasteriser's own
                // 16-bit blend weighs the destination in 32 steps, so twice that.
                const int step = (256 >> __builtin_popcount(mask)) * (f.bpp == 16 && p.dest == kBlendInvSrcAlpha ? 2 : 1);
                const int got = int((fx.Rgb(3, 3) >> sh) & 255);
                EXPECT_NEAR(got, want, step + 1) << "channel at " << sh;
            }
            EXPECT_EQ(fx.Rgb(0, 0), d8) << "outside the quad";
            EXPECT_EQ(fx.Rgb(6, 6), d8) << "outside the quad";
        }
    }
}

TEST(SoftwareDevice3D, BlitAtWholeCoordinatesReproducesTexels) {
    Fixture fx(kFormat888, 20, 20);
    std::vector<std::uint32_t> texels(7 * 5);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | std::uint32_t(i * 0x050A11 + 0x102030);
    fx.dev.SetTexture(fx.Texture(7, 5, texels));
    fx.Quad(3, 4, 7, 5);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 3 && x < 10 && y >= 4 && y < 9;
            const std::uint32_t want = inside ? texels[std::size_t(y - 4) * 7 + (x - 3)] & 0xFFFFFF : 0;
            ASSERT_EQ(fx.target->PixelAt(x, y) & 0xFFFFFF, want) << x << "," << y;
        }
}

class PlainTexture final : public SWRaster::TextureSource {
public:
    PlainTexture(const std::uint32_t* bits, int w, int h) : bits_(bits), w_(w), h_(h) {}
    void commitBits() override {}
    const std::uint32_t* bits() override { return bits_; }
    int width() const override { return w_; }
    int height() const override { return h_; }
    bool hasTrans() const override { return false; }
    bool hasAlpha() const override { return false; }

private:
    const std::uint32_t* bits_;
    int w_, h_;
};

TEST(SoftwareDevice3D, FiltersAgreeWithTheRasteriser) {
    std::vector<std::uint32_t> texels(4 * 4);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | std::uint32_t((i * 0x3B1F5D) & 0xFFFFFF);
    for (const bool linear : {false, true}) {
        SCOPED_TRACE(linear);
        Fixture fx(kFormat888, 24, 24);
        fx.dev.SetTextureStageState(StageState::MagFilter, linear ? kFilterLinear : kFilterPoint);
        fx.dev.SetTextureStageState(StageState::MinFilter, linear ? kFilterLinear : kFilterPoint);
        fx.dev.SetTexture(fx.Texture(4, 4, texels));
        fx.Quad(1.25f, 2.5f, 13, 11);  // magnified, off the pixel grid
        std::vector<std::uint32_t> own(24 * 24, 0xFF000000u);
        PlainTexture tex(texels.data(), 4, 4);
        const float x = 1.25f - 0.5f, y = 2.5f - 0.5f;
        const SWRaster::TriVertex v[4] = {{x, y, 0, 0, 0xFFFFFFFF}, {x + 13, y, 1, 0, 0xFFFFFFFF},
                                          {x, y + 11, 0, 1, 0xFFFFFFFF}, {x + 13, y + 11, 1, 1, 0xFFFFFFFF}};
        const SWRaster::DrawColor white;
        const SWRaster::ClipRect clip{0, 0, 24, 24};
        SWRaster::DrawTriangleStrip(v, 4, &tex, &white, 0, &clip, reinterpret_cast<std::uint8_t*>(own.data()),
                                    24 * 4, 24, 24, SWRaster::Format888, linear, false);
        for (int i = 0; i < 24 * 24; ++i)
            ASSERT_EQ(fx.target->PixelAt(i % 24, i / 24) & 0xFFFFFF, own[std::size_t(i)] & 0xFFFFFF) << i;
    }
}

TEST(SoftwareDevice3D, TexturesLockInTheirOwnFormatAndDrawAtItsPrecision) {
    struct Case {
        TextureFormat format;
        int pitch;
        std::uint32_t raw;       // one texel as stored
        std::uint32_t expected;  // what is drawn, opaque cases only
    };
    const Case cases[] = {{kTexArgb4444, 8, 0xFF80, 0xFFFF8800}, {kTexRgb565, 8, 0xF81F, 0xFFFF00FF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        Fixture fx(kFormat888, 8, 8);
        std::shared_ptr<Texture3D> t;
        ASSERT_EQ(fx.dev.CreateTexture(4, 4, c.format, &t), res::DD_OK);
        LockInfo li;
        ASSERT_EQ(t->Lock(&li), res::DD_OK);
        EXPECT_EQ(li.pitch, c.pitch);
        EXPECT_EQ(t->Lock(&li), res::DDERR_SURFACEBUSY);
        for (int i = 0; i < 16; ++i) {
            const std::uint16_t v = std::uint16_t(c.raw);
            std::memcpy(static_cast<std::uint8_t*>(li.bits) + 2 * i, &v, 2);
        }
        ASSERT_EQ(t->Unlock(), res::DD_OK);
        fx.dev.SetTexture(t);
        fx.Quad(0, 0, 4, 4);
        EXPECT_EQ(fx.target->PixelAt(1, 1) & 0xFFFFFF, c.expected & 0xFFFFFF);
    }
    // 8-bit: indices through the palette, alpha included.
    Fixture fx(kFormat888, 8, 8);
    std::shared_ptr<Texture3D> t;
    ASSERT_EQ(fx.dev.CreateTexture(2, 1, kTexPal8, &t), res::DD_OK);
    std::uint32_t pal[256] = {};
    pal[3] = 0xFF00FF00;
    pal[7] = 0x00FFFFFF;
    ASSERT_EQ(t->SetPalette(pal), res::DD_OK);
    LockInfo li;
    ASSERT_EQ(t->Lock(&li), res::DD_OK);
    static_cast<std::uint8_t*>(li.bits)[0] = 3;
    static_cast<std::uint8_t*>(li.bits)[1] = 7;
    t->Unlock();
    fx.dev.SetTexture(t);
    fx.Quad(0, 0, 2, 1);
    EXPECT_EQ(fx.target->PixelAt(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(fx.target->PixelAt(1, 0) & 0xFFFFFF, 0u) << "alpha 0 leaves the black target";
}

TEST(SoftwareDevice3D, LineStripWithTailLightsTheLastPixel) {
    Fixture fx(kFormat565, 16, 4);
    fx.dev.SetTexture(nullptr);
    const Vertex3D v[3] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0, 0}, {10, 0, 0, 1, 0xFFFFFFFF, 0, 0, 0},
                           {10.5f, 0.5f, 0, 1, 0xFFFFFFFF, 0, 0, 0}};
    ASSERT_EQ(fx.dev.DrawPrimitive(Primitive::LineStrip, v, 3), res::DD_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(fx.target->PixelAt(x, y), (y == 0 && x <= 10) ? 0xFFFFu : 0u) << x << "," << y;
}

TEST(SoftwareDevice3D, FaultsUnsupportedTargetsAndMemory) {
    Fixture fx(kFormat888, 4, 4);
    fx.dev.FailStep(SoftwareDevice3D::Step::SetRenderTarget, res::DDERR_SURFACELOST);
    EXPECT_EQ(fx.dev.SetRenderTarget(fx.target), res::DDERR_SURFACELOST);
    EXPECT_EQ(fx.dev.SetRenderTarget(fx.target), res::DD_OK);

    // A 24-bit target takes the calls and shows nothing.
    auto deep = std::make_shared<Surface>(4, 4, kFormat24, MemoryKind::Video);
    ASSERT_EQ(fx.dev.SetRenderTarget(deep), res::DD_OK);
    EXPECT_EQ(fx.dev.Clear(0xFFFFFFFF), res::DD_OK);
    fx.Quad(0, 0, 4, 4);
    EXPECT_EQ(deep->PixelAt(1, 1), 0u);

    fx.dev.videoMemory = 1000;
    std::uint32_t total = 0, free = 0;
    std::shared_ptr<Texture3D> t;
    ASSERT_EQ(fx.dev.CreateTexture(8, 8, kTexArgb8888, &t), res::DD_OK);
    fx.dev.GetAvailableVidMem(&total, &free);
    EXPECT_EQ(total, 1000u);
    EXPECT_EQ(free, 1000u - 256u);
    std::shared_ptr<Texture3D> big;
    EXPECT_EQ(fx.dev.CreateTexture(16, 16, kTexArgb8888, &big), res::DDERR_OUTOFVIDEOMEMORY);
    t.reset();
    fx.dev.GetAvailableVidMem(&total, &free);
    EXPECT_EQ(free, 1000u);

    AdapterIdentity id;
    ASSERT_EQ(fx.dev.GetIdentity(&id), res::DD_OK);
    EXPECT_EQ(id.description, "Software 3D device");
    EXPECT_FALSE(id.driver.empty());
    AdapterIdentity again;
    fx.dev.GetIdentity(&again);
    EXPECT_EQ(id.guid, again.guid);
}

}  // namespace
