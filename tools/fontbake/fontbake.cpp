// Bakes one face and pixel size into a white glyph sheet and the font files
// that draw from it.
//
//   fontbake <face.ttf> <pixel size> <sheet.png> [--cyrillic]
//            [--font <file.font>]... [--shadow <file.font>]... [--legacy <file.metrics>]
//
// The sheet is white everywhere with the glyph coverage as alpha, so it
// never holds more than 256 colours and always palettises; the drawing
// colour tints it. A descriptor maps every character to its cell (each cell
// spans the whole line, so the layer's height is the line height); the
// shadow form adds a dark layer one pixel down and right, drawn under the
// glyphs. --legacy writes one strip of cells in listing order with the old
// metrics file instead of a descriptor.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/graphics/ImageLib.h"
#include "platform/Text.h"

namespace {

constexpr int kSheetWidth = 512;

struct Glyph {
    unsigned char ch = 0;
    int advance = 0;
    int left = 0;  // pixels from the pen to the bitmap
    int top = 0;   // pixels from the baseline up to the bitmap's top row
    int bw = 0, bh = 0;  // the bitmap
    std::vector<unsigned char> coverage;
    int w = 0, h = 0;    // the cell on the sheet
    int x = 0, y = 0;  // cell position on the sheet
};

int Ceil26(long v) { return static_cast<int>((v + 63) >> 6); }

class Face {
public:
    Face(const std::string& file, int size) {
        if (FT_Init_FreeType(&lib_) != 0) throw std::runtime_error("the font engine did not start");
        if (FT_New_Face(lib_, file.c_str(), 0, &face_) != 0) throw std::runtime_error(file + ": cannot read the face");
        if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size)) != 0)
            throw std::runtime_error(file + ": no size " + std::to_string(size));
        ascent = Ceil26(face_->size->metrics.ascender);
        height = ascent + Ceil26(-face_->size->metrics.descender);
    }
    ~Face() {
        if (face_) FT_Done_Face(face_);
        if (lib_) FT_Done_FreeType(lib_);
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    Glyph Render(unsigned char ch) {
        const char32_t cp = plat::Cp1251ToCodePoint(ch);
        if (FT_Get_Char_Index(face_, cp) == 0)
            throw std::runtime_error("the face has no glyph for byte " + std::to_string(ch));
        if (FT_Load_Char(face_, cp, FT_LOAD_RENDER) != 0)
            throw std::runtime_error("cannot render byte " + std::to_string(ch));
        const FT_GlyphSlot g = face_->glyph;
        Glyph out;
        out.ch = ch;
        out.advance = static_cast<int>((g->advance.x + 32) >> 6);
        out.left = g->bitmap_left;
        out.top = g->bitmap_top;
        out.bw = static_cast<int>(g->bitmap.width);
        out.bh = static_cast<int>(g->bitmap.rows);
        out.coverage.resize(static_cast<size_t>(out.bw) * out.bh);
        for (int r = 0; r < out.bh; ++r)
            for (int c = 0; c < out.bw; ++c)
                out.coverage[static_cast<size_t>(r) * out.bw + c] = g->bitmap.buffer[r * g->bitmap.pitch + c];
        return out;
    }

    int ascent = 0;
    int height = 0;

private:
    FT_Library lib_ = nullptr;
    FT_Face face_ = nullptr;
};

// A character as the descriptor language reads it back unchanged.
std::string Quoted(unsigned char ch) {
    if (ch == '"') return "'\"'";
    if (ch == '\\') return "\"\\\\\"";
    return std::string("\"") + static_cast<char>(ch) + "\"";
}

void Paint(ImageLib::Image& sheet, const Glyph& g, int cellX, int cellW, int ascent, int height) {
    for (int r = 0; r < g.bh; ++r) {
        const int y = ascent - g.top + r;
        if (y < 0 || y >= height) continue;  // clipped to the line
        for (int c = 0; c < g.bw && c < cellW; ++c) {
            const int x = cellX + c;
            const uint32_t a = g.coverage[static_cast<size_t>(r) * g.bw + c];
            sheet.bits[static_cast<size_t>(g.y + y) * sheet.width + x] = (a << 24) | 0xFFFFFFu;
        }
    }
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
    if (!f.flush()) throw std::runtime_error(path + ": cannot write");
}

