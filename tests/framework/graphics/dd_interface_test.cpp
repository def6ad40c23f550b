// Bringing the display up on the headless display service: the pixel-format
// description and its tables, every result code of Init with the step that
// causes it, the refresh clamp, a re-Init, and the names of result codes.
#include <gtest/gtest.h>

#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DirectXErrors.h"
#include "platform/headless/HeadlessDisplay.h"

namespace {

using namespace Vant;
using plat::headless::HeadlessDisplay;
using Step = HeadlessDisplay::Step;
namespace res = plat::res;

TEST(PixelFormat, MasksGiveShiftsBitsAndTables) {
    struct Case {
        plat::PixelFormat f;
        int shifts[3], bits[3];
        std::size_t addSizes[3];
        int half[3];  // channel table at 128
    };
    const Case cases[] = {
        {plat::kFormat565, {11, 5, 0}, {5, 6, 5}, {63, 127, 63}, {0x7800, 0x3E0, 0xF}},
        {plat::kFormat555, {10, 5, 0}, {5, 5, 5}, {63, 63, 63}, {0x3C00, 0x1E0, 0xF}},
        {plat::kFormat888, {16, 8, 0}, {8, 8, 8}, {511, 511, 511}, {0x800000, 0x8000, 0x80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.f.rMask);
        NativeDisplay d;
        DerivePixelFormat(d, c.f.rMask, c.f.gMask, c.f.bMask);
        EXPECT_EQ(d.redShift, c.shifts[0]);
        EXPECT_EQ(d.greenShift, c.shifts[1]);
        EXPECT_EQ(d.blueShift, c.shifts[2]);
        EXPECT_EQ(d.redBits, c.bits[0]);
        EXPECT_EQ(d.greenBits, c.bits[1]);
        EXPECT_EQ(d.blueBits, c.bits[2]);
        const int bits[3] = {d.redBits, d.greenBits, d.blueBits};
        const std::uint32_t masks[3] = {c.f.rMask, c.f.gMask, c.f.bMask};
        for (int i = 0; i < 3; ++i) {
            const std::vector<int> add = BuildAdditiveTable(bits[i]);
            ASSERT_EQ(add.size(), c.addSizes[i]);
            const int max = (1 << bits[i]) - 1;
            EXPECT_EQ(add[max - 1], max - 1);
            EXPECT_EQ(add[max], max);
            EXPECT_EQ(add.back(), max);
            const std::vector<int> ch = BuildChannelTable(masks[i]);
            ASSERT_EQ(ch.size(), 256u);
            EXPECT_EQ(ch[0], 0);
            EXPECT_EQ(ch[128], c.half[i]);
            EXPECT_EQ(ch[255], static_cast<int>(masks[i]));
        }
    }
}

struct Rig {
    HeadlessDisplay device;
    DDInterface display{device};
    Rig() {
        display.config.width = 320;
        display.config.height = 240;
        display.config.colorDepth = 16;
    }
};

TEST(DisplayInit, EachFailingStepGivesItsCode) {
    struct Case {
        const char* name;
        bool windowed;
        Step step;
        int skip;
        plat::HResult fault;
        int code;
        const char* text;  // error text, when checked
    };
    const Case cases[] = {
        {"create", true, Step::Create, 0, res::DSERR_GENERIC, 2, "DirectDrawCreateEx: DSERR_GENERIC"},
        {"query", false, Step::QueryLegacy, 0, res::DSERR_NOINTERFACE, 2, "QueryrInterface IID_IDirectDraw: DSERR_NOINTERFACE"},
        {"exclusive", false, Step::CooperativeLevel, 0, res::DSERR_GENERIC, 4, "SetCooperativeLevel FullScreen: DSERR_GENERIC"},
        {"mode", false, Step::DisplayMode, 0, res::DDERR_UNSUPPORTEDMODE, 5, "SetDisplayMode FullScreen: DDERR_UNSUPPORTEDMODE"},
        {"fs primary", false, Step::Primary, 0, res::E_OUTOFMEMORY, 3, "CreateSurface FullScreen Primary: E_OUTOFMEMORY"},
        {"fs primary format", false, Step::Primary, 0, res::DDERR_INVALIDPIXELFORMAT, 3, nullptr},
        {"back buffer", false, Step::BackBuffer, 0, res::DDERR_NOTFOUND, 3, "GetAttachedSurface: DDERR_NOTFOUND"},
        {"fs draw", false, Step::Surface, 0, res::DDERR_OUTOFVIDEOMEMORY, 3, "CreateSurface FullScreen DrawSurface: DDERR_OUTOFVIDEOMEMORY"},
        {"fs clipper", false, Step::Clipper, 0, res::DSERR_GENERIC, 1, "CreateClipper FullScreen: DSERR_GENERIC"},
        {"w primary format", true, Step::Primary, 0, res::DDERR_INVALIDPIXELFORMAT, 6, nullptr},
        {"w primary", true, Step::Primary, 0, res::E_OUTOFMEMORY, 3, "CreateSurface Windowed Primary: E_OUTOFMEMORY"},
        {"w draw", true, Step::Surface, 0, res::E_OUTOFMEMORY, 3, "CreateSurface Windowed DrawSurface: E_OUTOFMEMORY"},
        {"w clipper", true, Step::Clipper, 0, res::DSERR_GENERIC, 1, "CreateClipper Windowed: DSERR_GENERIC"},
        {"old cursor", true, Step::Surface, 1, res::E_OUTOFMEMORY, 3, "CreateSurface OldCursorArea: E_OUTOFMEMORY"},
        {"new cursor", false, Step::Surface, 2, res::E_OUTOFMEMORY, 3, "CreateSurface NewCursorArea: E_OUTOFMEMORY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.device.FailStep(c.step, c.fault, c.skip);
        EXPECT_EQ(rig.display.Init(1, c.windowed), c.code);
        EXPECT_FALSE(rig.display.IsInitialised());
        EXPECT_EQ(rig.display.InitCount(), 0u);
        if (c.text) {
            EXPECT_EQ(rig.display.ErrorText(), c.text);
        }
        // The fault was a single call: the next Init starts cleanly.
        EXPECT_EQ(rig.display.Init(1, c.windowed), 0);
        EXPECT_TRUE(rig.display.IsInitialised());
    }
}

TEST(DisplayInit, DesktopDepthsOtherThan16Or32AreRefused) {
    for (const plat::PixelFormat& f : {plat::kFormat24, plat::kFormat8}) {
        SCOPED_TRACE(f.bpp);
        Rig rig;
        rig.device.desktop = f;
        EXPECT_EQ(rig.display.Init(1, true), 6);
        EXPECT_EQ(rig.display.Primary(), nullptr);  // the primary released itself
        rig.device.forceDesktopFormat = true;
        EXPECT_EQ(rig.display.Init(1, false), 3);
        EXPECT_FALSE(rig.display.IsInitialised());
    }
}

TEST(DisplayInit, ThreeDAskedForGivesSevenWithTheReasonLogged) {
    Rig rig;
    rig.display.Set3D(true);
    EXPECT_EQ(rig.display.Init(1, true), 7);
    EXPECT_FALSE(rig.display.IsInitialised());
    EXPECT_EQ(rig.display.ErrorText().rfind("3D init error: ", 0), 0u);
    // The application switches 3D off and tries again.
    rig.display.Set3D(false);
    EXPECT_EQ(rig.display.Init(1, true), 0);
}

TEST(DisplayInit, SurfacesFollowTheModeAndReInitRebuilds) {
    Rig rig;
    ASSERT_EQ(rig.display.Init(5, true), 0);
    EXPECT_EQ(rig.display.bpp, 32);
    EXPECT_EQ(rig.display.RedAddTable().size(), 511u);
    EXPECT_EQ(rig.display.BackBuffer(), nullptr);
    EXPECT_EQ(rig.display.DrawSurface()->Width(), 320);
    EXPECT_EQ(rig.display.OldCursorArea()->Width(), 64);
    EXPECT_EQ(rig.device.attachedClipper->Window(), 5u);

    ASSERT_EQ(rig.display.Init(5, false), 0);  // full screen at 16 bits
    EXPECT_EQ(rig.device.releases, 1);
    EXPECT_EQ(rig.display.InitCount(), 2u);
    EXPECT_EQ(rig.display.bpp, 16);
    EXPECT_EQ(rig.display.greenMask, 0x07E0u);
    EXPECT_EQ(rig.display.RedAddTable().size(), 63u);
    EXPECT_EQ(rig.display.GreenAddTable().size(), 127u);
    EXPECT_EQ(rig.display.BlueTable()[255], 0x1F);
    ASSERT_NE(rig.display.BackBuffer(), nullptr);
    EXPECT_EQ(rig.display.Primary()->Width(), 320);
    EXPECT_EQ(rig.display.DrawSurface()->Format(), plat::kFormat565);
    EXPECT_EQ(rig.display.NewCursorArea()->Format(), plat::kFormat565);
    EXPECT_EQ(rig.device.modeBpp, 16);

    rig.display.Cleanup();
    EXPECT_FALSE(rig.display.IsInitialised());
    EXPECT_EQ(rig.display.Primary(), nullptr);
    EXPECT_EQ(rig.device.releases, 2);
}

TEST(DisplayInit, RefreshRateIsClampedAndFlagged) {
    struct Case {
        int hz;
        bool fail;
        int rate, ms;
        bool fallback;
    };
    const Case cases[] = {{0, false, 60, 16, true},   {59, false, 60, 16, true},  {120, false, 100, 10, true},
                          {144, false, 100, 10, true}, {75, false, 75, 13, false}, {60, false, 60, 16, false},
                          {100, false, 100, 10, false}, {85, true, 60, 16, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz);
        Rig rig;
        rig.device.refreshHz = c.hz;
        if (c.fail) rig.device.FailStep(Step::MonitorFrequency, res::DSERR_GENERIC);
        ASSERT_EQ(rig.display.Init(1, true), 0);
        EXPECT_EQ(rig.display.RefreshRate(), c.rate);
        EXPECT_EQ(rig.display.MillisecondsPerRefresh(), c.ms);
        EXPECT_EQ(rig.display.RefreshFallback(), c.fallback);
    }
}

TEST(DisplayNames, ResultCodesAndErrorNames) {
    const char* const codes[] = {"RESULT_OK", "RESULT_FAIL", "RESULT_DD_CREATE_FAIL", "RESULT_SURFACE_FAIL",
                                 "RESULT_EXCLUSIVE_FAIL", "RESULT_DISPCHANGE_FAIL", "RESULT_INVALID_COLORDEPTH"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(DDInterface::ResultToString(i), codes[i]);
    EXPECT_EQ(DDInterface::ResultToString(7), "RESULT_UNKNOWN");
    EXPECT_EQ(DDInterface::ResultToString(-1), "RESULT_UNKNOWN");

    EXPECT_EQ(GetDirectXErrorString(0x88760005u), "DDERR_ALREADYINITIALIZED");
    EXPECT_EQ(GetDirectXErrorString(0x8876005Au), "DDERR_HEIGHTALIGN");
    EXPECT_EQ(GetDirectXErrorString(0x80004005u), "DSERR_GENERIC");
    EXPECT_EQ(GetDirectXErrorString(0x8007000Eu), "E_OUTOFMEMORY");
    EXPECT_EQ(GetDirectXErrorString(0x800401F0u), "DDERR_NOTINITIALIZED");
    EXPECT_EQ(GetDirectXErrorString(1), "1");
    EXPECT_EQ(GetDirectXErrorString(0), "0");
    EXPECT_EQ(GetDirectXErrorString(0xABCDEF12u), "abcdef12");

    EXPECT_EQ(AddTrailingSlash("data", true), "data\\");
    EXPECT_EQ(AddTrailingSlash("data", false), "data/");
    EXPECT_EQ(AddTrailingSlash("data/", true), "data/");
    EXPECT_EQ(AddTrailingSlash("data\\", false), "data\\");
    EXPECT_EQ(AddTrailingSlash("", true), "");
}

TEST(DisplayInit, CheckDXErrorKeepsTheLastFailureOnly) {
    Rig rig;
    DDInterface& d = rig.display;
    EXPECT_FALSE(d.CheckDXError(res::DD_OK, "Blt"));
    EXPECT_FALSE(d.CheckDXError(1, "Blt"));
    EXPECT_EQ(d.ErrorText(), "");
    EXPECT_TRUE(d.CheckDXError(res::DDERR_SURFACELOST, "Blt"));
    EXPECT_EQ(d.ErrorText(), "Blt: DDERR_SURFACELOST");
}

}  // namespace
