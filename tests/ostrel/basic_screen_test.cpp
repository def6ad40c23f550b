// The adapter's basic screen on the look fixture: the shade under modal
// screens, what the screen control does with keys, centring, and its
// background.
#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/graphics/Graphics.h"
#include "ostrel/gui/BasicScreen.h"
#include "ostrel/gui/Statics.h"
#include "support/FixtureStage.h"

namespace {

using adaptertest::FixtureStage;
using orvek::ostrel::BasicScreen;
using orvek::ostrel::Point;
using orvek::ostrel::ScreenControl;

// Counts its accept and cancel calls.
class CountingScreen : public BasicScreen {
public:
    using BasicScreen::BasicScreen;
    void on_accept() override { ++accepts; }
    void on_cancel() override { ++cancels; }
    int accepts = 0, cancels = 0;
};

ScreenControl& control_of(BasicScreen& s) { return dynamic_cast<ScreenControl&>(s.control()); }

std::uint32_t shade_pixel(const BasicScreen& s) {
    return const_cast<Vant::MemoryImage&>(s.shade_image()).GetBits()[0];
}

orvek::ostrel::KeyPressEvent key(const orvek::ostrel::ScreenSystem& ss, unsigned code) {
    return orvek::ostrel::KeyPressEvent(ss.input(), code, false);
}

TEST(BasicScreen, ShadeAlphaFollowsTheModalCountWhenMade) {
    FixtureStage st;
    CountingScreen base(*st.ss, "menu/fixture");
    EXPECT_EQ(shade_pixel(base), 128u << 24);
    EXPECT_EQ(base.shade_image().width, 800);
    EXPECT_EQ(base.shade_image().height, 600);
    st.ss->push_screen(&base);
    st.ss->update();
    CountingScreen first(*st.ss, "menu/fixture/panel");
    EXPECT_EQ(shade_pixel(first), 128u << 24);
    st.ss->push_modal_screen(&first);
    st.ss->update();
    CountingScreen second(*st.ss, "menu/fixture/panel");
    EXPECT_EQ(shade_pixel(second), 64u << 24);
    st.ss->push_modal_screen(&second);
    st.ss->update();
    CountingScreen third(*st.ss, "menu/fixture/panel");
    EXPECT_EQ(shade_pixel(third), 42u << 24);

    // Both modal screens are active, so both shades show; a normal screen's never does.
    EXPECT_TRUE(first.shade().is_visible());
    EXPECT_TRUE(second.shade().is_visible());
    EXPECT_FALSE(base.shade().is_visible());
    st.ss->pop_screen();
    st.ss->update();
    EXPECT_FALSE(second.shade().is_visible());
    EXPECT_TRUE(first.shade().is_visible());
    // The alpha stays what it was when the screen was made.
    EXPECT_EQ(shade_pixel(second), 64u << 24);
}

TEST(BasicScreen, TwoModalShadesDarkenTwice) {
    FixtureStage st;
    CountingScreen base(*st.ss, "menu/fixture");
    st.ss->push_screen(&base);
    st.ss->update();
    CountingScreen first(*st.ss, "menu/fixture/panel");
    st.ss->push_modal_screen(&first);
    st.ss->update();
    CountingScreen second(*st.ss, "menu/fixture/stretched");
    st.ss->push_modal_screen(&second);
    st.ss->update();
    const auto picture = st.draw_all();
    const std::uint32_t bg = st.colour_of("menu/fixture/background");
    auto darkened = [](std::uint32_t c, int alpha) {
        std::uint32_t out = 0xFF000000u;
        for (int shift : {0, 8, 16}) {
            const int v = int((c >> shift) & 0xFF);
            out |= std::uint32_t(v * (255 - alpha) / 255) << shift;
        }
        return out;
    };
    // A corner outside both dialogs lies under both shades: 128, then 64.
    const std::uint32_t corner = picture->GetBits()[0];
    const std::uint32_t expected = darkened(darkened(bg, 128), 64);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(int((corner >> shift) & 0xFF), int((expected >> shift) & 0xFF), 2) << std::hex << corner;
}

TEST(BasicScreen, KeysReachOnlyTheTopScreen) {
    FixtureStage st;
    CountingScreen base(*st.ss, "menu/fixture");
    st.ss->push_screen(&base);
    st.ss->update();
    CountingScreen dialog(*st.ss, "menu/fixture/panel");
    st.ss->push_modal_screen(&dialog);
    st.ss->update();

    st.ss->post_message(256, 13, 0);
    st.ss->post_message(256, 27, 0);
    st.ss->post_message(256, 'A', 0);
    EXPECT_EQ(base.accepts + base.cancels, 0);
    EXPECT_EQ(dialog.accepts, 1);
    EXPECT_EQ(dialog.cancels, 1);

    // Covered: a normal screen's control reports the key unhandled, a
    // modal one's handled; neither calls its screen.
    auto enter = key(*st.ss, 13);
    EXPECT_FALSE(base.control().handle(enter).handled());
    CountingScreen top(*st.ss, "menu/fixture/panel");
    st.ss->push_modal_screen(&top);
    st.ss->update();
    EXPECT_TRUE(dialog.control().handle(enter).handled());
    EXPECT_EQ(dialog.accepts, 1);
    EXPECT_TRUE(top.control().handle(enter).handled());
    EXPECT_EQ(top.accepts, 1);
    // The control accepts every event.
    EXPECT_TRUE(base.control().accepts(enter).handled());
}

TEST(BasicScreen, ModalControlIsCentredWhenShownAgain) {
    FixtureStage st;
    CountingScreen dialog(*st.ss, "menu/fixture/panel");
    EXPECT_EQ(dialog.control().position(), (Point{100, 100}));
    st.ss->push_modal_screen(&dialog);
    st.ss->update();
    EXPECT_EQ(dialog.control().position(), (Point{300, 225}));
    EXPECT_TRUE(control_of(dialog).centered());
    dialog.control().set_position({0, 0});
    CountingScreen cover(*st.ss, "menu/fixture/stretched");
    st.ss->push_modal_screen(&cover);
    st.ss->update();
    st.ss->pop_screen();
    st.ss->update();
    EXPECT_EQ(dialog.control().position(), (Point{300, 225}));

    // A normal screen stays where the skin puts it.
    CountingScreen plain(*st.ss, "menu/fixture/stretched");
    st.ss->push_screen(&plain);
    st.ss->update();
    EXPECT_EQ(plain.control().position(), (Point{100, 100}));
    EXPECT_FALSE(control_of(plain).centered());
}

TEST(BasicScreen, ShowingSetsCursorZero) {
    FixtureStage st;
    st.ss->set_cursor(5);
    ASSERT_EQ(st.ss->cursor(), 5);
    CountingScreen s(*st.ss, "menu/fixture");
    st.ss->push_screen(&s);
    st.ss->update();
    EXPECT_EQ(st.ss->cursor(), 0);
}

TEST(BasicScreen, BackgroundUnscaledOrStretched) {
    FixtureStage st;
    struct Case {
        const char* path;
        bool has_background;
    } cases[] = {{"menu/fixture/panel", true}, {"menu/fixture/stretched", true}, {"menu/fixture/image1", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CountingScreen s(*st.ss, c.path);
        EXPECT_EQ(control_of(s).has_background(), c.has_background);
        if (!c.has_background) continue;
        Vant::MemoryImage dest;
        dest.Create(200, 150);
        dest.Clear();
        Vant::Graphics g(&dest);
        s.control().draw(&g);
        const std::uint32_t bg = st.colour_of(std::string(c.path) + "/background");
        // A background of another size reaches the far corner only when
        // stretched (the blend onto a clear image may lose one step).
        for (int at : {0, 149 * 200 + 199})
            for (int shift : {0, 8, 16, 24})
                EXPECT_NEAR(int(dest.GetBits()[at] >> shift & 0xFF), int(bg >> shift & 0xFF), 1) << at;
    }
}

class Bare : public BasicScreen {
public:
    explicit Bare(orvek::ostrel::ScreenSystem& ss) : BasicScreen(ss, "") { install_control(nullptr); }
};

TEST(BasicScreen, ControlWithNoneInstalled) {
    FixtureStage st;
    Bare bare(*st.ss);
    try {
        bare.control();
        ADD_FAILURE();
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "There is no control installed.");
    }
}

}  // namespace
