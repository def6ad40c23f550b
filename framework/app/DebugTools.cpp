// The debug tools: the stopwatch and profiler, the debug keys, the image
// dump, the video statistics and the frame-rate overlay.
#include "framework/app/DebugTools.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "framework/app/Common.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/SysFont.h"
#include "orvek/Log.h"
#include "platform/Clock.h"

namespace Vant {

namespace {

orvek::LogChannel debug_log("vant.debug", orvek::log_error_flag);

plat::Clock* gDebugClock = nullptr;
plat::Clock& DebugClock() { return gDebugClock ? *gDebugClock : plat::SystemClock(); }

// The profiler: ticks of a 1 GHz processor, that is nanoseconds.
constexpr std::int64_t kTicksPerSecond = 1000000000;
bool gProfiling = false;
std::int64_t gProfileStart = 0;
double gProfileTotalMs = 0.0;

std::int64_t Now() { return static_cast<std::int64_t>(DebugClock().SteadyNs()); }

std::string Kb(long long bytes) { return CommaSeparate(bytes / 1024); }

}  // namespace

void PerfTimer::Start() {
    mRunning = true;
    mStart = Now();
}

void PerfTimer::Stop() {
    if (!mRunning) return;
    mDuration = static_cast<double>((Now() - mStart) * 1000) / kTicksPerSecond;
    mRunning = false;
}

double PerfTimer::GetDuration() {
    if (mRunning) mDuration = static_cast<double>((Now() - mStart) * 1000) / kTicksPerSecond;
    return mDuration;
}

void SetDebugClock(plat::Clock* clock) { gDebugClock = clock; }

void StartProfiling() {
    gProfiling = true;
    gProfileStart = Now();
}

void StopProfiling() {
    gProfiling = false;
    gProfileTotalMs = static_cast<double>(Now() - gProfileStart) * 1000.0 / kTicksPerSecond;
}

std::string ProfileResults() { return FormatString("Total Time: %.2f\n", gProfileTotalMs); }

bool IsProfiling() { return gProfiling; }

const char* TextureFormatName(int format) {
    switch (format) {
    case D3DInterface::FormatA8R8G8B8: return "A8R8G8B8";
    case D3DInterface::FormatA4R4G4B4: return "A4R4G4B4";
    case D3DInterface::FormatR5G6B5: return "R5G6B5";
    case D3DInterface::FormatPalette8: return "Palette8";
    default: return "";
    }
}

ImageMemory MeasureImage(MemoryImage* image, const TextureData* texture, bool hasSurface) {
    ImageMemory m;
    m.image = image;
    m.width = image->width;
    m.height = image->height;
    const long long n = static_cast<long long>(std::max(image->width, 0)) * std::max(image->height, 0);
    if (image->bits) m.bits = 4 * n;
    if (hasSurface) m.surface = 4 * n;
    if (image->palette) m.palette = n + 1024;
    if (image->nativeAlphaData) m.nativeAlpha = image->palette ? 1024 : 4 * n;
    if (image->rlAlphaData) m.rlAlpha = n;
    if (image->rlAdditiveData) m.rlAdditive = n;
    if (texture) {
        m.texture = static_cast<long long>(texture->memory);
        m.textureFormat = TextureFormatName(texture->format);
    }
    m.total = m.bits + m.surface + m.palette + m.nativeAlpha + m.rlAlpha + m.rlAdditive + m.texture;
    m.isVolatile = image->isVolatile;
    m.forced = image->forcedMode;
    m.hasAlpha = image->hasAlpha;
    m.hasTrans = image->hasTrans;
    return m;
}

std::string ImageDumpPage(std::vector<ImageMemory>& images, const std::string& when) {
    std::stable_sort(images.begin(), images.end(),
                     [](const ImageMemory& a, const ImageMemory& b) { return a.total > b.total; });
    ImageMemory sum;
    for (const ImageMemory& m : images) {
        sum.total += m.total;
        sum.bits += m.bits;
        sum.palette += m.palette;
        sum.surface += m.surface;
        sum.texture += m.texture;
        sum.nativeAlpha += m.nativeAlpha;
        sum.rlAlpha += m.rlAlpha;
        sum.rlAdditive += m.rlAdditive;
    }
    auto cell = [](const char* name, long long bytes) {
        return bytes ? std::string("<TD>") + name + "<BR>" + CommaSeparate(bytes) + "</TD>" : std::string("<TD>&nbsp;</TD>");
    };
    auto flag = [](const char* name, bool on) { return std::string("<TD>") + (on ? name : "&nbsp;") + "</TD>"; };
    std::string page = "<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>" + when + "</B></FONT><BR>";
    page += "Total Image Allocation: " + CommaSeparate(sum.total) + " bytes<BR>";
    page += "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>";
    for (std::size_t k = 0; k < images.size(); ++k) {
        const ImageMemory& m = images[k];
        const std::string file = FormatString("img%04d.png", int(k)), thumb = FormatString("thumb%04d.jpg", int(k));
        page += "<TR><TD><A HREF=" + file + "><IMG SRC=" + thumb + " WIDTH=64 HEIGHT=64></A></TD>";
        page += FormatString("<TD ALIGN=RIGHT>%d x %d<BR>%s bytes</TD>", m.width, m.height, CommaSeparate(m.total).c_str());
        page += cell("mBits", m.bits) + cell("Palletized", m.palette) + cell("DDSurface", m.surface);
        page += m.texture ? "<TD>Texture<BR>" + m.textureFormat + "<BR>" + CommaSeparate(m.texture) + "</TD>"
                          : std::string("<TD>&nbsp;</TD>");
        page += flag("Volatile", m.isVolatile) + flag("Forced", m.forced) + flag("HasAlpha", m.hasAlpha) +
                flag("HasTrans", m.hasTrans);
        page += cell("NativeAlpha", m.nativeAlpha) + cell("RLAlpha", m.rlAlpha) + cell("RLAdditive", m.rlAdditive);
        page += "</TR>\n";
    }
    page += "<TR><TD>Totals</TD>\n";
    for (long long v : {sum.total, sum.bits, sum.palette, sum.surface, sum.texture})
        page += "<TD>" + CommaSeparate(v) + "</TD>\n";
    for (int i = 0; i < 4; ++i) page += "<TD>&nbsp;</TD>\n";
    for (long long v : {sum.nativeAlpha, sum.rlAlpha, sum.rlAdditive}) page += "<TD>" + CommaSeparate(v) + "</TD>\n";
    page += "</TR></TABLE></CENTER></BODY></HTML>";
    return page;
}

bool VantAppBase::DebugKeyDown(int key) {
    const auto& down = mWidgetManager->keyDown;
    const bool shift = down[plat::vk::kShift], ctrl = down[plat::vk::kControl], alt = down[plat::vk::kMenu];
    auto restartTiming = [this] {
        mLastTimeCheck = Tick();
        mUpdateFTimeAcc = 0.0;
    };
    const int f = key - plat::vk::kF1 + 1;  // function key number
    if (f == 2 && !shift && !ctrl && !alt) {
        if (!IsProfiling()) {
            restartTiming();
            StartProfiling();
        } else {
            StopProfiling();
            MsgBox(ProfileResults(), "Perf Results", mb::kOk);
            restartTiming();
        }
        return false;
    }
    if (f == 3 && !ctrl && !alt) {
        if (shift) {
            mShowFPSMode = (mShowFPSMode + 1) % 2;
            mShowFPS = true;
        } else {
            mShowFPS = !mShowFPS;
            if (mShowFPS) {
                mFPSStartTick = Tick();
                mFPSCount = 0;
                mFPSFlipCount = 0;
            }
        }
        mWidgetManager->MarkAllDirty();
        return false;
    }
    if (f == 8 && shift) {
        Set3DMode(!Is3DAccelerated(), true);
        MsgBox(FormatString("3D-Mode: %s", Is3DAccelerated() ? "ON" : "OFF"), "Mode Switch", mb::kOk);
        return true;
    }
    if (f == 8) {
        ShowVideoStats();
        return true;
    }
    if (f == 10) {
        if (ctrl) mUpdateMultiplier = mUpdateMultiplier == 0.25 ? 1.0 : 0.25;
        else if (shift) {
            mStepMode = 0;
            restartTiming();
        } else {
            mStepMode = 1;
        }
        return true;
    }
    if (f == 11) {
        if (shift) WriteImageDump();
        else TakeScreenshot();
        return true;
    }
    if ((key == 'R' || key == 'r') && alt) {
        // No tunable source values are registered, so a reload finds none.
        MsgBox("WARNING: No file changes detected.  Files parsed: \r\n  none", "MODVAL WARNING!",
               mb::kOk | mb::kIconWarning);
        ClearKeyStates();
        return false;
    }
    return false;
}

void VantAppBase::WriteImageDump() {
    namespace fs = std::filesystem;
    std::error_code ec;
    // remove_all takes a symbolic link away without following it.
    fs::remove_all("_dump", ec);
    if (!fs::create_directory("_dump", ec) && !fs::is_directory("_dump", ec)) {
        debug_log << "cannot create _dump" << std::endl;
        return;
    }
    DDInterface* dd = GetDDInterface();
    std::vector<ImageMemory> images;
    {
        ScopedLock lock(mCritSect);
        for (MemoryImage* image : mMemoryImageSet) {
            auto* surfaceImage = dynamic_cast<DDImage*>(image);
            images.push_back(MeasureImage(image, dd ? dd->d3d.GetTextureData(image) : nullptr,
                                          surfaceImage && surfaceImage->surface));
        }
    }
    const std::time_t now = std::time(nullptr);
    char when[64] = {};
    ctime_r(&now, when);
    std::string page = ImageDumpPage(images, when);
    for (std::size_t k = 0; k < images.size(); ++k) {
        MemoryImage* image = images[k].image;
        const std::uint32_t* bits = image->GetBits();
        if (!bits || image->width <= 0 || image->height <= 0) continue;
        ImageLib::Image full(image->width, image->height);
        std::copy(bits, bits + static_cast<std::size_t>(image->width) * image->height, full.bits.get());
        ImageLib::WritePNGImage(FormatString("_dump/img%04d.png", int(k)), full);
        ImageLib::Image thumb(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                thumb.bits[static_cast<std::size_t>(y) * 64 + x] =
                    bits[static_cast<std::size_t>(y * image->height / 64) * image->width + x * image->width / 64];
        ImageLib::WriteJPEGImage(FormatString("_dump/thumb%04d.jpg", int(k)), thumb);
    }
    std::ofstream("_dump/imagelist.html", std::ios::binary) << page;
}

void VantAppBase::ShowVideoStats() {
    const char* support = Is3DRecommended() ? "Recommended" : Is3DSupported() ? "Supported" : "Unsupported";
    std::string text = FormatString("3D-Mode is %s (3D is %s on this system)\r\n\r\n",
                                    Is3DAccelerated() ? "On" : "Off", support);
    std::uint32_t total = 0, free = 0;
    if (mDevice3D && mDevice3D->GetAvailableVidMem(&total, &free) >= 0)
        text += "Video Memory: " + Kb(free) + "/" + Kb(total) + " KB\r\n\r\n";
    long long textureBytes = 0;
    const int formats[] = {D3DInterface::FormatA8R8G8B8, D3DInterface::FormatA4R4G4B4, D3DInterface::FormatR5G6B5,
                           D3DInterface::FormatPalette8};
    int count[4] = {};
    long long bytes[4] = {};
    if (DDInterface* dd = GetDDInterface()) {
        ScopedLock lock(mCritSect);
        for (MemoryImage* image : mMemoryImageSet) {
            const TextureData* t = dd->d3d.GetTextureData(image);
            if (!t) continue;
            textureBytes += static_cast<long long>(t->memory);
            for (int i = 0; i < 4; ++i) {
                if (t->format != formats[i]) continue;
                ++count[i];
                bytes[i] += static_cast<long long>(t->memory);
            }
        }
    }
    text += "Texture Memory: " + Kb(textureBytes) + " KB\r\n";
    for (int i = 0; i < 4; ++i)
        text += FormatString("%s: %d - %s KB\r\n", TextureFormatName(formats[i]), count[i], Kb(bytes[i]).c_str());
    MsgBox(text, "Video Stats", mb::kOk);
}

namespace {

// White text on black in the system font.
std::unique_ptr<MemoryImage> RenderOverlayText(GraphicsApp* app, const std::string& text) {
    SysFont font(app, "Tahoma", 8);
    auto image = std::make_unique<MemoryImage>(app);
    image->Create(font.StringWidth(text) + 4, font.GetHeight() + 2);
    Graphics g(image.get());
    g.SetColor(Color(0, 0, 0));
    g.FillRect(0, 0, image->width, image->height);
    g.SetFont(&font);
    g.SetColor(Color(255, 255, 255));
    g.DrawString(text, 2, font.GetAscent() + 1);
    return image;
}

}  // namespace

void VantAppBase::DrawDebugOverlay() {
    DDInterface* dd = GetDDInterface();
    DDImage* screen = dd ? dd->GetScreenImage() : nullptr;
    if (!mShowFPS || !screen) return;
    const std::uint32_t now = Tick();
    ++mFPSCount;
    if (mShowFPSMode == 1) {
        const std::string text = FormatString("%d,%d", mWidgetManager->mLastMouseX, mWidgetManager->mLastMouseY);
        if (text != mFPSText || !mFPSImage) {
            mFPSText = text;
            mFPSImage = RenderOverlayText(this, text);
        }
    } else if (!mFPSImage || plat::TickDiff(now, mFPSStartTick) >= 1000) {
        const int elapsed = std::max(plat::TickDiff(now, mFPSStartTick), 1);
        mFPSText = FormatString("FPS: %d", mFPSImage ? mFPSCount * 1000 / elapsed : 0);
        mFPSImage = RenderOverlayText(this, mFPSText);
        mFPSStartTick = now;
        mFPSCount = 0;
    }
    if (mPlayingDemo && (!mDemoTimeImage || plat::TickDiff(now, mDemoTimeTick) >= int(1000 / std::max(mUpdateMultiplier, 0.001)))) {
        const long long s = static_cast<long long>(std::max(mDemoLength - mUpdateCount, 0)) * mFrameTime / 1000;
        mDemoTimeText = FormatString("%02d:%02d:%02d", int(s / 3600), int(s / 60 % 60), int(s % 60));
        mDemoTimeImage = RenderOverlayText(this, mDemoTimeText);
        mDemoTimeTick = now;
    }
    Graphics g(screen);
    const int fpsX = screen->width - mFPSImage->width - 10, fpsY = screen->height - mFPSImage->height - 10;
    g.DrawImage(mFPSImage.get(), fpsX, fpsY);
    if (mPlayingDemo && mDemoTimeImage)
        g.DrawImage(mDemoTimeImage.get(), screen->width - mDemoTimeImage->width - 10,
                    screen->height - 15 - mFPSImage->height - mDemoTimeImage->height);
}

}  // namespace Vant
