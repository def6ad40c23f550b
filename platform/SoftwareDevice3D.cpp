#include "platform/SoftwareDevice3D.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

#include "framework/raster/Raster.h"

namespace plat {

namespace SWRaster = Vant::SWRaster;

TexturePixelFormat DescribeTextureFormat(TextureFormat format) {
    switch (format) {
        case kTexArgb8888: return {kPfRgb | kPfAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
        case kTexArgb4444: return {kPfRgb | kPfAlphaPixels, 16, 0xF00, 0xF0, 0xF, 0xF000};
        case kTexRgb565: return {kPfRgb, 16, 0xF800, 0x7E0, 0x1F, 0};
        case kTexPal8: return {kPfRgb | kPfPaletteIndexed8, 8, 0, 0, 0, 0};
    }
    return {};
}

struct SoftwareDevice3D::Shared {
    struct Pending {
        int skip;
        HResult result;
    };
    std::map<Step, Pending> faults;
    std::size_t textureBytes = 0;

    HResult Fault(Step step) {
        auto it = faults.find(step);
        if (it == faults.end()) return res::DD_OK;
        if (it->second.skip > 0) {
            --it->second.skip;
            return res::DD_OK;
        }
        const HResult r = it->second.result;
        faults.erase(it);
        return r;
    }
};

namespace {

int BytesPerTexel(TextureFormat f) { return f == kTexArgb8888 ? 4 : f == kTexPal8 ? 1 : 2; }

// A 4-, 5- or 6-bit channel widened to 8 bits by repeating its top bits, so
// that the largest value becomes 255.
inline std::uint32_t Widen(std::uint32_t v, int bits) {
    return bits >= 8 ? v : (v << (8 - bits)) | (v >> (2 * bits - 8 > 0 ? 2 * bits - 8 : 0));
}

class SwTexture final : public Texture3D, public SWRaster::TextureSource {
public:
    SwTexture(int w, int h, TextureFormat f, std::shared_ptr<SoftwareDevice3D::Shared> shared)
        : w_(w), h_(h), f_(f), raw_(std::size_t(w) * h * BytesPerTexel(f)), argb_(std::size_t(w) * h),
          shared_(std::move(shared)) {
        shared_->textureBytes += Memory();
    }
    ~SwTexture() override { shared_->textureBytes -= Memory(); }

    int Width() const override { return w_; }
    int Height() const override { return h_; }
    TextureFormat Format() const override { return f_; }
    std::size_t Memory() const override { return raw_.size() + (f_ == kTexPal8 ? 1024 : 0); }

    HResult Lock(LockInfo* out) override {
        if (!out) return res::DDERR_INVALIDPARAMS;
        if (const HResult r = shared_->Fault(SoftwareDevice3D::Step::Lock); Failed(r)) return r;
        if (locked_) return res::DDERR_SURFACEBUSY;
        locked_ = true;
        const TexturePixelFormat pf = DescribeTextureFormat(f_);
        out->bits = raw_.data();
        out->pitch = w_ * BytesPerTexel(f_);
        out->bpp = pf.bpp;
        out->rMask = pf.rMask;
        out->gMask = pf.gMask;
        out->bMask = pf.bMask;
        return res::DD_OK;
    }
    HResult Unlock() override {
        if (!locked_) return res::DDERR_NOTLOCKED;
        locked_ = false;
        Expand();
        return res::DD_OK;
    }
    HResult SetPalette(const std::uint32_t* entries) override {
        if (f_ != kTexPal8 || !entries) return res::DDERR_INVALIDPARAMS;
        std::memcpy(palette_, entries, sizeof palette_);
        Expand();
        return res::DD_OK;
    }
    HResult GetPalette(std::uint32_t* entries) const override {
        if (f_ != kTexPal8 || !entries) return res::DDERR_INVALIDPARAMS;
        std::memcpy(entries, palette_, sizeof palette_);
        return res::DD_OK;
    }

    // TextureSource.
    void commitBits() override {}
    const std::uint32_t* bits() override { return argb_.data(); }
    int width() const override { return w_; }
    int height() const override { return h_; }
    bool hasTrans() const override { return trans_; }
    bool hasAlpha() const override { return alpha_; }

private:
    void Expand() {
        const std::size_t n = argb_.size();
        const std::uint8_t* p = raw_.data();
        for (std::size_t i = 0; i < n; ++i) {
            std::uint32_t c;
            switch (f_) {
                case kTexArgb8888: std::memcpy(&c, p + 4 * i, 4); break;
                case kTexArgb4444: {
                    std::uint16_t t;
                    std::memcpy(&t, p + 2 * i, 2);
                    c = ((t >> 12) & 15) * 17u << 24 | ((t >> 8) & 15) * 17u << 16 | ((t >> 4) & 15) * 17u << 8 |
                        (t & 15) * 17u;
                    break;
                }
                case kTexRgb565: {
                    std::uint16_t t;
                    std::memcpy(&t, p + 2 * i, 2);
                    c = 0xFF000000u | Widen(t >> 11, 5) << 16 | Widen((t >> 5) & 63, 6) << 8 | Widen(t & 31, 5);
                    break;
                }
                default: c = palette_[p[i]]; break;
            }
            argb_[i] = c;
        }
        trans_ = alpha_ = false;
        for (const std::uint32_t c : argb_) {
            const std::uint32_t a = c >> 24;
            if (a == 0) trans_ = true;
            else if (a != 255) alpha_ = true;
        }
    }

    int w_, h_;
    TextureFormat f_;
    std::vector<std::uint8_t> raw_;
    std::vector<std::uint32_t> argb_;
    std::uint32_t palette_[256] = {};
    bool locked_ = false, trans_ = false, alpha_ = false;
    std::shared_ptr<SoftwareDevice3D::Shared> shared_;
};

// A texture whose alpha is not looked at: the one-onto-one blend adds the
// texel's colour whatever its alpha.
class OpaqueView final : public SWRaster::TextureSource {
public:
    explicit OpaqueView(SWRaster::TextureSource& t) : t_(t) {}
    void commitBits() override { t_.commitBits(); }
    const std::uint32_t* bits() override { return t_.bits(); }
    int width() const override { return t_.width(); }
    int height() const override { return t_.height(); }
    bool hasTrans() const override { return false; }
    bool hasAlpha() const override { return false; }

private:
    SWRaster::TextureSource& t_;
};

// One channel of a packed pixel.
struct Channel {
    std::uint32_t mask;
    int shift, bits;
    explicit Channel(std::uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0), bits(std::popcount(m)) {}
    std::uint32_t Get8(std::uint32_t p) const { return Widen((p & mask) >> shift, bits); }
    std::uint32_t GetRaw(std::uint32_t p) const { return (p & mask) >> shift; }
    std::uint32_t Put8(std::uint32_t c8) const { return (c8 >> (8 - bits)) << shift; }
    std::uint32_t PutRaw(std::uint32_t v) const { return (v << shift) & mask; }
    std::uint32_t Max() const { return mask >> shift; }
};

}  // namespace

// The render target while one primitive is drawn: locked, with its format.
struct SoftwareDevice3D::Target {
    LockInfo li;
    int format = 0;  // rasteriser format, 0 when it cannot be drawn
    int width = 0, height = 0;
    SWRaster::ClipRect clip;
    Channel r{0}, g{0}, b{0};

    std::uint32_t Read(int x, int y) const {
        const std::uint8_t* p = static_cast<const std::uint8_t*>(li.bits) + std::ptrdiff_t(y) * li.pitch;
        if (li.bpp == 16) {
            std::uint16_t v;
            std::memcpy(&v, p + 2 * x, 2);
            return v;
        }
        std::uint32_t v;
        std::memcpy(&v, p + 4 * x, 4);
        return v;
    }
    void Write(int x, int y, std::uint32_t v) {
        std::uint8_t* p = static_cast<std::uint8_t*>(li.bits) + std::ptrdiff_t(y) * li.pitch;
        if (li.bpp == 16) {
            const std::uint16_t s = std::uint16_t(v);
            std::memcpy(p + 2 * x, &s, 2);
        } else {
            std::memcpy(p + 4 * x, &v, 4);
        }
    }
    std::uint32_t Pack(std::uint32_t argb) const {
        return r.Put8((argb >> 16) & 255) | g.Put8((argb >> 8) & 255) | b.Put8(argb & 255) |
               (li.bpp == 32 ? 0xFF000000u : 0);
    }
    // Adds 0x00RRGGBB to the pixel, channel by channel, saturating at the
    // target's own precision.
    void Add(int x, int y, std::uint32_t rgb) {
        const std::uint32_t d = Read(x, y);
        auto one = [&](const Channel& c, std::uint32_t s8) {
            return c.PutRaw(std::min(c.Max(), c.GetRaw(d) + (s8 >> (8 - c.bits))));
        };
        std::uint32_t v = one(r, (rgb >> 16) & 255) | one(g, (rgb >> 8) & 255) | one(b, rgb & 255);
        if (li.bpp == 32) v |= 0xFF000000u;
        Write(x, y, v);
    }
    // Lays colour c over the pixel with weight a (0..255).
    void Over(int x, int y, std::uint32_t c, std::uint32_t a) {
        const std::uint32_t d = Read(x, y);
        auto one = [&](const Channel& ch, std::uint32_t s8) {
            return ch.Put8((ch.Get8(d) * (255 - a) + s8 * a) / 255);
        };
        std::uint32_t v = one(r, (c >> 16) & 255) | one(g, (c >> 8) & 255) | one(b, c & 255);
        if (li.bpp == 32) v |= 0xFF000000u;
        Write(x, y, v);
    }
};

SoftwareDevice3D::SoftwareDevice3D() : shared_(std::make_shared<Shared>()) {
    SWRaster::InitFillerTable();
    renderStates_ = {{RenderState::AlphaBlendEnable, 0}, {RenderState::SrcBlend, kBlendOne},
                     {RenderState::DestBlend, kBlendZero}, {RenderState::CullMode, 2}};
    stageStates_ = {{StageState::MinFilter, kFilterPoint}, {StageState::MagFilter, kFilterPoint},
                    {StageState::MipFilter, kFilterNone},  {StageState::AlphaOp, kTopSelectArg1},
                    {StageState::ColorOp, kTopModulate},   {StageState::AddressU, 1},
                    {StageState::AddressV, 1}};
}

SoftwareDevice3D::~SoftwareDevice3D() = default;

void SoftwareDevice3D::FailStep(Step step, HResult result, int callsToSkip) {
    shared_->faults[step] = {callsToSkip, result};
}

HResult SoftwareDevice3D::GetIdentity(AdapterIdentity* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    out->description = kDescription;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    out->driver = ec ? std::string() : exe.string();
    // Two FNV-1a passes over the description and the version.
    const std::string key = std::string(kDescription) + "#" + std::to_string(kVersion);
    for (int half = 0; half < 2; ++half) {
        std::uint64_t h = 0xcbf29ce484222325ull ^ std::uint64_t(half);
        for (const char ch : key) h = (h ^ std::uint8_t(ch)) * 0x100000001b3ull;
        for (int i = 0; i < 8; ++i) out->guid[half * 8 + i] = std::uint8_t(h >> (8 * i));
    }
    return res::DD_OK;
}

HResult SoftwareDevice3D::GetAvailableVidMem(std::uint32_t* total, std::uint32_t* free) {
    if (total) *total = videoMemory;
    if (free) {
        const std::size_t used = shared_->textureBytes;
        *free = used >= videoMemory ? 0 : std::uint32_t(videoMemory - used);
    }
    return res::DD_OK;
}

HResult SoftwareDevice3D::GetCaps(Device3DCaps* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    *out = caps;
    return res::DD_OK;
}

HResult SoftwareDevice3D::EnumTextureFormats(std::vector<TexturePixelFormat>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    out->clear();
    for (const TextureFormat f : {kTexArgb8888, kTexArgb4444, kTexRgb565, kTexPal8})
        if (formatMask & f) out->push_back(DescribeTextureFormat(f));
    return res::DD_OK;
}

HResult SoftwareDevice3D::CreateTexture(int width, int height, TextureFormat format,
                                        std::shared_ptr<Texture3D>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    out->reset();
    if (const HResult r = shared_->Fault(Step::CreateTexture); Failed(r)) return r;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || !(formatMask & format) ||
        std::popcount(std::uint32_t(format)) != 1)
        return res::DDERR_INVALIDPARAMS;
    const std::size_t bytes = std::size_t(width) * height * BytesPerTexel(format);
    if (shared_->textureBytes + bytes > videoMemory) return res::DDERR_OUTOFVIDEOMEMORY;
    *out = std::make_shared<SwTexture>(width, height, format, shared_);
    return res::DD_OK;
}

HResult SoftwareDevice3D::SetRenderTarget(const std::shared_ptr<Surface>& target) {
    if (const HResult r = shared_->Fault(Step::SetRenderTarget); Failed(r)) return r;
    if (!target) return res::DDERR_INVALIDPARAMS;
    if (Failed(target->IsLost())) return res::DDERR_SURFACELOST;
    target_ = target;
    if (!viewportSet_) vpX_ = 0, vpY_ = 0, vpW_ = target->Width(), vpH_ = target->Height();
    return res::DD_OK;
}

HResult SoftwareDevice3D::SetViewport(int x, int y, int width, int height) {
    if (width < 0 || height < 0) return res::DDERR_INVALIDPARAMS;
    vpX_ = x, vpY_ = y, vpW_ = width, vpH_ = height;
    viewportSet_ = true;
    return res::DD_OK;
}

HResult SoftwareDevice3D::BeginScene() {
    if (const HResult r = shared_->Fault(Step::BeginScene); Failed(r)) return r;
    if (inScene_) return res::DDERR_INVALIDPARAMS;
    inScene_ = true;
    ++scenesBegun;
    return res::DD_OK;
}

HResult SoftwareDevice3D::EndScene() {
    if (!inScene_) return res::DDERR_INVALIDPARAMS;
    inScene_ = false;
    return res::DD_OK;
}

HResult SoftwareDevice3D::SetRenderState(RenderState state, std::uint32_t value) {
    renderStates_[state] = value;
    return res::DD_OK;
}

HResult SoftwareDevice3D::SetTextureStageState(StageState state, std::uint32_t value) {
    stageStates_[state] = value;
    return res::DD_OK;
}

std::uint32_t SoftwareDevice3D::RenderStateValue(RenderState state) const {
    auto it = renderStates_.find(state);
    return it == renderStates_.end() ? 0 : it->second;
}

std::uint32_t SoftwareDevice3D::StageStateValue(StageState state) const {
    auto it = stageStates_.find(state);
    return it == stageStates_.end() ? 0 : it->second;
}

HResult SoftwareDevice3D::SetTexture(const std::shared_ptr<Texture3D>& texture) {
    if (const HResult r = shared_->Fault(Step::SetTexture); Failed(r)) return r;
    texture_ = texture;
    return res::DD_OK;
}

namespace {

// Locks the surface for one operation and unlocks it on the way out.
class TargetLock {
public:
    explicit TargetLock(Surface& s) : s_(s) {}
    ~TargetLock() {
        if (locked_) s_.Unlock();
    }
    HResult Lock(LockInfo* li) {
        const HResult r = s_.Lock(li);
        locked_ = !Failed(r);
        return r;
    }

private:
    Surface& s_;
    bool locked_ = false;
};

int RasterFormat(const LockInfo& li) {
    if (li.bpp == 32 && li.rMask == 0xFF0000 && li.gMask == 0xFF00 && li.bMask == 0xFF) return SWRaster::Format888;
    if (li.bpp == 16 && li.rMask == 0xF800 && li.gMask == 0x7E0 && li.bMask == 0x1F) return SWRaster::Format565;
    if (li.bpp == 16 && li.rMask == 0x7C00 && li.gMask == 0x3E0 && li.bMask == 0x1F) return SWRaster::Format555;
    return 0;
}

}  // namespace

HResult SoftwareDevice3D::Clear(std::uint32_t color) {
    if (const HResult r = shared_->Fault(Step::Clear); Failed(r)) return r;
    if (!target_) return res::DDERR_NOTINITIALIZED;
    TargetLock lock(*target_);
    Target t;
    if (const HResult r = lock.Lock(&t.li); Failed(r)) return r;
    if (!RasterFormat(t.li)) return res::DD_OK;
    t.r = Channel(t.li.rMask), t.g = Channel(t.li.gMask), t.b = Channel(t.li.bMask);
    const std::uint32_t v = t.Pack(color);
    const int x0 = std::max(vpX_, 0), y0 = std::max(vpY_, 0);
    const int x1 = std::min(vpX_ + vpW_, target_->Width()), y1 = std::min(vpY_ + vpH_, target_->Height());
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) t.Write(x, y, v);
    return res::DD_OK;
}

