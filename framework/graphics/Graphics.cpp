#include "framework/graphics/Graphics.h"

#include "framework/graphics/DDImage.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Transform.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace Vant {

namespace {

// The destination of a Graphics made without one: nothing to draw into.
Image& EmptyImage() {
    static Image empty;
    return empty;
}

// C truncation toward zero, saturated so huge or non-finite positions stay
// defined (they lie far outside any clip either way).
int TruncToInt(double v) {
    if (!(v > static_cast<double>(INT_MIN))) return INT_MIN;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(v);
}

int ClampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

}  // namespace

Graphics::Graphics(Image* destination) {
    destImage = destination ? destination : &EmptyImage();
    clipRect = Rect(0, 0, destImage->width, destImage->height);
}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

Graphics& Graphics::operator=(const Graphics& other) {
    GraphicsState::operator=(other);
    return *this;
}

Graphics::~Graphics() = default;

Graphics* Graphics::Create() const { return new Graphics(*this); }

void Graphics::PushState() { stateStack.push_back(static_cast<const GraphicsState&>(*this)); }

void Graphics::PopState() {
    if (stateStack.empty()) return;
    GraphicsState::operator=(stateStack.back());
    stateStack.pop_back();
}

int Graphics::TransX(int x) const { return TruncToInt(static_cast<float>(x) + transX); }
int Graphics::TransY(int y) const { return TruncToInt(static_cast<float>(y) + transY); }

void Graphics::Translate(int dx, int dy) {
    transX += static_cast<float>(dx);
    transY += static_cast<float>(dy);
}

void Graphics::ClipRect(int x, int y, int w, int h) { clipRect = clipRect.Intersection(Rect(TransX(x), TransY(y), w, h)); }

// ---------------------------------------------------------------------------
// Shapes

void Graphics::FillRect(int x, int y, int w, int h) {
    if (color.a == 0) return;
    const Rect r = Rect(TransX(x), TransY(y), w, h).Intersection(clipRect);
    destImage->FillRect(r, color, drawMode);
}

void Graphics::DrawRect(int x, int y, int w, int h) {
    if (color.a == 0) return;
    if (w < INT_MAX && h < INT_MAX) {
        const Rect outline(TransX(x), TransY(y), w + 1, h + 1);
        if (outline.Intersection(clipRect) == outline) {
            destImage->DrawRect(Rect(outline.x, outline.y, w, h), color, drawMode);
            return;
        }
    }
    const auto sum = [](int a, int b) { return ClampToInt(static_cast<long long>(a) + b); };
    FillRect(x, y, sum(w, 1), 1);
    FillRect(x, sum(y, h), sum(w, 1), 1);
    FillRect(x, sum(y, 1), 1, sum(h, -1));
    FillRect(sum(x, w), sum(y, 1), 1, sum(h, -1));
}

void Graphics::DrawLine(int x1, int y1, int x2, int y2) {
    double ax = x1 + static_cast<double>(transX), ay = y1 + static_cast<double>(transY);
    double bx = x2 + static_cast<double>(transX), by = y2 + static_cast<double>(transY);
    const double l = clipRect.x, t = clipRect.y;
    const double r = static_cast<double>(clipRect.x) + clipRect.width;
    const double b = static_cast<double>(clipRect.y) + clipRect.height;

    // The tests are against the right and bottom edges, the cuts one pixel
    // inside them.
    if (ax > bx) std::swap(ax, bx), std::swap(ay, by);
    if (ax < l) {
        if (bx < l) return;
        ay += (by - ay) / (bx - ax) * (l - ax);
        ax = l;
    }
    if (bx >= r) {
        if (ax >= r) return;
        by += (by - ay) / (bx - ax) * ((r - 1) - bx);
        bx = r - 1;
    }
    if (ay > by) std::swap(ax, bx), std::swap(ay, by);
    if (ay < t) {
        if (by < t) return;
        ax += (bx - ax) / (by - ay) * (t - ay);
        ay = t;
    }
    if (by >= b) {
        if (ay >= b) return;
        bx += (bx - ax) / (by - ay) * ((b - 1) - by);
        by = b - 1;
    }
    destImage->DrawLine(ax, ay, bx, by, color, drawMode);
}

// ---------------------------------------------------------------------------
// Images

void Graphics::DrawImage(Image* image, int x, int y) {
    if (!image) return;
    const int tx = TransX(x), ty = TransY(y);
    const Rect dest = Rect(tx, ty, image->width, image->height).Intersection(clipRect);
    if (dest.width < 1 || dest.height < 1) return;
    destImage->Blit(image, dest.x, dest.y, Rect(dest.x - tx, dest.y - ty, dest.width, dest.height), ImageColor(),
                    drawMode);
}

