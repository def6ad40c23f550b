// Arbitrary bytes as an HTTP response arriving in pieces: the reader must
// stay inside what arrived, never grow the body past it, and give the same
// answer however the bytes are split.
#include <cstdint>
#include <string>

#include "framework/app/HTTPTransfer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    Vant::HTTPResponseReader whole, pieces;
    const bool more = whole.Feed(bytes, size);
    std::size_t at = 0, step = 1;
    bool piecesMore = true;
    while (at < size && piecesMore) {
        const std::size_t n = std::min(step, size - at);
        piecesMore = pieces.Feed(bytes + at, n);
        at += n;
        step = step * 3 % 257 + 1;
    }
    if (whole.Content().size() > size || pieces.Content() != whole.Content()) __builtin_trap();
    const int a = more ? whole.Finish() : whole.Result();
    const int b = piecesMore ? pieces.Finish() : pieces.Result();
    if (a != b || a < 0 || a > 9) __builtin_trap();
    return 0;
}
