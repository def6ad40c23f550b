#include "framework/graphics/D3DInterface.h"

#include <algorithm>
#include <cmath>

#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DirectXErrors.h"
#include "framework/graphics/MemoryImage.h"

namespace Vant {

int D3DInterface::minTextureWidth = 64, D3DInterface::minTextureHeight = 64;
int D3DInterface::maxTextureWidth = 64, D3DInterface::maxTextureHeight = 64;
int D3DInterface::maxTextureAspect = 1;
std::uint32_t D3DInterface::textureFormatMask = 0;
bool D3DInterface::linearFilterOn = false;
bool D3DInterface::renderTargetLost = false;
std::string D3DInterface::errorText3D;

using plat::Primitive;
using plat::RenderState;
using plat::StageState;

namespace {

constexpr int kBatchTriangles = 100;

std::uint32_t Argb(const Color& c) {
    return (std::uint32_t(c.a & 255) << 24) | (std::uint32_t(c.r & 255) << 16) | (std::uint32_t(c.g & 255) << 8) |
           std::uint32_t(c.b & 255);
}

Vector2 Apply(const Matrix3& m, float x, float y) { return m * Vector2{x, y}; }

}  // namespace

D3DInterface::D3DInterface() {
    minTextureWidth = minTextureHeight = 64;
    maxTextureWidth = maxTextureHeight = 64;
    maxTextureAspect = 1;
}

D3DInterface::~D3DInterface() { Cleanup(); }

bool D3DInterface::CheckD3DError(plat::HResult result, const std::string& operation) {
    if (!plat::Failed(result)) return false;
    errorText3D = operation + ": " + GetDirectXErrorString(std::uint32_t(result));
    if (writeRegistryString) writeRegistryString("Test3D\\RuntimeError", errorText3D);
    return true;
}

bool D3DInterface::InitFromDDInterface(DDInterface& display, plat::Device3D* device) {
    return Init(device, display.DrawSurface(), display.Width(), display.Height(), display.Windowed());
}

bool D3DInterface::Init(plat::Device3D* device, const std::shared_ptr<plat::Surface>& drawSurface, int width,
                        int height, bool windowed) {
    errorText3D.clear();
    if (!drawSurface) {
        CheckD3DError(plat::res::DDERR_INVALIDOBJECT, "Query DrawSurface");
        return false;
    }
    if (!device) {
        CheckD3DError(plat::res::DDERR_NODIRECTDRAWHW, "QueryInterface IID_IDirect3D7");
        return false;
    }
    device_ = device;
    drawSurface_ = drawSurface;
    width_ = width;
    height_ = height;
    windowed_ = windowed;
    return InitD3D();
}

bool D3DInterface::InitD3D() {
    if (CheckD3DError(device_->SetRenderTarget(drawSurface_), "CreateDevice IID_IDirect3DHALDevice")) return false;
    plat::Device3DCaps caps;
    if (CheckD3DError(device_->GetCaps(&caps), "")) return false;
    if (caps.maxTextureWidth == 0) {
        minTextureWidth = minTextureHeight = maxTextureWidth = maxTextureHeight = 64;
        maxTextureAspect = 1;
    } else {
        minTextureWidth = std::max(caps.minTextureWidth, 1);
        minTextureHeight = std::max(caps.minTextureHeight, 1);
        maxTextureWidth = std::min(caps.maxTextureWidth, 1024);
        maxTextureHeight = std::min(caps.maxTextureHeight, 1024);
        maxTextureAspect = caps.maxTextureAspect == 0 ? 65536 : caps.maxTextureAspect;
    }
    linearFilterOn = false;
    textureFormatMask = 0;
    std::vector<plat::TexturePixelFormat> formats;
    if (CheckD3DError(device_->EnumTextureFormats(&formats), "EnumTextureFormats")) return false;
    for (const auto& f : formats) textureFormatMask |= std::uint32_t(ClassifyPixelFormat(f));
    if (!caps.alphaPalette) textureFormatMask &= ~std::uint32_t(FormatPalette8);
    SetViewport();
    if (CheckD3DError(device_->Clear(0xFF000000u), "Clear")) return false;
    return true;
}

void D3DInterface::Cleanup() {
    if (sceneOpen_) {
        EndScene();
        errorText3D.clear();
    }
    data_.clear();
    images_.clear();
    device_ = nullptr;
    drawSurface_.reset();
}

void D3DInterface::EndScene() {
    if (!sceneOpen_) return;
    sceneOpen_ = false;
    if (device_) CheckD3DError(device_->EndScene(), "EndScene");
}

bool D3DInterface::BeginScene() {
    if (!device_) return false;
    if (isMinimised && isMinimised()) return false;
    if (sceneOpen_) return true;
    if (plat::Failed(device_->SetRenderTarget(drawSurface_))) {
        renderTargetLost = true;
        return false;
    }
    renderTargetLost = false;
    if (CheckD3DError(device_->BeginScene(), "BeginScene")) return false;
    device_->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device_->SetRenderState(RenderState::SrcBlend, plat::kBlendSrcAlpha);
    device_->SetRenderState(RenderState::DestBlend, plat::kBlendInvSrcAlpha);
    device_->SetRenderState(RenderState::Lighting, 0);
    device_->SetTextureStageState(StageState::MinFilter, plat::kFilterPoint);
    device_->SetTextureStageState(StageState::MagFilter, plat::kFilterPoint);
    device_->SetTextureStageState(StageState::MipFilter, plat::kFilterNone);
    device_->SetTextureStageState(StageState::AlphaOp, plat::kTopModulate);
    device_->SetTextureStageState(StageState::AddressU, plat::kAddressClamp);
    device_->SetTextureStageState(StageState::AddressV, plat::kAddressClamp);
    device_->SetRenderState(RenderState::DitherEnable, 0);
    device_->SetRenderState(RenderState::SpecularEnable, 0);
    device_->SetRenderState(RenderState::ZWriteEnable, 0);
    device_->SetRenderState(RenderState::ZEnable, 0);
    device_->SetRenderState(RenderState::CullMode, 1);
    sceneOpen_ = true;
    linearFilterOn = false;
    return true;
}

void D3DInterface::SetViewport() {
    if (device_) device_->SetViewport(0, 0, width_, height_);
}

void D3DInterface::SetDrawMode(bool additive) {
    device_->SetRenderState(RenderState::SrcBlend, plat::kBlendSrcAlpha);
    device_->SetRenderState(RenderState::DestBlend, additive ? plat::kBlendOne : plat::kBlendInvSrcAlpha);
}

void D3DInterface::SetLinearFilter(bool on) {
    if (on == linearFilterOn) return;
    const char* op = on ? "SetTextureStageState LINEAR" : "SetTextureStageState Point";
    const std::uint32_t f = on ? plat::kFilterLinear : plat::kFilterPoint;
    if (CheckD3DError(device_->SetTextureStageState(StageState::MinFilter, f), op)) return;
    if (CheckD3DError(device_->SetTextureStageState(StageState::MagFilter, f), op)) return;
    if (CheckD3DError(device_->SetTextureStageState(StageState::MipFilter, on ? plat::kFilterPoint : plat::kFilterNone),
                      op))
        return;
    linearFilterOn = on;
}

plat::Vertex3D D3DInterface::MakeVertex(float x, float y, std::uint32_t color, float u, float v) const {
    return {x, y, 0, 1, color, 0, u, v};
}

bool D3DInterface::Draw(Primitive type, const Vertex* v, int count, const char* operation) {
    return !CheckD3DError(device_->DrawPrimitive(type, v, count), operation);
}

void D3DInterface::Blt(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color, int drawMode,
                       bool linearFilter) {
    if (!transformStack.empty()) {
        Matrix3 m;
        m.m[0][2] = x;
        m.m[1][2] = y;
        BltTransformed(image, nullptr, color, drawMode, srcRect, m, true, 0, 0, false);
        return;
    }
    if (!BeginScene() || !CreateImageTexture(image)) return;
    SetDrawMode(drawMode == 1);
    SetLinearFilter(linearFilter);
    BltUntransformed(image, x, y, srcRect, color);
}

namespace {

// The source rectangle inside the image.
Rect ClipToImage(const Rect& r, const MemoryImage& image) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.width, image.width), y1 = std::min(r.y + r.height, image.height);
    return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

}  // namespace

