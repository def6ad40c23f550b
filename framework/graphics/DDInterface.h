#pragma once
// The display: brings up the surfaces of the main window through the
// platform's display service and describes the pixel format every software
// blitter converts colours with.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "framework/graphics/GraphicsApp.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Rect.h"
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/D3DTester.h"
#include "platform/Display.h"

namespace Vant {

class DDImage;
class Image;

// The pixel format as the blitters use it.
class NativeDisplay {
public:
    int bpp = 0;
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    int redShift = 0, greenShift = 0, blueShift = 0;
    int redBits = 0, greenBits = 0, blueBits = 0;
};

// Masks to shifts and bit counts; a zero mask gives 0 and 0.
void DerivePixelFormat(NativeDisplay& d, std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask);
// 2*max+1 entries, entry i = min(i, max), max = 2^bits - 1.
std::vector<int> BuildAdditiveTable(int bits);
// 256 entries, entry a = (mask * a / 255) & mask.
std::vector<int> BuildChannelTable(std::uint32_t mask);

// What the display takes from the application.
struct DisplayConfig {
    int width = 640, height = 480;
    int colorDepth = 16;  // full screen
    bool want3D = false;
    // Presenting: wait for the vertical blank (the renderer's vsync) unless
    // the second flag says not to wait at all; full screen flips unless the
    // desktop's own surface is showing (message boxes).
    bool waitForVSync = false;
    bool noVSyncWait = false;
    bool pageFlip = true;
    bool showingDesktopSurface = false;
};

class DDInterface : public NativeDisplay {
public:
    enum Result : int {
        RESULT_OK = 0, RESULT_FAIL = 1, RESULT_DD_CREATE_FAIL = 2, RESULT_SURFACE_FAIL = 3,
        RESULT_EXCLUSIVE_FAIL = 4, RESULT_DISPCHANGE_FAIL = 5, RESULT_INVALID_COLORDEPTH = 6,
        RESULT_3D_FAIL = 7,  // named "RESULT_UNKNOWN" by ResultToString
    };

    // Images made on this display belong to app (the process-wide one
    // when none is given).
    explicit DDInterface(plat::DisplayDevice& device, GraphicsApp* app = nullptr);
    ~DDInterface();
    DDInterface(const DDInterface&) = delete;
    DDInterface& operator=(const DDInterface&) = delete;

    DisplayConfig config;

    int Init(plat::WindowHandle window, bool windowed);
    void Cleanup();
    // Off-screen surface in the display's format; refuses while the primary
    // is neither 16 nor 32 bits.
    plat::HResult CreateSurface(int width, int height, plat::MemoryKind kind, std::shared_ptr<plat::Surface>* out);

    static std::string ResultToString(int code);
    // True for a failure, after storing "operation: NAME" as the error text.
    bool CheckDXError(plat::HResult result, const std::string& operation);

