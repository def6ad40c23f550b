// The software cursor on the headless display, checked pixel by pixel on the
// shown picture: after any move the old cell shows the background and the
// new one exactly one cursor, cells at the edges are clipped, and the cursor
// thread may move it while the primary thread draws and presents.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>
#include <vector>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/FakeGraphicsApp.h"

namespace {

using namespace Vant;
using plat::headless::HeadlessDisplay;

constexpr int kW = 200, kH = 150;
constexpr std::uint32_t kCursor = 0x00FF0000;

std::uint32_t Background(int x, int y) { return static_cast<std::uint32_t>(0x010000 * (y & 0x3F) + 0x100 * x + 7); }

struct Rig {
    graphicstest::FakeGraphicsApp app;
    HeadlessDisplay device;
    DDInterface display{device, &app};
    DDImage cursor{&display};
    Rig() {
        device.clientWidth = kW;
        device.clientHeight = kH;
        display.config.width = kW;
        display.config.height = kH;
        EXPECT_EQ(display.Init(1, true), 0);
        // A 6 x 4 opaque cursor: drawn at (x - 3, y - 2) inside its cell.
        cursor.SetBits(std::vector<std::uint32_t>(24, 0xFFFF0000).data(), 6, 4);
        DrawBackground();
        EXPECT_TRUE(display.Redraw());
    }
    void DrawBackground() {
        plat::Surface& s = *display.DrawSurface();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const plat::Rect r{x, y, 1, 1};
                s.Fill(&r, Background(x, y));
            }
    }
    // Empty when the primary shows the background with one cursor whose
    // image's top-left is at (cx, cy) (none when cx is INT_MIN).
    std::string CheckPrimary(int cx, int cy) {
        const plat::Surface& p = *display.Primary();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool in = x >= cx && x < cx + 6 && y >= cy && y < cy + 4;
                const std::uint32_t want = in ? kCursor : Background(x, y);
                if (p.PixelAt(x, y) != want)
                    return "at " + std::to_string(x) + "," + std::to_string(y) + " got " +
                           std::to_string(p.PixelAt(x, y)) + " want " + std::to_string(want);
            }
        return "";
    }
};

TEST(SoftwareCursor, EveryMoveLeavesBackgroundAndOneCursor) {
    Rig rig;
    ASSERT_TRUE(rig.display.SetCursorImage(&rig.cursor));
    EXPECT_FALSE(rig.display.SetCursorImage(&rig.cursor));
    struct Move {
        int x, y;
        bool saved;
    };
    const Move moves[] = {
        {50, 50, true},    // first drawing
        {53, 51, true},    // overlapping cells
        {140, 100, true},  // cells apart: no overlap step
        {198, 5, true},    // cell and cursor partly off the right and top
        {-100, -100, false},  // wholly off: nothing saved, nothing drawn
        {60, 60, true},
        {2, 148, true},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(std::to_string(m.x) + "," + std::to_string(m.y));
        rig.display.SetCursorPos(m.x, m.y);
        EXPECT_EQ(rig.display.CursorAreaSaved(), m.saved);
        EXPECT_EQ(rig.CheckPrimary(m.saved ? m.x - 3 : INT_MIN / 2, m.y - 2), "");
        // Only the cell was touched, and the presenter is told which.
        plat::Rect changed;
        if (rig.display.Primary()->TakeChanged(&changed)) {
            EXPECT_LE(changed.w, 64 * 2 + 90);
        }
    }
    // A frame redraws the cursor at the pointer; the draw surface keeps no
    // trace of it.
    rig.DrawBackground();
    ASSERT_TRUE(rig.display.Redraw());
    EXPECT_EQ(rig.CheckPrimary(2 - 3, 148 - 2), "");
    EXPECT_EQ(rig.display.DrawSurface()->PixelAt(0, 147), Background(0, 147));
    rig.display.SetCursorPos(100, 70);
    EXPECT_EQ(rig.CheckPrimary(97, 68), "");

    // No cursor image: nothing drawn, nothing saved.
    rig.display.SetCursorImage(nullptr);
    rig.DrawBackground();
    ASSERT_TRUE(rig.display.Redraw());
    EXPECT_FALSE(rig.display.CursorAreaSaved());
    EXPECT_EQ(rig.CheckPrimary(INT_MIN / 2, 0), "");
}

TEST(SoftwareCursor, CursorThreadMovesWhileFramesArePresented) {
    Rig rig;
    rig.display.SetCursorImage(&rig.cursor);
    std::atomic<bool> stop{false};
    std::thread mover([&] {
        unsigned seed = 7;
        while (!stop) {
            seed = seed * 214013u + 2531011u;
            rig.display.SetCursorPos(static_cast<int>(seed >> 16) % kW, static_cast<int>(seed >> 8) % kH);
        }
    });
    for (int frame = 0; frame < 200; ++frame) {
        rig.display.GetScreenImage()->FillRect(Rect(frame % kW, 0, 1, 1), Color(1, 2, 3), 0);
        rig.display.Redraw();
    }
    stop = true;
    mover.join();
    rig.DrawBackground();
    ASSERT_TRUE(rig.display.Redraw());
    const int x = rig.display.MouseX(), y = rig.display.MouseY();
    EXPECT_EQ(rig.CheckPrimary(x - 3, y - 2), "");
}

}  // namespace