template <typename Visit>
void D3DInterface::ForEachPiece(MemoryImage* image, const Rect& src, Visit visit) {
    for (int sy = src.y; sy < src.y + src.height;) {
        int rowHeight = 0;
        for (int sx = src.x; sx < src.x + src.width;) {
            TextureRef ref;
            if (!GetTexture(image, sx, sy, src.x + src.width - sx, src.y + src.height - sy, &ref)) return;
            if (!visit(ref, sx, sy)) return;
            sx += ref.width;
            rowHeight = ref.height;
        }
        if (rowHeight <= 0) break;
        sy += rowHeight;
    }
}

void D3DInterface::BltUntransformed(MemoryImage* image, float x, float y, const Rect& srcRect, const Color& color) {
    const Rect src = ClipToImage(srcRect, *image);
    x += float(src.x - srcRect.x);
    y += float(src.y - srcRect.y);
    const std::uint32_t c = Argb(color);
    ForEachPiece(image, src, [&](const TextureRef& ref, int sx, int sy) {
        const float px = x + float(sx - src.x) - 0.5f, py = y + float(sy - src.y) - 0.5f;
        const Vertex v[4] = {MakeVertex(px, py, c, ref.u0, ref.v0),
                             MakeVertex(px + float(ref.width), py, c, ref.u1, ref.v0),
                             MakeVertex(px, py + float(ref.height), c, ref.u0, ref.v1),
                             MakeVertex(px + float(ref.width), py + float(ref.height), c, ref.u1, ref.v1)};
        if (CheckD3DError(device_->SetTexture(ref.texture), "SetTexture gTexture")) return false;
        return Draw(Primitive::TriangleStrip, v, 4, "DrawPrimitive (Tri) 1");
    });
}

