// The picture and font part of the data lint, on the generated tree with
// the game's own readers: the manifest's Common group loads, every sheet
// divides into its cels, every font has its glyphs and palettises, the
// level pictures keep the see-through rule, and the tree holds no file that
// nothing names and no two names that differ only in case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "framework/app/ResourceManager.h"
#include "framework/app/support/FakeHost.h"
#include "framework/graphics/FontData.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "support/DataTree.h"

namespace fs = std::filesystem;
using datalint::Config;
using datalint::DataTree;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Every file under root, as paths relative to it with "/".
std::vector<std::string> Files(const fs::path& root) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root).generic_string());
    std::sort(out.begin(), out.end());
    return out;
}

struct Loaded : ::testing::Test {
    static void SetUpTestSuite() {
        tree = new DataTree(Config::shipped);
        app = new apptest::TestApp(&host);
        manifestOk = app->mResourceManager->LoadManifest("data/resources.xml");
        groupOk = manifestOk && app->mResourceManager->LoadGroup("Common");
        error = app->mResourceManager->ErrorText();
    }
    static void TearDownTestSuite() {
        delete app;
        delete tree;
    }
    static Vant::ResourceManager& rm() { return *app->mResourceManager; }
    static inline apptest::FakeHost host;
    static inline DataTree* tree = nullptr;
    static inline apptest::TestApp* app = nullptr;
    static inline bool manifestOk = false, groupOk = false;
    static inline std::string error;
};

TEST_F(Loaded, CommonGroupLoadsAndEverySheetDividesIntoItsCels) {
    ASSERT_TRUE(manifestOk) << error;
    ASSERT_TRUE(groupOk) << error;
    ASSERT_FALSE(rm().Images().empty());
    for (const auto& [id, base] : rm().Images()) {
        auto* res = static_cast<Vant::ResourceManager::ImageRes*>(base);
        EXPECT_EQ(res->path, Lower(res->path)) << id;
        Vant::Image* img = res->image.GetImage();
        ASSERT_NE(img, nullptr) << id;
        EXPECT_GE(res->rows, 1) << id;
        EXPECT_GE(res->cols, 1) << id;
        EXPECT_EQ(img->width % res->cols, 0) << id << " " << res->path;
        EXPECT_EQ(img->height % res->rows, 0) << id << " " << res->path;
        EXPECT_LE(std::max(img->width, img->height), 2048) << id;
        EXPECT_EQ(img->numRows, res->rows) << id;
        EXPECT_EQ(img->numCols, res->cols) << id;
    }
}

TEST_F(Loaded, EveryFontHasItsGlyphsAndAWhiteSheet) {
    ASSERT_TRUE(manifestOk) << error;
    ASSERT_TRUE(groupOk) << error;
    ASSERT_FALSE(rm().Fonts().empty());
    for (const auto& [id, base] : rm().Fonts()) {
        auto* font = dynamic_cast<Vant::ImageFont*>(rm().RequireFont(id));
        ASSERT_NE(font, nullptr) << id;
        const Vant::FontData* data = font->mFontData;
        ASSERT_TRUE(data->mInitialized) << id;
        const Vant::FontLayer& main = data->mFontLayerList.front();
        EXPECT_GT(main.mCharData[' '].mWidth, 0) << id << ": the space has no width";
        for (int c = 33; c <= 126; ++c) {
            const Vant::CharData& cd = main.mCharData[data->mCharMap[c]];
            EXPECT_GT(cd.mImageRect.width, 0) << id << ": no picture for '" << char(c) << "'";
            EXPECT_GT(cd.mWidth, 0) << id << ": no width for '" << char(c) << "'";
        }
        EXPECT_GT(font->GetAscent(), 0) << id;
        EXPECT_GT(font->GetHeight(), font->GetAscent()) << id;
        // Shadow layers are drawn under the glyphs, never over them.
        for (const Vant::FontLayer& layer : data->mFontLayerList) {
            if (&layer != &main) {
                EXPECT_LT(layer.mBaseOrder, 0) << id;
            }
        }
        // A sheet of white with coverage as alpha always palettises.
        auto* sheet = dynamic_cast<Vant::MemoryImage*>(main.mImage.GetImage());
        if (sheet) {
            EXPECT_TRUE(sheet->Palletize()) << id;
        }
    }
    // The captions of each button type fit its height.
    for (const char* type : {"menu", "dialog", "hud"}) {
        const std::string t = std::string("menu/buttons/") + type;
        Vant::Image* look = rm().GetImage(t + "/normal").GetImage();
        ASSERT_NE(look, nullptr) << t;
        EXPECT_LE(rm().RequireFont(t + "/font")->GetHeight(), look->height) << t;
    }
}

// The legacy strip's cells follow the metrics file in listing order.
TEST_F(Loaded, DebugFontUsesTheLegacyForm) {
    ASSERT_TRUE(manifestOk) << error;
    ASSERT_TRUE(groupOk) << error;
    auto* res = static_cast<Vant::ResourceManager::FontRes*>(rm().Fonts().at("DebugFont"));
    EXPECT_EQ(res->imagePath, "data/fonts/mono-11.png");
    ASSERT_NE(res->fontImage, nullptr);
    auto* font = dynamic_cast<Vant::ImageFont*>(res->font);
    ASSERT_NE(font, nullptr);
    const Vant::CharData& a = font->mFontData->mFontLayerList.front().mCharData['A'];
    EXPECT_EQ(a.mImageRect.height, res->fontImage->height);
    EXPECT_EQ(a.mImageRect.x, ('A' - 33) * a.mWidth);  // a fixed-pitch face
}

