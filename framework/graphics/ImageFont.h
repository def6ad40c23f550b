#pragma once
// Bitmap fonts drawn from glyph pictures. An image font shares one
// reference-counted FontData with its copies; for its point size, scale and
// tags it picks the layers that apply (its active layers), rescaling their
// glyph pictures when needed, and draws a string by placing every glyph of
// every active layer and then drawing them in order of their draw-order
// numbers, so a shadow layer lies under the fill of every character.
#include <list>
#include <string>
#include <vector>

#include "framework/graphics/Font.h"
#include "framework/graphics/FontData.h"

namespace Vant {

class GraphicsApp;
class Image;

class ActiveFontLayer {
public:
    ActiveFontLayer() = default;
    // A copy owns a duplicate of an owned image.
    ActiveFontLayer(const ActiveFontLayer& other);
    ActiveFontLayer& operator=(const ActiveFontLayer& other);
    virtual ~ActiveFontLayer();

    FontLayer* mBaseFontLayer = nullptr;
    Image* mScaledImage = nullptr;
    bool mOwnsImage = false;
    Rect mScaledCharImageRects[256];
};

class ImageFont : public Font {
public:
    // A font from a descriptor file; a descriptor that fails leaves the
    // data uninitialised (and the font without layers).
    ImageFont(GraphicsApp* app, const std::string& fontDescFileName);
    // A one-layer font from a strip image (not owned) and its metrics file.
    ImageFont(Image* fontImage, const std::string& metricsFileName);
    ImageFont(const ImageFont& other);
    ImageFont& operator=(const ImageFont&) = delete;
    ~ImageFont() override;

    int StringWidth(const std::string& text) override;
    int CharWidth(char c) override;
    int CharWidthKern(char c, char previous) override;
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                    const Rect& clipRect) override;
    Font* Duplicate() override;

    virtual void GenerateActiveFontLayers();
    // With drawnRects, the rectangle of every glyph placed; with width, the
    // advance of the whole text.
    virtual void DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color,
                              const Rect& clipRect, std::list<Rect>* drawnRects, int* width);
    virtual void SetPointSize(int pointSize);
    virtual int GetPointSize();
    virtual void SetScale(double scale);
    virtual int GetDefaultPointSize();
    // Tags are kept and compared upper-cased.
    virtual bool AddTag(const std::string& tag);
    virtual bool RemoveTag(const std::string& tag);
    virtual bool HasTag(const std::string& tag);
    virtual std::string GetDefine(const std::string& name);
    virtual void Prepare();

    FontData* mFontData;
    int mPointSize = 0;
    std::vector<std::string> mTagVector;
    bool mActiveListValid = false;
    std::list<ActiveFontLayer> mActiveLayerList;
    double mScale = 1.0;
    bool mForceScaledImagesWhite = false;
};

}  // namespace Vant
