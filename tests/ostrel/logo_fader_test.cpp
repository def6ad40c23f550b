// The logo show on the look fixture, drawn into a memory image: fades,
// holds and hand-overs counted in updates, the opacity at sample points, a
// cancel by key, and a show that stands while it is not drawn.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "ostrel/Events.h"
#include "ostrel/gui/LogoFaderScreen.h"
#include "support/FixtureStage.h"

namespace {

using adaptertest::FixtureStage;
using orvek::ostrel::LogoFaderScreen;

std::unique_ptr<Vant::MemoryImage> flat(std::uint32_t argb) {
    auto m = std::make_unique<Vant::MemoryImage>();
    std::vector<std::uint32_t> bits(800 * 600, argb);
    m->Create(800, 600);
    m->SetBits(bits.data(), 800, 600);
    return m;
}

struct Show {
    FixtureStage st;
    std::unique_ptr<Vant::MemoryImage> white = flat(0xFFFFFFFF), grey = flat(0xFF808080);
    Vant::MemoryImage canvas;
    LogoFaderScreen screen{*st.ss};
    int finished = 0;

    explicit Show(int logos = 2) {
        canvas.Create(800, 600);
        if (logos > 0) screen.add_logo(white.get());
        if (logos > 1) screen.add_logo(grey.get());
        screen.set_on_finished([this] { ++finished; });
    }
    // One step as the screen system drives it: update, then a frame.
    std::uint32_t step() {
        screen.update();
        Vant::Graphics g(&canvas);
        screen.draw(&g);
        return canvas.GetBits()[400 * 800 + 400];
    }
};

TEST(LogoFader, TwoLogosFadeHoldAndFadeOutOnce) {
    Show show;
    struct Change {
        int update, phase;
        std::size_t logo;
    };
    std::vector<Change> changes;
    int phase = show.screen.phase();
    std::size_t logo = 0;
    std::vector<std::uint32_t> pixels{0};
    const auto black = flat(0xFF000000);
    for (int n = 1; n <= 400; ++n) {
        pixels.push_back(show.step());
        if (show.screen.phase() != phase || show.screen.current_logo() != logo) {
            phase = show.screen.phase();
            logo = show.screen.current_logo();
            changes.push_back({n, phase, logo});
        }
    }
    // 2 s fade in, 2 s hold, 2 s fade out per logo at 0.032 s a step; the
    // phase moves on in the frame whose update took the timer to 0 or below.
    const std::vector<Change> expected{{1, 1, 0}, {63, 2, 0}, {126, 3, 0}, {189, 1, 1}, {252, 2, 1},
                                       {315, 3, 1}, {378, 0, 2}};
    ASSERT_EQ(changes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(changes[i].update, expected[i].update) << i;
        EXPECT_EQ(changes[i].phase, expected[i].phase) << i;
        EXPECT_EQ(changes[i].logo, expected[i].logo) << i;
    }
    EXPECT_EQ(show.finished, 1);

    // The modulation's alpha is trunc(a * 255 + 0.5), a the fraction of the
    // fade done: each sample equals white drawn over black with that alpha
    // (255: drawn plainly).
    struct Sample {
        int update, alpha;
    };
    for (const Sample s : {Sample{1, 4}, Sample{2, 8}, Sample{31, 126}, Sample{62, 253}, Sample{63, 255},
                           Sample{100, 255}, Sample{127, 251}, Sample{188, 2}}) {
        Vant::MemoryImage reference;
        reference.Create(800, 600);
        Vant::Graphics g(&reference);
        g.DrawImage(black.get(), 0, 0);
        if (s.alpha < 255) {
            g.SetColorizeImages(true);
            g.SetColor(Vant::Color(255, 255, 255, s.alpha));
        }
        g.DrawImage(show.white.get(), 0, 0);
        EXPECT_EQ(pixels[s.update], reference.GetBits()[400 * 800 + 400]) << "update " << s.update;
    }
    // After the show only black.
    EXPECT_EQ(pixels[400] & 0xFFFFFF, 0u);
}

TEST(LogoFader, WithoutLogosNothingEverFinishes) {
    Show show(0);
    for (int n = 0; n < 400; ++n) EXPECT_EQ(show.step() & 0xFFFFFF, 0u);
    EXPECT_EQ(show.finished, 0);
    EXPECT_EQ(show.screen.phase(), 0);
}

TEST(LogoFader, KeyDuringFirstFadeFinishesOnce) {
    Show show;
    show.st.ss->push_screen(&show.screen);
    show.st.ss->update();
    for (int n = 0; n < 10; ++n) show.step();
    ASSERT_EQ(show.screen.phase(), 1);
    show.st.ss->post_message(256, 'A', 0);  // a key goes down
    EXPECT_EQ(show.finished, 1);
    show.st.ss->post_message(513, 0, 0);    // a click after the end
    show.st.ss->post_message(256, ' ', 0);
    EXPECT_EQ(show.finished, 1);
    for (int n = 0; n < 300; ++n) EXPECT_EQ(show.step() & 0xFFFFFF, 0u) << n;
    EXPECT_EQ(show.finished, 1);
}

TEST(LogoFader, UpdatesWithoutDrawsDoNotAdvance) {
    Show show;
    for (int n = 0; n < 500; ++n) show.screen.update();
    EXPECT_EQ(show.screen.phase(), 1);
    EXPECT_EQ(show.screen.current_logo(), 0u);
    EXPECT_EQ(show.finished, 0);
    // The first frame finds the timer long run out and moves on one phase.
    show.step();
    EXPECT_EQ(show.screen.phase(), 2);
}

}  // namespace
