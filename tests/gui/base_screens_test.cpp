// The game's base screens on the look fixture: dialogs of one type share
// their look and keep their own texts, the title's placement, the body's
// centred lines, and a dialog over a shaded screen as a picture.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/app/ResourceManager.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageLib.h"
#include "gui/BasicScreen.h"
#include "gui/ScreenSystem.h"
#include "ostrel/support/FixtureStage.h"

namespace {

using adaptertest::FixtureApp;
using adaptertest::FixtureStage;
using orvek::ostrel::Point;
using orvek::ostrel::Size;
namespace gui = orvek::trelm::gui;

struct Stage : FixtureStage {
    Stage()
        : FixtureStage([](FixtureApp& a) {
              return std::make_unique<gui::ScreenSystem>(a.mWidgetManager.get(), a.resource_manager());
          }) {}
    gui::ScreenSystem& system() { return *static_cast<gui::ScreenSystem*>(ss); }
};

constexpr int kGlyph = 6;  // the fixture font: 5 lit columns and a gap

TEST(GameScreens, ScreenSystemHasNoControllerYet) {
    Stage st;
    gui::BasicScreen screen(st.system(), "menu/fixture");
    EXPECT_EQ(screen.screen_system(), &st.system());
    EXPECT_EQ(screen.controller(), nullptr);
}

TEST(ModalScreenWithText, DialogsOfOneTypeShareTheLook) {
    Stage st;
    gui::ModalScreenWithText a(st.system(), "menu/fixture-dialog");
    gui::ModalScreenWithText b(st.system(), "menu/fixture-dialog-2");
    for (auto* d : {&a, &b}) {
        EXPECT_EQ(d->skin_path(), "menu/dialogs/message");
        EXPECT_EQ(d->size(), (Size{320, 200}));
        EXPECT_TRUE(dynamic_cast<orvek::ostrel::ScreenControl&>(d->control()).has_background());
        EXPECT_EQ(d->title().position().y, 20);
        EXPECT_EQ(d->body().font(), a.body().font());
        EXPECT_EQ(d->title().text_size().height, 10);
    }
    EXPECT_NE(a.body().font(), nullptr);
    // Own texts, and the title centred by its own width.
    EXPECT_EQ(a.body().text(), "First line\nSecond line");
    EXPECT_EQ(b.body().text(), "Other body");
    EXPECT_EQ(a.title().text_size().width, 13 * kGlyph + 20);
    EXPECT_EQ(b.title().text_size().width, 5 * kGlyph + 20);
    EXPECT_EQ(a.title().position().x, (320 - (13 * kGlyph + 20)) / 2);
    EXPECT_EQ(b.title().position().x, (320 - (5 * kGlyph + 20)) / 2);
    // Own body positions; the body spans the control.
    EXPECT_EQ(a.body().position(), (Point{0, 80}));
    EXPECT_EQ(b.body().position(), (Point{30, 110}));
    EXPECT_EQ(a.body().size(), (Size{320, 200}));
}

TEST(ModalScreenWithText, TitleWiderThanTheControlGetsNegativeX) {
    Stage st;
    gui::ModalScreenWithText d(st.system(), "menu/fixture-wide-dialog");
    const int width = d.title().text_size().width;
    ASSERT_GT(width, 320);
    EXPECT_EQ(d.title().position().x, (320 - width) / 2);
    EXPECT_LT(d.title().position().x, 0);
}

TEST(ModalScreenWithText, BodyEscapeGivesTwoCentredLines) {
    Stage st;
    gui::ModalScreenWithText d(st.system(), "menu/fixture-dialog");
    EXPECT_EQ(d.body().lines().size(), 2u);
    Vant::MemoryImage dest;
    dest.Create(320, 200);
    dest.Clear();
    Vant::Graphics g(&dest);
    d.draw(&g);
    // The body's colour is cyan; blending may lose a step or two.
    auto cyan = [](std::uint32_t c) { return (c >> 16 & 0xFF) < 8 && (c >> 8 & 0xFF) > 247 && (c & 0xFF) > 247; };
    auto lit = [&](int y) {
        int first = -1, last = -1;
        for (int x = 0; x < 320; ++x)
            if (cyan(dest.GetBits()[y * 320 + x])) {
                if (first < 0) first = x;
                last = x;
            }
        return std::pair{first, last};
    };
    // "First line" (10 glyphs) from y 80, "Second line" (11) from y 90.
    EXPECT_EQ(lit(80), (std::pair{(320 - 10 * kGlyph) / 2, (320 - 10 * kGlyph) / 2 + 10 * kGlyph - 2}));
    EXPECT_EQ(lit(90), (std::pair{(320 - 11 * kGlyph) / 2, (320 - 11 * kGlyph) / 2 + 11 * kGlyph - 2}));
    EXPECT_EQ(lit(88), (std::pair{-1, -1}));  // the gap between the lines
    EXPECT_EQ(lit(100), (std::pair{-1, -1}));
}

TEST(ModalScreenWithText, MissingTypeLooksUnderDialogsAlone) {
    Stage st;
    EXPECT_EQ(gui::ModalScreenWithText::look_path("menu/fixture-untyped-dialog"), "menu/dialogs/");
    try {
        gui::ModalScreenWithText d(st.system(), "menu/fixture-untyped-dialog");
        ADD_FAILURE();
    } catch (const Vant::ResourceManagerException& e) {
        EXPECT_STREQ(e.what(), "Font resource not found: menu/dialogs//title/font");
    }
}

TEST(ModalScreenWithText, DialogOverShadedScreenPicture) {
    Stage st;
    gui::BasicScreen screen(st.system(), "menu/fixture");
    st.ss->push_screen(&screen);
    st.ss->update();
    gui::ModalScreenWithText dialog(st.system(), "menu/fixture-dialog");
    st.ss->push_modal_screen(&dialog);
    st.ss->update();
    const auto picture = st.draw_all();

    const std::string expected_file = ZELKOR_SOURCE_DIR "/tests/gui/data/dialog_over_screen.png";
    const auto expected = ImageLib::GetImage(expected_file, false);
    bool same = expected && expected->width == 800 && expected->height == 600;
    for (int i = 0; same && i < 800 * 600; ++i) same = expected->bits[i] == picture->GetBits()[i];
    if (!same) {
        // Kept in the build tree to look at, or to take as the new expectation.
        ImageLib::Image out(800, 600);
        std::copy(picture->GetBits(), picture->GetBits() + 800 * 600, out.bits.get());
        const char* work = std::getenv("ZELKOR_TEST_WORK");
        const std::string kept = std::string(work ? work : ".") + "/dialog_over_screen.png";
        ImageLib::WritePNGImage(kept, out);
        ADD_FAILURE() << "the picture differs from " << expected_file << "; it is kept as " << kept;
    }
}

}  // namespace
