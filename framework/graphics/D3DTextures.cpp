// Images as texture pieces: sizes, layout, format choice, upload and
// read-back.
#include <algorithm>
#include <array>
#include <cstring>

#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/MemoryImage.h"

namespace Vant {

namespace {

bool IsPow2(int v) { return v > 0 && (v & (v - 1)) == 0; }

int NextPow2(int v) {
    int p = 1;
    while (p < v) p <<= 1;
    return p;
}

// Sizes up to 1023 -> the piece size: the next power of two unless that
// wastes more than 64 texels, then a smaller one with the rest split off.
const std::array<int, 1024>& PieceSizeTable() {
    static const std::array<int, 1024> table = [] {
        std::array<int, 1024> t{};
        for (int s = 0; s < 1024; ++s) {
            int p = NextPow2(s);
            if (p - s > 64) {
                p >>= 1;
                while (s % p >= 64 && !IsPow2(s % p)) p >>= 1;
            }
            t[std::size_t(s)] = p;
        }
        return t;
    }();
    return table;
}

int BytesPerTexel(int code) { return code == 8 ? 1 : (code == 2 || code == 4) ? 2 : 4; }

}  // namespace

int D3DInterface::ClassifyPixelFormat(const plat::TexturePixelFormat& f) {
    for (const int code : {1, 2, 4, 8}) {
        const plat::TexturePixelFormat want = MakePixelFormat(code);
        if (code == 8 ? (f.flags == want.flags && f.bpp == want.bpp) : f == want) return code;
    }
    return 0;
}

plat::TexturePixelFormat D3DInterface::MakePixelFormat(int code) {
    return plat::DescribeTextureFormat(plat::TextureFormat(code));
}

void D3DInterface::GetBestTextureDimensions(int& width, int& height, bool isEdge, bool usePow2, int flags) {
    if (flags & 2) {
        width = height = 64;
        return;
    }
    const auto& table = PieceSizeTable();
    if (usePow2) {
        const bool pow2Only = isEdge || (flags & 1);
        auto fit = [&](int s, int max) {
            if (s >= max) return max;
            if (pow2Only) return s <= 1 ? 1 : NextPow2(s);
            return table[std::size_t(std::clamp(s, 0, 1023))];
        };
        width = fit(width, maxTextureWidth);
        height = fit(height, maxTextureHeight);
    }
    width = std::max(width, minTextureWidth);
    height = std::max(height, minTextureHeight);
    const long long ratio = maxTextureAspect;
    if (width > height) {
        while (width > ratio * height) height *= 2;
    } else {
        while (height > ratio * width) width *= 2;
    }
}

void D3DInterface::LayoutTextures(MemoryImage* image, TextureData& d) {
    int pw = image->width, ph = image->height;
    GetBestTextureDimensions(pw, ph, false, true, d.flags);
    const int remW = image->width % pw, remH = image->height % ph;
    int rightW = pw, rightH = ph, bottomW = pw, bottomH = ph;
    if (remW) rightW = remW, GetBestTextureDimensions(rightW, rightH, true, true, d.flags);
    if (remH) bottomH = remH, GetBestTextureDimensions(bottomW, bottomH, true, true, d.flags);
    int cornerW = remW ? rightW : pw, cornerH = remH ? bottomH : ph;
    if (remW || remH) GetBestTextureDimensions(cornerW, cornerH, true, true, d.flags);
    d.pieceWidth = pw;
    d.pieceHeight = ph;
    d.columns = (image->width + pw - 1) / pw;
    d.rows = (image->height + ph - 1) / ph;
    d.pieces.assign(std::size_t(d.columns) * d.rows, {});
    for (int row = 0; row < d.rows; ++row)
        for (int col = 0; col < d.columns; ++col) {
            TexturePiece& p = d.pieces[std::size_t(row) * d.columns + col];
            const bool lastCol = col == d.columns - 1, lastRow = row == d.rows - 1;
            if (lastCol && lastRow) p.width = cornerW, p.height = cornerH;
            else if (lastCol) p.width = rightW, p.height = rightH;
            else if (lastRow) p.width = bottomW, p.height = bottomH;
            else p.width = pw, p.height = ph;
        }
    d.maxU = float(image->width) / float(pw);
    d.maxV = float(image->height) / float(ph);
}

TextureData* D3DInterface::GetTextureData(MemoryImage* image) {
    auto it = data_.find(image);
    return it == data_.end() ? nullptr : it->second.get();
}

bool D3DInterface::CreateImageTexture(MemoryImage* image) {
    if (!image || image->width <= 0 || image->height <= 0 || !device_) return false;
    std::unique_ptr<TextureData>& d = data_[image];
    if (!d) {
        images_.insert(image);
        d = std::make_unique<TextureData>();
    }
    if (!d->format || d->width != image->width || d->height != image->height ||
        d->changeStamp != image->bitsChangedCount || d->flags != image->d3dFlags)
        CreateTextures(image, *d);
    // The image keeps its bits even when it asks to drop them after upload:
    // a lost device would otherwise leave nothing to upload again.
    return d->format != 0;
}

void D3DInterface::Remove3DData(MemoryImage* image) {
    data_.erase(image);
    images_.erase(image);
}

std::shared_ptr<plat::Texture3D> D3DInterface::CreateTexture(int width, int height, int code) {
    device_->SetTexture(nullptr);
    std::shared_ptr<plat::Texture3D> t;
    if (plat::Failed(device_->CreateTexture(width, height, plat::TextureFormat(code), &t))) return nullptr;
    return t;
}

bool D3DInterface::CreateTextures(MemoryImage* image, TextureData& d) {
    image->DeleteSWBuffers();
    image->CommitBits();
    const std::uint32_t mask = textureFormatMask;
    const int flags = image->d3dFlags;
    int code = FormatA8R8G8B8;
    if (!image->hasAlpha && !image->hasTrans && (mask & FormatR5G6B5) && !(flags & 8)) code = FormatR5G6B5;
    bool palette = false;
    std::uint32_t entries[256] = {};
    if (image->colorIndices && image->palette && (mask & FormatPalette8)) {
        // Our device takes ARGB entries as they are; the swap of red and
        // blue belongs to other palette layouts.
        std::memcpy(entries, image->palette.get(), sizeof entries);
        code = FormatPalette8;
        palette = true;
    }
    if (code == FormatA8R8G8B8) {
        if ((flags & 4) && (mask & FormatA4R4G4B4)) code = FormatA4R4G4B4;
        if (!(mask & FormatA8R8G8B8)) code = FormatA4R4G4B4;
    }
    bool create = false;
    if (!d.laidOut || d.width != image->width || d.height != image->height || d.format != code ||
        d.flags != flags) {
        d.pieces.clear();
        d.format = code;
        d.flags = flags;
        LayoutTextures(image, d);
        d.laidOut = true;
        create = true;
    }
    d.hasPalette = palette;
    if (palette) std::memcpy(d.palette, entries, sizeof entries);
    d.memory = palette ? 1024 : 0;
    for (int row = 0; row < d.rows; ++row)
        for (int col = 0; col < d.columns; ++col) {
            TexturePiece& p = d.pieces[std::size_t(row) * d.columns + col];
            if (create || !p.texture) {
                p.texture = CreateTexture(p.width, p.height, code);
                if (!p.texture) {
                    d.format = 0;
                    d.laidOut = false;
                    d.pieces.clear();
                    return false;
                }
            }
            if (palette) p.texture->SetPalette(d.palette);
            d.memory += std::size_t(p.width) * p.height * BytesPerTexel(code);
            if (!UploadPiece(p.texture.get(), image, col * d.pieceWidth, row * d.pieceHeight, p.width, p.height,
                             code)) {
                d.format = 0;
                d.laidOut = false;
                d.pieces.clear();
                return false;
            }
        }
    d.width = image->width;
    d.height = image->height;
    d.format = code;
    d.changeStamp = image->bitsChangedCount;
    return true;
}

bool D3DInterface::UploadPiece(plat::Texture3D* texture, MemoryImage* image, int x, int y, int width, int height,
                               int code) {
    plat::LockInfo li;
    if (CheckD3DError(texture->Lock(&li), "Lock Texture")) return false;
    const int w = std::min(width, image->width - x), h = std::min(height, image->height - y);
    auto* base = static_cast<std::uint8_t*>(li.bits);
    if (w < width || h < height) std::memset(base, 0, std::size_t(li.pitch) * texture->Height());
    const bool indexed = image->colorIndices && image->palette;
    const std::uint32_t* bits = indexed ? nullptr : image->GetBits();
    for (int row = 0; row < h; ++row) {
        std::uint8_t* out = base + std::ptrdiff_t(row) * li.pitch;
        const std::size_t first = std::size_t(y + row) * image->width + x;
        for (int col = 0; col < w; ++col) {
            const std::size_t i = first + col;
            if (code == FormatPalette8) {
                out[col] = indexed ? image->colorIndices[i] : 0;
                continue;
            }
            const std::uint32_t c = indexed ? image->palette[image->colorIndices[i]] : bits ? bits[i] : 0;
            if (code == FormatA8R8G8B8) {
                std::memcpy(out + 4 * col, &c, 4);
                continue;
            }
            const std::uint16_t t =
                code == FormatA4R4G4B4
                    ? std::uint16_t(((c >> 16) & 0xF000) | ((c >> 12) & 0x0F00) | ((c >> 8) & 0x00F0) |
                                    ((c >> 4) & 0x000F))
                    : std::uint16_t(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
            std::memcpy(out + 2 * col, &t, 2);
        }
    }
    return !CheckD3DError(texture->Unlock(), "Texture Unlock");
}

bool D3DInterface::ReadBackTextures(MemoryImage* image) {
    TextureData* d = GetTextureData(image);
    if (!d || !d->format) return false;
    if (!image->bits) {
        image->bits.reset(new uint32_t[image->PixelCount() + 1]());
        image->bits[image->PixelCount()] = MemoryImage::GuardWord;
    }
    std::uint32_t* bits = image->bits.get();
    for (int row = 0; row < d->rows; ++row)
        for (int col = 0; col < d->columns; ++col) {
            const TexturePiece& p = d->pieces[std::size_t(row) * d->columns + col];
            plat::LockInfo li;
            if (CheckD3DError(p.texture->Lock(&li), "Lock Texture")) return false;
            std::uint32_t pal[256] = {};
            if (d->format == FormatPalette8) p.texture->GetPalette(pal);
            const int x0 = col * d->pieceWidth, y0 = row * d->pieceHeight;
            const int w = std::min(p.width, image->width - x0), h = std::min(p.height, image->height - y0);
            for (int y = 0; y < h; ++y) {
                const auto* in = static_cast<const std::uint8_t*>(li.bits) + std::ptrdiff_t(y) * li.pitch;
                std::uint32_t* out = bits + std::size_t(y0 + y) * image->width + x0;
                for (int x = 0; x < w; ++x) {
                    std::uint32_t c = 0;
                    std::uint16_t t = 0;
                    switch (d->format) {
                        case FormatA8R8G8B8: std::memcpy(&c, in + 4 * x, 4); break;
                        case FormatA4R4G4B4:
                            // Alpha comes back from its own four bits, and
                            // every channel as n * 17 so that 15 is 255.
                            std::memcpy(&t, in + 2 * x, 2);
                            c = (((t >> 12) & 15) * 17u) << 24 | (((t >> 8) & 15) * 17u) << 16 |
                                (((t >> 4) & 15) * 17u) << 8 | (t & 15) * 17u;
                            break;
                        case FormatR5G6B5:
                            std::memcpy(&t, in + 2 * x, 2);
                            c = 0xFF000000u | ((t >> 11) * 8u) << 16 | (((t >> 5) & 63) * 4u) << 8 | (t & 31) * 8u;
                            break;
                        default: c = pal[in[x]]; break;
                    }
                    out[x] = c;
                }
            }
            p.texture->Unlock();
        }
    return true;
}

bool D3DInterface::GetTexture(MemoryImage* image, int x, int y, int width, int height, TextureRef* out) {
    TextureData* d = GetTextureData(image);
    if (!d || !d->format || d->pieceWidth <= 0 || d->pieceHeight <= 0) return false;
    const int col = x / d->pieceWidth, row = y / d->pieceHeight;
    if (x < 0 || y < 0 || col >= d->columns || row >= d->rows) return false;
    const TexturePiece& p = d->pieces[std::size_t(row) * d->columns + col];
    const int ox = x - col * d->pieceWidth, oy = y - row * d->pieceHeight;
    out->texture = p.texture;
    out->width = std::min(width, p.width - ox);
    out->height = std::min(height, p.height - oy);
    if (out->width <= 0 || out->height <= 0) return false;
    out->u0 = float(ox) / float(p.width);
    out->v0 = float(oy) / float(p.height);
    out->u1 = float(ox + out->width) / float(p.width);
    out->v1 = float(oy + out->height) / float(p.height);
    return true;
}

}  // namespace Vant
