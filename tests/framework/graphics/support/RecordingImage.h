#pragma once
// An image that records the primitive calls it receives, for checking what
// the drawing context hands down.
#include "framework/graphics/Image.h"

#include <string>
#include <vector>

namespace graphicstest {

struct Call {
    std::string op;  // "FillRect", "DrawRect", "DrawLine", "Blit", "StretchBlit", ...
    Vant::Rect rect;  // fill/outline rect, or dest rect of stretches
    Vant::Rect src;
    Vant::Rect clip;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends, or blit position in x1/y1
    Vant::Color color;
    int drawMode = 0;
    double angle = 0;
    float centreX = 0, centreY = 0;
    bool flag = false;
    Vant::Image* source = nullptr;
};

class RecordingImage : public Vant::Image {
public:
    RecordingImage(int w, int h) {
        width = w;
        height = h;
    }

    void FillRect(const Vant::Rect& r, const Vant::Color& c, int mode) override {
        Call k;
        k.op = "FillRect";
        k.rect = r;
        k.color = c;
        k.drawMode = mode;
        calls.push_back(k);
    }
    void DrawRect(const Vant::Rect& r, const Vant::Color& c, int mode) override {
        Call k;
        k.op = "DrawRect";
        k.rect = r;
        k.color = c;
        k.drawMode = mode;
        calls.push_back(k);
    }
    void DrawLine(double x1, double y1, double x2, double y2, const Vant::Color& c, int mode) override {
        Call k;
        k.op = "DrawLine";
        k.x1 = x1;
        k.y1 = y1;
        k.x2 = x2;
        k.y2 = y2;
        k.color = c;
        k.drawMode = mode;
        calls.push_back(k);
    }
    void Blit(Vant::Image* s, int x, int y, const Vant::Rect& src, const Vant::Color& c, int mode) override {
        Call k;
        k.op = "Blit";
        k.src = src;
        k.x1 = double(x);
        k.y1 = double(y);
        k.color = c;
        k.drawMode = mode;
        k.source = s;
        calls.push_back(k);
    }
    void BlitF(Vant::Image* s, float x, float y, const Vant::Rect& src, const Vant::Rect& clip, const Vant::Color& c,
               int mode) override {
        Call k;
        k.op = "BlitF";
        k.src = src;
        k.clip = clip;
        k.x1 = x;
        k.y1 = y;
        k.color = c;
        k.drawMode = mode;
        k.source = s;
        calls.push_back(k);
    }
    void BlitRotated(Vant::Image* s, float x, float y, const Vant::Rect& src, const Vant::Rect& clip,
                     const Vant::Color& c, int mode, double angle, float cx, float cy) override {
        Call k;
        k.op = "BlitRotated";
        k.src = src;
        k.clip = clip;
        k.x1 = x;
        k.y1 = y;
        k.color = c;
        k.drawMode = mode;
        k.angle = angle;
        k.centreX = cx;
        k.centreY = cy;
        k.source = s;
        calls.push_back(k);
    }
    void StretchBlit(Vant::Image* s, const Vant::Rect& dest, const Vant::Rect& src, const Vant::Rect& clip,
                     const Vant::Color& c, int mode, bool fast) override {
        Call k;
        k.op = "StretchBlit";
        k.rect = dest;
        k.src = src;
        k.clip = clip;
        k.color = c;
        k.drawMode = mode;
        k.flag = fast;
        k.source = s;
        calls.push_back(k);
    }
    void BlitMatrix(Vant::Image* s, float x, float y, const Vant::Matrix3&, const Vant::Rect& clip,
                    const Vant::Color& c, int mode, const Vant::Rect& src, bool blend) override {
        Call k;
        k.op = "BlitMatrix";
        k.src = src;
        k.clip = clip;
        k.x1 = x;
        k.y1 = y;
        k.color = c;
        k.drawMode = mode;
        k.flag = blend;
        k.source = s;
        calls.push_back(k);
    }

    std::vector<Call> Of(const std::string& op) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.op == op) out.push_back(c);
        return out;
    }

    std::vector<Call> calls;
};

}  // namespace graphicstest
