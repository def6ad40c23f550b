#pragma once
// The peer of the frame benchmarks: a frame's draws, recorded once from our
// drawing context by an image that only writes them down, replayed through
// SDL2's software renderer into a surface of the same size and format.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <vector>

#include "framework/graphics/Image.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Transform.h"

namespace benchreplay {

// What the frame asked the screen image to do.
struct Op {
    enum Kind { kFill, kBlit, kStretch, kTurned } kind;
    Vant::Image* source;
    Vant::Rect src, dest, clip;
    Vant::Color color;
    int mode;
    // Turned blits (rotated, or through a matrix of a turn and a scale):
    // the exact destination, the turn in SDL's degrees (clockwise) and the
    // centre relative to the destination.
    float x = 0, y = 0, w = 0, h = 0;
    double degrees = 0;
    float centreX = 0, centreY = 0;
};

class RecordingImage : public Vant::Image {
public:
    RecordingImage(int w, int h) {
        width = w;
        height = h;
    }
    std::vector<Op> ops;
    // Draws the replay has no counterpart for.
    int unsupported = 0;

    void FillRect(const Vant::Rect& r, const Vant::Color& c, int mode) override {
        ops.push_back({Op::kFill, nullptr, {}, r, r, c, mode});
    }
    void Blit(Vant::Image* s, int x, int y, const Vant::Rect& src, const Vant::Color& c, int mode) override {
        ops.push_back({Op::kBlit, s, src, Vant::Rect(x, y, src.width, src.height), Vant::Rect(0, 0, width, height),
                       c, mode});
    }
    void BlitF(Vant::Image* s, float x, float y, const Vant::Rect& src, const Vant::Rect& clip, const Vant::Color& c,
               int mode) override {
        ops.push_back({Op::kBlit, s, src, Vant::Rect(int(x), int(y), src.width, src.height), clip, c, mode});
    }
    void StretchBlit(Vant::Image* s, const Vant::Rect& dest, const Vant::Rect& src, const Vant::Rect& clip,
                     const Vant::Color& c, int mode, bool) override {
        ops.push_back({Op::kStretch, s, src, dest, clip, c, mode});
    }
    void BlitRotated(Vant::Image* s, float x, float y, const Vant::Rect& src, const Vant::Rect& clip,
                     const Vant::Color& c, int mode, double angle, float cx, float cy) override {
        // Our angles turn counter-clockwise, in radians.
        turned(s, src, clip, c, mode, x, y, float(src.width), float(src.height), -angle * kDegrees, cx, cy);
    }
    // The matrix maps the source rect, centred on its middle, to the
    // destination; a turn and a scale are what the game's spots give.
    void BlitMatrix(Vant::Image* s, float x, float y, const Vant::Matrix3& m, const Vant::Rect& clip,
                    const Vant::Color& c, int mode, const Vant::Rect& src, bool) override {
        const float a = m.m[0][0], b = m.m[0][1], cc = m.m[1][0], d = m.m[1][1];
        const float w = float(src.width) * std::sqrt(a * a + cc * cc);
        const float h = float(src.height) * std::sqrt(b * b + d * d);
        const float mx = m.m[0][2] + x - 0.5f, my = m.m[1][2] + y - 0.5f;
        turned(s, src, clip, c, mode, mx - w / 2, my - h / 2, w, h, std::atan2(double(cc), double(a)) * kDegrees,
               w / 2, h / 2);
    }
    void BlitTrianglesTextured(Vant::Image*, const Vant::TriVertex (*)[3], int, const Vant::Rect&,
                               const Vant::Color&, int, float, float, bool) override {
        ++unsupported;
    }
    void BlitMirror(Vant::Image*, int, int, const Vant::Rect&, const Vant::Color&, int) override { ++unsupported; }
    void StretchBlitMirror(Vant::Image*, const Vant::Rect&, const Vant::Rect&, const Vant::Rect&, const Vant::Color&,
                           int, bool) override {
        ++unsupported;
    }

private:
    static constexpr double kDegrees = 57.29577951308232;
    void turned(Vant::Image* s, const Vant::Rect& src, const Vant::Rect& clip, const Vant::Color& c, int mode, float x,
                float y, float w, float h, double degrees, float cx, float cy) {
        Op op{Op::kTurned, s, src, Vant::Rect(int(x), int(y), int(w), int(h)), clip, c, mode};
        op.x = x;
        op.y = y;
        op.w = w;
        op.h = h;
        op.degrees = degrees;
        op.centreX = cx;
        op.centreY = cy;
        ops.push_back(op);
    }
};

// The recorded draws through SDL2's software renderer: additive draws
// (mode 1) with SDL's add mode, the rest with blending, the draw colour as
// colour and alpha modulation, turned draws smoothed.
class SdlReplay {
public:
    SdlReplay(const std::vector<Op>& ops, int w, int h, Uint32 format) : ops_(ops) {
        target_ = SDL_CreateRGBSurfaceWithFormat(0, w, h, SDL_BITSPERPIXEL(format), format);
        renderer_ = SDL_CreateSoftwareRenderer(target_);
        for (const Op& op : ops_) {
            if (!op.source || textures_.count(op.source)) continue;
            auto* m = dynamic_cast<Vant::MemoryImage*>(op.source);
            if (!m) continue;
            SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(m->GetBits(), m->width, m->height, 32, m->width * 4,
                                                                SDL_PIXELFORMAT_ARGB8888);
            textures_[op.source] = SDL_CreateTextureFromSurface(renderer_, s);
            SDL_FreeSurface(s);
        }
    }
    ~SdlReplay() {
        for (auto& [image, t] : textures_) SDL_DestroyTexture(t);
        SDL_DestroyRenderer(renderer_);
        SDL_FreeSurface(target_);
    }
    SdlReplay(const SdlReplay&) = delete;
    SdlReplay& operator=(const SdlReplay&) = delete;

