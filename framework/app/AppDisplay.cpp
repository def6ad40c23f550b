// The application's display services: the display itself, image passes
// around a display change, loading and copying surface images, the
// screenshot, and the software cursor with its thread.
#include "framework/app/AppDisplay.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "framework/app/VantAppBase.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageLib.h"
#include "orvek/Log.h"

namespace Vant {

namespace {

orvek::LogChannel display_info("app.display", 4);

}  // namespace

SurfaceDisplay::SurfaceDisplay(VantAppBase* app, plat::DisplayDevice& device) : app_(app), dd_(device, app) {}

SurfaceDisplay::~SurfaceDisplay() = default;

int SurfaceDisplay::Init(plat::WindowHandle window, bool windowed) {
    dd_.config.width = app_->mWidth;
    dd_.config.height = app_->mHeight;
    dd_.config.colorDepth = app_->mColorDepth;
    dd_.config.waitForVSync = app_->mWaitForVSync;
    app_->Configure3D(dd_);
    const int result = dd_.Init(window, windowed);
    if (dd_.RefreshFallback()) app_->mVSyncBroken = true;
    if (result == DDInterface::RESULT_OK) dd_.SetVideoMemoryDraw(app_->mVideoOnlyDraw);
    return result;
}

bool SurfaceDisplay::Redraw() {
    dd_.config.waitForVSync = app_->mWaitForVSync;
    return dd_.Redraw();
}

std::unique_ptr<DisplayInterface> VantAppBase::MakeDisplay() {
    if (plat::DisplayDevice* device = mHost->DisplayDevice()) return std::make_unique<SurfaceDisplay>(this, *device);
    return std::make_unique<BlankDisplay>(this);
}

DDInterface* VantAppBase::GetDDInterface() const { return mDisplay ? mDisplay->GetDDInterface() : nullptr; }

namespace {

// The live images, taken under the display lock and used after it.
std::vector<MemoryImage*> LiveImages(VantAppBase& app) {
    ScopedLock lock(app.mCritSect);
    return std::vector<MemoryImage*>(app.mMemoryImageSet.begin(), app.mMemoryImageSet.end());
}

void ApplyFlags(MemoryImage* image) {
    if (auto* dd = dynamic_cast<DDImage*>(image)) {
        dd->ApplyMemoryFlags();
    } else if (image->wantPalletize) {
        image->Palletize();
    }
}

}  // namespace

void VantAppBase::RestoreImages() {
    // Pictures that want a surface get it back on the new display.
    for (MemoryImage* image : LiveImages(*this)) ApplyFlags(image);
}

void VantAppBase::ReleaseImages() {
    // Surfaces and native data belong to the display about to go.
    for (MemoryImage* image : LiveImages(*this)) image->DeleteNativeData();
}

void VantAppBase::PurgeImages() {
    ScopedLock lock(mCritSect);
    for (MemoryImage* image : mMemoryImageSet) image->DeleteExtraBuffers();
}

DDImage* VantAppBase::GetImage(const std::string& file, bool commitBits) {
    ImageLib::ImagePtr loaded = ImageLib::GetImage(file, true);
    if (!loaded) return nullptr;
    auto* image = new DDImage(GetDDInterface());
    image->SetBits(loaded->bits.get(), loaded->width, loaded->height, commitBits);
    return image;
}

DDImage* VantAppBase::CopyImageRect(Image* source, const Rect& rect) {
    auto* image = new DDImage(GetDDInterface());
    image->Create(rect.width, rect.height);
    if (source) {
        auto* memory = dynamic_cast<MemoryImage*>(source);
        const uint32_t* from = memory ? memory->GetBits() : nullptr;
        if (from && rect.width > 0 && rect.height > 0) {
            // A copy is the same words: a blend onto the empty image would
            // lose a level of every channel.
            std::vector<uint32_t> words(static_cast<size_t>(rect.width) * rect.height, 0);
            const Rect part = rect.Intersection(Rect(0, 0, source->width, source->height));
            for (int y = part.y; y < part.y + part.height; ++y)
                std::copy(from + static_cast<size_t>(y) * source->width + part.x,
                          from + static_cast<size_t>(y) * source->width + part.x + part.width,
                          words.begin() + static_cast<std::ptrdiff_t>(y - rect.y) * rect.width + (part.x - rect.x));
            image->SetBits(words.data(), rect.width, rect.height);
        } else {
            Graphics g(image);
            g.DrawImage(source, -rect.x, -rect.y);
        }
        image->numRows = source->numRows;
        image->numCols = source->numCols;
        image->animation = source->animation ? std::make_unique<ImageAnimation>(*source->animation) : nullptr;
    }
    return image;
}

DDImage* VantAppBase::DuplicateImage(Image* image) {
    return CopyImageRect(image, Rect(0, 0, image ? image->width : 0, image ? image->height : 0));
}

void VantAppBase::TakeScreenshot() {
    DDInterface* dd = GetDDInterface();
    DDImage* screen = dd ? dd->GetScreenImage() : nullptr;
    if (!screen) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directory("_screenshots", ec);
    int highest = 0;
    for (const auto& entry : fs::directory_iterator("_screenshots", ec)) {
        const std::string name = entry.path().filename().string();
        int n = 0;
        char tail = 0;
        if (std::sscanf(name.c_str(), "image%d.pn%c", &n, &tail) == 2 && tail == 'g' &&
            name == "image" + std::to_string(n) + ".png")
            highest = std::max(highest, n);
    }
    const std::string path = "_screenshots/image" + std::to_string(highest + 1) + ".png";
    ImageLib::Image shot(screen->width, screen->height);
    {
        std::lock_guard<std::recursive_mutex> guard(dd->Lock());
        const uint32_t* bits = screen->GetBits();
        if (!bits) return;
        std::copy(bits, bits + static_cast<size_t>(screen->width) * screen->height, shot.bits.get());
        // The screen keeps drawing on its surface, not on a copy.
        screen->DropMemoryForms();
    }
    if (!ImageLib::WritePNGImage(path, shot)) display_info.stream() << "screenshot not written: " << path << std::endl;
    mUpdateFTimeAcc = 0.0;
    mLastTimeCheck = Tick();
}

void VantAppBase::SetCursorImage(int number, Image* image) {
    if (number < 0 || number > 12) return;
    mCursorImages[number] = image;
    ApplyCursor();
}

void VantAppBase::StartCursorThread() {
    if (mCursorThread.joinable()) return;
    mCursorThreadRunning = true;
    mCursorThread = std::thread([this] {
        while (!mShutdown && mCursorThreadRunning) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            DDInterface* dd = GetDDInterface();
            if (!dd || !dd->CursorImage()) continue;
            int x = 0, y = 0;
            if (mPlayingDemo) {
                x = mLastDemoMouseX;
                y = mLastDemoMouseY;
            } else if (!mHost->LastPointer(&x, &y)) {
                continue;
            }
            if (x == dd->CursorX() && y == dd->CursorY()) continue;
            // Right after a frame the next one draws the cursor anyway.
            const int sinceDraw = plat::TickDiff(mHost->Clock().TickMs(), mLastDrawTick);
            if (sinceDraw > dd->MillisecondsPerRefresh() + 5)
                dd->SetCursorPos(x, y);
            else
                dd->SetMousePos(x, y);
        }
        mCursorThreadRunning = false;
    });
}

void VantAppBase::StopCursorThread() {
    mCursorThreadRunning = false;
    if (mCursorThread.joinable()) mCursorThread.join();
}

}  // namespace Vant