void Graphics::DrawImage(Image* image, int x, int y, const Rect& src) {
    if (!image) return;
    // Both edges: a negative origin would read before the image.
    if (src.x < 0 || src.y < 0) return;
    if (static_cast<long long>(src.x) + src.width > image->width) return;
    if (static_cast<long long>(src.y) + src.height > image->height) return;
    const int tx = TransX(x), ty = TransY(y);
    const Rect dest = Rect(tx, ty, src.width, src.height).Intersection(clipRect);
    if (dest.width < 1 || dest.height < 1) return;
    destImage->Blit(image, dest.x, dest.y,
                    Rect(src.x + (dest.x - tx), src.y + (dest.y - ty), dest.width, dest.height), ImageColor(),
                    drawMode);
}

void Graphics::DrawImage(Image* image, int x, int y, int w, int h) {
    if (!image) return;
    destImage->StretchBlit(image, Rect(TransX(x), TransY(y), w, h), Rect(0, 0, image->width, image->height),
                           clipRect, ImageColor(), drawMode, fastStretch);
}

void Graphics::DrawImage(Image* image, const Rect& destRect, const Rect& srcRect) {
    if (!image) return;
    destImage->StretchBlit(image, Rect(TransX(destRect.x), TransY(destRect.y), destRect.width, destRect.height),
                           srcRect, clipRect, ImageColor(), drawMode, fastStretch);
}

void Graphics::DrawImageF(Image* image, float x, float y) {
    if (!image) return;
    DrawImageF(image, x, y, Rect(0, 0, image->width, image->height));
}

void Graphics::DrawImageF(Image* image, float x, float y, const Rect& srcRect) {
    if (!image) return;
    destImage->BlitF(image, x + transX, y + transY, srcRect, clipRect, ImageColor(), drawMode);
}

void Graphics::DrawImageRotatedF(Image* image, float x, float y, double angle, float centreX, float centreY,
                                 const Rect* srcRect) {
    if (!image) return;
    const Rect src = srcRect ? *srcRect : Rect(0, 0, image->width, image->height);
    destImage->BlitRotated(image, x + transX, y + transY, src, clipRect, ImageColor(), drawMode, angle, centreX,
                           centreY);
}

void Graphics::DrawImageRotated(Image* image, float x, float y, double angle, const Rect* srcRect) {
    if (!image) return;
    const int w = srcRect ? srcRect->width : image->width;
    const int h = srcRect ? srcRect->height : image->height;
    DrawImageRotatedF(image, x, y, angle, static_cast<float>(w / 2), static_cast<float>(h / 2), srcRect);
}

void Graphics::DrawImageRotated(Image* image, int x, int y, double angle, const Rect* srcRect) {
    DrawImageRotated(image, static_cast<float>(x), static_cast<float>(y), angle, srcRect);
}

void Graphics::DrawImageRotated(Image* image, int x, int y, double angle, int centreX, int centreY,
                                const Rect* srcRect) {
    DrawImageRotatedF(image, static_cast<float>(x), static_cast<float>(y), angle, static_cast<float>(centreX),
                      static_cast<float>(centreY), srcRect);
}

void Graphics::DrawImageMatrix(Image* image, const Matrix3& matrix, const Rect& srcRect, float x, float y) {
    if (!image) return;
    destImage->BlitMatrix(image, x + transX, y + transY, matrix, clipRect, ImageColor(), drawMode, srcRect,
                          linearBlend);
}

void Graphics::DrawImageTransformF(Image* image, Transform& t, const Rect& src, float x, float y, bool subPixel) {
    if (!image) return;
    if (t.matrixMode || (subPixel && DestDrawsThrough3D())) {
        DrawImageMatrix(image, t.GetMatrix(), src, x, y);
        return;
    }
    // The added 0.5 makes the truncations below round to the nearest pixel
    // (for positive coordinates).
    if (t.hasRotation) {
        const float hx = src.width * 0.5f - t.preTransX, hy = src.height * 0.5f - t.preTransY;
        const float px = x + t.postTransX - hx + 0.5f, py = y + t.postTransY - hy + 0.5f;
        if (subPixel)
            DrawImageRotatedF(image, px, py, t.rotation, hx, hy, &src);
        else
            DrawImageRotated(image, TruncToInt(px), TruncToInt(py), t.rotation, TruncToInt(hx), TruncToInt(hy),
                             &src);
    } else if (t.hasScale) {
        const float sw = src.width * 0.5f * t.scaleX, sh = src.height * 0.5f * t.scaleY;
        DrawImage(image,
                  Rect(TruncToInt(x + t.postTransX - sw), TruncToInt(y + t.postTransY - sh), TruncToInt(2 * sw),
                       TruncToInt(2 * sh)),
                  src);
    } else {
        const float px = t.postTransX + t.preTransX + x - src.width * 0.5f + 0.5f;
        const float py = t.postTransY + t.preTransY + y - src.height * 0.5f + 0.5f;
        if (subPixel)
            DrawImageF(image, px, py, src);
        else
            DrawImage(image, TruncToInt(px), TruncToInt(py), src);
    }
}

