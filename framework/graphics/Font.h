#pragma once
// The abstract font every text draw goes through: four metrics and the
// measuring and drawing operations. Image fonts and system fonts derive
// from it.
#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

#include <string>

namespace Vant {

class Graphics;

class Font {
public:
    Font() = default;
    Font(const Font&) = default;
    Font& operator=(const Font&) = default;
    virtual ~Font();

    virtual int GetAscent() const { return ascent; }
    virtual int GetAscentPadding() const { return ascentPadding; }
    virtual int GetDescent() const { return height - ascent; }
    virtual int GetHeight() const { return height; }
    virtual int GetLineSpacingOffset() const { return lineSpacingOffset; }
    virtual int GetLineSpacing() const { return height + lineSpacingOffset; }

    // Width in pixels of the text.
    virtual int StringWidth(const std::string& text);
    virtual int CharWidth(char c);
    // Width of c when it follows previous (0: nothing before it).
    virtual int CharWidthKern(char c, char previous);
    // Draws with the baseline at y; the Graphics' translation applies.
    virtual void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                            const Rect& clipRect);
    // A new copy; the caller owns it.
    virtual Font* Duplicate() = 0;

    int ascent = 0;
    int ascentPadding = 0;
    int height = 0;
    int lineSpacingOffset = 0;
};

}  // namespace Vant