HResult SoftwareDevice3D::DrawPrimitive(Primitive type, const Vertex3D* vertices, int count) {
    if (const HResult r = shared_->Fault(Step::DrawPrimitive); Failed(r)) return r;
    if (!vertices || count < 0) return res::DDERR_INVALIDPARAMS;
    if (!target_) return res::DDERR_NOTINITIALIZED;
    if (record) calls.push_back({type, std::vector<Vertex3D>(vertices, vertices + count), texture_ != nullptr});
    TargetLock lock(*target_);
    Target t;
    if (const HResult r = lock.Lock(&t.li); Failed(r)) return r;
    t.format = RasterFormat(t.li);
    if (!t.format) return res::DD_OK;
    t.width = target_->Width();
    t.height = target_->Height();
    t.r = Channel(t.li.rMask), t.g = Channel(t.li.gMask), t.b = Channel(t.li.bMask);
    const int x0 = std::max(vpX_, 0), y0 = std::max(vpY_, 0);
    const int x1 = std::min(vpX_ + vpW_, t.width), y1 = std::min(vpY_ + vpH_, t.height);
    if (x1 <= x0 || y1 <= y0) return res::DD_OK;
    t.clip = {x0, y0, x1 - x0, y1 - y0};
    if (type == Primitive::LineStrip) DrawLines(t, vertices, count);
    else DrawTriangles(t, vertices, count, type);
    return res::DD_OK;
}

