// Image fonts: the descriptor commands and their errors, the strip loader,
// path placement, layer selection, rescaled atlases, measuring, and the
// draw core (order buckets, colours, long strings, shared data).
#include "framework/graphics/FontData.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "support/FakeGraphicsApp.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Vant::Color;
using Vant::FontData;
using Vant::FontLayer;
using Vant::ImageFont;
using Vant::MemoryImage;
using Vant::Rect;

// Serves images by the path asked for and keeps every pop-up text.
class FontApp : public graphicstest::FakeGraphicsApp {
public:
    Vant::SharedImageRef OpenSharedImage(const std::string& file, const std::string&, bool* isNew) override {
        asked.push_back(file);
        auto it = shared.find(file);
        if (isNew) *isNew = false;
        if (it == shared.end()) return Vant::SharedImageRef();
        return Vant::SharedImageRef(&it->second);
    }
    void Popup(const std::string& text) override { popups.push_back(text); }

    // A strip of n glyph cells of w x h, cell i filled opaque with colours[i].
    MemoryImage* AddStrip(const std::string& name, int w, int h, const std::vector<uint32_t>& colours) {
        auto* img = new MemoryImage(this);
        const int n = static_cast<int>(colours.size());
        img->Create(w * n, h);
        uint32_t* bits = img->GetBits();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w * n; ++x) bits[y * w * n + x] = colours[x / w];
        img->BitsChanged();
        shared[name].image.reset(img);
        return img;
    }

    std::map<std::string, Vant::SharedImage> shared;
    std::vector<std::string> asked, popups;
};

// The blitters may round a channel by a step or two.
::testing::AssertionResult Near(uint32_t got, uint32_t want) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((got >> shift) & 0xFF), b = static_cast<int>((want >> shift) & 0xFF);
        if (a - b > 3 || b - a > 3)
            return ::testing::AssertionFailure() << std::hex << got << " is not near " << want;
    }
    return ::testing::AssertionSuccess();
}

struct Fonts : ::testing::Test {
    testsupport::TempDir dir;
    FontApp app;
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (dir.path() / name).string();
        testsupport::write_file(path, text);
        return path;
    }
    // A loaded font data; mInitialized tells whether it loaded cleanly.
    std::unique_ptr<FontData> Load(const std::string& text) {
        auto data = std::make_unique<FontData>();
        data->Load(&app, Write("f.txt", text));
        return data;
    }
    std::string Dir() const { return dir.path().string(); }
};

// Two 10x10 glyphs: A white, B red.
const char kTwoGlyphs[] =
    "CreateLayer Main;\n"
    "LayerSetImage Main 'strip.png';\n"
    "LayerSetImageMap Main ('A' 'B') ((0 0 10 10) (10 0 10 10));\n"
    "LayerSetCharWidths Main ('A' 'B') (10 10);\n"
    "LayerSetAscent Main 10;\n";

