#pragma once
// The desktop's fonts, drawn with FreeType from the installed DejaVu files:
// a face name of the game picks a family, bold and italic pick its variants,
// and text (Windows-1251 bytes) is measured and blended antialiased into
// 32-bit ARGB pixels.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Window.h"

namespace plat {

// The font file for a face name, compared without regard to case; a face
// not known takes the sans-serif family.
std::string SystemFontFile(const std::string& face, bool bold, bool italic);

class SystemFont {
public:
    // None, with the reason in *error, when the face's file cannot be read.
    static std::unique_ptr<SystemFont> Open(const std::string& face, int pixelSize, bool bold, bool italic,
                                            bool underline, std::string* error);
    ~SystemFont();
    SystemFont(const SystemFont&) = delete;
    SystemFont& operator=(const SystemFont&) = delete;

    // Above the baseline, and above plus below it, in whole pixels rounded up.
    int Ascent() const { return ascent_; }
    int Height() const { return height_; }
    int MeasureText(std::string_view cp1251) const;
    // Draws with the top of the text cell at top (the baseline lies Ascent()
    // below it), touching only pixels inside both the image and clip.
    void DrawText(uint32_t* bits, int pitchPixels, int width, int height, const Rect& clip, int x, int top,
                  std::string_view cp1251, uint32_t rgb) const;

private:
    struct Impl;
    explicit SystemFont(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    int ascent_ = 0;
    int height_ = 0;
};

}  // namespace plat
