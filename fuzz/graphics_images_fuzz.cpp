// Feeds arbitrary bytes to every image reader: as a TGA, GIF, PNG and JPEG
// file, and through the loader as a colour image with its alpha companion
// and as a companion alone.
#include "framework/graphics/ImageLib.h"
#include "support/FuzzScratch.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Every image a reader gives must hold all of its pixels.
void Touch(const ImageLib::ImagePtr& img) {
    if (!img) return;
    if (img->width <= 0 || img->height <= 0 || !img->bits) std::abort();
    const size_t n = static_cast<size_t>(img->width) * static_cast<size_t>(img->height);
    volatile uint32_t sum = 0;
    sum = sum + img->bits[0] + img->bits[n - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Large declared sizes are refused, not allocated, past this.
    ImageLib::SetPixelLimit(size_t{1} << 20);
    Touch(ImageLib::DecodeTGA(data, size));
    Touch(ImageLib::DecodeGIF(data, size));
    Touch(ImageLib::DecodePNG(data, size));
    Touch(ImageLib::DecodeJPEG(data, size));

    static fuzzsupport::ScratchDir scratch("graphics_images");
    // The same bytes as image and companion, in each format's name.
    static const char* const exts[] = {".tga", ".jpg", ".png", ".gif"};
    const char* ext = exts[size ? data[size / 2] % 4 : 0];
    const std::string image = scratch.file(std::string("img") + ext);
    const std::string companion = scratch.file(std::string("_img") + ext);
    const std::string solo = scratch.file(std::string("_solo") + ext);
    fuzzsupport::write_input(image, data, size);
    fuzzsupport::write_input(companion, data, size);
    fuzzsupport::write_input(solo, data, size);
    Touch(ImageLib::GetImage(image, true));
    Touch(ImageLib::GetImage(scratch.file("solo"), true));
    return 0;
}
