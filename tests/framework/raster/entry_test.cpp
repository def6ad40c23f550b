// Drawing entry: filler choice, strip and fan order, conversion to fixed
// point, the texture's alpha flags and bits, and the destination bounds.
#include "framework/raster/Raster.h"
#include "support/RasterHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace rastertest;

TEST(Entry, EmptyUntilInitThenGenerated) {
    // Each test runs in a process of its own, so nothing has filled it yet.
    for (const auto f : FillerTable) EXPECT_EQ(f, nullptr);
    Canvas c(8, 8, Format8888);
    c.snapshot();
    c.draw({vtx(0, 0), vtx(8, 0), vtx(0, 8)}, nullptr, DrawColor{}, fullClip(c), false, true);
    EXPECT_EQ(c.changedCount(), 0);

    InitFillerTable();
    for (int i = 0; i < FillerCount; ++i) {
        EXPECT_NE(FillerTable[i], nullptr) << i;
        EXPECT_EQ(FillerTable[i], GeneratedFillers()[i]) << i;
    }
    c.draw({vtx(0, 0), vtx(8, 0), vtx(0, 8)}, nullptr, DrawColor{}, fullClip(c), false, true);
    EXPECT_EQ(c.changedCount(), 36);
}

TEST(Entry, TableLayout) {
    const FillerArray& t = GeneratedFillers();
    for (unsigned g = 0; g < 0x80; g += 0x20) {
        // Untextured: bits 0 and 3 make no difference; without vertex
        // colours nothing draws.
        for (unsigned j = 0; j < 16; ++j) {
            const unsigned canon = g + (j & 0x6);
            EXPECT_EQ(t[g + j], t[canon]) << std::hex << g + j;
            EXPECT_EQ(t[g + j] == &NullFiller, (j & 4) == 0) << std::hex << g + j;
        }
        EXPECT_NE(t[g + 4], t[g + 6]);
        // Textured: 16 distinct members per format.
        for (unsigned j = 0; j < 16; ++j)
            for (unsigned k = j + 1; k < 16; ++k) EXPECT_NE(t[g + 0x10 + j], t[g + 0x10 + k]);
    }
    EXPECT_NE(t[0x10], t[0x30]);
}

TEST(Entry, FillerIndexSelection) {
    struct Case {
        const char* what;
        unsigned got, want;
    };
    const Case cases[] = {
        {"opaque texture, plain", selectFillerIndex(true, false, false, false, false, false, 0x8888), 0x10},
        {"transparent texels bring alpha", selectFillerIndex(true, true, false, false, false, false, 0x8888), 0x18},
        {"partial alpha brings alpha", selectFillerIndex(true, false, true, false, false, false, 0x888), 0x38},
        {"filtering always brings alpha", selectFillerIndex(true, false, false, true, false, false, 0x8888), 0x19},
        {"modulation", selectFillerIndex(true, false, false, false, true, false, 0x565), 0x52},
        {"everything", selectFillerIndex(true, true, true, true, true, true, 0x555), 0x7F},
        {"untextured keeps filtering, never alpha", selectFillerIndex(false, true, true, true, false, true, 0x8888), 0x05},
        {"format 0", selectFillerIndex(true, false, false, false, false, false, 0), 0x10},
        {"unknown format", selectFillerIndex(true, false, false, false, false, false, 0x1234), 0x10},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;

    // Through the entry: (255,255,255,254) is not white.
    Canvas canvas(4, 4, Format8888);
    FakeTexture tex(2, 2);
    auto entryFor = [&](DrawColor color, bool linear) {
        recordedCalls().clear();
        canvas.draw({vtx(0, 0), vtx(4, 0), vtx(0, 4)}, &tex, color, fullClip(canvas), linear, false,
                    &recordingTable());
        return recordedCalls().empty() ? ~0u : recordedCalls()[0].entry;
    };
    EXPECT_EQ(entryFor(DrawColor{255, 255, 255, 255}, false), 0x10u);
    EXPECT_EQ(entryFor(DrawColor{255, 255, 255, 254}, false), 0x12u);
    EXPECT_EQ(entryFor(DrawColor{}, true), 0x19u);
}

bool sameXY(const FixedVertex& f, const TriVertex& v) {
    return f.x == static_cast<int32_t>(v.x * 65536) && f.y == static_cast<int32_t>(v.y * 65536);
}

TEST(Entry, StripOrderAndCommitBeforeCount) {
    Canvas c(64, 64, Format8888);
    FakeTexture tex(4, 4);
    const std::vector<TriVertex> v = {vtx(1, 1), vtx(20, 2), vtx(3, 30), vtx(25, 28), vtx(40, 50)};
    auto run = [&](int count) {
        recordedCalls().clear();
        tex.commitCalls = 0;
        std::vector<TriVertex> part(v.begin(), v.begin() + count);
        c.draw(part, &tex, DrawColor{}, fullClip(c), false, false, &recordingTable());
        return recordedCalls();
    };
    EXPECT_TRUE(run(2).empty());
    EXPECT_EQ(tex.commitCalls, 1) << "flags are brought up to date even when nothing draws";

    const int order5[3][3] = {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}};
    for (int count : {4, 5}) {
        const auto calls = run(count);
        EXPECT_EQ(tex.commitCalls, 1);
        ASSERT_EQ(static_cast<int>(calls.size()), count - 2);
        for (int t = 0; t < count - 2; ++t)
            for (int k = 0; k < 3; ++k) EXPECT_TRUE(sameXY(calls[t].v[k], v[order5[t][k]])) << count << " " << t << " " << k;
    }
}

