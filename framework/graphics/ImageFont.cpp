#include "framework/graphics/ImageFont.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/GraphicsApp.h"
#include "framework/graphics/MemoryImage.h"

namespace Vant {

namespace {

// Rescaled glyph atlases larger than this are not built: the layer then
// draws nothing rather than exhausting memory on an absurd size.
constexpr long long kMaxAtlasPixels = 1LL << 24;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Truncation toward zero that stays inside int.
int Trunc(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

int Clamp(long long v) { return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, v))); }

int Channel(long long v) { return static_cast<int>(std::max<long long>(0, std::min<long long>(255, v))); }

Image* CopyImage(GraphicsApp* app, Image* image) {
    if (!app) app = GetGraphicsApp();
    if (app) return app->DuplicateImage(image);
    auto* copy = new MemoryImage(static_cast<GraphicsApp*>(nullptr));
    if (auto* mem = dynamic_cast<MemoryImage*>(image)) copy->SetBits(mem->GetBits(), image->width, image->height);
    return copy;
}

// One glyph placed by DrawStringEx.
struct Glyph {
    Image* image;
    int x, y;
    Rect src;
    int drawMode;
    Color color;
    int order;
};

}  // namespace

// ---- active layers ----

ActiveFontLayer::ActiveFontLayer(const ActiveFontLayer& other)
    : mBaseFontLayer(other.mBaseFontLayer), mScaledImage(other.mScaledImage), mOwnsImage(other.mOwnsImage) {
    if (mOwnsImage && mScaledImage)
        mScaledImage = CopyImage(mBaseFontLayer ? mBaseFontLayer->mFontData->mApp : nullptr, other.mScaledImage);
    std::copy(std::begin(other.mScaledCharImageRects), std::end(other.mScaledCharImageRects), mScaledCharImageRects);
}

// Assignment copies as construction does: two layers sharing an owned image
// would delete it twice.
ActiveFontLayer& ActiveFontLayer::operator=(const ActiveFontLayer& other) {
    if (this == &other) return *this;
    ActiveFontLayer copy(other);
    std::swap(mBaseFontLayer, copy.mBaseFontLayer);
    std::swap(mScaledImage, copy.mScaledImage);
    std::swap(mOwnsImage, copy.mOwnsImage);
    std::swap(mScaledCharImageRects, copy.mScaledCharImageRects);
    return *this;
}

ActiveFontLayer::~ActiveFontLayer() {
    if (mOwnsImage) delete mScaledImage;
}

// ---- construction ----

ImageFont::ImageFont(GraphicsApp* app, const std::string& fontDescFileName) : mFontData(new FontData) {
    mFontData->mRefCount = 1;
    mFontData->Load(app, fontDescFileName);
    mPointSize = mFontData->mDefaultPointSize;
    GenerateActiveFontLayers();
    mActiveListValid = true;
}

ImageFont::ImageFont(Image* fontImage, const std::string& metricsFileName) : mFontData(new FontData) {
    mFontData->mRefCount = 1;
    mFontData->LoadLegacy(fontImage, metricsFileName);
    mPointSize = mFontData->mDefaultPointSize;
    GenerateActiveFontLayers();
    mActiveListValid = true;
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other),
      mFontData(other.mFontData),
      mPointSize(other.mPointSize),
      mTagVector(other.mTagVector),
      mActiveListValid(other.mActiveListValid),
      mScale(other.mScale),
      mForceScaledImagesWhite(other.mForceScaledImagesWhite) {
    ++mFontData->mRefCount;
    if (mActiveListValid) mActiveLayerList = other.mActiveLayerList;
}

ImageFont::~ImageFont() {
    mActiveLayerList.clear();
    if (--mFontData->mRefCount == 0) delete mFontData;
}

Font* ImageFont::Duplicate() { return new ImageFont(*this); }

// ---- settings ----

void ImageFont::SetPointSize(int pointSize) {
    mPointSize = pointSize;
    mActiveListValid = false;
}
int ImageFont::GetPointSize() { return mPointSize; }
void ImageFont::SetScale(double scale) {
    mScale = scale;
    mActiveListValid = false;
}
int ImageFont::GetDefaultPointSize() { return mFontData->mDefaultPointSize; }

bool ImageFont::HasTag(const std::string& tag) {
    return std::find(mTagVector.begin(), mTagVector.end(), Upper(tag)) != mTagVector.end();
}

bool ImageFont::AddTag(const std::string& tag) {
    if (HasTag(tag)) return false;
    mTagVector.push_back(Upper(tag));
    mActiveListValid = false;
    return true;
}

bool ImageFont::RemoveTag(const std::string& tag) {
    const auto it = std::find(mTagVector.begin(), mTagVector.end(), Upper(tag));
    if (it == mTagVector.end()) return false;
    mTagVector.erase(it);
    mActiveListValid = false;
    return true;
}

