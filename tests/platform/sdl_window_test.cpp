// The SDL window service. Without a desktop it runs on SDL's dummy driver;
// the RealDisplay cases need an X server (ctest runs them under xvfb-run)
// and send input through it with xdotool.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Shell.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace {

using plat::MsgRecord;
namespace msg = plat::msg;

bool HaveDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

TEST(SdlCursor, MaskPlanesBecomeSdlDataAndMask) {
    plat::MaskCursor c;
    // Row 0, leftmost four pixels: transparent, black, white, inverted.
    c.andPlane[0] = 0x90000000u | 0x0FFFFFFFu;   // 1 0 0 1, rest transparent
    c.xorPlane[0] = 0x30000000u;                  // 0 0 1 1
    std::uint8_t data[128], mask[128];
    plat::sdl::MaskToSdl(c, data, mask);
    // SDL: mask 0 data 0 transparent, 1 1 black, 1 0 white, 0 1 inverted.
    EXPECT_EQ(mask[0] >> 4, 0x6);   // 0 1 1 0
    EXPECT_EQ(data[0] >> 4, 0x5);   // 0 1 0 1
    EXPECT_EQ(mask[0] & 0xF, 0);
    EXPECT_EQ(data[0] & 0xF, 0);
    // Row 1 is all black (both planes 0): every pixel shown.
    EXPECT_EQ(mask[4], 0xFF);
    EXPECT_EQ(data[7], 0xFF);
}

TEST(SdlWindow, DummyDriverWindowPumpsTimerAndRegistersMessages) {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    plat::sdl::SdlWindowService win;
    std::string error;
    ASSERT_TRUE(win.Start(&error)) << error;
    const auto id = win.CreateMainWindow("Zelkor \xC8\xE3\xF0\xE0", 10, 20, 320, 240, false);
    ASSERT_NE(id, 0u);
    win.Show(id);
    win.ClearWindow(id, 0x000000);
    EXPECT_EQ(win.ClientRect(id).w, 320);
    EXPECT_EQ(win.WindowBorders(id), plat::BorderSizes{});   // unknown on this driver
    EXPECT_EQ(win.RegisterMessage("NotifyZelkor"), msg::kFirstRegistered);
    const auto hand = win.CreateMaskCursor(plat::MaskCursor{});
    win.SetCursor(hand);
    win.SetCursor(0);
    win.DestroyCursor(hand);
    win.SetTimer(id, msg::kAppTimerId, 1);
    win.PostMessage({id, msg::kClose, 0, 0});
    std::vector<MsgRecord> got;
    for (int i = 0; i < 200 && got.size() < 2; ++i) {
        win.PumpEvents([&](const MsgRecord& r) {
            if (r.msg == msg::kClose || r.msg == msg::kTimer) got.push_back(r);
        });
        SDL_Delay(2);
    }
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0].msg, msg::kClose);
    EXPECT_EQ(got[1].msg, msg::kTimer);
    EXPECT_EQ(got[1].wParam, msg::kAppTimerId);
    win.DestroyWindow(id);
}

TEST(SdlShell, WithoutADesktopBoxesGoToStderrWithTheDefault) {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    plat::sdl::SdlShell shell;
    testing::internal::CaptureStderr();
    EXPECT_EQ(shell.MessageBox("This application requires a graphical display to run.", "Zelkor",
                               plat::mb::kOk | plat::mb::kIconError),
              plat::mb::kIdOk);
    EXPECT_EQ(shell.MessageBox("Use 3D?", "Q", plat::mb::kYesNo), plat::mb::kIdNo);
    EXPECT_EQ(shell.MessageBox("Again?", "Q", plat::mb::kRetryCancel), plat::mb::kIdCancel);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Zelkor: This application requires a graphical display to run."), std::string::npos) << err;
}

TEST(SdlShell, OpenUrlNeverPassesAnOptionAndReportsAFailedStart) {
    plat::sdl::SdlShell shell;
    EXPECT_FALSE(shell.OpenURL("--help"));
    EXPECT_FALSE(shell.OpenURL(""));
    EXPECT_FALSE(plat::sdl::SpawnWithArgument("zelkor-no-such-program", "http://example.invalid/"));
    EXPECT_TRUE(plat::sdl::SpawnWithArgument("true", "http://example.invalid/a b"));
}

TEST(RealDisplay, WindowOpensAndXInputArrivesAsMessages) {
    if (!HaveDisplay()) GTEST_SKIP() << "no X display";
    ::unsetenv("SDL_VIDEODRIVER");
    plat::sdl::SdlWindowService win;
    std::string error;
    ASSERT_TRUE(win.Start(&error)) << error;
    const plat::Rect usable = win.UsableDesktopBounds();
    EXPECT_GT(usable.w, 0);
    const auto id = win.CreateMainWindow("Zelkor", 100, 100, 200, 150, false);
    ASSERT_NE(id, 0u);
    win.Show(id);
    win.Raise(id);
    win.ClearWindow(id, 0x203040);
    std::vector<MsgRecord> got;
    auto pump = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            win.PumpEvents([&](const MsgRecord& r) { got.push_back(r); });
            SDL_Delay(5);
        }
    };
    pump(40);
    const plat::Rect client = win.ClientRect(id);
    EXPECT_EQ(client.w, 200);
    const std::string move = "xdotool mousemove " + std::to_string(client.x + 30) + " " + std::to_string(client.y + 40);
    ASSERT_EQ(std::system(move.c_str()), 0);
    ASSERT_EQ(std::system("xdotool click 1"), 0);
    pump(100);
    bool moved = false, down = false, up = false;
    for (const MsgRecord& r : got) {
        if (r.msg == msg::kMouseMove && plat::PointParamX(r.lParam) == 30 && plat::PointParamY(r.lParam) == 40)
            moved = true;
        if (r.msg == msg::kLButtonDown) down = moved;
        if (r.msg == msg::kLButtonUp) up = down;
    }
    EXPECT_TRUE(moved);
    EXPECT_TRUE(down);
    EXPECT_TRUE(up);
    EXPECT_EQ(win.WindowUnderCursor(), id);
    win.DestroyWindow(id);
}

}  // namespace