TEST(Entry, ClippedPolygonIsFannedFromItsFirstVertex) {
    Canvas c(10, 10, Format8888);
    recordedCalls().clear();
    // Cuts the left and the bottom side: five vertices after clipping.
    c.draw({vtx(-4, 2), vtx(8, 1), vtx(4, 14)}, nullptr, DrawColor{}, fullClip(c), false, true, &recordingTable());
    const auto& calls = recordedCalls();
    ASSERT_EQ(calls.size(), 3u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.v[0].x, calls[0].v[0].x);
        EXPECT_EQ(call.v[0].y, calls[0].v[0].y);
    }
    EXPECT_EQ(calls[1].v[1].x, calls[0].v[2].x);
    EXPECT_EQ(calls[2].v[1].x, calls[1].v[2].x);
    for (const auto& call : calls)
        for (const auto& p : call.v) {
            EXPECT_GE(p.x, 0);
            EXPECT_LE(p.x, 10 << 16);
            EXPECT_GE(p.y, 0);
            EXPECT_LE(p.y, 10 << 16);
        }
}

TEST(Entry, ConversionToFixedPoint) {
    Canvas c(64, 64, Format8888);
    FakeTexture tex(3, 5);  // not a power of two: sampled with exactly these sizes
    recordedCalls().clear();
    c.draw({vtx(1.5f, 2.25f, 1, 1, 0x80FF4020), vtx(30, 2, 0, 0, 0), vtx(2, 40, 0.5f, 0, 0xFFFFFFFF)}, &tex,
           DrawColor{}, fullClip(c), false, true, &recordingTable());
    ASSERT_EQ(recordedCalls().size(), 1u);
    const FillerCall& call = recordedCalls()[0];
    const FixedVertex& p = call.v[0];
    EXPECT_EQ(p.x, 0x18000);
    EXPECT_EQ(p.y, 0x24000);
    EXPECT_EQ(p.u, 3 * 65536);
    EXPECT_EQ(p.v, 5 * 65536);
    EXPECT_EQ(p.a, 0x800000) << "the sign of the colour word must not leak";
    EXPECT_EQ(p.r, 0xFF0000);
    EXPECT_EQ(p.g, 0x400000);
    EXPECT_EQ(p.b, 0x200000);
    EXPECT_EQ(call.v[2].u, 98304);  // trunc(0.5 * 3 * 65536)
    EXPECT_EQ(call.tex.width, 3);
    EXPECT_EQ(call.tex.height, 5);
    EXPECT_EQ(call.tex.pixelCount, 15);
    EXPECT_EQ(call.tex.bits, tex.texels.data());
    EXPECT_EQ(call.pitch, c.pitch());
}

TEST(Entry, TexelsAreFetchedOncePerSurvivingTriangle) {
    Canvas c(16, 16, Format8888);
    FakeTexture tex(4, 4);
    InitFillerTable();
    // Triangle 0 lies wholly left of the clip; 1 and 2 reach into it.
    c.draw({vtx(-30, 0), vtx(-20, 0), vtx(-30, 5), vtx(10, 10), vtx(12, 3)}, &tex);
    EXPECT_EQ(tex.commitCalls, 1);
    EXPECT_EQ(tex.bitsCalls, 2);
}