void SoftwareDevice3D::DrawTriangles(Target& t, const Vertex3D* v, int count, Primitive type) {
    // The triangles as strips of three (or the strip itself).
    std::vector<SWRaster::TriVertex> tv(static_cast<std::size_t>(count));
    const bool modulateAlpha = StageStateValue(StageState::AlphaOp) == kTopModulate;
    const std::uint32_t srcBlend = forceSrcBlend ? forceSrcBlend : RenderStateValue(RenderState::SrcBlend);
    const std::uint32_t destBlend = forceDestBlend ? forceDestBlend : RenderStateValue(RenderState::DestBlend);
    const bool additive = destBlend == kBlendOne;
    const bool ignoreAlpha = srcBlend == kBlendOne;
    auto* tex = dynamic_cast<SwTexture*>(texture_.get());
    for (int i = 0; i < count; ++i) {
        std::uint32_t c = v[i].diffuse;
        // Without the modulate operation the texture's alpha passes alone.
        if ((tex && !modulateAlpha) || ignoreAlpha) c |= 0xFF000000u;
        tv[i] = {v[i].x, v[i].y, v[i].u, v[i].v, c};
    }
    bool uniform = true;
    for (int i = 1; i < count; ++i) uniform = uniform && tv[i].color == tv[0].color;
    // The rasteriser draws untextured triangles only from vertex colours.
    if (!tex) uniform = false;
    SWRaster::DrawColor color;
    if (uniform && count > 0) {
        const std::uint32_t c = tv[0].color;
        color = {int((c >> 16) & 255), int((c >> 8) & 255), int(c & 255), int(c >> 24)};
    }
    const bool vertexColors = !uniform;
    const bool linear = StageStateValue(StageState::MagFilter) == kFilterLinear ||
                        StageStateValue(StageState::MinFilter) == kFilterLinear;
    std::optional<OpaqueView> opaque;
    SWRaster::TextureSource* source = tex;
    if (tex && ignoreAlpha) source = &opaque.emplace(*tex);

    auto draw = [&](std::uint8_t* bits, std::ptrdiff_t pitch, int w, int h, int format,
                    const SWRaster::ClipRect& clip, float dx, float dy) {
        auto strip = [&](const SWRaster::TriVertex* s, int n) {
            if (dx == 0 && dy == 0) {
                SWRaster::DrawTriangleStrip(s, n, source, &color, 0, &clip, bits, pitch, w, h, format, linear,
                                            vertexColors);
                return;
            }
            SWRaster::TriVertex moved[3];
            for (int k = 0; k < n; ++k) moved[k] = s[k], moved[k].x += dx, moved[k].y += dy;
            SWRaster::DrawTriangleStrip(moved, n, source, &color, 0, &clip, bits, pitch, w, h, format, linear,
                                        vertexColors);
        };
        if (type == Primitive::TriangleStrip) {
            if (dx == 0 && dy == 0) {
                strip(tv.data(), count);
            } else {
                for (int i = 0; i + 2 < count; ++i) strip(&tv[i], 3);
            }
        } else if (type == Primitive::TriangleList) {
            for (int i = 0; i + 2 < count; i += 3) strip(&tv[i], 3);
        } else {
            for (int i = 1; i + 1 < count; ++i) {
                const SWRaster::TriVertex tri[3] = {tv[0], tv[i], tv[i + 1]};
                strip(tri, 3);
            }
        }
    };

    if (!additive) {
        draw(static_cast<std::uint8_t*>(t.li.bits), t.li.pitch, t.width, t.height, t.format, t.clip, 0, 0);
        return;
    }
    // Additive: the primitive alone over black, then added to the target.
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    for (const auto& p : tv) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    if (minX > maxX) return;
    const int bx0 = std::max(t.clip.x, int(std::max(-1e9f, std::floor(minX))));
    const int by0 = std::max(t.clip.y, int(std::max(-1e9f, std::floor(minY))));
    const int bx1 = std::min(t.clip.x + t.clip.width, int(std::min(1e9f, std::ceil(maxX))) + 1);
    const int by1 = std::min(t.clip.y + t.clip.height, int(std::min(1e9f, std::ceil(maxY))) + 1);
    if (bx1 <= bx0 || by1 <= by0) return;
    const int bw = bx1 - bx0, bh = by1 - by0;
    scratch_.assign(std::size_t(bw) * bh, 0xFF000000u);
    draw(reinterpret_cast<std::uint8_t*>(scratch_.data()), std::ptrdiff_t(bw) * 4, bw, bh, SWRaster::Format888,
         {0, 0, bw, bh}, float(-bx0), float(-by0));
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x) {
            const std::uint32_t s = scratch_[std::size_t(y) * bw + x] & 0xFFFFFF;
            if (s) t.Add(bx0 + x, by0 + y, s);
        }
}