void D3DInterface::BltTransformed(MemoryImage* image, const Rect* clipRect, const Color& color, int drawMode,
                                  const Rect& srcRect, const Matrix3& matrix, bool linearFilter, float x, float y,
                                  bool centred) {
    if (!BeginScene() || !CreateImageTexture(image)) return;
    SetDrawMode(drawMode == 1);
    Matrix3 m = matrix;
    if (!transformStack.empty()) {
        device_->SetTextureStageState(StageState::MinFilter, plat::kFilterLinear);
        device_->SetTextureStageState(StageState::MagFilter, plat::kFilterLinear);
        device_->SetTextureStageState(StageState::MipFilter, plat::kFilterLinear);
        linearFilterOn = true;
        m = transformStack.back() * matrix;
    } else {
        SetLinearFilter(linearFilter);
    }
    const Rect src = ClipToImage(srcRect, *image);
    const float ox = centred ? 0.5f - float(srcRect.width) / 2 : 0.0f;
    const float oy = centred ? 0.5f - float(srcRect.height) / 2 : 0.0f;
    const std::uint32_t c = Argb(color);
    ForEachPiece(image, src, [&](const TextureRef& ref, int sx, int sy) {
        const float lx = ox + float(sx - srcRect.x), ly = oy + float(sy - srcRect.y);
        const float cx[4] = {lx, lx + float(ref.width), lx, lx + float(ref.width)};
        const float cy[4] = {ly, ly, ly + float(ref.height), ly + float(ref.height)};
        const float cu[4] = {ref.u0, ref.u1, ref.u0, ref.u1};
        const float cv[4] = {ref.v0, ref.v0, ref.v1, ref.v1};
        Vertex v[4];
        bool outside = false;
        for (int i = 0; i < 4; ++i) {
            const Vector2 p = Apply(m, cx[i], cy[i]);
            v[i] = MakeVertex(p.x + x - 0.5f, p.y + y - 0.5f, c, cu[i], cv[i]);
            if (clipRect && (v[i].x < float(clipRect->x) || v[i].x >= float(clipRect->x + clipRect->width) ||
                             v[i].y < float(clipRect->y) || v[i].y >= float(clipRect->y + clipRect->height)))
                outside = true;
        }
        if (CheckD3DError(device_->SetTexture(ref.texture), "SetTexture gTexture")) return false;
        if (outside) {
            std::vector<Vertex> poly = {v[0], v[1], v[3], v[2]};
            DrawClipped(poly, *clipRect, "DrawPrimitive (Tri) 2");
        } else if (!Draw(Primitive::TriangleStrip, v, 4, "DrawPrimitive (Tri) 3")) {
            return false;
        }
        return true;
    });
}

