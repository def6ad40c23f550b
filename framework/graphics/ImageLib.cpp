#include "framework/graphics/ImageLib.h"

#include "orvek/File.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <vector>

namespace ImageLib {

namespace {

uint32_t gAlphaOnlyColor = 0xFFFFFF;
size_t gPixelLimit = size_t{1} << 26;

bool SizeAllowed(uint64_t w, uint64_t h) { return w > 0 && h > 0 && w * h <= gPixelLimit; }

bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& out) {
    const std::string path = orvek::resolve_path(name);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

template <ImagePtr (*Decode)(const uint8_t*, size_t)>
ImagePtr ReadFile(const std::string& name) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(name, bytes)) return nullptr;
    return Decode(bytes.data(), bytes.size());
}

// Little-endian reads that report running out of data.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    bool byte(uint8_t& v) {
        if (pos >= size) return false;
        v = data[pos++];
        return true;
    }
    bool word(uint16_t& v) {
        if (size - pos < 2 || pos > size) return false;
        v = static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
        pos += 2;
        return true;
    }
    bool bytes(uint8_t* out, size_t n) {
        if (pos > size || size - pos < n) return false;
        std::memcpy(out, data + pos, n);
        pos += n;
        return true;
    }
    bool skip(size_t n) {
        if (pos > size || size - pos < n) return false;
        pos += n;
        return true;
    }
};

}  // namespace

Image::Image(int w, int h) : width(w), height(h) {
    bits.reset(new uint32_t[static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0))]());
}

uint32_t GetAlphaOnlyColor() { return gAlphaOnlyColor; }
void SetAlphaOnlyColor(uint32_t rgb) { gAlphaOnlyColor = rgb & 0xFFFFFF; }
size_t GetPixelLimit() { return gPixelLimit; }
void SetPixelLimit(size_t pixels) { gPixelLimit = pixels; }

// ---------------------------------------------------------------------------
// TGA: uncompressed 32-bit true colour, top-left origin, 8 attribute bits.

