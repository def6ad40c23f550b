#pragma once
// Image files: TGA and GIF read by our own decoders, PNG and JPEG read and
// written through the installed libraries. Pixels are 0xAARRGGBB words, rows
// from the top.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ImageLib {

class Image {
public:
    Image() = default;
    Image(int w, int h);  // zeroed pixels
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    Image(Image&&) = default;
    virtual ~Image() = default;

    int width = 0;
    int height = 0;
    std::unique_ptr<uint32_t[]> bits;
};

using ImagePtr = std::unique_ptr<Image>;

// Finds the file by its extension (".tga", ".jpg", ".png", ".gif" in this
// order when the name has none; one of them, in any case, reads only with
// its own reader; any other reads nothing). With lookForAlpha the alpha
// companion "_" + name (or name + "_") is merged: its blue channel becomes
// the alpha of a colour image of the same size, or, alone, the alpha of an
// image in the alpha-only colour.
ImagePtr GetImage(const std::string& fileName, bool lookForAlpha = true);

ImagePtr GetTGAImage(const std::string& fileName);
ImagePtr GetGIFImage(const std::string& fileName);
ImagePtr GetPNGImage(const std::string& fileName);
ImagePtr GetJPEGImage(const std::string& fileName);

// The same on bytes already in memory.
ImagePtr DecodeTGA(const uint8_t* data, size_t size);
ImagePtr DecodeGIF(const uint8_t* data, size_t size);
ImagePtr DecodePNG(const uint8_t* data, size_t size);
ImagePtr DecodeJPEG(const uint8_t* data, size_t size);

// A PNG with alpha (8 bits a channel); a JPEG at quality 80, alpha dropped.
// False when the file cannot be written or the library fails.
bool WritePNGImage(const std::string& fileName, const Image& image);
bool WriteJPEGImage(const std::string& fileName, const Image& image);

// Colour (0xRRGGBB) of an image made from an alpha companion alone.
uint32_t GetAlphaOnlyColor();
void SetAlphaOnlyColor(uint32_t rgb);

// Files that declare more pixels than this are refused before anything is
// allocated.
size_t GetPixelLimit();
void SetPixelLimit(size_t pixels);

}  // namespace ImageLib