namespace {

plat::Vertex3D Lerp(const plat::Vertex3D& a, const plat::Vertex3D& b, float t) {
    plat::Vertex3D r = a;
    r.x = a.x + (b.x - a.x) * t;
    r.y = a.y + (b.y - a.y) * t;
    r.u = a.u + (b.u - a.u) * t;
    r.v = a.v + (b.v - a.v) * t;
    std::uint32_t c = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        const float ca = float((a.diffuse >> sh) & 255), cb = float((b.diffuse >> sh) & 255);
        c |= std::uint32_t(std::clamp(ca + (cb - ca) * t, 0.0f, 255.0f)) << sh;
    }
    r.diffuse = c;
    return r;
}

// One Sutherland-Hodgman pass: keeps the side where inside(v) holds.
template <class Inside, class Cross>
void ClipPass(std::vector<plat::Vertex3D>& poly, Inside inside, Cross cross) {
    std::vector<plat::Vertex3D> out;
    out.reserve(poly.size() + 2);
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const plat::Vertex3D& a = poly[i];
        const plat::Vertex3D& b = poly[(i + 1) % poly.size()];
        const bool ia = inside(a), ib = inside(b);
        if (ia) out.push_back(a);
        if (ia != ib) out.push_back(Lerp(a, b, cross(a, b)));
    }
    poly.swap(out);
}

}  // namespace

void ClipPolygonToRect(std::vector<plat::Vertex3D>& poly, const Rect& clip) {
    const float l = float(clip.x), t = float(clip.y), r = float(clip.x + clip.width),
                b = float(clip.y + clip.height);
    using V = plat::Vertex3D;
    ClipPass(poly, [&](const V& v) { return v.x >= l; }, [&](const V& a, const V& c) { return (l - a.x) / (c.x - a.x); });
    ClipPass(poly, [&](const V& v) { return v.y >= t; }, [&](const V& a, const V& c) { return (t - a.y) / (c.y - a.y); });
    ClipPass(poly, [&](const V& v) { return v.x <= r; }, [&](const V& a, const V& c) { return (r - a.x) / (c.x - a.x); });
    ClipPass(poly, [&](const V& v) { return v.y <= b; }, [&](const V& a, const V& c) { return (b - a.y) / (c.y - a.y); });
}

void D3DInterface::DrawClipped(std::vector<Vertex>& poly, const Rect& clip, const char* operation) {
    ClipPolygonToRect(poly, clip);
    if (poly.size() > 2) Draw(Primitive::TriangleFan, poly.data(), int(poly.size()), operation);
}

void D3DInterface::DrawLine(double x1, double y1, double x2, double y2, const Color& color, bool additive) {
    if (!BeginScene()) return;
    SetDrawMode(additive);
    Vector2 a{float(x1), float(y1)}, b{float(x2), float(y2)};
    if (!transformStack.empty()) {
        a = transformStack.back() * a;
        b = transformStack.back() * b;
    }
    if (CheckD3DError(device_->SetTexture(nullptr), "SetTexture NULL")) return;
    const std::uint32_t c = Argb(color);
    const Vertex v[3] = {MakeVertex(a.x, a.y, c), MakeVertex(b.x, b.y, c), MakeVertex(b.x + 0.5f, b.y + 0.5f, c)};
    Draw(Primitive::LineStrip, v, 3, "DrawPrimitive (Line)");
}

void D3DInterface::FillRect(const Rect& rect, const Color& color, bool additive) {
    if (!BeginScene()) return;
    SetDrawMode(additive);
    const std::uint32_t c = Argb(color);
    const float x0 = float(rect.x), y0 = float(rect.y), x1 = float(rect.x + rect.width),
                y1 = float(rect.y + rect.height);
    Vector2 p[4] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
    Vertex v[4];
    for (int i = 0; i < 4; ++i) {
        if (!transformStack.empty()) p[i] = transformStack.back() * p[i];
        v[i] = MakeVertex(p[i].x - 0.5f, p[i].y - 0.5f, c);
    }
    if (CheckD3DError(device_->SetTexture(nullptr), "SetTexture NULL")) return;
    Draw(Primitive::TriangleStrip, v, 4, "DrawPrimitive (Rect)");
}

void D3DInterface::FillPolygon(const int* points, int count, const Color& color, bool additive,
                               const Rect* clipRect, int tx, int ty) {
    if (count < 3 || !points) return;
    if (!BeginScene()) return;
    SetDrawMode(additive);
    const std::uint32_t c = Argb(color);
    std::vector<Vertex> poly;
    poly.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        Vector2 p{float(points[2 * i] + tx), float(points[2 * i + 1] + ty)};
        if (!transformStack.empty()) p = transformStack.back() * p;
        poly.push_back(MakeVertex(p.x, p.y, c));
    }
    if (CheckD3DError(device_->SetTexture(nullptr), "SetTexture NULL")) return;
    if (clipRect) DrawClipped(poly, *clipRect, "DrawPrimitive (Tri) 2");
    else Draw(Primitive::TriangleFan, poly.data(), count, "DrawPrimitive (FillPoly)");
}