std::string BaseName(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Descriptor(const std::vector<Glyph>& glyphs, const Glyph& space, const std::string& sheetName,
                       int ascent, bool shadow) {
    std::ostringstream chars, rects, offsets, all, widths;
    for (const Glyph& g : glyphs) {
        chars << ' ' << Quoted(g.ch);
        rects << " (" << g.x << ", " << g.y << ", " << g.w << ", " << g.h << ')';
        offsets << " (" << g.left << ", 0)";
    }
    all << ' ' << Quoted(space.ch);
    widths << ' ' << space.advance;
    for (const Glyph& g : glyphs) {
        all << ' ' << Quoted(g.ch);
        widths << ' ' << g.advance;
    }
    std::ostringstream d;
    d << "# Baked from DejaVu; the sheet is white, the drawing colour tints it.\n"
      << "Define Chars (" << chars.str().substr(1) << ");\n"
      << "Define Rects (" << rects.str().substr(1) << ");\n"
      << "Define Offsets (" << offsets.str().substr(1) << ");\n"
      << "Define AllChars (" << all.str().substr(1) << ");\n"
      << "Define Widths (" << widths.str().substr(1) << ");\n"
      << "CreateLayer Main;\n"
      << "LayerSetImage Main \"" << sheetName << "\";\n"
      << "LayerSetImageMap Main Chars Rects;\n"
      << "LayerSetCharWidths Main AllChars Widths;\n"
      << "LayerSetCharOffsets Main Chars Offsets;\n"
      << "LayerSetAscent Main " << ascent << ";\n";
    if (shadow)
        d << "CreateLayerFrom Shadow Main;\n"
          << "LayerSetColorMult Shadow (0, 0, 0, 0.6);\n"
          << "LayerSetOffset Shadow (1, 1);\n"
          << "LayerSetBaseOrder Shadow -1;\n";
    return d.str();
}

int Run(const std::vector<std::string>& args) {
    if (args.size() < 3) throw std::runtime_error("usage: fontbake <face.ttf> <pixel size> <sheet.png> [options]");
    const std::string facePath = args[0];
    const int size = std::stoi(args[1]);
    const std::string sheetPath = args[2];
    bool cyrillic = false;
    std::vector<std::string> fonts, shadows;
    std::string legacy;
    for (size_t i = 3; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--cyrillic") cyrillic = true;
        else if (a == "--font" && hasValue) fonts.push_back(args[++i]);
        else if (a == "--shadow" && hasValue) shadows.push_back(args[++i]);
        else if (a == "--legacy" && hasValue) legacy = args[++i];
        else throw std::runtime_error("unknown option " + a);
    }
    if (!legacy.empty() && (cyrillic || !fonts.empty() || !shadows.empty()))
        throw std::runtime_error("the legacy form has one strip of ASCII only");

    std::vector<unsigned char> set;
    for (int c = 33; c <= 126; ++c) set.push_back(static_cast<unsigned char>(c));
    if (cyrillic) {
        set.push_back(0xA8);
        set.push_back(0xB8);
        for (int c = 0xC0; c <= 0xFF; ++c) set.push_back(static_cast<unsigned char>(c));
    }
    Face face(facePath, size);
    const Glyph space = face.Render(' ');
    std::vector<Glyph> glyphs;
    for (unsigned char ch : set) glyphs.push_back(face.Render(ch));

    if (!legacy.empty()) {
        // One strip: each cell is its character's advance wide, in listing order.
        int width = 0;
        for (const Glyph& g : glyphs) width += g.advance;
        ImageLib::Image sheet(width, face.height);
        for (size_t i = 0; i < static_cast<size_t>(width) * face.height; ++i) sheet.bits[i] = 0x00FFFFFFu;
        std::ostringstream m;
        m << space.advance << ' ' << face.ascent << '\n';
        int x = 0;
        for (Glyph& g : glyphs) {
            g.y = 0;
            Paint(sheet, g, x + std::max(0, g.left), g.advance - std::max(0, g.left), face.ascent, face.height);
            m << g.ch << ' ' << g.advance << '\n';
            x += g.advance;
        }
        if (!ImageLib::WritePNGImage(sheetPath, sheet)) throw std::runtime_error(sheetPath + ": cannot write");
        Write(legacy, m.str());
        return 0;
    }

    // Cells in rows across a sheet of fixed width, one pixel apart.
    int x = 1, y = 1;
    for (Glyph& g : glyphs) {
        g.w = std::max(g.bw, 1);
        if (x + g.w + 1 > kSheetWidth) {
            x = 1;
            y += face.height + 1;
        }
        g.x = x;
        g.y = y;
        x += g.w + 1;
    }
    const int sheetHeight = y + face.height + 1;
    ImageLib::Image sheet(kSheetWidth, sheetHeight);
    for (size_t i = 0; i < static_cast<size_t>(kSheetWidth) * sheetHeight; ++i) sheet.bits[i] = 0x00FFFFFFu;
    for (Glyph& g : glyphs) {
        Paint(sheet, g, g.x, g.w, face.ascent, face.height);
        g.h = face.height;
    }
    if (!ImageLib::WritePNGImage(sheetPath, sheet)) throw std::runtime_error(sheetPath + ": cannot write");
    for (const auto& f : fonts) Write(f, Descriptor(glyphs, space, BaseName(sheetPath), face.ascent, false));
    for (const auto& f : shadows) Write(f, Descriptor(glyphs, space, BaseName(sheetPath), face.ascent, true));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fontbake: %s\n", e.what());
        return 1;
    }
}
