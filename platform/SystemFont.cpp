#include "platform/SystemFont.h"

#include "platform/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>

namespace plat {

namespace {

const char kFontDir[] = "/usr/share/fonts/truetype/dejavu/";

std::string Lower(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

// 26.6 fixed point to whole pixels, rounded up.
int CeilPixels(long v) { return static_cast<int>((v + 63) >> 6); }

}  // namespace

std::string SystemFontFile(const std::string& face, bool bold, bool italic) {
    const std::string f = Lower(face);
    std::string family = "DejaVuSans";
    const char* slant = "Oblique";
    if (f == "courier new" || f == "courier") {
        family = "DejaVuSansMono";
    } else if (f == "times new roman") {
        family = "DejaVuSerif";
        slant = "Italic";  // the serif family names its slanted files so
    }
    std::string style;
    if (bold) style += "Bold";
    if (italic) style += slant;
    return kFontDir + family + (style.empty() ? "" : "-" + style) + ".ttf";
}

struct SystemFont::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool underline = false;
    ~Impl() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

SystemFont::SystemFont(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
    const FT_Size_Metrics& m = impl_->face->size->metrics;
    ascent_ = CeilPixels(m.ascender);
    height_ = ascent_ + CeilPixels(-m.descender);
}

SystemFont::~SystemFont() = default;

std::unique_ptr<SystemFont> SystemFont::Open(const std::string& face, int pixelSize, bool bold, bool italic,
                                             bool underline, std::string* error) {
    auto impl = std::make_unique<Impl>();
    const std::string file = SystemFontFile(face, bold, italic);
    if (FT_Init_FreeType(&impl->library) != 0) {
        if (error) *error = "The font engine could not start";
        return nullptr;
    }
    if (FT_New_Face(impl->library, file.c_str(), 0, &impl->face) != 0) {
        if (error) *error = "Cannot read the font file " + file + " for the face \"" + face + "\"";
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(impl->face, 0, static_cast<FT_UInt>(std::max(1, pixelSize))) != 0) {
        if (error) *error = "The font " + file + " has no size " + std::to_string(pixelSize);
        return nullptr;
    }
    impl->underline = underline;
    return std::unique_ptr<SystemFont>(new SystemFont(std::move(impl)));
}

int SystemFont::MeasureText(std::string_view cp1251) const {
    long width = 0;
    for (char ch : cp1251) {
        if (FT_Load_Char(impl_->face, Cp1251ToCodePoint(static_cast<unsigned char>(ch)), FT_LOAD_DEFAULT) != 0)
            continue;
        width += impl_->face->glyph->advance.x;
    }
    return static_cast<int>(width >> 6);
}

void SystemFont::DrawText(uint32_t* bits, int pitchPixels, int width, int height, const Rect& clip, int x, int top,
                          std::string_view cp1251, uint32_t rgb) const {
    const int cx0 = std::max(0, clip.x), cy0 = std::max(0, clip.y);
    const int cx1 = std::min(width, clip.x + clip.w), cy1 = std::min(height, clip.y + clip.h);
    if (cx0 >= cx1 || cy0 >= cy1) return;
    const uint32_t sr = (rgb >> 16) & 0xFF, sg = (rgb >> 8) & 0xFF, sb = rgb & 0xFF;
    auto blend = [&](int px, int py, unsigned cover) {
        if (px < cx0 || px >= cx1 || py < cy0 || py >= cy1 || cover == 0) return;
        uint32_t& d = bits[static_cast<size_t>(py) * pitchPixels + px];
        auto mix = [cover](uint32_t dst, uint32_t src) { return (dst * (255 - cover) + src * cover + 127) / 255; };
        const uint32_t a = mix(d >> 24, 255), r = mix((d >> 16) & 0xFF, sr), g = mix((d >> 8) & 0xFF, sg),
                       b = mix(d & 0xFF, sb);
        d = (a << 24) | (r << 16) | (g << 8) | b;
    };

    const int baseline = top + ascent_;
    long pen = static_cast<long>(x) << 6;
    for (char ch : cp1251) {
        FT_Face face = impl_->face;
        if (FT_Load_Char(face, Cp1251ToCodePoint(static_cast<unsigned char>(ch)), FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        const int gx = static_cast<int>(pen >> 6) + g->bitmap_left;
        const int gy = baseline - g->bitmap_top;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            for (unsigned row = 0; row < bm.rows; ++row) {
                const unsigned char* src = bm.buffer + static_cast<long>(row) * bm.pitch;
                for (unsigned col = 0; col < bm.width; ++col)
                    blend(gx + static_cast<int>(col), gy + static_cast<int>(row), src[col] * 255u / (bm.num_grays - 1));
            }
        }
        pen += g->advance.x;
    }
    if (impl_->underline) {
        const FT_Face face = impl_->face;
        const long pos = FT_MulFix(face->underline_position, face->size->metrics.y_scale);
        const long thick = FT_MulFix(face->underline_thickness, face->size->metrics.y_scale);
        const int ly = baseline - static_cast<int>((pos + 32) >> 6);
        const int lh = std::max(1, static_cast<int>((thick + 32) >> 6));
        const int x1 = static_cast<int>(pen >> 6);
        for (int yy = ly; yy < ly + lh; ++yy)
            for (int xx = x; xx < x1; ++xx) blend(xx, yy, 255);
    }
}

}  // namespace plat
