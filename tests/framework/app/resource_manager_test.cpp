// The resource manager: manifest errors, defaults and ids, animations,
// group loading order, first-failure errors, sound ids over many reloads,
// and the application's shared images.
#include <gtest/gtest.h>

#include <array>

#include "framework/app/ResourceManager.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "support/FakeHost.h"
#include "support/TestSupport.h"

namespace {

using apptest::FakeHost;
using apptest::TestApp;
using Vant::ResourceManager;

// 256 slots like the real manager: a name already loaded keeps its slot,
// new names take the highest free one; names with "missing" fail.
class FakeSoundManager : public Vant::SoundManager {
public:
    bool Initialized() override { return true; }
    int LoadSound(const std::string& name) override {
        ++loads;
        for (int i = 0; i < 256; ++i)
            if (names[i] == name) return i;
        for (int i = 255; i >= 0; --i)
            if (names[i].empty()) return LoadSound(static_cast<unsigned>(i), name) ? i : -1;
        return -1;
    }
    bool LoadSound(unsigned id, const std::string& name) override {
        if (id > 255 || name.find("missing") != std::string::npos) return false;
        names[id] = name;
        order.push_back(name);
        return true;
    }
    void ReleaseSound(unsigned id) override {
        if (id < 256) names[id].clear();
    }
    void SetVolume(double) override {}
    bool SetBaseVolume(unsigned id, double v) override {
        volumes[id] = v;
        return true;
    }
    bool SetBasePan(unsigned id, int p) override {
        pans[id] = p;
        return true;
    }
    Vant::SoundInstance* GetSoundInstance(unsigned) override { return nullptr; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(void*, bool) override {}
    void StopAllSounds() override {}

    std::array<std::string, 256> names;
    std::array<double, 256> volumes{};
    std::array<int, 256> pans{};
    std::vector<std::string> order;
    int loads = 0;
};

// Records the order in which records are loaded.
class OrderedManager : public ResourceManager {
public:
    using ResourceManager::ResourceManager;
    bool LoadImage(ImageRes* r) override {
        order.push_back("image " + r->path);
        return ResourceManager::LoadImage(r);
    }
    bool LoadFont(FontRes* r) override {
        order.push_back("font " + r->path);
        return ResourceManager::LoadFont(r);
    }
    std::vector<std::string> order;
};

void WritePng(const std::string& path, int w, int h, uint32_t pixel) {
    ImageLib::Image img(w, h);
    for (int i = 0; i < w * h; ++i) img.bits[i] = pixel;
    ASSERT_TRUE(ImageLib::WritePNGImage(path, img)) << path;
}

std::string Manifest(const std::string& body) {
    return "<ResourceManifest>\n" + body + "</ResourceManifest>\n";
}

struct Fixture : ::testing::Test {
    testsupport::TempDir dir;
    FakeHost host;
    std::unique_ptr<TestApp> app;
    FakeSoundManager* sounds = nullptr;
    void SetUp() override {
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        app = std::make_unique<TestApp>(&host);
        sounds = new FakeSoundManager;
        app->mSoundManager.reset(sounds);
    }
    void TearDown() override {
        app.reset();
        std::filesystem::current_path(old);
    }
    ResourceManager& rm() { return *app->mResourceManager; }
    std::filesystem::path old;
};

using ResourceManifest = Fixture;

TEST_F(ResourceManifest, ErrorTable) {
    struct Case {
        const char* text;
        const char* error;  // whole text
        bool declaresA;
    } cases[] = {
        {"<Wrong>\n<Resources id=\"g\"><Image id=\"A\" path=\"a.png\"/></Resources></Wrong>",
         "Expecting ResourceManifest tag on Line 1 in File 'm.xml'", true},
        {"<ResourceManifest>\n<Resources id=\"g\">\n<Image id=\"A\" path=\"a.png\">text</Image></Resources></ResourceManifest>",
         "Unexpected element found. on Line 3 in File 'm.xml'", true},
        {"<ResourceManifest>\n<Resources id=\"g\">\n<Image id=\"A\" path=\"a.png\"></Image></Resources></ResourceManifest>",
         "", true},
        {"<ResourceManifest><Resources id=\"g\"><Image id=\"A\" path=\"a.png\"/>\n<Sound id=\"A\" path=\"s\"/>\n"
         "<Image id=\"A\" path=\"b.png\"/></Resources></ResourceManifest>",
         "Resource already defined. on Line 3 in File 'm.xml'", true},
        {"<ResourceManifest><Resources><Image id=\"A\" path=\"a.png\"/></Resources></ResourceManifest>",
         "No id specified. on Line 1 in File 'm.xml'", false},
        {"<ResourceManifest><Resources id=\"g\"><Image id=\"A\"/></Resources></ResourceManifest>",
         "No path specified. on Line 1 in File 'm.xml'", false},
        {"<ResourceManifest><Resources id=\"g\"><Picture/></Resources></ResourceManifest>",
         "Invalid Section 'Picture' on Line 1 in File 'm.xml'", false},
        {"<ResourceManifest><Other/></ResourceManifest>", "Invalid Section 'Other' on Line 1 in File 'm.xml'", false},
        {"<ResourceManifest><Resources id=\"g\"><Image id=\"A\" path=\"a.png\" anim=\"spin\"/></Resources>"
         "</ResourceManifest>",
         "Invalid animation type. on Line 1 in File 'm.xml'", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ResourceManager m(app.get());
        testsupport::write_file("m.xml", c.text);
        EXPECT_EQ(m.LoadManifest("m.xml"), *c.error == 0);
        EXPECT_EQ(m.ErrorText(), c.error);
        EXPECT_EQ(m.Images().count("A"), c.declaresA ? 1u : 0u);
    }
    ResourceManager m(app.get());
    EXPECT_FALSE(m.LoadManifest("nothere.xml"));
    EXPECT_EQ(m.ErrorText().rfind("Resource file not found: nothere.xml", 0), 0u) << m.ErrorText();
}

TEST_F(ResourceManifest, DefaultsIdsAndAttributes) {
    testsupport::write_file("m.xml", Manifest(R"(<Resources id="Common">
<SetDefaults path="images\" idprefix="IMG_"/>
<Image path="ball.png"/>
<Image path="sub/x.y/noext" alphacolor="ff00" rows="0" cols="-2"/>
<Image id="P" path="!program"/>
<SetDefaults path="" idprefix=""/>
<Sound path="snd/boom" volume="0.5" pan="-300"/>
<Font id="F" path="f.txt" image="strip.png" tags="a, b"/>
</Resources>)"));
    ASSERT_TRUE(rm().LoadManifest("m.xml")) << rm().ErrorText();
    ASSERT_EQ(rm().Images().count("IMG_ball"), 1u);
    const auto* ball = static_cast<ResourceManager::ImageRes*>(rm().Images().at("IMG_ball"));
    EXPECT_EQ(ball->path, "images/ball.png");
    EXPECT_EQ(ball->group, "Common");
    EXPECT_EQ(ball->alphaColor, 0xFFFFFFu);
    const auto* noext = static_cast<ResourceManager::ImageRes*>(rm().Images().at("IMG_noext"));
    EXPECT_EQ(noext->alphaColor, 0xFF00u);
    EXPECT_EQ(noext->rows, 1) << "rows below 1 count as 1";
    EXPECT_EQ(noext->cols, 1);
    EXPECT_EQ(rm().Warnings().size(), 2u);
    EXPECT_TRUE(rm().Images().at("IMG_P")->fromProgram);
    EXPECT_EQ(rm().Images().at("IMG_P")->path, "!program");
    const auto* boom = static_cast<ResourceManager::SoundRes*>(rm().Sounds().at("boom"));
    EXPECT_EQ(boom->path, "/snd/boom") << "an empty default path still ends in a separator";
    EXPECT_DOUBLE_EQ(boom->volume, 0.5);
    EXPECT_EQ(boom->pan, -300);
    const auto* f = static_cast<ResourceManager::FontRes*>(rm().Fonts().at("F"));
    EXPECT_EQ(f->imagePath, "strip.png");
    EXPECT_EQ(f->tags, "a, b");
}

TEST_F(ResourceManifest, FrameMapOutsideTheCelsFailsThatImage) {
    testsupport::write_file("m.xml", Manifest(R"(<Resources id="g">
<Image id="ok" path="a.png" cols="4" anim="loop" framemap="0,3"/>
<Image id="bad" path="a.png" rows="2" cols="2" anim="loop" framemap="0,4,1"/>
</Resources>)"));
    EXPECT_FALSE(rm().LoadManifest("m.xml"));
    EXPECT_EQ(rm().ErrorText(), "Frame 4 in \"framemap\" of bad is outside its 4 cels on Line 4 in File 'm.xml'");
}

TEST(ImageAnimation, ComputeTable) {
    struct Case {
        int type, cels, frameDelay, begin, end;
        std::vector<int> perFrame, map;
        std::vector<int> wantMap, wantDelays;
        int wantFrames, wantTotal;
    } cases[] = {
        {2, 4, 3, 0, 0, {}, {}, {0, 1, 2, 3, 2, 1}, {}, 6, 18},
        {3, 3, 2, 0, 0, {5, 0, 7}, {}, {}, {5, 2, 7}, 3, 14},
        {1, 0, 0, 0, 0, {}, {}, {}, {}, 1, 1},
        {3, 3, 1, 4, 9, {}, {}, {}, {4, 1, 9}, 3, 14},
        {3, 5, 2, 0, 0, {1}, {2, 0}, {2, 0}, {1, 2}, 2, 3},
    };
    for (const Case& c : cases) {
        Vant::ImageAnimation a;
        a.type = c.type;
        a.frameDelay = c.frameDelay;
        a.perFrameDelay = c.perFrame;
        a.frameMap = c.map;
        a.Compute(c.cels, c.begin, c.end);
        EXPECT_EQ(a.frameMap, c.wantMap);
        EXPECT_EQ(a.perFrameDelay, c.wantDelays);
        EXPECT_EQ(a.numFrames, c.wantFrames);
        EXPECT_EQ(a.totalDuration, c.wantTotal);
    }
}

using ResourceLoading = Fixture;

TEST_F(ResourceLoading, GroupsLoadImagesThenSoundsThenFontsByIdAndUnload) {
    WritePng("a.png", 4, 2, 0xFF102030);
    WritePng("b.png", 4, 2, 0xFF405060);
    WritePng("alpha.png", 4, 2, 0xFF000080);
    testsupport::write_file("m.xml", Manifest(R"(<Resources id="One">
<Font id="F" path="!ref:none"/>
<Sound id="Z" path="z" volume="0.25"/>
<Image id="B" path="b.png" alphaimage="alpha.png" cols="2" anim="pingpong"/>
<Sound id="Y" path="y" pan="40"/>
<Image id="A" path="a.png"/>
<Image id="P" path="!program"/>
</Resources>
<Resources id="Two"><Image id="C" path="a.png" variant="v"/></Resources>)"));
    ASSERT_TRUE(rm().LoadManifest("m.xml")) << rm().ErrorText();
    OrderedManager m(app.get());
    ASSERT_TRUE(m.LoadManifest("m.xml"));
    EXPECT_FALSE(m.LoadGroup("One"));
    EXPECT_EQ(m.order, (std::vector<std::string>{"image a.png", "image b.png", "font !ref:none"}));
    EXPECT_EQ(sounds->order, (std::vector<std::string>{"y", "z"}));
    EXPECT_EQ(m.ErrorText(), "Ref font not found: none");
    EXPECT_FALSE(m.IsGroupLoaded("one"));

    // The image records: alpha from the blue bytes, grid, animation.
    Vant::Image* b = m.RequireImage("B").GetImage();
    ASSERT_TRUE(b);
    auto* bm = dynamic_cast<Vant::MemoryImage*>(b);
    ASSERT_TRUE(bm);
    EXPECT_EQ(bm->GetBits()[0], 0x80405060u);
    EXPECT_EQ(b->numCols, 2);
    ASSERT_TRUE(b->animation);
    EXPECT_EQ(b->animation->frameMap, (std::vector<int>{0, 1}));
    const int y = m.RequireSound("Y");
    EXPECT_EQ(sounds->pans[y], 40);
    EXPECT_DOUBLE_EQ(sounds->volumes[m.RequireSound("Z")], 0.25);
    EXPECT_THROW(m.RequireImage("P"), Vant::ResourceManagerException);

    EXPECT_TRUE(m.LoadGroup("TWO"));
    EXPECT_TRUE(m.LoadGroup("Two"));
    EXPECT_TRUE(m.IsGroupLoaded("two")) << "group names are case-blind in the set";
    EXPECT_NE(m.RequireImage("C").GetImage(), m.RequireImage("A").GetImage()) << "another variant";
    m.UnloadGroup("two");
    EXPECT_TRUE(m.GetImage("C").GetImage()) << "records match their group by exact bytes";
    m.UnloadGroup("Two");
    EXPECT_FALSE(m.GetImage("C").GetImage());
    EXPECT_FALSE(m.GetImage("undeclared").GetImage());
}

TEST_F(ResourceLoading, FontsFromDescriptorsStripsAndReferences) {
    WritePng("glyphs.png", 20, 10, 0xFFFFFFFF);
    std::filesystem::create_directory("fonts");
    testsupport::write_file("fonts/f.txt",
                            "CreateLayer Main; LayerSetImage Main '../glyphs.png';\n"
                            "LayerSetImageMap Main ('A' 'B') ((0 0 10 10) (10 0 10 10));\n"
                            "LayerSetCharWidths Main ('A' 'B') (10 10);\n");
    testsupport::write_file("fonts/strip.txt", "3 8 A 10 B 10");
    testsupport::write_file("fonts/bad.txt", "Nonsense;");
    testsupport::write_file("m.xml", Manifest(R"(<Resources id="g">
<Font id="B" path="fonts/f.txt" tags="Bold, shadow"/>
<Font id="C" path="!ref:B" tags="outline"/>
<Font id="D" path="fonts/strip.txt" image="glyphs.png"/>
</Resources>
<Resources id="later"><Font id="A" path="!ref:Z"/><Font id="Z" path="fonts/f.txt"/></Resources>
<Resources id="bad"><Font id="E" path="fonts/bad.txt"/></Resources>)"));
    ASSERT_TRUE(rm().LoadManifest("m.xml"));
    ASSERT_TRUE(rm().LoadGroup("g")) << rm().ErrorText();
    auto* b = dynamic_cast<Vant::ImageFont*>(rm().RequireFont("B"));
    auto* c = dynamic_cast<Vant::ImageFont*>(rm().RequireFont("C"));
    auto* d = dynamic_cast<Vant::ImageFont*>(rm().RequireFont("D"));
    ASSERT_TRUE(b && c && d);
    EXPECT_EQ(b->mTagVector, (std::vector<std::string>{"BOLD", "SHADOW"}));
    EXPECT_EQ(c->mTagVector, (std::vector<std::string>{"BOLD", "SHADOW", "OUTLINE"}));
    EXPECT_EQ(c->mFontData, b->mFontData);
    EXPECT_EQ(b->StringWidth("AB"), 20);
    EXPECT_EQ(d->StringWidth("AB A"), 33);
    EXPECT_FALSE(rm().LoadGroup("later"));
    EXPECT_EQ(rm().ErrorText(), "Ref font not found: Z");
    EXPECT_FALSE(rm().LoadGroup("bad"));
    EXPECT_EQ(rm().ErrorText(), "Failed to load font: fonts/bad.txt");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].find("Unknown Command"), std::string::npos) << host.boxes[0];
    rm().UnloadGroup("g");
    EXPECT_THROW(rm().RequireFont("B"), Vant::ResourceManagerException);
}

TEST_F(ResourceLoading, LookupsThrowWithTheFirstFailure) {
    testsupport::write_file("m.xml", Manifest(R"(<Resources id="g">
<Image id="A" path="missing.png"/><Image id="B" path="missing2.png"/></Resources>)"));
    ASSERT_TRUE(rm().LoadManifest("m.xml"));
    EXPECT_FALSE(rm().LoadGroup("g"));
    EXPECT_EQ(rm().ErrorText(), "Failed to load image: missing.png");
    for (auto lookup : {+[](ResourceManager& m) { m.RequireImage("nope"); },
                        +[](ResourceManager& m) { m.RequireSound("nope"); },
                        +[](ResourceManager& m) { m.RequireFont("nope"); }}) {
        try {
            lookup(rm());
            ADD_FAILURE() << "no exception";
        } catch (const Vant::ResourceManagerException& e) {
            EXPECT_STREQ(e.what(), "Failed to load image: missing.png");
        }
    }
    testsupport::write_file("n.xml", Manifest(R"(<Resources id="h"/>)"));
    ASSERT_TRUE(rm().LoadManifest("n.xml") == false) << "the old failure is still recorded";
    EXPECT_TRUE(rm().LoadGroup("h"));
    try {
        rm().RequireSound("nope");
    } catch (const Vant::ResourceManagerException& e) {
        EXPECT_STREQ(e.what(), "Sound resource not found: nope");
    }
}

TEST_F(ResourceLoading, SoundsStayLoadableOverManyReloadsAndFailuresKeepMinusOne) {
    std::string body = "<Resources id=\"s\">";
    for (int i = 0; i < 5; ++i) body += "<Sound path=\"snd" + std::to_string(i) + "\"/>";
    body += "</Resources><Resources id=\"bad\"><Sound path=\"missing\"/></Resources>";
    testsupport::write_file("m.xml", Manifest(body));
    ASSERT_TRUE(rm().LoadManifest("m.xml"));
    // Someone else's sound in the manager's own numbering.
    const int other = sounds->LoadSound("music/other");
    for (int round = 0; round < 300; ++round) {
        ASSERT_TRUE(rm().LoadGroup("s")) << round << ": " << rm().ErrorText();
        for (int i = 0; i < 5; ++i) {
            const int id = rm().RequireSound("snd" + std::to_string(i));
            ASSERT_GE(id, 0);
            ASSERT_NE(id, other);
            ASSERT_EQ(sounds->names[id], "snd" + std::to_string(i));
        }
        rm().UnloadGroup("s");
    }
    EXPECT_EQ(sounds->names[other], "music/other");
    EXPECT_FALSE(rm().LoadGroup("bad"));
    EXPECT_EQ(rm().ErrorText(), "Failed to load sound: missing");
    EXPECT_EQ(static_cast<ResourceManager::SoundRes*>(rm().Sounds().at("missing"))->soundId, -1);
}

TEST_F(ResourceLoading, SharedImagesByUpperCasedFileAndVariant) {
    WritePng("pic.png", 3, 3, 0xFFFFFFFF);
    bool isNew = false;
    Vant::SharedImageRef a = app->OpenSharedImage("pic.png", "", &isNew);
    EXPECT_TRUE(isNew);
    ASSERT_TRUE(a.GetImage());
    EXPECT_EQ(a.GetImage()->width, 3);
    Vant::SharedImageRef b = app->OpenSharedImage("PIC.PNG", "", &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(a.GetImage(), b.GetImage());
    Vant::SharedImageRef v = app->OpenSharedImage("pic.png", "Red", &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_NE(v.GetImage(), a.GetImage());
    EXPECT_EQ(app->OpenSharedImage("pic.png", "RED", &isNew).GetImage(), v.GetImage());
    Vant::SharedImageRef empty = app->OpenSharedImage("!scratch", "", &isNew);
    ASSERT_TRUE(empty.GetImage());
    EXPECT_EQ(empty.GetImage()->width, 0);
    EXPECT_FALSE(app->OpenSharedImage("none.png", "", &isNew).GetImage());

    // Unreferenced images go at the next update; held ones stay.
    v.Release();
    empty.Release();
    app->UpdateFrames();
    EXPECT_EQ(app->mSharedImageMap.size(), 1u);
    EXPECT_TRUE(a.GetImage());
}

}  // namespace