bool Graphics::DestDrawsThrough3D() const {
    const auto* surfaceImage = dynamic_cast<const DDImage*>(destImage);
    return surfaceImage && surfaceImage->Is3DScreen();
}

void Graphics::DrawImageTransform(Image* image, Transform& t, const Rect& src, float x, float y) {
    DrawImageTransformF(image, t, src, x, y, false);
}

void Graphics::DrawImageBox(const Rect& destRect, Image* image) {
    if (!image) return;
    DrawImageBox(Rect(0, 0, image->width, image->height), destRect, image);
}

void Graphics::DrawImageBox(const Rect& src, const Rect& dest, Image* image) {
    if (!image) return;
    // Worked in 64 bits: the sums of huge rects must not wrap.
    using ll = long long;
    const ll cw = src.width / 3, ch = src.height / 3;
    const ll mw = src.width - 2 * cw, mh = src.height - 2 * ch;
    const ll dx = dest.x, dy = dest.y, dw = dest.width, dh = dest.height;
    const auto I = ClampToInt;
    const auto draw = [&](Graphics& g, ll x, ll y, ll sx, ll sy, ll w, ll h) {
        g.DrawImage(image, I(x), I(y), Rect(I(sx), I(sy), I(w), I(h)));
    };

    draw(*this, dx, dy, src.x, src.y, cw, ch);
    draw(*this, dx + dw - cw, dy, src.x + cw + mw, src.y, cw, ch);
    draw(*this, dx, dy + dh - ch, src.x, src.y + ch + mh, cw, ch);
    draw(*this, dx + dw - cw, dy + dh - ch, src.x + cw + mw, src.y + ch + mh, cw, ch);

    // A source without a middle column or row has nothing to tile there.
    const ll n = mw > 0 ? (dw - 2 * cw + mw - 1) / mw : 0;
    const ll m = mh > 0 ? (dh - 2 * ch + mh - 1) / mh : 0;

    // Tiles wholly outside the narrowed clip draw nothing: only the range
    // that can meet it is walked.
    const auto visible = [](ll first, ll step, ll count, ll clipStart, ll clipLength, ll& lo, ll& hi) {
        lo = 0;
        hi = count;
        if (count <= 0 || step <= 0) {
            hi = 0;
            return;
        }
        if (clipStart > first) lo = std::max<ll>(0, (clipStart - first) / step - 1);
        hi = std::min<ll>(count, (clipStart + clipLength - first) / step + 1);
        if (hi < lo) hi = lo;
    };

    if (n > 0) {
        Graphics g(*this);
        g.ClipRect(I(dx + cw), I(dy), I(dw - 2 * cw), I(dh));
        ll lo, hi;
        visible(g.TransX(I(dx + cw)), mw, n, g.clipRect.x, g.clipRect.width, lo, hi);
        for (ll i = lo; i < hi; ++i) {
            draw(g, dx + cw + i * mw, dy, src.x + cw, src.y, mw, ch);
            draw(g, dx + cw + i * mw, dy + dh - ch, src.x + cw, src.y + ch + mh, mw, ch);
        }
    }
    if (m > 0) {
        Graphics g(*this);
        g.ClipRect(I(dx), I(dy + ch), I(dw), I(dh - 2 * ch));
        ll lo, hi;
        visible(g.TransY(I(dy + ch)), mh, m, g.clipRect.y, g.clipRect.height, lo, hi);
        for (ll j = lo; j < hi; ++j) {
            draw(g, dx, dy + ch + j * mh, src.x, src.y + ch, cw, mh);
            draw(g, dx + dw - cw, dy + ch + j * mh, src.x + cw + mw, src.y + ch, cw, mh);
        }
    }
    if (n > 0 && m > 0) {
        Graphics g(*this);
        g.ClipRect(I(dx + cw), I(dy + ch), I(dw - 2 * cw), I(dh - 2 * ch));
        ll ilo, ihi, jlo, jhi;
        visible(g.TransX(I(dx + cw)), mw, n, g.clipRect.x, g.clipRect.width, ilo, ihi);
        visible(g.TransY(I(dy + ch)), mh, m, g.clipRect.y, g.clipRect.height, jlo, jhi);
        for (ll i = ilo; i < ihi; ++i)
            for (ll j = jlo; j < jhi; ++j)
                draw(g, dx + cw + i * mw, dy + ch + j * mh, src.x + cw, src.y + ch, mw, mh);
    }
}

