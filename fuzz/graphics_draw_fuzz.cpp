// Random draw calls through the drawing context into 5-6-5, 5-5-5 and
// 8-8-8 surface images: source rects partly outside their images, negative
// and huge positions, non-finite floats, any angle, colour and draw mode.
// The destination carries a guard band outside the base clip; nothing may
// change there, and the sanitizers watch every read of the sources.
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Transform.h"
#include "platform/headless/HeadlessDisplay.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Vant;

constexpr int kGuard = 6, kW = 40, kH = 30;

// The input as a stream of small, occasionally wild, values.
class Reader {
public:
    Reader(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool more() const { return i_ < n_; }
    uint8_t byte() { return i_ < n_ ? d_[i_++] : 0; }
    int32_t raw32() {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v = v << 8 | byte();
        return static_cast<int32_t>(v);
    }
    int num() {
        const uint8_t b = byte();
        if (b < 0xF0) return static_cast<int>(b) - 64;
        switch (b & 3) {
            case 0: return raw32();
            case 1: return std::numeric_limits<int>::max() - byte();
            case 2: return std::numeric_limits<int>::min() + byte();
            default: return (static_cast<int>(byte()) - 128) * 1000;
        }
    }
    float real() {
        const uint8_t b = byte();
        if (b < 0xF0) return (static_cast<float>(b) - 64.0f) + byte() / 256.0f;
        switch (b & 7) {
            case 0: return std::numeric_limits<float>::quiet_NaN();
            case 1: return std::numeric_limits<float>::infinity();
            case 2: return -std::numeric_limits<float>::infinity();
            case 3: return 3e9f;
            case 4: return -3e9f;
            default: {
                int32_t bits = raw32();
                float f;
                std::memcpy(&f, &bits, sizeof f);
                return f;
            }
        }
    }
    Rect rect() {
        const int x = num(), y = num(), w = num(), h = num();
        return Rect(x, y, w, h);
    }

private:
    const uint8_t* d_;
    size_t n_, i_ = 0;
};

// Each character a small filled box, 4 px wide, so text runs through fills.
class BoxFont : public Font {
public:
    BoxFont() {
        ascent = 5;
        ascentPadding = 1;
        height = 7;
        lineSpacingOffset = 1;
    }
    int StringWidth(const std::string& text) override { return 4 * static_cast<int>(text.size()); }
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect&) override {
        const Color keep = g->color;
        g->SetColor(color);
        for (size_t i = 0; i < text.size() && i < 64; ++i) g->FillRect(x + 4 * static_cast<int>(i), y - 5, 3, 5);
        g->SetColor(keep);
    }
    Font* Duplicate() override { return new BoxFont(*this); }
};

std::vector<uint32_t> Pattern(int w, int h, uint32_t seed, int kind) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (auto& p : px) {
        seed = seed * 214013u + 2531011u;
        const uint32_t r = seed >> 8;
        uint32_t a = 0xFF;
        if (kind == 1) a = (r & 3) == 0 ? 0 : 0xFF;  // keyed
        if (kind == 2) a = r & 0xFF;                  // translucent
        p = a << 24 | (r & 0xFFFFFF);
    }
    return px;
}

struct Rig {
    plat::headless::HeadlessDisplay device;
    DDInterface display{device};
    std::vector<std::unique_ptr<MemoryImage>> sources;

    explicit Rig(const plat::PixelFormat& f) {
        device.desktop = f;
        device.clientWidth = kW + 2 * kGuard;
        device.clientHeight = kH + 2 * kGuard;
        display.config.width = device.clientWidth;
        display.config.height = device.clientHeight;
        if (display.Init(1, true) != 0) std::abort();
        const struct {
            int w, h, kind;
            bool surface;
        } specs[] = {{13, 11, 0, true}, {9, 7, 1, true}, {12, 12, 2, false}, {1, 5, 0, true}, {6, 1, 2, false}};
        uint32_t seed = 7;
        for (const auto& s : specs) {
            auto im = std::make_unique<DDImage>(&display);
            const auto px = Pattern(s.w, s.h, seed++, s.kind);
            im->SetBits(px.data(), s.w, s.h);
            if (s.surface) im->GenerateDDSurface();
            sources.push_back(std::move(im));
        }
        // A palettised memory picture.
        auto pal = std::make_unique<MemoryImage>();
        std::vector<uint32_t> px = Pattern(10, 6, 99, 2);
        for (auto& p : px) p &= 0xC0C0C0C0;
        pal->SetBits(px.data(), 10, 6);
        pal->Palletize();
        sources.push_back(std::move(pal));
    }
};