    bool IsInitialised() const { return initialised_; }
    bool Is3D() const { return is3D_; }
    void Set3D(bool on) { is3D_ = on; }
    int RefreshRate() const { return refreshRate_; }
    int MillisecondsPerRefresh() const { return msPerRefresh_; }
    // Set when the monitor's rate was unknown or outside 60..100.
    bool RefreshFallback() const { return refreshFallback_; }
    std::uint32_t InitCount() const { return initCount_; }
    const std::string& ErrorText() const { return errorText_; }
    plat::WindowHandle Window() const { return window_; }
    bool Windowed() const { return windowed_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    std::recursive_mutex& Lock() { return lock_; }
    GraphicsApp* App() const { return app_; }
    plat::DisplayDevice& Device() { return device_; }

    // Surface images register themselves for their lifetime.
    void AddDDImage(DDImage* image);
    void RemoveDDImage(DDImage* image);
    std::set<DDImage*> Images();

    // The image every frame is drawn on; replaced by each SetVideoMemoryDraw.
    DDImage* GetScreenImage() const { return screenImage_.get(); }
    DDImage* OldCursorImage() const { return oldCursorImage_.get(); }
    DDImage* NewCursorImage() const { return newCursorImage_.get(); }
    NativeFormat Format() const;
    // Draw into the video-memory back buffer instead of the draw surface.
    void SetVideoMemoryDraw(bool on);
    bool VideoMemoryDraw() const { return videoMemoryDraw_; }

    // Shows rect (null: all) of the frame; false when presenting failed
    // (the error text says why) or before Init.
    bool Redraw(const Rect* rect = nullptr);
    int VSyncFailures() const { return vsyncFailures_; }

    // Software cursor. The image is not owned; none means no cursor. False
    // when the image was already the cursor.
    bool SetCursorImage(Image* image);
    Image* CursorImage() const { return cursorImage_; }
    // From the cursor thread: moves the cursor on the shown picture (the
    // presenter shows the change), or only records the position while a
    // frame is being presented.
    void SetCursorPos(int x, int y);
    // Only records the position for the next frame to draw the cursor at.
    void SetMousePos(int x, int y) {
        mouseX_ = x;
        mouseY_ = y;
    }
    void DrawCursor(plat::Surface* surface, bool toScreen);
    void MoveCursor(plat::Surface* surface, bool toScreen, int x, int y);
    void RestoreCursorArea(plat::Surface* surface, bool toScreen);
    bool CursorAreaSaved() const { return cursorAreaSaved_; }
    int CursorX() const { return cursorX_; }
    int CursorY() const { return cursorY_; }
    int MouseX() const { return mouseX_; }
    int MouseY() const { return mouseY_; }

    const std::shared_ptr<plat::Surface>& Primary() const { return primary_; }
    const std::shared_ptr<plat::Surface>& BackBuffer() const { return backBuffer_; }
    const std::shared_ptr<plat::Surface>& DrawSurface() const { return drawSurface_; }
    const std::shared_ptr<plat::Surface>& OldCursorArea() const { return oldCursorArea_; }
    const std::shared_ptr<plat::Surface>& NewCursorArea() const { return newCursorArea_; }

    const std::vector<int>& RedAddTable() const { return redAdd_; }
    const std::vector<int>& GreenAddTable() const { return greenAdd_; }
    const std::vector<int>& BlueAddTable() const { return blueAdd_; }
    const std::vector<int>& RedTable() const { return redTable_; }
    const std::vector<int>& GreenTable() const { return greenTable_; }
    const std::vector<int>& BlueTable() const { return blueTable_; }

    int cursorWidth = 64, cursorHeight = 64;

    // --- 3D: the device, the 3D layer and the capability test (DDInterface3D.cpp).
    struct Test3DSettings {
        bool wantTest = false;   // the application asks for the test
        bool auto3D = false;     // and for 3D when it passes cleanly
        std::uint32_t minVidMemory = 0, recVidMemory = 0;
        D3DTester::ReadValue readValue;  // the "Test3D" key's values
        D3DTester::WriteValue writeValue;
        int desktopWidth = 0, desktopHeight = 0;
        plat::PixelFormat desktopFormat = plat::kFormat888;
        std::string cardListDir;
        std::function<void()> onNewResult;  // the test ran and its verdict is new
        // The verdict travels with a demo: recorded, or taken from it.
        std::function<bool()> isPlayingDemo;
        std::function<void(std::string&, std::string&, bool&)> demoExchange;
    } test3D;
    plat::Device3D* device3D = nullptr;  // none keeps 3D off
    D3DInterface d3d;
    std::unique_ptr<D3DTester> tester;
    bool RunD3DTestIfWanted(plat::WindowHandle window);
    // The 3D layer's start at Init; false (error text set) when it fails.
    bool Start3D();
    // At Redraw: closes the frame's scene; a 3D runtime error turns 3D off.
    void Finish3DFrame();

private:
    // The clipped 64x64 cell around (x, y) on the screen.
    Rect CursorCell(int x, int y) const;
    // Copies the part of the cell that lies on the screen between a cursor
    // area and the surface; false when the copy was refused.
    bool SaveCell(plat::Surface* surface, plat::Surface* area, int x, int y);
    void PutCell(plat::Surface* area, plat::Surface* surface, int x, int y, bool toScreen);
    // Draws the cursor image with its top-left at (x, y) on image.
    void PaintCursor(DDImage* image, int x, int y);

    plat::DisplayDevice& device_;
    GraphicsApp* app_;
    std::recursive_mutex lock_;
    bool initialised_ = false;
    bool is3D_ = false;
    bool windowed_ = true;
    bool refreshFallback_ = false;
    plat::WindowHandle window_ = 0;
    int width_ = 0, height_ = 0, fullScreenBpp_ = 0;
    int refreshRate_ = 60, msPerRefresh_ = 16;
    std::uint32_t initCount_ = 0;
    std::string errorText_;
    bool deviceOpen_ = false;
    std::shared_ptr<plat::Surface> primary_, backBuffer_, drawSurface_, oldCursorArea_, newCursorArea_;
    std::vector<int> redAdd_, greenAdd_, blueAdd_, redTable_, greenTable_, blueTable_;
    std::set<DDImage*> images_;
    std::unique_ptr<DDImage> screenImage_, oldCursorImage_, newCursorImage_;
    bool videoMemoryDraw_ = false;
    std::atomic<bool> inRedraw_{false};
    int vsyncFailures_ = 0;
    int vsyncSet_ = -1;
    // Written by the cursor thread without the lock.
    std::atomic<int> mouseX_{0}, mouseY_{0};
    // Read by the cursor thread without the lock.
    std::atomic<int> cursorX_{0}, cursorY_{0};
    Image* cursorImage_ = nullptr;
    bool cursorAreaSaved_ = false;
};

}  // namespace Vant
