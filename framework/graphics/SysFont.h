#pragma once
// A font of the desktop: a face name at a point size (96 dots per inch),
// bold, italic or underlined, measured and drawn by the platform's system
// fonts. Text is drawn with its baseline at y, the top of its cell at
// y - ascent + 1.
#include <memory>
#include <string>

#include "framework/graphics/Font.h"

namespace plat {
class SystemFont;
}

namespace Vant {

class GraphicsApp;

class SysFont : public Font {
public:
    // The character set is not used: text is Windows-1251. A face that
    // cannot be opened is reported through the application's pop-up and
    // leaves a font that measures 0 and draws nothing.
    SysFont(GraphicsApp* app, const std::string& faceName, int pointSize, int charSet = 0, bool bold = false,
            bool italic = false, bool underline = false);
    SysFont(const SysFont& other);
    SysFont& operator=(const SysFont&) = delete;
    ~SysFont() override;

    int StringWidth(const std::string& text) override;
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                    const Rect& clipRect) override;
    Font* Duplicate() override;

    bool IsOpen() const { return font_ != nullptr; }

    GraphicsApp* mApp;

private:
    void Open();

    std::string face_;
    int pixelSize_ = 0;
    bool bold_ = false, italic_ = false, underline_ = false;
    std::unique_ptr<plat::SystemFont> font_;
};

}  // namespace Vant
