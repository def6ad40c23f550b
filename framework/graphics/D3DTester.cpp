#include "framework/graphics/D3DTester.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

#include "framework/graphics/DirectXErrors.h"

namespace Vant {

void D3DTestImage::Create(int w, int h) {
    bits.clear();
    width = height = 0;
    if (w <= 0 || h <= 0) return;
    bits.assign(std::size_t(w) * h, 0);
    width = w;
    height = h;
}

D3DTester::~D3DTester() { Cleanup(); }

void D3DTester::Cleanup() {
    texture1_.reset();
    texture2_.reset();
    renderSurface_.reset();
    keyOpen_ = false;
}

void D3DTester::Check(plat::HResult r, const std::string& operation) {
    if (plat::Failed(r)) throw TestException("DXError - " + operation + ": " + GetDirectXErrorString(std::uint32_t(r)));
}

void D3DTester::Run(plat::WindowHandle window) {
    if (!(isPlayingDemo && isPlayingDemo())) {
        resultsNeedWriting_ = false;
        if (MainTest(window)) {
            RenderTests();
        } else if (keyOpen_ && !resultsNeedWriting_) {
            std::uint32_t size = 0;
            resultIsNew = !settings->Read(keyPath, "FailureReason", nullptr, nullptr, &size) && size == 0;
            resultsNeedWriting_ = true;
        }
        if (resultsNeedWriting_) WriteResults();
        Cleanup();
    }
    if (demoExchange) demoExchange(failureReason, warning, resultIsNew);
}

bool D3DTester::MainTest(plat::WindowHandle /*window*/) {
    Cleanup();
    driverYear = 0;
    try {
        keyOpen_ = useRegistry && settings != nullptr;
        if (!device) {
            failureReason = "No DirectDrawCreateEx";
            return false;
        }
        plat::AdapterIdentity id;
        Check(device->GetIdentity(&id), "GetDeviceIdentifier");
        displayGuid = id.guid;
        driver = id.driver;
        description = id.description;

        std::uint32_t total = 0, free = 0;
        const plat::HResult r = device->GetAvailableVidMem(&total, &free);
        if (plat::Failed(r)) {
            warning = "GetAvailableVidMem failed: " + GetDirectXErrorString(std::uint32_t(r));
        } else {
            const std::uint64_t frame =
                std::uint64_t(desktopFormat.bpp / 8) * std::uint64_t(std::max(desktopWidth, 0)) *
                std::uint64_t(std::max(desktopHeight, 0));
            const std::uint64_t megabytes = (std::uint64_t(total) + frame) >> 20;
            if (megabytes < minVidMemory) {
                failureReason = "Not enough video memory.";
                return false;
            }
            if (megabytes < recVidMemory) warning = "Low video memory.";
        }

        if (keyOpen_) {
            if (ReadCachedResults()) return false;
            resultsNeedWriting_ = true;
        }

        // The driver's date: its file's modification year.
        struct stat st {};
        if (!driver.empty() && stat(driver.c_str(), &st) == 0) {
            const std::time_t t = st.st_mtime;
            std::tm tm{};
            if (gmtime_r(&t, &tm)) driverYear = tm.tm_year + 1900;
        }

        if (!IsSupportedCard(description)) warning = "Unsupported video card: " + description;

        renderSurface_ = std::make_shared<plat::Surface>(100, 100, desktopFormat, plat::MemoryKind::Video);
        testImage.Create(100, 100);
        Check(device->SetRenderTarget(renderSurface_), "CreateDevice");
        device->SetViewport(0, 0, 100, 100);

        std::vector<plat::TexturePixelFormat> formats;
        Check(device->EnumTextureFormats(&formats), "EnumTextureFormats");
        bool has8888 = false, has4444 = false;
        for (const auto& f : formats) {
            has8888 = has8888 || f == plat::DescribeTextureFormat(plat::kTexArgb8888);
            has4444 = has4444 || f == plat::DescribeTextureFormat(plat::kTexArgb4444);
        }
        if (!has8888) {
            warning = "A8R8G8B8 texture format not supported.";
            if (!has4444) {
                failureReason = "A4R4G4B4 and A8R8G8B8 texture formats not supported.";
                return false;
            }
        }
        textureFormat_ = has8888 ? plat::kTexArgb8888 : plat::kTexArgb4444;
        Check(device->CreateTexture(64, 64, textureFormat_, &texture1_), "CreateSurface (TextureSurface1)");
        Check(device->CreateTexture(64, 64, textureFormat_, &texture2_), "CreateSurface (TextureSurfacd2)");
        return true;
    } catch (const TestException& e) {
        failureReason = e.what();
        return false;
    }
}

bool D3DTester::ReadCachedResults() {
    resultIsNew = true;
    if (!keyOpen_) return false;
    auto dword = [&](const char* name, std::uint32_t* out) {
        std::uint32_t type = 0, size = 4;
        return settings->Read(keyPath, name, &type, out, &size) && type == plat::kSettingsDword && size == 4;
    };
    auto text = [&](const char* name, std::string* out) {
        std::vector<char> buf(4096);
        std::uint32_t type = 0, size = std::uint32_t(buf.size());
        if (!settings->Read(keyPath, name, &type, buf.data(), &size) || type != plat::kSettingsSz) return false;
        // Up to the first terminating zero, if any.
        out->assign(buf.data(), strnlen(buf.data(), size));
        return true;
    };
    std::uint32_t version = 0, minMem = 0, recMem = 0;
    if (!dword("Version", &version) || version != kVersion) return false;
    if (!dword("MinVidMemory", &minMem) || minMem != minVidMemory) return false;
    if (!dword("RecVidMemory", &recMem) || recMem != recVidMemory) return false;
    std::array<std::uint8_t, 16> guid{};
    std::uint32_t type = 0, size = 16;
    if (!settings->Read(keyPath, "DisplayGUID", &type, guid.data(), &size) || type != plat::kSettingsBinary ||
        size != 16 || guid != displayGuid)
        return false;
    std::string failure, warn;
    if (!text("FailureReason", &failure) || !text("Warning", &warn)) return false;
    failureReason = failure;
    warning = warn;
    resultIsNew = false;
    return true;
}

void D3DTester::WriteResults() {
    if (!keyOpen_) return;
    settings->Write(keyPath, "Version", plat::kSettingsDword, &kVersion, 4);
    settings->Write(keyPath, "MinVidMemory", plat::kSettingsDword, &minVidMemory, 4);
    settings->Write(keyPath, "RecVidMemory", plat::kSettingsDword, &recVidMemory, 4);
    settings->Write(keyPath, "DisplayGUID", plat::kSettingsBinary, displayGuid.data(), 16);
    settings->Write(keyPath, "FailureReason", plat::kSettingsSz, failureReason.c_str(),
                    std::uint32_t(failureReason.size() + 1));
    settings->Write(keyPath, "Warning", plat::kSettingsSz, warning.c_str(), std::uint32_t(warning.size() + 1));
}

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Whether the file exists; if so, whether one of its patterns occurs in
// the description, ignoring case.
bool MatchCardList(const std::string& path, const std::string& description, bool* matched) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    *matched = false;
    const std::string desc = Lower(description);
    char line[4000];
    while (std::fgets(line, sizeof line, f)) {
        const std::string pattern = Lower(Trim(line));
        if (pattern.empty()) continue;
        if (desc.find(pattern) != std::string::npos) {
            *matched = true;
            break;
        }
    }
    std::fclose(f);
    return true;
}

}  // namespace

