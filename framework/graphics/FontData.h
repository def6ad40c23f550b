#pragma once
// The parsed data of an image font: layers of glyph pictures cut from
// images, with per-character rectangles, offsets, widths, kerning and draw
// order, and per-layer colours, metrics, point ranges and tags. It is filled
// by a font descriptor (the command language of DescParser) or by the strip
// loader (one image and a small metrics file), and shared by every image
// font made from it.
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/graphics/DescParser.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Rect.h"

namespace Vant {

class FontData;
class GraphicsApp;

struct CharData {
    Rect mImageRect;
    int mOffsetX = 0, mOffsetY = 0;
    // By the (mapped) byte of the character that follows.
    int8_t mKerningOffsets[256] = {};
    int mWidth = 0;
    int mOrder = 0;
};

class FontLayer {
public:
    explicit FontLayer(FontData* owner) : mFontData(owner) {}

    FontData* mFontData;
    std::vector<std::string> mRequiredTags;
    std::vector<std::string> mExcludedTags;
    CharData mCharData[256];
    Color mColorMult{255, 255, 255, 255};
    Color mColorAdd{0, 0, 0, 0};
    SharedImageRef mImage;
    int mDrawMode = -1;  // -1 keeps the drawing context's mode
    int mOffsetX = 0, mOffsetY = 0;
    int mSpacing = 0;
    int mMinPointSize = -1;
    int mMaxPointSize = -1;  // -1: no upper limit
    int mPointSize = 0;      // 0: never rescaled for the font's size
    int mAscent = 0;
    int mAscentPadding = 0;
    int mHeight = 0;  // 0: mDefaultHeight stands for it
    int mDefaultHeight = 0;
    int mLineSpacingOffset = 0;
    int mBaseOrder = 0;
};

class FontData : public DescParser {
public:
    // A define may not grow beyond this many elements: "Define" can double
    // a value on every line.
    static constexpr std::size_t kMaxDefineElements = 1 << 16;

    FontData();
    ~FontData() override;

    // Shows the error header, the message and, while a command runs, its
    // line number and text through the application's pop-up; always false.
    bool Error(const std::string& message) override;
    bool HandleCommand(const ListDataElement& params) override;

    // False, touching nothing, once loaded; otherwise parses the descriptor
    // (mInitialized tells whether it loaded cleanly) and answers true.
    bool Load(GraphicsApp* app, const std::string& fileName);
    // One layer from a strip image (not owned) and its metrics file.
    bool LoadLegacy(Image* image, const std::string& metricsFileName);
    // The layer a single element names; "Undefined Layer" when none.
    bool GetLayerFromDataElement(const DataElement& element, FontLayer** layer);

    bool mInitialized = false;
    int mRefCount = 0;
    GraphicsApp* mApp = nullptr;
    int mDefaultPointSize = 0;
    uint8_t mCharMap[256];
    // Layers never move once made; the map points into the list.
    std::list<FontLayer> mFontLayerList;
    std::map<std::string, FontLayer*> mFontLayerMap;
    std::string mSourceFile;
    std::string mFontErrorHeader;
    // Values that were kept but look wrong (also logged).
    std::vector<std::string> mWarnings;

private:
    bool Warn(const std::string& text);
};

// Places a path relative to a folder: ".." and "." parts are resolved
// against the folder, a path with a drive comes back unchanged, and the
// result uses "\" when either input does, else "/".
std::string GetPathFrom(const std::string& relPath, const std::string& dir);

}  // namespace Vant