ImagePtr DecodeTGA(const uint8_t* data, size_t size) {
    Reader r{data, size};
    uint8_t idLength, mapType, imageType, mapEntrySize, depth, descriptor;
    uint16_t mapFirst, mapLength, xOrigin, yOrigin, w, h;
    if (!r.byte(idLength) || !r.byte(mapType) || !r.byte(imageType) || !r.word(mapFirst) || !r.word(mapLength) ||
        !r.byte(mapEntrySize) || !r.word(xOrigin) || !r.word(yOrigin) || !r.word(w) || !r.word(h) ||
        !r.byte(depth) || !r.byte(descriptor))
        return nullptr;
    if (imageType != 2 || depth != 32 || descriptor != 0x28) return nullptr;
    const size_t mapBytes = mapType ? static_cast<size_t>(mapLength) * ((mapEntrySize + 7u) / 8u) : 0;
    if (!r.skip(idLength) || !r.skip(mapBytes)) return nullptr;
    const uint64_t pixels = uint64_t{w} * h;
    if (!SizeAllowed(w, h) || size - r.pos < pixels * 4) return nullptr;
    auto img = std::make_unique<Image>(w, h);
    for (uint64_t i = 0; i < pixels; ++i) {
        const uint8_t* p = data + r.pos + i * 4;
        img->bits[i] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    return img;
}

// ---------------------------------------------------------------------------
// GIF: the first image, with its own LZW decoder.

namespace {

// Reads a sequence of data sub-blocks to the empty one; false when the data
// ends first.
bool ReadSubBlocks(Reader& r, std::vector<uint8_t>* out) {
    for (;;) {
        uint8_t n;
        if (!r.byte(n)) return false;
        if (n == 0) return true;
        if (out) {
            const size_t at = out->size();
            out->resize(at + n);
            if (!r.bytes(out->data() + at, n)) return false;
        } else if (!r.skip(n)) {
            return false;
        }
    }
}

bool ReadColorTable(Reader& r, uint8_t flags, uint32_t* table, int& count) {
    count = 1 << ((flags & 7) + 1);
    for (int i = 0; i < count; ++i) {
        uint8_t rgb[3];
        if (!r.bytes(rgb, 3)) return false;
        table[i] = 0xFF000000u | (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
    }
    return true;
}

class LzwDecoder {
public:
    LzwDecoder(Reader& r, int minSize) : r_(r), minSize_(minSize) {
        clear_ = 1 << minSize;
        for (int i = 0; i < clear_; ++i) {
            suffix_[i] = static_cast<uint8_t>(i);
            prefix_[i] = 0;
        }
        reset();
    }

    // The next colour index, or -1 when the data ends or goes wrong.
    int next() {
        while (sp_ == 0) {
            int code;
            if (!fetch(code)) return -1;
            if (code > avail_ || code == clear_ + 1) return -1;
            if (code == clear_) {
                reset();
                continue;
            }
            if (old_ < 0) {
                stack_[sp_++] = suffix_[code];
                old_ = code;
                first_ = suffix_[code];
                continue;
            }
            const int in = code;
            if (code >= avail_) {
                stack_[sp_++] = first_;
                code = old_;
            }
            while (code >= clear_) {
                if (sp_ >= StackSize - 1) return -1;
                stack_[sp_++] = suffix_[code];
                code = prefix_[code];
            }
            first_ = suffix_[code];
            if (avail_ >= 4096) return -1;
            stack_[sp_++] = first_;
            prefix_[avail_] = static_cast<uint16_t>(old_);
            suffix_[avail_] = first_;
            ++avail_;
            if ((avail_ & mask_) == 0 && avail_ < 4096) {
                ++width_;
                mask_ = (mask_ << 1) | 1;
            }
            old_ = in;
        }
        return stack_[--sp_];
    }

private:
    static constexpr int StackSize = 4097;

    void reset() {
        width_ = minSize_ + 1;
        mask_ = (1 << width_) - 1;
        avail_ = clear_ + 2;
        old_ = -1;
    }

    bool fetch(int& code) {
        while (bits_ < width_) {
            if (blockPos_ >= blockLen_) {
                uint8_t n;
                if (!r_.byte(n) || n < 1) return false;
                // A block cut short by the end of the file still gives what it has.
                const size_t have = std::min<size_t>(n, r_.size - r_.pos);
                if (have == 0 || !r_.bytes(block_, have)) return false;
                blockLen_ = static_cast<int>(have);
                blockPos_ = 0;
            }
            datum_ |= static_cast<uint32_t>(block_[blockPos_++]) << bits_;
            bits_ += 8;
        }
        code = static_cast<int>(datum_ & static_cast<uint32_t>(mask_));
        datum_ >>= width_;
        bits_ -= width_;
        return true;
    }

    Reader& r_;
    int minSize_;
    int clear_ = 0, avail_ = 0, width_ = 0, mask_ = 0, old_ = -1;
    uint8_t first_ = 0;
    uint16_t prefix_[4096] = {};
    uint8_t suffix_[4096] = {};
    uint8_t stack_[StackSize] = {};
    int sp_ = 0;
    uint8_t block_[256] = {};
    int blockLen_ = 0, blockPos_ = 0;
    uint32_t datum_ = 0;
    int bits_ = 0;
};

}  // namespace

ImagePtr DecodeGIF(const uint8_t* data, size_t size) {
    Reader r{data, size};
    uint8_t sig[6];
    if (!r.bytes(sig, 6) || (std::memcmp(sig, "GIF87", 5) != 0 && std::memcmp(sig, "GIF89", 5) != 0)) return nullptr;
    uint16_t screenW, screenH;
    uint8_t flags, background, aspect;
    if (!r.word(screenW) || !r.word(screenH) || !r.byte(flags) || !r.byte(background) || !r.byte(aspect))
        return nullptr;
    // Indices beyond the table read as transparent; no table at all means
    // every index does.
    uint32_t table[256] = {};
    int tableCount = 0;
    if ((flags & 0x80) && !ReadColorTable(r, flags, table, tableCount)) return nullptr;

    int transparent = -1;
    for (;;) {
        uint8_t type;
        if (!r.byte(type)) return nullptr;
        if (type == ';') return nullptr;
        if (type == ',') break;
        if (type != '!') continue;
        uint8_t label;
        if (!r.byte(label)) return nullptr;
        if (label == 0xF9) {
            std::vector<uint8_t> ext;
            if (!ReadSubBlocks(r, &ext)) return nullptr;
            if (ext.size() >= 4 && (ext[0] & 1)) transparent = ext[3];
        } else if (!ReadSubBlocks(r, nullptr)) {
            return nullptr;
        }
    }
    uint16_t left, top, w, h;
    uint8_t imageFlags;
    if (!r.word(left) || !r.word(top) || !r.word(w) || !r.word(h) || !r.byte(imageFlags)) return nullptr;
    if (w == 0 || h == 0 || !SizeAllowed(w, h)) return nullptr;
    if ((imageFlags & 0x80)) {
        std::fill(std::begin(table), std::end(table), 0u);
        if (!ReadColorTable(r, imageFlags, table, tableCount)) return nullptr;
    }
    if (transparent >= 0 && transparent < tableCount) table[transparent] = 0;

    uint8_t minSize;
    if (!r.byte(minSize) || minSize < 2 || minSize > 8) return nullptr;

    auto img = std::make_unique<Image>(w, h);
    auto lzw = std::make_unique<LzwDecoder>(r, minSize);
    const bool interlaced = (imageFlags & 0x40) != 0;
    static constexpr int PassStart[4] = {0, 4, 2, 1}, PassStep[4] = {8, 8, 4, 2};
    int pass = 0, row = 0;
    for (int done = 0; done < h; ++done) {
        uint32_t* out = img->bits.get() + static_cast<size_t>(row) * w;
        for (int x = 0; x < w; ++x) {
            const int index = lzw->next();
            if (index < 0) return img;  // the image as far as it was filled
            out[x] = index < tableCount ? table[index] : 0;
        }
        if (!interlaced) {
            ++row;
        } else {
            row += PassStep[pass];
            while (row >= h && pass < 3) row = PassStart[++pass];
        }
    }
    return img;
}

// ---------------------------------------------------------------------------
// PNG through libpng.

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (src->pos > src->size || src->size - src->pos < n) png_error(png, "truncated");
    std::memcpy(out, src->data + src->pos, n);
    src->pos += n;
}

void PngWarning(png_structp, png_const_charp) {}
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Filled before the jump point and only read after it, so a long jump back
// leaves them as they were.
struct PngDecodeState {
    PngSource src;
    ImagePtr img;
    std::vector<png_bytep> rows;
};

bool PngDecodeInto(PngDecodeState& st) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &st.src, PngRead);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (!SizeAllowed(w, h) || w > 0x7FFFFFFF || h > 0x7FFFFFFF) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    st.img = std::make_unique<Image>(static_cast<int>(w), static_cast<int>(h));
    st.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        st.rows[y] = reinterpret_cast<png_bytep>(st.img->bits.get() + static_cast<size_t>(y) * w);
    png_read_image(png, st.rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

ImagePtr DecodePNG(const uint8_t* data, size_t size) {
    PngDecodeState st{{data, size, 0}, nullptr, {}};
    if (!PngDecodeInto(st)) return nullptr;
    return std::move(st.img);
}

namespace {

void PngWriteData(png_structp png, png_bytep data, png_size_t n) {
    auto* f = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, n, f) != n) png_error(png, "write failed");
}
void PngFlush(png_structp) {}