bool D3DTester::IsSupportedCard(const std::string& desc) {
    const std::string dir = cardListDir.empty() || cardListDir.back() == '/' ? cardListDir : cardListDir + "/";
    bool matched = false;
    if (MatchCardList(dir + "vhwb.dat", desc, &matched) && matched) return false;
    if (MatchCardList(dir + "vhw.dat", desc, &matched)) return matched;
    const std::string lower = Lower(desc);
    return driverYear >= 2002 || lower.find("nvidia") != std::string::npos ||
           lower.find("radeon") != std::string::npos || lower.find("ati ") != std::string::npos;
}

void D3DTester::SetStates(std::uint32_t src, std::uint32_t dest, bool modulate) {
    using plat::RenderState;
    Check(device->SetRenderState(RenderState::AlphaBlendEnable, 1), "D3DRENDERSTATE_ALPHABLENDENABLE, TRUE");
    Check(device->SetRenderState(RenderState::SrcBlend, src),
          src == plat::kBlendOne ? "D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE" : "D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA");
    Check(device->SetRenderState(RenderState::DestBlend, dest),
          dest == plat::kBlendOne ? "D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE"
                                  : "D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA");
    Check(device->SetRenderState(RenderState::CullMode, 1), "D3DRENDERSTATE_CULLMODE, D3DCULL_NONE");
    if (modulate)
        Check(device->SetTextureStageState(plat::StageState::AlphaOp, plat::kTopModulate),
              "D3DTSS_ALPHAOP, D3DTOP_MODULATE");
}