std::string ImageFont::GetDefine(const std::string& name) {
    const DataElement* e = mFontData->FindDefine(name);
    return e ? DescParser::DataElementToString(*e) : std::string();
}

void ImageFont::Prepare() {
    if (mActiveListValid) return;
    GenerateActiveFontLayers();
    mActiveListValid = true;
}

// ---- active layer generation ----

void ImageFont::GenerateActiveFontLayers() {
    if (!mFontData->mInitialized) return;
    mActiveLayerList.clear();
    ascent = ascentPadding = height = lineSpacingOffset = 0;
    bool first = true;
    for (FontLayer& layer : mFontData->mFontLayerList) {
        if (mPointSize < layer.mMinPointSize) continue;
        if (layer.mMaxPointSize != -1 && mPointSize > layer.mMaxPointSize) continue;
        bool ok = true;
        for (const std::string& t : layer.mRequiredTags)
            if (std::find(mTagVector.begin(), mTagVector.end(), t) == mTagVector.end()) ok = false;
        for (const std::string& t : mTagVector)
            if (std::find(layer.mExcludedTags.begin(), layer.mExcludedTags.end(), t) != layer.mExcludedTags.end())
                ok = false;
        if (!ok) continue;

        mActiveLayerList.emplace_back();
        ActiveFontLayer& active = mActiveLayerList.back();
        active.mBaseFontLayer = &layer;
        double f = 1.0;
        if (mScale == 1.0 && (layer.mPointSize == 0 || layer.mPointSize == mPointSize)) {
            active.mScaledImage = layer.mImage.GetImage();
            active.mOwnsImage = false;
            for (int c = 0; c < 256; ++c) active.mScaledCharImageRects[c] = layer.mCharData[c].mImageRect;
        } else {
            f = layer.mPointSize != 0 ? mPointSize * mScale / layer.mPointSize : mScale;
            long long totalWidth = 0;
            int maxHeight = 0;
            for (int c = 0; c < 256; ++c) {
                const Rect& r = layer.mCharData[c].mImageRect;
                const int w = std::max(0, Trunc(r.width * f)), h = std::max(0, Trunc(r.height * f));
                active.mScaledCharImageRects[c] = Rect(Clamp(totalWidth), 0, w, h);
                totalWidth += w;
                maxHeight = std::max(maxHeight, h);
            }
            Image* source = layer.mImage.GetImage();
            if (source && totalWidth * maxHeight <= kMaxAtlasPixels) {
                auto* atlas = new MemoryImage(mFontData->mApp ? mFontData->mApp : GetGraphicsApp());
                atlas->Create(static_cast<int>(totalWidth), maxHeight);
                atlas->Clear();
                {
                    Graphics g(atlas);
                    for (int c = 0; c < 256; ++c) {
                        const Rect& d = active.mScaledCharImageRects[c];
                        if (d.width > 0 && d.height > 0) g.DrawImage(source, d, layer.mCharData[c].mImageRect);
                    }
                }
                if (mForceScaledImagesWhite) {
                    uint32_t* bits = atlas->GetBits();
                    for (size_t i = 0; i < atlas->PixelCount(); ++i) bits[i] |= 0x00FFFFFFu;
                    atlas->BitsChanged();
                }
                atlas->Palletize();
                active.mScaledImage = atlas;
                active.mOwnsImage = true;
            }
        }
        const int layerAscent = Trunc(layer.mAscent * f);
        const int layerHeight = Trunc((layer.mHeight != 0 ? layer.mHeight : layer.mDefaultHeight) * f);
        const int layerPadding = Trunc(layer.mAscentPadding * f);
        const int layerSpacing = Trunc(layer.mLineSpacingOffset * f);
        ascent = std::max(ascent, layerAscent);
        height = std::max(height, layerHeight);
        ascentPadding = first ? layerPadding : std::min(ascentPadding, layerPadding);
        lineSpacingOffset = first ? layerSpacing : std::max(lineSpacingOffset, layerSpacing);
        first = false;
    }
}

// ---- measuring ----

int ImageFont::CharWidthKern(char c, char previous) {
    Prepare();
    const double s = mPointSize * mScale;
    const uint8_t ch = mFontData->mCharMap[static_cast<unsigned char>(c)];
    const uint8_t prev = mFontData->mCharMap[static_cast<unsigned char>(previous)];
    int best = 0;
    for (const ActiveFontLayer& active : mActiveLayerList) {
        const FontLayer& layer = *active.mBaseFontLayer;
        const double f = layer.mPointSize != 0 ? s / layer.mPointSize : mScale;
        const int width = Trunc(layer.mCharData[ch].mWidth * f);
        int kern = 0;
        if (previous != 0)
            kern = Trunc((static_cast<double>(layer.mCharData[prev].mKerningOffsets[ch]) + layer.mSpacing) * f);
        best = std::max(best, Clamp(static_cast<long long>(kern) + width));
    }
    return best;
}