void SoftwareDevice3D::DrawLines(Target& t, const Vertex3D* v, int count) {
    const std::uint32_t srcBlend = forceSrcBlend ? forceSrcBlend : RenderStateValue(RenderState::SrcBlend);
    const std::uint32_t destBlend = forceDestBlend ? forceDestBlend : RenderStateValue(RenderState::DestBlend);
    const bool blend = RenderStateValue(RenderState::AlphaBlendEnable) != 0 || forceSrcBlend;
    auto plot = [&](int x, int y, std::uint32_t c) {
        if (x < t.clip.x || y < t.clip.y || x >= t.clip.x + t.clip.width || y >= t.clip.y + t.clip.height) return;
        const std::uint32_t a = srcBlend == kBlendOne || !blend ? 255 : c >> 24;
        if (blend && destBlend == kBlendOne) {
            auto w = [&](int sh) { return (((c >> sh) & 255) * a / 255) << sh; };
            t.Add(x, y, w(16) | w(8) | w(0));
        } else if (a == 255) {
            t.Write(x, y, t.Pack(c));
        } else {
            t.Over(x, y, c, a);
        }
    };
    // Each segment lights the pixels from its start up to, not including,
    // its end; a segment shorter than a pixel lights its start, which is how
    // the caller's half-pixel tail reaches the last pixel.
    for (int i = 0; i + 1 < count; ++i) {
        const float x1 = v[i].x, y1 = v[i].y, x2 = v[i + 1].x, y2 = v[i + 1].y;
        if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) continue;
        const float dx = x2 - x1, dy = y2 - y1;
        const float len = std::max(std::fabs(dx), std::fabs(dy));
        if (len == 0) continue;
        const int n = std::max(1, int(std::min(len, 1e5f) + 0.5f));
        for (int k = 0; k < n; ++k) {
            const float f = float(k) / float(n);
            plot(int(std::floor(x1 + dx * f + 0.5f)), int(std::floor(y1 + dy * f + 0.5f)), v[i].diffuse);
        }
    }
}

}  // namespace plat