void D3DTester::DrawTestImage(const D3DTestImage& image, int x, int y, std::uint32_t vertexColor) {
    for (int ty = 0; ty < image.height; ty += 64)
        for (int tx = 0; tx < image.width; tx += 64) {
            const int w = std::min(64, image.width - tx), h = std::min(64, image.height - ty);
            plat::LockInfo li;
            Check(texture1_->Lock(&li), "Lock Texture");
            auto* base = static_cast<std::uint8_t*>(li.bits);
            if (w < 64 || h < 64) std::memset(base, 0, std::size_t(li.pitch) * 64);
            for (int row = 0; row < h; ++row) {
                std::uint8_t* out = base + std::ptrdiff_t(row) * li.pitch;
                const std::uint32_t* in = &image.bits[std::size_t(ty + row) * image.width + tx];
                for (int col = 0; col < w; ++col) {
                    const std::uint32_t c = in[col];
                    if (textureFormat_ == plat::kTexArgb8888) {
                        std::memcpy(out + 4 * col, &c, 4);
                    } else {
                        const std::uint16_t t = std::uint16_t(((c >> 16) & 0xF000) | ((c >> 12) & 0x0F00) |
                                                              ((c >> 8) & 0x00F0) | ((c >> 4) & 0x000F));
                        std::memcpy(out + 2 * col, &t, 2);
                    }
                }
            }
            Check(texture1_->Unlock(), "Texture Unlock");
            const float px = float(x + tx) - 0.5f, py = float(y + ty) - 0.5f;
            const float u = float(w) / 64, v = float(h) / 64;
            const plat::Vertex3D quad[4] = {{px, py, 0, 1, vertexColor, 0, 0, 0},
                                            {px + float(w), py, 0, 1, vertexColor, 0, u, 0},
                                            {px, py + float(h), 0, 1, vertexColor, 0, 0, v},
                                            {px + float(w), py + float(h), 0, 1, vertexColor, 0, u, v}};
            Check(device->SetTexture(texture1_), "SetTexture theTexture");
            Check(device->DrawPrimitive(plat::Primitive::TriangleStrip, quad, 4), "DrawPrimitive");
            Check(device->SetTexture(nullptr), "SetTexture NULL");
        }
}

void D3DTester::CopyPrimary() {
    plat::LockInfo li;
    Check(renderSurface_->Lock(&li), "CopyPrimary Lock");
    if (li.bpp != 16 && li.bpp != 32) {
        renderSurface_->Unlock();
        throw TestException(li.bpp == 24 ? "Can't test 24-bit mode." : "Invalid Color Depth");
    }
    // Each channel's top mask bit moved to bit 23, 15 or 7.
    auto shiftFor = [](std::uint32_t mask, int top) { return mask ? top - (31 - __builtin_clz(mask)) : 0; };
    auto move = [](std::uint32_t v, int shift) { return shift >= 0 ? v << shift : v >> -shift; };
    const int rs = shiftFor(li.rMask, 23), gs = shiftFor(li.gMask, 15), bs = shiftFor(li.bMask, 7);
    const int w = std::min(testImage.width, renderSurface_->Width());
    const int h = std::min(testImage.height, renderSurface_->Height());
    for (int y = 0; y < h; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(li.bits) + std::ptrdiff_t(y) * li.pitch;
        for (int x = 0; x < w; ++x) {
            std::uint32_t p = 0;
            if (li.bpp == 16) {
                std::uint16_t s;
                std::memcpy(&s, row + 2 * x, 2);
                p = s;
            } else {
                std::memcpy(&p, row + 4 * x, 4);
            }
            testImage.bits[std::size_t(y) * testImage.width + x] =
                0xFF000000u | (move(p & li.rMask, rs) & 0xFF0000) | (move(p & li.gMask, gs) & 0xFF00) |
                (move(p & li.bMask, bs) & 0xFF);
        }
    }
    renderSurface_->Unlock();
}