TEST_F(Fonts, DescriptorErrorTable) {
    app.AddStrip(Dir() + "/strip.png", 10, 10, {0xFFFFFFFF, 0xFFFF0000});
    struct Case {
        std::string text;
        std::vector<std::string> errors;  // every message shown, in order
        bool loads;
    } cases[] = {
        {kTwoGlyphs, {}, true},
        {"Frobnicate 1;", {"Unknown Command"}, false},
        {"CreateLayer A B;", {"Invalid Number of Parameters"}, false},
        {"LayerSetAscent Ghost 3;", {"Undefined Layer", "Invalid Paramater Type"}, false},
        {"CreateLayer L; LayerSetAscent L '3';", {"Invalid Paramater Type"}, false},
        {"CreateLayer L; LayerSetAscent L (3);", {"Invalid Paramater Type"}, false},
        {"CreateLayer L; LayerSetDrawMode L 2;", {"Invalid Paramater Type"}, false},
        {"CreateLayer L; LayerSetColorMult L (1 1 1);", {"Invalid Paramater Type"}, false},
        {"CreateLayer L; LayerSetCharWidths L ('a' 'b') (1);", {"List Size Mismatch"}, false},
        {"CreateLayer L; LayerSetCharWidths L ('ab' 'c') (1 2);", {"Invalid Paramater Type"}, false},
        {"CreateLayer L; LayerSetCharWidths L ('ab') (1 2);", {"List Size Mismatch"}, false},
        {"CreateLayer L; LayerSetImageMap L ('a') ((0 0 1 1));", {"Layer image not set"}, false},
        {"CreateLayer L; LayerSetImage L 'strip.png'; LayerSetImageMap L ('a' 'b') ((0 0 10 10) (15 0 10 10));",
         {"Image rectangle out of bounds"}, false},
        {"CreateLayer L; LayerSetImage L 'none.png';", {"Failed to Load Image"}, false},
        {"CreateLayer L; CreateLayer l; LayerSetAscent L 3;", {"Layer Already Exists"}, true},
        {"Define 5 (1 2);", {"Invalid Paramater Type"}, false},
        {"Define W (1 Undefined);", {"Unable to Dereference \"Undefined\""}, false},
        {"CreateHorzSpanRectList R (0 0 1) (5);", {"Invalid Paramater Type"}, false},
        {"SetCharMap ('a' 'b') ('c');", {"List Size Mismatch"}, false},
        {"Define X (1 1); Define X (X X); Define X (X X); Define X (X X); Define X (X X); Define X (X X);"
         "Define X (X X); Define X (X X); Define X (X X); Define X (X X); Define X (X X); Define X (X X);"
         "Define X (X X); Define X (X X); Define X (X X); Define X (X X); Define X (X X);",
         {"Define Too Large: \"X\" would hold more than 65536 values"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        app.popups.clear();
        auto data = Load(c.text);
        EXPECT_EQ(data->mInitialized, c.loads);
        std::vector<std::string> messages;
        const std::string header = "Font Descriptor Error in " + Dir() + "/f.txt\r\n";
        for (const std::string& p : app.popups) {
            ASSERT_EQ(p.rfind(header, 0), 0u) << p;
            messages.push_back(p.substr(header.size(), p.find(" on Line ") - header.size()));
        }
        EXPECT_EQ(messages, c.errors);
    }
    // The whole text: header, message, line of the command and its text.
    app.popups.clear();
    Load("CreateLayer L;\n\n  LayerSetAscent\n L x;");
    ASSERT_EQ(app.popups.size(), 1u);
    EXPECT_EQ(app.popups[0], "Font Descriptor Error in " + Dir() + "/f.txt\r\nInvalid Paramater Type on Line 3:\r\n\r\n"
                             "LayerSetAscent\nL x");
    // Without an application nothing is shown, and the load still fails.
    FontData quiet;
    quiet.Load(nullptr, Write("q.txt", "Nope;"));
    EXPECT_FALSE(quiet.mInitialized);
    EXPECT_EQ(quiet.mError, "Unknown Command");
    FontData once;
    EXPECT_TRUE(once.Load(nullptr, Write("e.txt", "# nothing\n")));
    EXPECT_TRUE(once.mInitialized);
    EXPECT_FALSE(once.Load(nullptr, Write("e.txt", "Nope;"))) << "a loaded data refuses a second load";
}

TEST_F(Fonts, LayerContents) {
    app.AddStrip(Dir() + "/img/strip.png", 10, 10, {0xFFFFFFFF, 0xFFFF0000});
    auto data = Load(
        "Define Chars ('A' 'B');\n"
        "CreateHorzSpanRectList Spans (0 0 99 20) (5 7);\n"
        "SetDefaultPointSize 12; SetCharMap ('a') ('A');\n"
        "CreateLayer Main; LayerSetImage Main \"img/strip.png\";\n"
        "LayerSetImageMap Main Chars ((0 0 10 10) (10 0 10 8));\n"
        "LayerSetCharOffsets Main Chars ((1 2) (-3 -4));\n"
        "LayerSetColorMult Main (1 0.5 0 1); LayerSetColorAdd Main (0 0 -1 0.2);\n"
        "LayerSetKerningPairs Main ('AB' 'BA') (200 -3);\n"
        "LayerSetCharOrders Main Chars (5 -5); LayerSetBaseOrder Main -2;\n"
        "LayerRequireTags Main ('bold'); LayerExcludeTags Main ('small');\n"
        "LayerPointRange Main 8 -1; LayerSetPointSize Main 12; LayerSetDrawMode Main 1;\n"
        "LayerSetOffset Main (3 4); LayerSetSpacing Main 2; LayerSetAscentPadding Main 1;\n"
        "LayerSetLineSpacingOffset Main -1; LayerSetAscent Main 9;\n"
        "CreateLayerFrom Shadow Main;\n");
    ASSERT_TRUE(data->mInitialized) << data->mError;
    EXPECT_EQ(Vant::DescParser::DataElementToString(*data->FindDefine("spans")), "((0, 0, 5, 20), (5, 0, 7, 20))");
    EXPECT_EQ(data->mDefaultPointSize, 12);
    EXPECT_EQ(data->mCharMap['a'], 'A');
    EXPECT_EQ(app.asked.back(), Dir() + "/img/strip.png");
    ASSERT_EQ(data->mFontLayerList.size(), 2u);
    const FontLayer& m = *data->mFontLayerMap.at("MAIN");
    EXPECT_EQ(m.mCharData['B'].mImageRect, Rect(10, 0, 10, 8));
    EXPECT_EQ(m.mDefaultHeight, 10) << "tallest rect height plus offset y, as they stand then";
    EXPECT_EQ(m.mCharData['A'].mOffsetX, 1);
    EXPECT_EQ(m.mCharData['B'].mOffsetY, -4);
    EXPECT_EQ(m.mColorMult, Color(255, 127, 0, 255));
    EXPECT_EQ(m.mColorAdd, Color(0, 0, -255, 51));
    EXPECT_EQ(m.mCharData['A'].mKerningOffsets['B'], -56);
    EXPECT_EQ(m.mCharData['B'].mKerningOffsets['A'], -3);
    ASSERT_EQ(data->mWarnings.size(), 1u);
    EXPECT_NE(data->mWarnings[0].find("line 8: kerning 200"), std::string::npos) << data->mWarnings[0];
    EXPECT_EQ(m.mCharData['B'].mOrder, -5);
    EXPECT_EQ(m.mBaseOrder, -2);
    EXPECT_EQ(m.mRequiredTags, std::vector<std::string>{"BOLD"});
    EXPECT_EQ(m.mExcludedTags, std::vector<std::string>{"SMALL"});
    EXPECT_EQ(m.mMinPointSize, 8);
    EXPECT_EQ(m.mMaxPointSize, -1);
    EXPECT_EQ(m.mDrawMode, 1);
    EXPECT_EQ(m.mOffsetY, 4);
    EXPECT_EQ(m.mSpacing, 2);
    const FontLayer& s = *data->mFontLayerMap.at("SHADOW");
    EXPECT_EQ(s.mImage.GetImage(), m.mImage.GetImage());
    EXPECT_EQ(s.mCharData['A'].mKerningOffsets['B'], -56);
    EXPECT_EQ(s.mAscent, 9);
}

TEST(GetPathFrom, Table) {
    struct Case {
        const char* rel;
        const char* dir;
        const char* want;
    } cases[] = {
        {"../img/a.png", "fonts", "img/a.png"},
        {"..\\img\\a.png", "data\\fonts", "data\\img\\a.png"},
        {"a.png", "data/fonts", "data/fonts/a.png"},
        {"./a.png", "data/fonts/", "data/fonts/a.png"},
        {"sub/deeper/a.png", "data", "data/sub/deeper/a.png"},
        {"c:\\x\\a.png", "data", "c:\\x\\a.png"},
        {"/abs/a.png", "data", "/abs/a.png"},
        {"../../a.png", "..", "../../../a.png"},
        {"a.png", "c:data", "c:data/a.png"},
        {"a.png", "", "a.png"},
        {"x/a.png", "d:\\fonts", "d:\\fonts\\x\\a.png"},
    };
    for (const Case& c : cases) EXPECT_EQ(Vant::GetPathFrom(c.rel, c.dir), c.want) << c.rel << " in " << c.dir;
}

TEST_F(Fonts, LegacyStripKeepsRectanglesInsideTheImage) {
    auto* strip = app.AddStrip("legacy", 10, 12, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});  // 30 wide
    FontData data;
    EXPECT_FALSE(data.LoadLegacy(strip, Dir() + "/missing.txt"));
    FontData good;
    ASSERT_TRUE(good.LoadLegacy(strip, Write("m.txt", "4 9\n a 10\n B 15 c 9 d 5\n")));
    const FontLayer& l = *good.mFontLayerMap.at("");
    EXPECT_EQ(l.mCharData[' '].mWidth, 4);
    EXPECT_EQ(l.mAscent, 9);
    EXPECT_EQ(l.mDefaultHeight, 12);
    EXPECT_EQ(l.mCharData['a'].mImageRect, Rect(0, 0, 10, 12));
    EXPECT_EQ(l.mCharData['B'].mImageRect, Rect(10, 0, 15, 12));
    EXPECT_EQ(l.mCharData['c'].mImageRect, Rect(25, 0, 5, 12)) << "cut at the strip's end";
    EXPECT_EQ(l.mCharData['d'].mImageRect, Rect(30, 0, 0, 12));
    EXPECT_EQ(l.mCharData['c'].mWidth, 9) << "the advance stays";
    EXPECT_EQ(good.mWarnings.size(), 1u);
    EXPECT_EQ(good.mCharMap['A'], 'a');
    EXPECT_EQ(good.mCharMap['b'], 'B');
    EXPECT_EQ(good.mCharMap['C'], 'c');
    EXPECT_EQ(good.mCharMap['e'], 'e');
    EXPECT_FALSE(good.LoadLegacy(strip, Dir() + "/m.txt")) << "once only";
    ImageFont font(strip, Dir() + "/m.txt");
    EXPECT_EQ(font.StringWidth("aB c"), 10 + 15 + 4 + 9);
}

TEST_F(Fonts, LayerSelectionByPointRangeAndTags) {
    app.AddStrip(Dir() + "/strip.png", 10, 10, {0xFFFFFFFF, 0xFFFF0000});
    const std::string file = Write("sel.txt", std::string(kTwoGlyphs) +
                                                  "CreateLayerFrom Open Main; LayerPointRange Open 10 -1;\n"
                                                  "CreateLayerFrom Capped Main; LayerPointRange Capped 0 12;\n"
                                                  "CreateLayerFrom NeedsBold Main; LayerRequireTags NeedsBold ('BOLD');\n"
                                                  "CreateLayerFrom NoBold Main; LayerExcludeTags NoBold ('bold');\n");
    ImageFont font(&app, file);
    auto active = [&] {
        font.Prepare();
        std::vector<std::string> names;
        for (const auto& a : font.mActiveLayerList)
            for (const auto& [name, layer] : font.mFontData->mFontLayerMap)
                if (layer == a.mBaseFontLayer) names.push_back(name);
        return names;
    };
    struct Step {
        int pointSize;
        const char* add;
        const char* remove;
        std::vector<std::string> want;
    } steps[] = {
        {9, "", "", {"MAIN", "CAPPED", "NOBOLD"}},
        {10, "", "", {"MAIN", "OPEN", "CAPPED", "NOBOLD"}},
        {13, "", "", {"MAIN", "OPEN", "NOBOLD"}},
        {12, "bold", "", {"MAIN", "OPEN", "CAPPED", "NEEDSBOLD"}},
        {12, "Bold", "", {"MAIN", "OPEN", "CAPPED", "NEEDSBOLD"}},
        {12, "", "bold", {"MAIN", "OPEN", "CAPPED", "NOBOLD"}},
    };
    for (const Step& s : steps) {
        font.SetPointSize(s.pointSize);
        if (*s.add) font.AddTag(s.add);
        if (*s.remove) {
            EXPECT_TRUE(font.RemoveTag(s.remove));
        }
        EXPECT_EQ(active(), s.want) << s.pointSize << " +" << s.add << " -" << s.remove;
    }
    EXPECT_TRUE(font.mTagVector.empty()) << "a tag added twice in two cases is stored once and removed at once";
    EXPECT_FALSE(font.RemoveTag("bold"));
}

TEST_F(Fonts, ScaledAtlasAndMeasuring) {
    MemoryImage* strip = app.AddStrip(Dir() + "/strip.png", 12, 12, {0xFFFFFFFF, 0xFF00FF00});
    const std::string file = Write("s.txt",
                                   "SetDefaultPointSize 12; CreateLayer Main; LayerSetImage Main 'strip.png';\n"
                                   "LayerSetImageMap Main ('A' 'B') ((0 0 12 12) (12 0 11 12));\n"
                                   "LayerSetCharWidths Main ('A' 'B') (12 11); LayerSetPointSize Main 12;\n"
                                   "LayerSetAscent Main 12; LayerSetSpacing Main 1;\n");
    ImageFont font(&app, file);
    font.Prepare();
    ASSERT_EQ(font.mActiveLayerList.size(), 1u);
    EXPECT_EQ(font.mActiveLayerList.front().mScaledImage, strip);
    EXPECT_FALSE(font.mActiveLayerList.front().mOwnsImage);
    EXPECT_EQ(font.GetAscent(), 12);

    font.SetPointSize(10);
    font.Prepare();
    const auto& a = font.mActiveLayerList.front();
    EXPECT_TRUE(a.mOwnsImage);
    EXPECT_EQ(a.mScaledCharImageRects['A'], Rect(0, 0, 10, 10));
    EXPECT_EQ(a.mScaledCharImageRects['B'], Rect(10, 0, 9, 10)) << "trunc(11 * 10 / 12)";
    EXPECT_EQ(a.mScaledImage->width, 19);
    EXPECT_EQ(font.GetAscent(), 10);
    // The scaled copy carries the glyphs' colours.
    auto* atlas = dynamic_cast<MemoryImage*>(a.mScaledImage);
    ASSERT_TRUE(atlas);
    EXPECT_TRUE(Near(atlas->GetBits()[5 * 19 + 4], 0xFFFFFFFFu));
    EXPECT_TRUE(Near(atlas->GetBits()[5 * 19 + 14], 0xFF00FF00u));

    for (int size : {12, 10, 17}) {
        font.SetPointSize(size);
        for (const std::string text : {"A", "ABBA", "BAB"}) {
            MemoryImage dest;
            dest.Create(100, 30);
            Vant::Graphics g(&dest);
            int width = -1;
            font.DrawStringEx(&g, 3, 20, text, Color::White, Rect(0, 0, 100, 30), nullptr, &width);
            EXPECT_EQ(width, font.StringWidth(text)) << size << " " << text;
        }
    }
}

// A fill and a shadow one pixel right and down: with the shadow's low base
// order every fill pixel lies on top, also where the shadow of the next
// character reaches under this one.
TEST_F(Fonts, OrdersBucketsColoursAndLongStrings) {
    app.AddStrip(Dir() + "/strip.png", 4, 4, {0xFFFFFFFF});
    const std::string file = Write("o.txt",
                                   "CreateLayer Fill; LayerSetImage Fill 'strip.png';\n"
                                   "LayerSetImageMap Fill ('X') ((0 0 4 4)); LayerSetCharWidths Fill ('X') (3);\n"
                                   "LayerSetAscent Fill 4;\n"
                                   "CreateLayerFrom Shadow Fill; LayerSetOffset Shadow (1 1);\n"
                                   "LayerSetColorMult Shadow (0 0 0 1); LayerSetBaseOrder Shadow -1;\n");
    ImageFont font(&app, file);
    MemoryImage dest;
    dest.Create(20, 10);
    dest.Clear();
    Vant::Graphics g(&dest);
    font.DrawString(&g, 0, 4, "XXX", Color(0, 0, 255), Rect(0, 0, 20, 10));
    const uint32_t* px = dest.GetBits();
    // Fill glyphs cover x 0..9, rows 0..3; the shadow of each next glyph
    // starts at x + 1 inside the previous fill.
    for (int x = 0; x < 10; ++x) EXPECT_TRUE(Near(px[1 * 20 + x], 0xFF0000FFu)) << x;
    EXPECT_TRUE(Near(px[4 * 20 + 5], 0xFF000000u)) << "shadow below";

    // Orders far outside -128..127 fall into the end buckets; a wrap into
    // 0..255 would flip which layer lies on top.
    const std::string clampFile = Write("c.txt",
                                        "CreateLayer Top; LayerSetImage Top 'strip.png';\n"
                                        "LayerSetImageMap Top ('X' 'Y') ((0 0 4 4) (0 0 4 4));\n"
                                        "LayerSetCharOrders Top ('X' 'Y') (300 -120); LayerSetAscent Top 4;\n"
                                        "LayerSetColorMult Top (1 0 0 1);\n"
                                        "CreateLayerFrom Under Top; LayerSetColorMult Under (0 1 0 1);\n"
                                        "LayerSetCharOrders Under ('X' 'Y') (100 -300);\n");
    ImageFont clamped(&app, clampFile);
    dest.Clear();
    clamped.DrawString(&g, 0, 4, "X", Color::White, Rect(0, 0, 20, 10));
    EXPECT_TRUE(Near(dest.GetBits()[0], 0xFFFF0000u)) << "order 300 draws after 100";
    dest.Clear();
    clamped.DrawString(&g, 0, 4, "Y", Color::White, Rect(0, 0, 20, 10));
    EXPECT_TRUE(Near(dest.GetBits()[0], 0xFFFF0000u)) << "order -300 draws before -120";

    // A negative addend stops at 0 instead of borrowing from the next channel.
    const std::string negFile = Write("n.txt",
                                      "CreateLayer L; LayerSetImage L 'strip.png';\n"
                                      "LayerSetImageMap L ('X') ((0 0 4 4)); LayerSetAscent L 4;\n"
                                      "LayerSetColorAdd L (-2 0 0 0);\n");
    ImageFont neg(&app, negFile);
    dest.Clear();
    neg.DrawString(&g, 0, 4, "X", Color(10, 200, 30), Rect(0, 0, 20, 10));
    EXPECT_TRUE(Near(dest.GetBits()[0], 0xFF00C81Eu));

    // 10,000 glyphs in one call all land.
    MemoryImage wide;
    wide.Create(30010, 5);
    wide.Clear();
    Vant::Graphics wg(&wide);
    std::list<Rect> rects;
    int width = 0;
    const std::string longText(10000, 'X');
    font.DrawStringEx(&wg, 0, 4, longText, Color::White, Rect(0, 0, 30010, 5), &rects, &width);
    EXPECT_EQ(rects.size(), 20000u);
    EXPECT_EQ(width, 30000);
    EXPECT_TRUE(Near(wide.GetBits()[1 * 30010 + 29999], 0xFFFFFFFFu)) << "the last glyph is drawn";
}

TEST_F(Fonts, CopiesShareTheDataAndOutliveEachOther) {
    app.AddStrip(Dir() + "/strip.png", 10, 10, {0xFFFFFFFF, 0xFFFF0000});
    const std::string file = Write("c.txt", std::string(kTwoGlyphs) + "SetDefaultPointSize 10; LayerSetPointSize Main 20;");
    auto* first = new ImageFont(&app, file);
    first->Prepare();
    ASSERT_TRUE(first->mActiveLayerList.front().mOwnsImage);
    std::unique_ptr<Vant::Font> second(first->Duplicate());
    auto* copy = static_cast<ImageFont*>(second.get());
    EXPECT_EQ(copy->mFontData, first->mFontData);
    EXPECT_EQ(first->mFontData->mRefCount, 2);
    EXPECT_NE(copy->mActiveLayerList.front().mScaledImage, first->mActiveLayerList.front().mScaledImage);
    delete first;
    EXPECT_EQ(copy->mFontData->mRefCount, 1);
    MemoryImage dest;
    dest.Create(30, 20);
    dest.Clear();
    Vant::Graphics g(&dest);
    copy->DrawString(&g, 0, 10, "AB", Color::White, Rect(0, 0, 30, 20));
    EXPECT_TRUE(Near(dest.GetBits()[7 * 30 + 2], 0xFFFFFFFFu));
    EXPECT_TRUE(Near(dest.GetBits()[7 * 30 + 7], 0xFFFF0000u));
    EXPECT_EQ(copy->GetDefine("nothing"), "");
}

}  // namespace
