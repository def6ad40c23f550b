// Image files: finding them, the alpha companion, our TGA and GIF readers,
// and PNG and JPEG through the libraries.
#include "framework/graphics/ImageLib.h"

#include "support/ImageBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using graphicstest::Gif;
using graphicstest::GifColor;
using graphicstest::GifOptions;
using graphicstest::Tga;
using ImageLib::ImagePtr;

std::vector<uint32_t> Pixels(const ImageLib::Image& img) {
    return std::vector<uint32_t>(img.bits.get(), img.bits.get() + static_cast<size_t>(img.width) * img.height);
}

ImagePtr Decode(ImagePtr (*decode)(const uint8_t*, size_t), const std::string& bytes) {
    return decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

ImageLib::Image Made(int w, int h, const std::vector<uint32_t>& px) {
    ImageLib::Image img(w, h);
    std::copy(px.begin(), px.end(), img.bits.get());
    return img;
}

class ImageFiles : public ::testing::Test {
protected:
    void Put(const std::string& name, const std::string& bytes) { testsupport::write_file(dir.path() / name, bytes); }
    std::string Path(const std::string& name) { return dir.file(name); }
    testsupport::TempDir dir;
};

TEST(Tga, ReadsTopLeft32BitAndRefusesTheRest) {
    const std::vector<uint32_t> px = {0x80112233, 0xFF445566, 0x00778899, 0x12ABCDEF};
    const auto plain = Decode(ImageLib::DecodeTGA, Tga(2, 2, px));
    ASSERT_TRUE(plain);
    EXPECT_EQ(Pixels(*plain), px);
    const auto skipped = Decode(ImageLib::DecodeTGA, Tga(2, 2, px, 2, 32, 0x28, "an id", 3));
    ASSERT_TRUE(skipped) << "identification field and colour map are skipped";
    EXPECT_EQ(Pixels(*skipped), px);
    struct Refused {
        std::string why, bytes;
    };
    std::string shortData = Tga(2, 2, px);
    shortData.pop_back();
    const Refused refused[] = {
        {"24-bit", Tga(2, 2, px, 2, 24)},
        {"bottom-left origin", Tga(2, 2, px, 2, 32, 0x08)},
        {"run-length type 10", Tga(2, 2, px, 10)},
        {"colour-mapped type 1", Tga(2, 2, px, 1)},
        {"zero width", Tga(0, 2, {})},
        {"huge size, no data", Tga(65535, 65535, {})},
        {"short pixel data", shortData},
        {"short header", std::string(10, '\0')},
    };
    for (const auto& r : refused) EXPECT_FALSE(Decode(ImageLib::DecodeTGA, r.bytes)) << r.why;
}

TEST(Gif, DecodesWithTransparencyAndExtensions) {
    std::vector<uint8_t> idx;
    for (int i = 0; i < 12; ++i) idx.push_back(static_cast<uint8_t>(i % 4));
    GifOptions o;
    o.transparent = 2;
    o.comment = true;
    const auto img = Decode(ImageLib::DecodeGIF, Gif(4, 3, idx, o));
    ASSERT_TRUE(img);
    ASSERT_EQ(img->width, 4);
    ASSERT_EQ(img->height, 3);
    const auto px = Pixels(*img);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(px[i], idx[i] == 2 ? 0u : GifColor(idx[i])) << i;
}

TEST(Gif, LongDataGrowsTheCodeWidthAndClears) {
    // 128 x 64 literals run the decoder's table past 4000 entries twice.
    std::vector<uint8_t> idx;
    for (int i = 0; i < 128 * 64; ++i) idx.push_back(static_cast<uint8_t>((i * 7 + i / 13) % 256));
    GifOptions o;
    o.minCodeSize = 8;
    o.tableBits = 8;
    const auto img = Decode(ImageLib::DecodeGIF, Gif(128, 64, idx, o));
    ASSERT_TRUE(img);
    const auto px = Pixels(*img);
    for (size_t i = 0; i < idx.size(); ++i) ASSERT_EQ(px[i], GifColor(idx[i])) << i;
}

TEST(Gif, InterlacedRowsComeInFourPasses) {
    // Row r of the file's order holds the index (pass order) r % 4 ... so
    // tag each stored row with its own colour: 10 rows, 1 pixel each.
    std::vector<uint8_t> idx = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1};
    GifOptions o;
    o.interlaced = true;
    const auto img = Decode(ImageLib::DecodeGIF, Gif(1, 10, idx, o));
    ASSERT_TRUE(img);
    // Stored order: rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
    const int rowOf[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    const auto px = Pixels(*img);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(px[rowOf[k]], GifColor(idx[k])) << "stored row " << k;
}

TEST(Gif, TruncatedDataGivesThePartialImage) {
    std::vector<uint8_t> idx(64, 1);
    std::string bytes = Gif(8, 8, idx);
    // Keep the header, the table and the first data sub-block's first bytes.
    const size_t dataStart = bytes.find(',') + 11;
    bytes.resize(dataStart + 1 + 6);
    const auto img = Decode(ImageLib::DecodeGIF, bytes);
    ASSERT_TRUE(img);
    const auto px = Pixels(*img);
    EXPECT_EQ(px[0], GifColor(1));
    EXPECT_EQ(px[63], 0u) << "the rest is left empty";
}

TEST(Gif, RefusedAndMendedCases) {
    const std::vector<uint8_t> idx = {0, 1, 2, 3};
    GifOptions badSize;
    badSize.minCodeSize = 12;
    EXPECT_FALSE(Decode(ImageLib::DecodeGIF, Gif(2, 2, idx, badSize))) << "minimum code size 12";
    badSize.minCodeSize = 1;
    EXPECT_FALSE(Decode(ImageLib::DecodeGIF, Gif(2, 2, idx, badSize))) << "minimum code size 1";
    EXPECT_FALSE(Decode(ImageLib::DecodeGIF, std::string("GIF90a") + Gif(2, 2, idx).substr(6)));
    EXPECT_FALSE(Decode(ImageLib::DecodeGIF, Gif(0, 2, {})));
    std::string trailerOnly = Gif(2, 2, idx).substr(0, 13 + 12);
    EXPECT_FALSE(Decode(ImageLib::DecodeGIF, trailerOnly + ";"));

    // Index 5 beyond a 4-entry table, and no table at all: transparent.
    GifOptions wide;
    wide.minCodeSize = 3;
    const auto beyond = Decode(ImageLib::DecodeGIF, Gif(2, 1, {5, 1}, wide));
    ASSERT_TRUE(beyond);
    EXPECT_EQ(Pixels(*beyond), (std::vector<uint32_t>{0, GifColor(1)}));
    GifOptions none;
    none.globalTable = false;
    none.minCodeSize = 8;
    const auto tableless = Decode(ImageLib::DecodeGIF, Gif(2, 1, {200, 0}, none));
    ASSERT_TRUE(tableless);
    EXPECT_EQ(Pixels(*tableless), (std::vector<uint32_t>{0, 0}));
}

TEST_F(ImageFiles, PngAndJpegRoundTrips) {
    std::vector<uint32_t> px;
    for (uint32_t i = 0; i < 64; ++i) px.push_back((i * 4) << 24 | (i * 3) << 16 | (255 - i * 2) << 8 | (i * 4));
    const auto src = Made(8, 8, px);
    ASSERT_TRUE(ImageLib::WritePNGImage(Path("a.png"), src));
    const auto png = ImageLib::GetPNGImage(Path("a.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(Pixels(*png), px);

    // A smooth picture keeps close to itself at quality 80.
    std::vector<uint32_t> smooth;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) smooth.push_back(0x7F000000u | (x * 16) << 16 | (y * 16) << 8 | 128);
    ASSERT_TRUE(ImageLib::WriteJPEGImage(Path("a.jpg"), Made(16, 16, smooth)));
    const auto jpg = ImageLib::GetJPEGImage(Path("a.jpg"));
    ASSERT_TRUE(jpg);
    ASSERT_EQ(jpg->width, 16);
    const auto got = Pixels(*jpg);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i] >> 24, 0xFFu) << "alpha dropped";
        for (int sh : {0, 8, 16}) EXPECT_NEAR(static_cast<int>((got[i] >> sh) & 0xFF), static_cast<int>((smooth[i] >> sh) & 0xFF), 12) << i;
    }
    EXPECT_FALSE(ImageLib::WritePNGImage(Path("missing/dir/a.png"), src));
    EXPECT_FALSE(ImageLib::WriteJPEGImage(Path("missing/dir/a.jpg"), src));
    EXPECT_FALSE(ImageLib::GetPNGImage(Path("nothing.png")));
}