TEST(LevelPictures, BackgroundsAreOpaqueAndOnlyThePitHasTheSeeThroughKey) {
    DataTree tree(Config::shipped);
    int backgrounds = 0;
    for (const auto& e : fs::directory_iterator("data/Gui/Backgrounds")) {
        ++backgrounds;
        auto img = ImageLib::GetImage(e.path().string(), false);
        ASSERT_TRUE(img) << e.path();
        EXPECT_EQ(img->width, 772) << e.path();
        EXPECT_EQ(img->height, 580) << e.path();
        const size_t n = size_t(img->width) * img->height;
        EXPECT_TRUE(std::all_of(img->bits.get(), img->bits.get() + n, [](uint32_t p) { return (p >> 24) == 0xFF; }))
            << e.path() << " is not opaque";
    }
    EXPECT_EQ(backgrounds, 9);
    for (const auto& e : fs::directory_iterator("data/Gui/Sprites")) {
        auto img = ImageLib::GetImage(e.path().string(), false);
        ASSERT_TRUE(img) << e.path();
        const size_t n = size_t(img->width) * img->height;
        const auto keyed = std::count(img->bits.get(), img->bits.get() + n, 0xFFFFFFFFu);
        if (e.path().filename() == "pit.png") {
            EXPECT_GT(keyed, 0) << "the pit's inner disc is the see-through key";
        } else {
            EXPECT_EQ(keyed, 0) << e.path() << " holds opaque white, which the game draws as see-through";
        }
    }
    // The logo screens open these names: another case, doubled separators, no extension.
    for (const char* name : {"data//gui//logo//publisher", "data//gui//logo//developer"}) {
        auto img = ImageLib::GetImage(name, true);
        ASSERT_TRUE(img) << name;
        EXPECT_EQ(img->width, 800) << name;
        EXPECT_EQ(img->height, 600) << name;
    }
}

TEST(ArtTree, HeadersNamesAndReferences) {
    const fs::path root = datalint::built_data();
    const std::vector<std::string> files = Files(root);
    // No two names differ only in case, so the tree survives any file system.
    std::map<std::string, std::string> folded;
    for (const auto& f : files) {
        std::string dir;
        for (size_t cut = 0; (cut = f.find('/', cut + 1)) != std::string::npos;) {
            dir = f.substr(0, cut);
            auto [it, fresh] = folded.emplace(Lower(dir), dir);
            EXPECT_TRUE(fresh || it->second == dir) << dir << " and " << it->second;
        }
        auto [it, fresh] = folded.emplace(Lower(f), f);
        EXPECT_TRUE(fresh) << f << " and " << it->second;
    }
    // Every PNG is 8 bits a channel, RGBA (or RGB when wholly opaque), not interlaced.
    for (const auto& f : files) {
        if (f.size() < 4 || f.substr(f.size() - 4) != ".png") continue;
        const std::string head = Read(root / f).substr(0, 29);
        ASSERT_EQ(head.size(), 29u) << f;
        ASSERT_EQ(head.substr(12, 4), "IHDR") << f;
        EXPECT_EQ(head[24], 8) << f << ": bit depth";
        EXPECT_TRUE(head[25] == 6 || head[25] == 2) << f << ": colour type " << int(head[25]);
        EXPECT_EQ(head[28], 0) << f << ": interlaced";
    }
    // Every picture and font file is named by the manifest, a font
    // descriptor, a level file or the logo screens.
    std::set<std::string> named;  // every double-quoted text of those files
    auto scan = [&named](const std::string& text) {
        for (size_t open = text.find('"'); open != std::string::npos;) {
            const size_t close = text.find('"', open + 1);
            if (close == std::string::npos) break;
            named.insert(text.substr(open + 1, close - open - 1));
            open = text.find('"', close + 1);
        }
    };
    scan(Read(root / "resources.xml"));
    for (const auto& f : files) {
        if (f.rfind("levels-xml/", 0) == 0) scan(Read(root / f));
        // A descriptor quotes its characters too: only its image lines count.
        if (f.size() > 5 && f.substr(f.size() - 5) == ".font") {
            std::istringstream lines(Read(root / f));
            for (std::string line; std::getline(lines, line);)
                if (line.rfind("LayerSetImage ", 0) == 0) scan(line);
        }
    }
    for (const auto& f : files) {
        const std::string leaf = f.substr(f.rfind('/') + 1);
        if (f.rfind("images/", 0) == 0) {
            EXPECT_TRUE(named.count(f) || f == "images/icon.png") << f << " is named by nothing";
        } else if (f.rfind("fonts/", 0) == 0) {
            EXPECT_TRUE(named.count(leaf) || named.count("data/" + f)) << f << " is named by nothing";
            // Glyph sheets are white with coverage as alpha: the drawing colour tints them.
            if (leaf.size() > 4 && leaf.substr(leaf.size() - 4) == ".png") {
                auto sheet = ImageLib::GetPNGImage((root / f).string());
                ASSERT_TRUE(sheet) << f;
                const size_t n = size_t(sheet->width) * sheet->height;
                EXPECT_TRUE(std::all_of(sheet->bits.get(), sheet->bits.get() + n,
                                        [](uint32_t p) { return (p & 0xFFFFFFu) == 0xFFFFFFu; }))
                    << f << " is not white";
            }
        } else if (f.rfind("Gui/Backgrounds/", 0) == 0 || f.rfind("Gui/Sprites/", 0) == 0) {
            EXPECT_TRUE(named.count(leaf)) << f << " is named by no level file";
        } else if (f.rfind("Gui/", 0) == 0) {
            EXPECT_TRUE(f == "Gui/logo/publisher.png" || f == "Gui/logo/developer.png") << f;
        }
    }
}

}  // namespace
