#pragma once
// Decides whether the 3D device can be trusted: identity, video memory
// against the application's thresholds, the two card lists and the driver
// date, then five small render tests read back and compared. The verdict
// (a failure reason and a warning) is cached in the settings store under
// the "Test3D" sub-key, keyed by test version, thresholds and the device's
// identifier, so the render tests run once per device.
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Device3D.h"
#include "platform/Settings.h"

namespace Vant {

class D3DTestImage {
public:
    virtual ~D3DTestImage() = default;
    void Create(int width, int height);
    std::vector<std::uint32_t> bits;  // ARGB, rows top to bottom
    int width = 0, height = 0;
};

class D3DTester {
public:
    class TestException : public std::exception {
    public:
        explicit TestException(std::string message) : message_(std::move(message)) {}
        const char* what() const noexcept override { return message_.c_str(); }

    private:
        std::string message_;
    };

    static constexpr std::uint32_t kVersion = 2;

    D3DTester() = default;
    virtual ~D3DTester();

    // --- Set by the caller before Run.
    plat::Device3D* device = nullptr;
    plat::SettingsStore* settings = nullptr;
    std::string keyPath;  // the "...\Test3D" key
    // Desktop size and format: the render surface takes the format, the
    // memory count the frame buffer.
    int desktopWidth = 0, desktopHeight = 0;
    plat::PixelFormat desktopFormat = plat::kFormat888;
    std::string cardListDir;  // where "vhwb.dat" and "vhw.dat" are looked for
    std::uint32_t minVidMemory = 0, recVidMemory = 0;
    bool useRegistry = true;
    // Demo playback and recording: while playing, the verdict comes from
    // the demo alone; the exchange records or replaces the three values.
    std::function<bool()> isPlayingDemo;
    std::function<void(std::string& failure, std::string& warning, bool& isNew)> demoExchange;

    void Run(plat::WindowHandle window);
    void Cleanup();
    bool IsSupportedCard(const std::string& description);
    bool ReadCachedResults();
    void WriteResults();

    // --- The outcome.
    std::string failureReason;
    std::string warning;
    bool resultIsNew = false;
    // Render tests run in this tester (the cache was not used).
    int renderTestsRun = 0;

    std::array<std::uint8_t, 16> displayGuid{};
    std::string driver, description;
    int driverYear = 0;
    D3DTestImage testImage;

private:
    bool MainTest(plat::WindowHandle window);
    bool RenderTests();
    // One blend test: states, two fills drawn, read back and compared.
    bool BlendTest(std::uint32_t src, std::uint32_t dest, bool modulate, std::uint32_t first,
                   std::uint32_t second, std::uint32_t secondVertex, std::uint32_t expected, const char* failure,
                   const char* notUniform);
    bool ClipTest();
    void Check(plat::HResult r, const std::string& operation);
    void SetStates(std::uint32_t src, std::uint32_t dest, bool modulate);
    void DrawTestImage(const D3DTestImage& image, int x, int y, std::uint32_t vertexColor);
    void CopyPrimary();

    std::shared_ptr<plat::Surface> renderSurface_;
    std::shared_ptr<plat::Texture3D> texture1_, texture2_;
    plat::TextureFormat textureFormat_ = plat::kTexArgb8888;
    bool keyOpen_ = false;
    bool resultsNeedWriting_ = false;
};

}  // namespace Vant
