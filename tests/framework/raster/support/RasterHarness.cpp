#include "RasterHarness.h"

#include <cstdio>
#include <utility>

namespace rastertest {

Canvas::Canvas(int width, int height, int format, uint32_t fill, int guard, uint32_t sentinel)
    : width_(width),
      height_(height),
      format_(format),
      guard_(guard),
      pixelSize_(format == Format565 || format == Format555 ? 2 : 4),
      stride_(width + 2 * guard) {
    const int rows = height + 2 * guard;
    mem_.assign(static_cast<size_t>(rows) * stride_ * pixelSize_, 0);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < stride_; ++c) {
            const bool inside = c >= guard && c < guard + width && r >= guard && r < guard + height;
            writePixel(raw(c, r), pixelSize_, inside ? fill : sentinel);
        }
    saved_ = mem_;
}

uint32_t Canvas::read(const std::vector<uint8_t>& m, int col, int row) const {
    return readPixel(m.data() + (static_cast<size_t>(row) * stride_ + col) * pixelSize_, pixelSize_);
}

uint32_t Canvas::at(int x, int y) const { return read(mem_, x + guard_, y + guard_); }

void Canvas::set(int x, int y, uint32_t value) { writePixel(raw(x + guard_, y + guard_), pixelSize_, value); }

void Canvas::fillRect(int x, int y, int w, int h, uint32_t value) {
    for (int r = y; r < y + h; ++r)
        for (int c = x; c < x + w; ++c) set(c, r, value);
}

void Canvas::draw(const std::vector<TriVertex>& v, TextureSource* tex, const DrawColor& color, const ClipRect& clip,
                  bool linearBlend, bool vertexColors, const FillerArray* table, int drawMode) {
    DrawTriangleStrip(v.data(), static_cast<int>(v.size()), tex, &color, drawMode, &clip, bits(), pitch(), width_,
                      height_, format_, linearBlend, vertexColors, table);
}

void Canvas::draw(const std::vector<TriVertex>& v, TextureSource* tex, bool linearBlend, bool vertexColors) {
    draw(v, tex, DrawColor{}, fullClip(*this), linearBlend, vertexColors);
}

std::string Canvas::changedOutside(const ClipRect& clip) const {
    std::string out;
    const int rows = height_ + 2 * guard_;
    int reported = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < stride_; ++c) {
            const int x = c - guard_, y = r - guard_;
            const bool inClip = x >= clip.x && x < clip.x + clip.width && y >= clip.y && y < clip.y + clip.height &&
                                x >= 0 && x < width_ && y >= 0 && y < height_;
            if (inClip || read(mem_, c, r) == read(saved_, c, r)) continue;
            if (reported++ < 8) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "(%d,%d) ", x, y);
                out += buf;
            }
        }
    if (reported > 8) out += "... " + std::to_string(reported) + " in all";
    return out;
}

int Canvas::changedCount() const {
    int n = 0;
    for (int r = 0; r < height_ + 2 * guard_; ++r)
        for (int c = 0; c < stride_; ++c) n += read(mem_, c, r) != read(saved_, c, r);
    return n;
}

std::vector<FillerCall>& recordedCalls() {
    static std::vector<FillerCall> calls;
    return calls;
}

namespace {

template <unsigned I>
void record(const FixedVertex* tri, uint8_t*, std::ptrdiff_t pitch, const TextureInfo* tex, const FillColor* color) {
    FillerCall call{I, {tri[0], tri[1], tri[2]}, *tex, *color, pitch};
    recordedCalls().push_back(call);
}

template <size_t... I>
FillerArray makeRecording(std::index_sequence<I...>) {
    return FillerArray{{&record<static_cast<unsigned>(I)>...}};
}

}  // namespace

const FillerArray& recordingTable() {
    static const FillerArray table = makeRecording(std::make_index_sequence<FillerCount>{});
    return table;
}

}  // namespace rastertest