void D3DInterface::BlitTrianglesTextured(MemoryImage* image, const SWRaster::TriVertex (*triangles)[3], int count,
                                         const Color& color, bool additive, float tx, float ty,
                                         bool linearFilter) {
    if (count <= 0 || !triangles) return;
    if (!BeginScene() || !CreateImageTexture(image)) return;
    SetDrawMode(additive);
    SetLinearFilter(linearFilter);
    TextureData* d = GetTextureData(image);
    const std::uint32_t c = Argb(color);
    auto vertex = [&](const SWRaster::TriVertex& t) {
        return MakeVertex(t.x + tx, t.y + ty, t.color ? t.color : c, t.u * d->maxU, t.v * d->maxV);
    };
    if (d->maxU <= 1 && d->maxV <= 1) {
        if (CheckD3DError(device_->SetTexture(d->pieces[0].texture), "SetTexture gTexture")) return;
        std::vector<Vertex> batch;
        for (int first = 0; first < count; first += kBatchTriangles) {
            const int n = std::min(kBatchTriangles, count - first);
            batch.clear();
            for (int i = 0; i < n; ++i)
                for (int k = 0; k < 3; ++k) batch.push_back(vertex(triangles[first + i][k]));
            if (!Draw(Primitive::TriangleList, batch.data(), 3 * n, "DrawPrimitive (TriList)")) return;
        }
        return;
    }
    const float firstW = float(d->pieces[0].width), firstH = float(d->pieces[0].height);
    for (int i = 0; i < count; ++i) {
        const Vertex tri[3] = {vertex(triangles[i][0]), vertex(triangles[i][1]), vertex(triangles[i][2])};
        float minU = tri[0].u, maxU = tri[0].u, minV = tri[0].v, maxV = tri[0].v;
        for (const Vertex& v : tri) {
            minU = std::min(minU, v.u), maxU = std::max(maxU, v.u);
            minV = std::min(minV, v.v), maxV = std::max(maxV, v.v);
        }
        if (!std::isfinite(minU) || !std::isfinite(maxU) || !std::isfinite(minV) || !std::isfinite(maxV)) continue;
        minU = std::clamp(minU, 0.0f, d->maxU), maxU = std::clamp(maxU, 0.0f, d->maxU);
        minV = std::clamp(minV, 0.0f, d->maxV), maxV = std::clamp(maxV, 0.0f, d->maxV);
        const int c0 = std::clamp(int(std::floor(minU)), 0, d->columns - 1);
        const int c1 = std::clamp(int(std::ceil(maxU)), 0, d->columns - 1);
        const int r0 = std::clamp(int(std::floor(minV)), 0, d->rows - 1);
        const int r1 = std::clamp(int(std::ceil(maxV)), 0, d->rows - 1);
        for (int row = r0; row <= r1; ++row)
            for (int col = c0; col <= c1; ++col) {
                const TexturePiece& piece = d->pieces[std::size_t(row) * d->columns + col];
                std::vector<Vertex> poly(tri, tri + 3);
                for (Vertex& v : poly) {
                    v.u -= float(col);
                    v.v -= float(row);
                    if (col == d->columns - 1) v.u *= firstW / float(piece.width);
                    if (row == d->rows - 1) v.v *= firstH / float(piece.height);
                }
                // Clip in u, v: the same passes with u, v in place of x, y.
                for (Vertex& v : poly) std::swap(v.x, v.u), std::swap(v.y, v.v);
                ClipPolygonToRect(poly, Rect(0, 0, 1, 1));
                for (Vertex& v : poly) std::swap(v.x, v.u), std::swap(v.y, v.v);
                if (poly.size() <= 2) continue;
                if (CheckD3DError(device_->SetTexture(piece.texture), "SetTexture gTexture")) return;
                if (!Draw(Primitive::TriangleFan, poly.data(), int(poly.size()), "DrawPrimitive (Tri) 4")) return;
            }
    }
}

}  // namespace Vant