bool PngWriteTo(std::FILE* f, const Image& image, std::vector<png_bytep>& rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, f, PngWriteData, PngFlush);
    png_color_8 sig{8, 8, 8, 8, 8};
    png_set_sBIT(png, info, &sig);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePNGImage(const std::string& fileName, const Image& image) {
    if (image.width <= 0 || image.height <= 0 || !image.bits) return false;
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) return false;
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(image.bits.get() + static_cast<size_t>(y) * image.width);
    const bool ok = PngWriteTo(f, image, rows);
    return std::fclose(f) == 0 && ok;
}

// ---------------------------------------------------------------------------
// JPEG through libjpeg.

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegOutputMessage(j_common_ptr) {}

struct JpegDecodeState {
    const uint8_t* data;
    size_t size;
    ImagePtr img;
    std::vector<uint8_t> row;
};

bool JpegDecodeInto(JpegDecodeState& st) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.output_message = JpegOutputMessage;
    jpeg_create_decompress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_mem_src(&cinfo, st.data, static_cast<unsigned long>(st.size));
    jpeg_read_header(&cinfo, TRUE);
    // Only grey and three-component colour fit the row buffer.
    if ((cinfo.num_components != 1 && cinfo.num_components != 3) ||
        !SizeAllowed(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const int comps = cinfo.output_components;
    if (comps != 1 && comps != 3) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
    st.img = std::make_unique<Image>(w, h);
    st.row.resize(static_cast<size_t>(w) * comps);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW rowp = st.row.data();
        if (jpeg_read_scanlines(&cinfo, &rowp, 1) != 1) break;
        uint32_t* out = st.img->bits.get() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = st.row.data() + static_cast<size_t>(x) * comps;
            out[x] = comps == 1 ? 0xFF000000u | (p[0] << 16) | (p[0] << 8) | p[0]
                                : 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool JpegEncodeTo(std::FILE* f, const Image& image, std::vector<uint8_t>& row) {
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.output_message = JpegOutputMessage;
    jpeg_create_compress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 80, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint32_t* in = image.bits.get() + static_cast<size_t>(cinfo.next_scanline) * image.width;
        for (int x = 0; x < image.width; ++x) {
            row[x * 3] = static_cast<uint8_t>(in[x] >> 16);
            row[x * 3 + 1] = static_cast<uint8_t>(in[x] >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(in[x]);
        }
        JSAMPROW rowp = row.data();
        jpeg_write_scanlines(&cinfo, &rowp, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

ImagePtr DecodeJPEG(const uint8_t* data, size_t size) {
    if (size == 0) return nullptr;
    JpegDecodeState st{data, size, nullptr, {}};
    if (!JpegDecodeInto(st)) return nullptr;
    return std::move(st.img);
}

bool WriteJPEGImage(const std::string& fileName, const Image& image) {
    if (image.width <= 0 || image.height <= 0 || !image.bits) return false;
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) return false;
    std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
    const bool ok = JpegEncodeTo(f, image, row);
    return std::fclose(f) == 0 && ok;
}

// ---------------------------------------------------------------------------

ImagePtr GetTGAImage(const std::string& fileName) { return ReadFile<DecodeTGA>(fileName); }
ImagePtr GetGIFImage(const std::string& fileName) { return ReadFile<DecodeGIF>(fileName); }
ImagePtr GetPNGImage(const std::string& fileName) { return ReadFile<DecodePNG>(fileName); }
ImagePtr GetJPEGImage(const std::string& fileName) { return ReadFile<DecodeJPEG>(fileName); }

ImagePtr GetImage(const std::string& fileName, bool lookForAlpha) {
    const size_t sep = fileName.find_last_of("\\/");
    const size_t dot = fileName.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (sep == std::string::npos || dot > sep);
    const std::string ext = hasExt ? fileName.substr(dot) : std::string();
    const std::string base = hasExt ? fileName.substr(0, dot) : fileName;

    struct Reader {
        const char* ext;
        ImagePtr (*read)(const std::string&);
    };
    static const Reader readers[] = {
        {".tga", GetTGAImage}, {".jpg", GetJPEGImage}, {".png", GetPNGImage}, {".gif", GetGIFImage}};
    ImagePtr img;
    for (const Reader& rd : readers) {
        if (!ext.empty() && strcasecmp(ext.c_str(), rd.ext) != 0) continue;
        img = rd.read(base + rd.ext);
        if (img) break;
    }
    if (!lookForAlpha) return img;

    const size_t cut = sep == std::string::npos ? 0 : sep + 1;
    ImagePtr alpha = GetImage(fileName.substr(0, cut) + "_" + fileName.substr(cut), false);
    if (!alpha) alpha = GetImage(fileName + "_", false);
    if (!alpha) return img;
    const size_t n = static_cast<size_t>(alpha->width) * static_cast<size_t>(alpha->height);
    if (img) {
        if (img->width == alpha->width && img->height == alpha->height) {
            for (size_t i = 0; i < n; ++i) img->bits[i] = (img->bits[i] & 0xFFFFFF) | (alpha->bits[i] << 24);
        }
        return img;
    }
    for (size_t i = 0; i < n; ++i) alpha->bits[i] = (alpha->bits[i] << 24) | gAlphaOnlyColor;
    return alpha;
}

}  // namespace ImageLib