    // Draws whose source image the replay could not make a texture of.
    int missing() const {
        int n = 0;
        for (const Op& op : ops_) n += op.kind != Op::kFill && !textures_.count(op.source);
        return n;
    }

    void Frame() {
        for (const Op& op : ops_) {
            const SDL_BlendMode blend = op.mode == 1 ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND;
            const SDL_Rect clip{op.clip.x, op.clip.y, op.clip.width, op.clip.height};
            SDL_RenderSetClipRect(renderer_, &clip);
            const SDL_Rect d{op.dest.x, op.dest.y, op.dest.width, op.dest.height};
            if (op.kind == Op::kFill) {
                SDL_SetRenderDrawBlendMode(renderer_, blend);
                SDL_SetRenderDrawColor(renderer_, Uint8(op.color.r), Uint8(op.color.g), Uint8(op.color.b),
                                       Uint8(op.color.a));
                SDL_RenderFillRect(renderer_, &d);
                continue;
            }
            auto it = textures_.find(op.source);
            if (it == textures_.end()) continue;
            SDL_Texture* t = it->second;
            SDL_SetTextureBlendMode(t, blend);
            SDL_SetTextureColorMod(t, Uint8(op.color.r), Uint8(op.color.g), Uint8(op.color.b));
            SDL_SetTextureAlphaMod(t, Uint8(op.color.a));
            // Our 3D device samples turned draws bilinearly: so does SDL then.
            SDL_SetTextureScaleMode(t, op.kind == Op::kTurned ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
            const SDL_Rect s{op.src.x, op.src.y, op.src.width, op.src.height};
            if (op.kind == Op::kTurned) {
                const SDL_FRect fd{op.x, op.y, op.w, op.h};
                const SDL_FPoint centre{op.centreX, op.centreY};
                SDL_RenderCopyExF(renderer_, t, &s, &fd, op.degrees, &centre, SDL_FLIP_NONE);
            } else {
                SDL_RenderCopy(renderer_, t, &s, &d);
            }
        }
        SDL_RenderPresent(renderer_);
        benchmark::DoNotOptimize(target_->pixels);
    }

private:
    const std::vector<Op>& ops_;
    SDL_Surface* target_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    std::map<Vant::Image*, SDL_Texture*> textures_;
};

}  // namespace benchreplay