// ---------------------------------------------------------------------------
// Text

void Graphics::DrawString(const std::string& text, int x, int y) {
    if (font) font->DrawString(this, x, y, text, color, clipRect);
}

int Graphics::WriteString(const std::string& text, int x, int y, int width, int justification, bool draw,
                          int offset, int length) {
    if (!font) return 0;
    if (draw && (justification == JustifyCentre || justification == JustifyRight)) {
        const long long measured = WriteString(text, x, y, width, justification, false, offset, length);
        const long long room = static_cast<long long>(width) - measured;
        x = ClampToInt(x + (justification == JustifyCentre ? room / 2 : room));
    }
    const long long size = static_cast<long long>(text.size());
    const long long first = std::clamp<long long>(offset, 0, size);
    const long long end =
        (length < 0 || static_cast<long long>(offset) + length > size) ? size : static_cast<long long>(offset) + length;

    std::string piece;
    long long running = 0;
    for (long long i = first; i < end; ++i) {
        const char c = text[static_cast<size_t>(i)];
        if (c != '^' || !writeColoredString) {
            piece += c;
            continue;
        }
        // A doubled caret is one caret, also near the end of the range.
        if (i + 1 < end && text[static_cast<size_t>(i + 1)] == '^') {
            piece += '^';
            ++i;
            continue;
        }
        // A code cut short by the end: neither it nor what follows is written.
        if (i > end - 8) break;
        int rgb[3];
        for (int k = 0; k < 3; ++k)
            rgb[k] = HexDigit(text[static_cast<size_t>(i + 1 + 2 * k)]) * 16 +
                     HexDigit(text[static_cast<size_t>(i + 2 + 2 * k)]);
        if (draw) font->DrawString(this, ClampToInt(x + running), y, piece, color, clipRect);
        color = Color(rgb[0], rgb[1], rgb[2], color.a);
        running += font->StringWidth(piece);
        piece.clear();
        i += 7;
    }
    if (draw) font->DrawString(this, ClampToInt(x + running), y, piece, color, clipRect);
    return ClampToInt(running + font->StringWidth(piece));
}

int Graphics::WriteWordWrapped(const Rect& rect, const std::string& text, int lineSpacing, int justification,
                               int* maxWidth) {
    if (!font) {
        if (maxWidth) *maxWidth = 0;
        return 0;
    }
    const Color saved = color;
    long long yOffset = font->GetAscent() - font->GetAscentPadding();
    if (lineSpacing == -1) lineSpacing = font->GetLineSpacing();
    const long long n = static_cast<long long>(text.size());
    const auto at = [&](long long i) { return text[static_cast<size_t>(i)]; };
    int widest = 0;
    const auto writeLine = [&](long long from, long long count) {
        const int w = WriteString(text, rect.x, ClampToInt(rect.y + yOffset), rect.width, justification, true,
                                  ClampToInt(from), ClampToInt(count));
        widest = std::max(widest, w);
        yOffset += lineSpacing;
    };

    long long s = 0, p = 0, b = -1, w = 0;
    char q = 0;
    while (p < n) {
        const char c = at(p);
        if (c == '^' && writeColoredString && p + 1 < n) {
            // A colour code takes no room; a doubled caret is one caret.
            if (at(p + 1) != '^') {
                p += 8;
                continue;
            }
            ++p;
        }
        if (c == ' ') {
            b = p;
        } else if (c == '\n') {
            w = static_cast<long long>(rect.width) + 1;
            b = p;
            ++p;
        }
        w += font->CharWidthKern(c, q);
        q = c;
        if (w > rect.width) {
            if (b != -1) {
                writeLine(s, b - s);
                p = b + 1;
                if (c != '\n')
                    while (p < n && at(p) == ' ') ++p;
            } else {
                // Every line keeps at least one character.
                if (p < s + 1) ++p;
                writeLine(s, p - s);
            }
            b = -1;
            w = 0;
            q = 0;
            s = p;
        } else {
            ++p;
        }
    }
    if (s < n) writeLine(s, n - s);

    color = saved;
    if (maxWidth) *maxWidth = widest;
    return ClampToInt(yOffset - lineSpacing + font->GetDescent());
}

int Graphics::GetWordWrappedHeight(int width, const std::string& text, int lineSpacing, int* maxWidth) {
    // Default state apart from the font, so colour codes always count as codes.
    Graphics g;
    g.SetFont(font);
    return g.WriteWordWrapped(Rect(0, 0, width, 0), text, lineSpacing, JustifyLeft, maxWidth);
}

}  // namespace Vant