int ImageFont::CharWidth(char c) { return CharWidthKern(c, 0); }

int ImageFont::StringWidth(const std::string& text) {
    long long width = 0;
    char previous = 0;
    for (char c : text) {
        width += CharWidthKern(c, previous);
        previous = c;
    }
    return Clamp(width);
}

// ---- drawing ----

void ImageFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                           const Rect& clipRect) {
    DrawStringEx(g, x, y, text, color, clipRect, nullptr, nullptr);
}

// The glyphs go into a buffer of this call, so any length draws whole and
// no lock is needed; a stable sort by order keeps text order within one
// order, and layer order within one character.
void ImageFont::DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color,
                             const Rect&, std::list<Rect>* drawnRects, int* width) {
    if (drawnRects) drawnRects->clear();
    if (!mFontData->mInitialized) {
        if (width) *width = 0;
        return;
    }
    Prepare();
    std::vector<Glyph> glyphs;
    glyphs.reserve(text.size() * mActiveLayerList.size());
    long long pen = x;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const uint8_t c = mFontData->mCharMap[static_cast<unsigned char>(text[i])];
        const uint8_t next = i + 1 < text.size() ? mFontData->mCharMap[static_cast<unsigned char>(text[i + 1])] : 0;
        long long nextPen = pen;
        for (const ActiveFontLayer& active : mActiveLayerList) {
            const FontLayer& layer = *active.mBaseFontLayer;
            const CharData& cd = layer.mCharData[c];
            const double s = layer.mPointSize != 0 ? mScale * mPointSize / layer.mPointSize : mScale;
            long long gx, gy, advance, kern = 0;
            if (s == 1.0) {
                gx = static_cast<long long>(cd.mOffsetX) + layer.mOffsetX + pen;
                gy = static_cast<long long>(cd.mOffsetY) - layer.mAscent + layer.mOffsetY + y;
                advance = cd.mWidth;
                if (next != 0) kern = static_cast<long long>(cd.mKerningOffsets[next]) + layer.mSpacing;
            } else {
                gx = Trunc((static_cast<double>(cd.mOffsetX) + layer.mOffsetX) * s) + pen;
                gy = y - static_cast<long long>(
                             Trunc((static_cast<double>(layer.mAscent) - cd.mOffsetY - layer.mOffsetY) * s));
                advance = Trunc(cd.mWidth * s);
                if (next != 0) kern = Trunc((static_cast<double>(cd.mKerningOffsets[next]) + layer.mSpacing) * s);
            }
            Glyph glyph;
            glyph.image = active.mScaledImage;
            glyph.x = Clamp(gx);
            glyph.y = Clamp(gy);
            glyph.src = active.mScaledCharImageRects[c];
            glyph.drawMode = layer.mDrawMode;
            // Below 0 a channel would spill into its neighbour when packed.
            auto channel = [](int mult, int col, int add) {
                return Channel(static_cast<long long>(mult) * col / 255 + add);
            };
            glyph.color = Color(channel(layer.mColorMult.r, color.r, layer.mColorAdd.r),
                                channel(layer.mColorMult.g, color.g, layer.mColorAdd.g),
                                channel(layer.mColorMult.b, color.b, layer.mColorAdd.b),
                                channel(layer.mColorMult.a, color.a, layer.mColorAdd.a));
            glyph.order = Channel(static_cast<long long>(cd.mOrder) + layer.mBaseOrder + 128);
            glyphs.push_back(glyph);
            if (drawnRects) drawnRects->push_back(Rect(glyph.x, glyph.y, glyph.src.width, glyph.src.height));
            nextPen = std::max(nextPen, pen + advance + kern);
        }
        pen = std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, nextPen));
    }
    if (width) *width = Clamp(pen - x);

    std::stable_sort(glyphs.begin(), glyphs.end(), [](const Glyph& a, const Glyph& b) { return a.order < b.order; });
    const bool colorize = g->GetColorizeImages();
    const Color oldColor = g->GetColor();
    g->SetColorizeImages(true);
    for (const Glyph& glyph : glyphs) {
        if (!glyph.image) continue;
        const int oldMode = g->GetDrawMode();
        if (glyph.drawMode != -1) g->SetDrawMode(glyph.drawMode);
        g->SetColor(glyph.color);
        g->DrawImage(glyph.image, glyph.x, glyph.y, glyph.src);
        g->SetDrawMode(oldMode);
    }
    g->SetColor(oldColor);
    g->SetColorizeImages(colorize);
}

}  // namespace Vant