namespace {

bool Differs(std::uint32_t got, std::uint32_t want) {
    int sum = 0;
    for (int sh : {16, 8, 0}) {
        const int d = int((got >> sh) & 255) - int((want >> sh) & 255);
        sum += d * d;
    }
    return sum > 768;
}

}  // namespace

bool D3DTester::BlendTest(std::uint32_t src, std::uint32_t dest, bool modulate, std::uint32_t first,
                          std::uint32_t second, std::uint32_t secondVertex, std::uint32_t expected,
                          const char* failure, const char* notUniform) {
    ++renderTestsRun;
    try {
        Check(device->BeginScene(), "");
        Check(device->Clear(0xFF000000u), "Clear");
        SetStates(src, dest, modulate);
        D3DTestImage img;
        img.Create(64, 64);
        std::fill(img.bits.begin(), img.bits.end(), first);
        DrawTestImage(img, 0, 0, 0xFFFFFFFFu);
        std::fill(img.bits.begin(), img.bits.end(), second);
        DrawTestImage(img, 0, 0, secondVertex);
        Check(device->EndScene(), "EndScene");
        CopyPrimary();
    } catch (const TestException& e) {
        if (device->InScene()) device->EndScene();
        failureReason = e.what();
        return false;
    }
    bool differs = false, uniform = true;
    const std::uint32_t first00 = testImage.bits[0];
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const std::uint32_t p = testImage.bits[std::size_t(y) * testImage.width + x];
            differs = differs || Differs(p, expected);
            uniform = uniform && p == first00;
        }
    if (differs) {
        failureReason = failure;
        return false;
    }
    if (!uniform) warning = notUniform;
    return true;
}

bool D3DTester::ClipTest() {
    ++renderTestsRun;
    try {
        Check(device->BeginScene(), "");
        Check(device->Clear(0xFF000000u), "Clear");
        SetStates(plat::kBlendSrcAlpha, plat::kBlendInvSrcAlpha, false);
        D3DTestImage img;
        img.Create(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) img.bits[std::size_t(y) * 64 + x] = x % 2 ? 0xFFFFFFFFu : 0xFF000000u;
        DrawTestImage(img, -2, -2, 0xFFFFFFFFu);
        Check(device->EndScene(), "EndScene");
        CopyPrimary();
    } catch (const TestException& e) {
        if (device->InScene()) device->EndScene();
        failureReason = e.what();
        return false;
    }
    for (int y = 0; y < 62; ++y)
        for (int x = 0; x < 62; ++x)
            if (Differs(testImage.bits[std::size_t(y) * testImage.width + x], x % 2 ? 0xFFFFFFu : 0u)) {
                warning = "Clip problem detected.";
                return true;
            }
    return true;
}

bool D3DTester::RenderTests() {
    using plat::kBlendInvSrcAlpha, plat::kBlendOne, plat::kBlendSrcAlpha;
    return BlendTest(kBlendSrcAlpha, kBlendInvSrcAlpha, false, 0xFF0000FF, 0x80FF0000, 0xFFFFFFFF, 0x7F007F,
                     "Alpha blend Not Supported", "Alpha blend test not uniform.") &&
           BlendTest(kBlendOne, kBlendOne, false, 0xFF404040, 0xFF404040, 0xFFFFFFFF, 0x808080,
                     "Additive blend not supported.", "Additive blend test not uniform.") &&
           BlendTest(kBlendSrcAlpha, kBlendOne, false, 0xFF404040, 0x80808080, 0xFFFFFFFF, 0x808080,
                     "AlphaAdd blend not supported.", "AlphaAdd blend test not uniform.") &&
           BlendTest(kBlendSrcAlpha, kBlendInvSrcAlpha, true, 0xFF0000FF, 0xFFFF0000, 0x80FFFFFF, 0x7F007F,
                     "AlphaModulated blend not supported.", "AlphaModulated blend test not uniform.") &&
           ClipTest();
}

}  // namespace Vant