Rig& RigFor(int format) {
    static Rig r565(plat::kFormat565), r555(plat::kFormat555), r888(plat::kFormat888);
    return format == 0 ? r565 : format == 1 ? r555 : r888;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    Rig& rig = RigFor(in.byte() % 3);
    const int destKind = in.byte() % 3;  // opaque surface, keyed surface, translucent in memory

    DDImage dest(&rig.display);
    {
        const auto px = Pattern(kW + 2 * kGuard, kH + 2 * kGuard, 5, destKind);
        dest.SetBits(px.data(), kW + 2 * kGuard, kH + 2 * kGuard);
        // With a surface, the surface holds the pixels and the guard band is
        // compared as read back from it.
        if (destKind != 2 && dest.GenerateDDSurface()) dest.DropMemoryForms();
    }
    const uint32_t* start = dest.GetBits();
    if (!start) std::abort();
    const std::vector<uint32_t> before(start, start + static_cast<size_t>(dest.width) * dest.height);

    BoxFont font;
    Graphics g(&dest);
    g.ClipRect(kGuard, kGuard, kW, kH);
    g.SetFont(&font);
    Transform transform;

    for (int op = 0; op < 48 && in.more(); ++op) {
        Image* src = rig.sources[in.byte() % rig.sources.size()].get();
        switch (in.byte() % 24) {
            case 0: g.FillRect(in.num(), in.num(), in.num(), in.num()); break;
            case 1: g.DrawRect(in.num(), in.num(), in.num(), in.num()); break;
            case 2: g.DrawLine(in.num(), in.num(), in.num(), in.num()); break;
            case 3: g.DrawImage(src, in.num(), in.num()); break;
            case 4: {
                const int x = in.num(), y = in.num();
                g.DrawImage(src, x, y, in.rect());
                break;
            }
            case 5: g.DrawImage(src, in.num(), in.num(), in.num(), in.num()); break;
            case 6: {
                const Rect d = in.rect();
                g.DrawImage(src, d, in.rect());
                break;
            }
            case 7: {
                const float x = in.real(), y = in.real();
                if (in.byte() & 1)
                    g.DrawImageF(src, x, y);
                else
                    g.DrawImageF(src, x, y, in.rect());
                break;
            }
            case 8: {
                const float x = in.real(), y = in.real();
                const double angle = in.real();
                const float cx = in.real(), cy = in.real();
                const Rect r = in.rect();
                g.DrawImageRotatedF(src, x, y, angle, cx, cy, in.byte() & 1 ? &r : nullptr);
                break;
            }
            case 9: {
                const float x = in.real(), y = in.real();
                g.DrawImageRotated(src, x, y, static_cast<double>(in.real()));
                break;
            }
            case 10: {
                const Rect s = in.rect();
                g.DrawImageBox(s, in.rect(), src);
                break;
            }
            case 11: {
                switch (in.byte() % 4) {
                    case 0: transform.Reset(); break;
                    case 1: transform.Translate(in.real(), in.real()); break;
                    case 2: transform.Rotate(in.real()); break;
                    default: transform.Scale(in.real(), in.real()); break;
                }
                const Rect s = in.rect();
                const float x = in.real(), y = in.real();
                g.DrawImageTransformF(src, transform, s, x, y, in.byte() & 1);
                break;
            }
            case 12: {
                const int r = in.num(), gr = in.num(), b = in.num();
                g.SetColor(Color(r, gr, b, in.num()));
                break;
            }
            case 13: g.SetDrawMode(in.byte() < 200 ? in.byte() % 2 : in.num()); break;
            case 14: {
                const uint8_t b = in.byte();
                g.SetColorizeImages(b & 1);
                g.SetFastStretch(b & 2);
                g.SetLinearBlend(b & 4);
                g.SetWriteColoredString(b & 8);
                break;
            }
            case 15: g.Translate(in.num(), in.num()); break;
            case 16: g.ClipRect(in.num(), in.num(), in.num(), in.num()); break;
            case 17: g.PushState(); break;
            case 18: g.PopState(); break;
            case 19: {
                const Rect d = in.rect(), s = in.rect();
                dest.StretchBlitMirror(src, d, s, g.clipRect, g.color, g.drawMode, true);
                break;
            }
            case 20:
            case 21: {
                std::string text;
                for (int n = in.byte() % 24; n > 0; --n) {
                    const uint8_t c = in.byte();
                    text += static_cast<char>(c % 4 == 0 ? '^' : c % 7 == 0 ? ' ' : c % 11 == 0 ? '\n' : c);
                }
                if (in.byte() & 1) {
                    const int x = in.num(), y = in.num(), w = in.num();
                    g.WriteString(text, x, y, w, in.num() % 3 - 1, true, in.num(), in.num());
                } else {
                    int widest = 0;
                    const Rect r = in.rect();
                    g.WriteWordWrapped(r, text, in.byte() & 1 ? -1 : in.num(), in.num() % 3 - 1, &widest);
                    g.GetWordWrappedHeight(in.num(), text, -1, &widest);
                }
                break;
            }
            default: {
                // The surface image's own primitives, clipped by the context.
                const float x = in.real(), y = in.real();
                const Rect s = in.rect();
                dest.BlitRotated(src, x, y, s, g.clipRect, g.color, g.drawMode, in.real(), in.real(), in.real());
                break;
            }
        }
        // States pushed while the clip was wider never widen it past the base.
        if (g.clipRect.Intersection(Rect(kGuard, kGuard, kW, kH)) != g.clipRect) std::abort();
    }

    // The guard band is as it was.
    const uint32_t* after = dest.GetBits();
    if (!after) std::abort();
    for (int y = 0; y < dest.height; ++y)
        for (int x = 0; x < dest.width; ++x) {
            const bool inside = x >= kGuard && x < kGuard + kW && y >= kGuard && y < kGuard + kH;
            const size_t i = static_cast<size_t>(y) * dest.width + x;
            if (!inside && after[i] != before[i]) std::abort();
        }
    return 0;
}