TEST(Entry, NullBitsReadAsNoTexels) {
    Canvas c(8, 8, Format8888, 0x12345678);
    FakeTexture tex(4, 4, 0xFFFFFFFF);
    tex.nullBits = true;
    InitFillerTable();
    c.draw({vtx(0, 0, 0, 0), vtx(8, 0, 1, 0), vtx(0, 8, 0, 1)}, &tex);
    EXPECT_EQ(c.at(1, 1), 0xFF000000u);
}

TEST(Entry, DrawModeMakesNoDifference) {
    InitFillerTable();
    FakeTexture tex(4, 4, 0x80FF8040);
    tex.alpha = true;
    Canvas normal(16, 16, Format8888, 0xFF204060), additive(16, 16, Format8888, 0xFF204060);
    const std::vector<TriVertex> v = {vtx(0, 0, 0, 0), vtx(16, 0, 1, 0), vtx(0, 16, 0, 1), vtx(16, 16, 1, 1)};
    normal.draw(v, &tex, DrawColor{200, 100, 50, 180}, fullClip(normal), false, false, nullptr, 0);
    additive.draw(v, &tex, DrawColor{200, 100, 50, 180}, fullClip(additive), false, false, nullptr, 1);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(normal.at(x, y), additive.at(x, y));
}

TEST(Entry, NonFiniteTrianglesAreDroppedTheRestDraws) {
    InitFillerTable();
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (const float bad : {nan, inf, -inf}) {
        Canvas c(16, 16, Format888);
        c.snapshot();
        recordedCalls().clear();
        // Triangle 0 has the bad vertex; triangle 1 (1, 3, 2) does not.
        c.draw({vtx(bad, 0), vtx(8, 0), vtx(0, 8), vtx(8, 8)}, nullptr, DrawColor{}, fullClip(c), false, true,
               &recordingTable());
        EXPECT_EQ(recordedCalls().size(), 1u) << bad;
        c.draw({vtx(1, bad), vtx(8, 0), vtx(0, 8)}, nullptr, DrawColor{}, fullClip(c), false, true);
        EXPECT_EQ(c.changedCount(), 0) << bad;
    }
    // Non-finite texture coordinates read as 0.
    FakeTexture tex(4, 4);
    Canvas c(8, 8, Format8888);
    recordedCalls().clear();
    c.draw({vtx(0, 0, nan, inf), vtx(8, 0, -inf, 0), vtx(0, 8, 1e30f, -1e30f)}, &tex, DrawColor{}, fullClip(c),
           false, false, &recordingTable());
    ASSERT_EQ(recordedCalls().size(), 1u);
    EXPECT_EQ(recordedCalls()[0].v[0].u, 0);
    EXPECT_EQ(recordedCalls()[0].v[0].v, 0);
    EXPECT_EQ(recordedCalls()[0].v[1].u, 0);
    EXPECT_EQ(recordedCalls()[0].v[2].u, std::numeric_limits<int32_t>::max()) << "huge u saturates";
    EXPECT_EQ(recordedCalls()[0].v[2].v, std::numeric_limits<int32_t>::min());
}

// A non-finite u or v draws exactly as 0 would, whether or not the clip cuts
// the edges that leave its vertex: a cut vertex must not be interpolated from
// it (a cut from NaN would come out as 0 while its uncut neighbours keep
// their own values).
TEST(Entry, NonFiniteUvDrawsAsZeroWhateverTheClip) {
    InitFillerTable();
    FakeTexture tex(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) tex.texel(x, y) = 0xFF000000u | static_cast<uint32_t>(y << 8 | x << 4);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    // The first vertex lies inside the whole canvas but left of the narrow clip.
    auto strip = [](float u, float v) {
        return std::vector<TriVertex>{vtx(2, 1, u, v), vtx(31, 3, 1, 0.25f), vtx(12, 15, 0.5f, 1)};
    };
    for (const ClipRect clip : {ClipRect{0, 0, 32, 16}, ClipRect{6, 0, 26, 16}, ClipRect{0, 4, 32, 12}})
        for (const float bad : {nan, inf, -inf})
            for (const bool onU : {true, false}) {
                Canvas got(32, 16, Format8888, 0x12345678), want(32, 16, Format8888, 0x12345678);
                got.draw(onU ? strip(bad, 0.5f) : strip(0.5f, bad), &tex, DrawColor{}, clip);
                want.draw(onU ? strip(0, 0.5f) : strip(0.5f, 0), &tex, DrawColor{}, clip);
                int differing = 0;
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 32; ++x) differing += got.at(x, y) != want.at(x, y);
                EXPECT_EQ(differing, 0) << "clip x " << clip.x << " y " << clip.y << ", " << bad
                                        << (onU ? " in u" : " in v");
            }
}