// Writes a PNG through libpng with the given depth, colour type and
// interlace, from 16-bit samples (the top byte used at depth 8).
bool WriteTestPng(const std::string& path, int w, int h, int depth, int colorType, bool interlaced,
                  const std::vector<uint16_t>& samples, int channels) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int bytes = depth / 8;
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * channels * bytes);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (bytes == 2) {
            rows[i * 2] = static_cast<uint8_t>(samples[i] >> 8);
            rows[i * 2 + 1] = static_cast<uint8_t>(samples[i]);
        } else {
            rows[i] = static_cast<uint8_t>(samples[i] >> 8);
        }
    }
    std::vector<png_bytep> ptrs(h);
    for (int y = 0; y < h; ++y) ptrs[y] = rows.data() + static_cast<size_t>(y) * w * channels * bytes;
    png_write_image(png, ptrs.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

TEST_F(ImageFiles, InterlacedSixteenBitAndGreyPngs) {
    const int w = 9, h = 7;
    std::vector<uint16_t> rgb16, grey;
    std::vector<uint32_t> want, wantGrey;
    for (int i = 0; i < w * h; ++i) {
        const uint16_t r = static_cast<uint16_t>(i * 1000), g = static_cast<uint16_t>(65535 - i * 900),
                       b = static_cast<uint16_t>(i * 37 * 256);
        rgb16.insert(rgb16.end(), {r, g, b});
        want.push_back(0xFF000000u | (r >> 8) << 16 | (g >> 8) << 8 | (b >> 8));
        grey.push_back(static_cast<uint16_t>(i * 4 * 256));
        wantGrey.push_back(0xFF000000u | 0x010101u * (i * 4));
    }
    ASSERT_TRUE(WriteTestPng(Path("i16.png"), w, h, 16, PNG_COLOR_TYPE_RGB, true, rgb16, 3));
    const auto img = ImageLib::GetPNGImage(Path("i16.png"));
    ASSERT_TRUE(img) << "16-bit interlaced";
    EXPECT_EQ(Pixels(*img), want);
    ASSERT_TRUE(WriteTestPng(Path("g.png"), w, h, 8, PNG_COLOR_TYPE_GRAY, true, grey, 1));
    const auto g = ImageLib::GetPNGImage(Path("g.png"));
    ASSERT_TRUE(g);
    EXPECT_EQ(Pixels(*g), wantGrey);
}

TEST_F(ImageFiles, JpegOfFourComponentsIsRefused) {
    std::FILE* f = std::fopen(Path("cmyk.jpg").c_str(), "wb");
    ASSERT_TRUE(f);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = 4;
    c.image_height = 2;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(16, 100);
    while (c.next_scanline < c.image_height) {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    EXPECT_FALSE(ImageLib::GetJPEGImage(Path("cmyk.jpg")));
    EXPECT_FALSE(ImageLib::GetJPEGImage(Path("nothing.jpg")));
    testsupport::write_file(dir.path() / "junk.jpg", "\xFF\xD8\xFF junk");
    EXPECT_FALSE(ImageLib::GetJPEGImage(Path("junk.jpg")));
}

TEST_F(ImageFiles, ExtensionOrderAndCase) {
    const auto red = Made(1, 1, {0xFFFF0000});
    const auto green = Made(1, 1, {0xFF00FF00});
    ASSERT_TRUE(ImageLib::WriteJPEGImage(Path("pic.jpg"), red));
    ASSERT_TRUE(ImageLib::WritePNGImage(Path("pic.png"), green));
    Put("pic.gif", Gif(1, 1, {1}));
    const auto found = ImageLib::GetImage(Path("pic"), false);
    ASSERT_TRUE(found);
    EXPECT_GT((found->bits[0] >> 16) & 0xFF, 200u) << "the JPEG comes before the PNG";

    ASSERT_TRUE(ImageLib::WritePNGImage(Path("shout.PNG"), green));
    const auto upper = ImageLib::GetImage(Path("shout.PNG"), false);
    ASSERT_TRUE(upper) << "the PNG reader finds the file whatever its case";
    EXPECT_EQ(upper->bits[0], 0xFF00FF00u);
    Put("fake.PNG", Tga(1, 1, {0xFF000000}));
    EXPECT_FALSE(ImageLib::GetImage(Path("fake.PNG"), false)) << "only the PNG reader";
    Put("other.bmp", Tga(1, 1, {0xFF000000}));
    EXPECT_FALSE(ImageLib::GetImage(Path("other.bmp"), false));
    Put("tga.tga", Tga(1, 1, {0xFF123456}));
    EXPECT_EQ(ImageLib::GetImage(Path("tga"), false)->bits[0], 0xFF123456u);
    EXPECT_EQ(ImageLib::GetImage(Path("pic.gif"), false)->bits[0], GifColor(1));
    EXPECT_FALSE(ImageLib::GetImage(Path("dir.with.dot/none"), false));
}

TEST_F(ImageFiles, AlphaCompanion) {
    Put("c.tga", Tga(2, 1, {0xFF112233, 0x80445566}));
    Put("_c.tga", Tga(2, 1, {0xFF0000F0, 0xFF00000F}));
    const auto merged = ImageLib::GetImage(Path("c.tga"));
    ASSERT_TRUE(merged);
    EXPECT_EQ(Pixels(*merged), (std::vector<uint32_t>{0xF0112233, 0x0F445566})) << "alpha from the blue channel";

    Put("d.tga", Tga(2, 1, {0xFF112233, 0x80445566}));
    Put("d.tga_", Tga(1, 1, {0xFF0000F0}));
    const auto other = ImageLib::GetImage(Path("d.tga"));
    ASSERT_TRUE(other);
    EXPECT_EQ(Pixels(*other), (std::vector<uint32_t>{0xFF112233, 0x80445566})) << "another size is ignored";

    Put("_e.tga", Tga(2, 1, {0xFF0000F0, 0x0000000F}));
    const auto alone = ImageLib::GetImage(Path("e.tga"));
    ASSERT_TRUE(alone);
    EXPECT_EQ(Pixels(*alone), (std::vector<uint32_t>{0xF0FFFFFF, 0x0FFFFFFF}));
    ImageLib::SetAlphaOnlyColor(0x123456);
    const auto tinted = ImageLib::GetImage(Path("e.tga"));
    ImageLib::SetAlphaOnlyColor(0xFFFFFF);
    EXPECT_EQ(tinted->bits[0], 0xF0123456u);
    EXPECT_FALSE(ImageLib::GetImage(Path("e.tga"), false)) << "without the companion there is nothing";
}

TEST(ImageLimits, SizesAreCheckedBeforeAllocation) {
    const size_t old = ImageLib::GetPixelLimit();
    ImageLib::SetPixelLimit(100);
    EXPECT_FALSE(Decode(ImageLib::DecodeGIF, Gif(11, 10, std::vector<uint8_t>(110, 1))));
    EXPECT_TRUE(Decode(ImageLib::DecodeGIF, Gif(10, 10, std::vector<uint8_t>(100, 1))));
    EXPECT_FALSE(Decode(ImageLib::DecodeTGA, Tga(11, 10, std::vector<uint32_t>(110))));
    ImageLib::SetPixelLimit(old);
}

// Writes the fuzz target's seed files when asked (ZELKOR_WRITE_IMAGE_SEEDS
// names the folder); the seeds are this test's own bytes.
TEST(ImageSeeds, WriteWhenAsked) {
    const char* dir = std::getenv("ZELKOR_WRITE_IMAGE_SEEDS");
    if (!dir) GTEST_SKIP();
    auto put = [dir](const std::string& name, const std::string& bytes) {
        testsupport::write_file(std::filesystem::path(dir) / name, bytes);
    };
    GifOptions o;
    o.transparent = 1;
    o.interlaced = true;
    o.comment = true;
    put("interlaced.gif", Gif(3, 9, std::vector<uint8_t>(27, 2), o));
    put("plain.gif", Gif(4, 2, {0, 1, 2, 3, 3, 2, 1, 0}));
    put("skipped.tga", Tga(2, 2, {1, 2, 3, 4}, 2, 32, 0x28, "id", 2));
    testsupport::TempDir tmp;
    ImageLib::WritePNGImage(tmp.file("s.png"), Made(3, 2, {1, 0x80FFFFFF, 3, 4, 5, 6}));
    ImageLib::WriteJPEGImage(tmp.file("s.jpg"), Made(3, 2, {1, 0x80FFFFFF, 3, 4, 5, 6}));
    put("plain.png", testsupport::read_file(tmp.file("s.png")));
    put("plain.jpg", testsupport::read_file(tmp.file("s.jpg")));
}

}  // namespace
