#pragma once
// The drawing context: one destination image plus the drawing state (a
// float translation, a clip in destination coordinates, colour, font, draw
// mode and four switches). Each operation translates and clips its
// arguments and hands them to one primitive of the destination image.
// States can be saved on a stack; a copy gets its own translation and clip
// and an empty stack, for drawing children without disturbing the parent.
#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Rect.h"

#include <list>
#include <string>

namespace Vant {

class Font;
class Matrix3;
class Transform;

struct GraphicsState {
    Image* destImage = nullptr;  // not owned
    float transX = 0.0f;
    float transY = 0.0f;
    Rect clipRect;  // destination coordinates, translation applied
    Color color = Color(0, 0, 0, 255);
    Font* font = nullptr;  // not owned, may be null
    int drawMode = DrawModeNormal;
    bool colorizeImages = false;  // image draws pass `color`, else white
    bool fastStretch = false;
    bool writeColoredString = true;  // "^RRGGBB^" codes in WriteString
    bool linearBlend = false;        // filtering of matrix draws
};

// Justification of WriteString and WriteWordWrapped.
enum : int { JustifyCentre = 0, JustifyRight = 1, JustifyLeft = -1 };

class Graphics : public GraphicsState {
public:
    // A null destination draws into an empty image, so everything is
    // clipped away.
    explicit Graphics(Image* destination = nullptr);
    // Copies the state only; the copy's stack starts empty.
    Graphics(const Graphics& other);
    Graphics& operator=(const Graphics& other);
    virtual ~Graphics();

    // A new copy of this one; the caller owns it.
    Graphics* Create() const;
    void PushState();
    // Nothing on an empty stack.
    void PopState();

    void SetFont(Font* f) { font = f; }
    Font* GetFont() const { return font; }
    void SetColor(const Color& c) { color = c; }
    const Color& GetColor() const { return color; }
    void SetDrawMode(int mode) { drawMode = mode; }
    int GetDrawMode() const { return drawMode; }
    void SetColorizeImages(bool on) { colorizeImages = on; }
    bool GetColorizeImages() const { return colorizeImages; }
    void SetFastStretch(bool on) { fastStretch = on; }
    bool GetFastStretch() const { return fastStretch; }
    void SetLinearBlend(bool on) { linearBlend = on; }
    bool GetLinearBlend() const { return linearBlend; }
    void SetWriteColoredString(bool on) { writeColoredString = on; }
    bool GetWriteColoredString() const { return writeColoredString; }

    void Translate(int dx, int dy);
    // Intersects the clip with the translated rect: the clip only shrinks.
    void ClipRect(int x, int y, int w, int h);

    // Shapes.
    void FillRect(int x, int y, int w, int h);
    void FillRect(const Rect& r) { FillRect(r.x, r.y, r.width, r.height); }
    // Outline covering w + 1 by h + 1 pixels.
    void DrawRect(int x, int y, int w, int h);
    void DrawRect(const Rect& r) { DrawRect(r.x, r.y, r.width, r.height); }
    void DrawLine(int x1, int y1, int x2, int y2);

    // Images.
    void DrawImage(Image* image, int x, int y);
    // Nothing when the source rect leaves the image.
    void DrawImage(Image* image, int x, int y, const Rect& srcRect);
    // The whole image stretched to (x, y, w, h).
    void DrawImage(Image* image, int x, int y, int w, int h);
    void DrawImage(Image* image, const Rect& destRect, const Rect& srcRect);
    void DrawImageF(Image* image, float x, float y);
    void DrawImageF(Image* image, float x, float y, const Rect& srcRect);
    // Angles in radians; the centre is relative to the source rect's origin;
    // a null source rect means the whole image.
    void DrawImageRotatedF(Image* image, float x, float y, double angle, float centreX, float centreY,
                           const Rect* srcRect = nullptr);
    // About the centre of the source rect.
    void DrawImageRotated(Image* image, float x, float y, double angle, const Rect* srcRect = nullptr);
    void DrawImageRotated(Image* image, int x, int y, double angle, const Rect* srcRect = nullptr);
    void DrawImageRotated(Image* image, int x, int y, double angle, int centreX, int centreY,
                          const Rect* srcRect = nullptr);
    void DrawImageMatrix(Image* image, const Matrix3& matrix, const Rect& srcRect, float x, float y);
    // Centres the source rect on (x, y) through the transform.
    void DrawImageTransformF(Image* image, Transform& transform, const Rect& srcRect, float x, float y,
                             bool subPixel);
    void DrawImageTransform(Image* image, Transform& transform, const Rect& srcRect, float x, float y);
    // A frame image stretched to destRect: corners as they are, edges and
    // centre tiled.
    void DrawImageBox(const Rect& srcRect, const Rect& destRect, Image* image);
    void DrawImageBox(const Rect& destRect, Image* image);

    // Text. A font must be set for all but DrawString.
    void DrawString(const std::string& text, int x, int y);
    // Writes text[offset .. offset + length - 1] (a negative length: to the
    // end) justified within width; returns the written width.
    int WriteString(const std::string& text, int x, int y, int width = -1, int justification = JustifyLeft,
                    bool draw = true, int offset = 0, int length = -1);
    // Returns the height of the block; *maxWidth gets the widest line.
    // lineSpacing -1 takes the font's.
    int WriteWordWrapped(const Rect& rect, const std::string& text, int lineSpacing = -1,
                         int justification = JustifyLeft, int* maxWidth = nullptr);
    int GetWordWrappedHeight(int width, const std::string& text, int lineSpacing = -1, int* maxWidth = nullptr);

    std::list<GraphicsState> stateStack;  // the last element is the top

private:
    // The colour image draws pass.
    const Color& ImageColor() const { return colorizeImages ? color : Color::White; }
    int TransX(int x) const;
    int TransY(int y) const;
    // The destination is the drawing surface of a display drawing in 3D.
    bool DestDrawsThrough3D() const;
};

}  // namespace Vant