TEST(Entry, ClipRectIsCutToTheDestination) {
    InitFillerTable();
    for (const ClipRect clip : {ClipRect{-50, -50, 500, 500}, ClipRect{-5, 3, 10, 100}, ClipRect{10, 10, 1000, 2}}) {
        Canvas c(20, 12, Format565, 0);
        c.snapshot();
        c.draw({vtx(-100, -100), vtx(100, -100), vtx(-100, 100), vtx(100, 100)}, nullptr, DrawColor{}, clip, false,
               true);
        EXPECT_EQ(c.changedOutside(clip), "");
        EXPECT_EQ(c.changedOutside(fullClip(c)), "");
    }
}

TEST(Entry, LastColumnAndRowOfTheClipAreDrawn) {
    // The clip's right and bottom edges bound the pixels: a quad covering
    // the rectangle fills all of it, and a one-pixel rectangle draws its pixel.
    InitFillerTable();
    Canvas c(12, 12, Format8888, 0);
    const ClipRect clip{2, 3, 7, 5};
    c.snapshot();
    c.draw({vtx(-10, -10), vtx(30, -10), vtx(-10, 30), vtx(30, 30)}, nullptr, DrawColor{}, clip, false, true);
    EXPECT_EQ(c.changedCount(), 35);
    EXPECT_EQ(c.at(8, 7), 0xFFFFFFFFu);
    EXPECT_EQ(c.changedOutside(clip), "");

    Canvas one(4, 4, Format8888, 0);
    one.snapshot();
    one.draw({vtx(-10, -10), vtx(30, -10), vtx(-10, 30)}, nullptr, DrawColor{}, ClipRect{2, 1, 1, 1}, false, true);
    EXPECT_EQ(one.changedCount(), 1);
    EXPECT_EQ(one.at(2, 1), 0xFFFFFFFFu);
}

TEST(Entry, OutOfRangeDrawColourIsClamped) {
    Canvas c(8, 8, Format8888);
    FakeTexture tex(2, 2);
    recordedCalls().clear();
    c.draw({vtx(0, 0), vtx(8, 0), vtx(0, 8)}, &tex, DrawColor{300, -5, 128, 1000}, fullClip(c), false, false,
           &recordingTable());
    ASSERT_EQ(recordedCalls().size(), 1u);
    const FillColor& f = recordedCalls()[0].color;
    EXPECT_EQ(f.r, 255);
    EXPECT_EQ(f.g, 0);
    EXPECT_EQ(f.b, 128);
    EXPECT_EQ(f.a, 255);
    EXPECT_EQ(recordedCalls()[0].entry, 0x12u);
}

TEST(Entry, BottomUpDestinationWithNegativePitch) {
    InitFillerTable();
    Canvas c(8, 8, Format8888, 0);
    c.snapshot();
    // Row 0 of the drawing is the canvas's last row; rows step upwards.
    uint8_t* lastRow = c.bits() + 7 * c.pitch();
    const std::vector<TriVertex> v = {vtx(0, 0), vtx(8, 0), vtx(0, 1), vtx(8, 1)};
    const DrawColor white{};
    const ClipRect clip{0, 0, 8, 8};
    DrawTriangleStrip(v.data(), 4, nullptr, &white, 0, &clip, lastRow, -c.pitch(), 8, 8, Format8888, false, true);
    EXPECT_EQ(c.changedCount(), 8);
    EXPECT_EQ(c.at(0, 7), 0xFFFFFFFFu);
    EXPECT_EQ(c.changedOutside(ClipRect{0, 7, 8, 1}), "");
}

}  // namespace
