// The filler frame and the table built from it. Every one of the 128 entries
// is an instance of one frame, specialised at compile time for a feature set
// and a destination format, so no pixel loop tests a feature flag.
#include "framework/raster/FixedPoint.h"
#include "framework/raster/PixelFormats.h"
#include "framework/raster/Raster.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZELKOR_RASTER_AVX2 1
#endif

namespace Vant::SWRaster {

FillerArray FillerTable{};

void NullFiller(const FixedVertex*, uint8_t*, std::ptrdiff_t, const TextureInfo*, const FillColor*) {}

namespace {

// Feature set of one filler: the low five bits of its table index.
template <unsigned F>
struct Features {
    static constexpr bool textured = (F & FeatureTexture) != 0;
    static constexpr bool filter = textured && (F & FeatureFilter) != 0;
    static constexpr bool modulate = (F & FeatureModulate) != 0;
    static constexpr bool vertex = (F & FeatureVertexColors) != 0;
    static constexpr bool alpha = textured && (F & FeatureAlpha) != 0;
    // Textured members that multiply the sample by a colour.
    static constexpr bool colourFactor = textured && (modulate || vertex);
    // Modulation with vertex colours folds the draw colour into the vertices.
    static constexpr bool fold = modulate && vertex;
    // Attributes carried along the long edge: a, r, g, b, then u, v.
    static constexpr int colourAttrs = vertex ? 4 : 0;
    static constexpr int attrs = colourAttrs + (textured ? 2 : 0);
};

// The alpha decision of every blending filler. A texture alpha at or below
// SkipAlpha leaves the pixel alone (too faint to matter); an effective alpha
// from StoreAlpha up is written without reading the destination (too opaque
// for the rest to show). The untextured fillers compare their 8.16 alpha
// strictly above the same two values.
constexpr uint32_t SkipAlpha = 8;
constexpr uint32_t StoreAlpha = 240;

template <class P>
inline P loadPixel(const uint8_t* p) {
    P v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class P>
inline void storePixel(uint8_t* p, P v) {
    std::memcpy(p, &v, sizeof v);
}

// Keeps a running 8.16 colour inside 0..255.99 so rounding drift next to a
// vertex of 0 (or 255) never turns into a factor of 255 (or 0).
inline uint32_t clampChannel(uint32_t running) {
    const int32_t v = static_cast<int32_t>(running);
    return v < 0 ? 0u : v > 0x00FFFFFF ? 0x00FFFFFFu : static_cast<uint32_t>(v);
}

inline uint32_t fetchNearest(const TextureInfo& t, uint32_t u, uint32_t v) {
    const uint32_t col = u >> 16, row = v >> 16;
    if (col < static_cast<uint32_t>(t.width) && row < static_cast<uint32_t>(t.height))
        return t.bits[static_cast<size_t>(row) * static_cast<uint32_t>(t.width) + col];
    return 0;
}

inline uint32_t texelAt(const TextureInfo& t, int32_t col, int32_t row) {
    if (static_cast<uint32_t>(col) < static_cast<uint32_t>(t.width) &&
        static_cast<uint32_t>(row) < static_cast<uint32_t>(t.height))
        return t.bits[static_cast<size_t>(row) * static_cast<uint32_t>(t.width) + static_cast<uint32_t>(col)];
    return 0;
}

// Alpha-weighted 2x2 sample at (u, v), which already carry the half-texel
// offset. Colour comes out premultiplied, alpha is the sum of the weights.
// A neighbour outside the texture, on either axis, reads as transparent.
inline uint32_t fetchFiltered(const TextureInfo& t, uint32_t u, uint32_t v) {
    const int32_t col = static_cast<int32_t>(u) >> 16;
    const int32_t row = static_cast<int32_t>(v) >> 16;
    const uint32_t fu = (u & 0xFFFEu) + 1, fv = (v & 0xFFFEu) + 1;
    uint32_t t00, t10, t01, t11;
    if (col >= 0 && col < t.width - 1 && row >= 0 && row < t.height - 1) {
        // The whole block lies inside: one bounds test instead of four.
        const uint32_t* p = t.bits + static_cast<size_t>(row) * static_cast<uint32_t>(t.width) + static_cast<uint32_t>(col);
        t00 = p[0];
        t10 = p[1];
        t01 = p[t.width];
        t11 = p[t.width + 1];
    } else {
        t00 = texelAt(t, col, row);
        t10 = texelAt(t, col + 1, row);
        t01 = texelAt(t, col, row + 1);
        t11 = texelAt(t, col + 1, row + 1);
    }
    const uint32_t w00 = ((((65536 - fu) * (65536 - fv)) >> 16) * (t00 >> 24)) >> 16;
    const uint32_t w10 = (((fu * (65536 - fv)) >> 16) * (t10 >> 24)) >> 16;
    const uint32_t w01 = ((((65536 - fu) * fv) >> 16) * (t01 >> 24)) >> 16;
    const uint32_t w11 = (((fu * fv) >> 16) * (t11 >> 24)) >> 16;
    const uint32_t red = ((t00 & 0xFF0000u) * w00 + (t10 & 0xFF0000u) * w10 + (t01 & 0xFF0000u) * w01 +
                          (t11 & 0xFF0000u) * w11) & 0xFF000000u;
    const uint32_t green = ((t00 & 0xFF00u) * w00 + (t10 & 0xFF00u) * w10 + (t01 & 0xFF00u) * w01 +
                            (t11 & 0xFF00u) * w11) & 0x00FF0000u;
    const uint32_t blue = ((t00 & 0xFFu) * w00 + (t10 & 0xFFu) * w10 + (t01 & 0xFFu) * w01 +
                           (t11 & 0xFFu) * w11) & 0x0000FF00u;
    return ((w00 + w10 + w01 + w11) << 24) | ((red | green | blue) >> 8);
}

// One vertex in the frame's working form: position plus the attributes the
// feature set carries.
template <int N>
struct WorkVertex {
    int32_t x, y;
    int32_t q[N > 0 ? N : 1];
};

template <unsigned F>
WorkVertex<Features<F>::attrs> load(const FixedVertex& v, const FillColor* color) {
    using Ft = Features<F>;
    WorkVertex<Ft::attrs> w{};
    w.x = v.x;
    w.y = v.y;
    if constexpr (Ft::vertex) {
        w.q[0] = v.a;
        w.q[1] = v.r;
        w.q[2] = v.g;
        w.q[3] = v.b;
        if constexpr (Ft::fold) {
            const uint32_t m[4] = {static_cast<uint32_t>(color->a), static_cast<uint32_t>(color->r),
                                   static_cast<uint32_t>(color->g), static_cast<uint32_t>(color->b)};
            for (int i = 0; i < 4; ++i)
                w.q[i] = static_cast<int32_t>((static_cast<uint32_t>(w.q[i]) * m[i]) >> 8);
        }
    }
    if constexpr (Ft::textured) {
        w.q[Ft::colourAttrs] = v.u;
        w.q[Ft::colourAttrs + 1] = v.v;
    }
    return w;
}

// The colour stages and the store of one textured pixel, given its sample
// (the nearest texel or the filtered word). q holds the running attributes.
template <unsigned F, class Fmt>
inline void shadeSample(uint8_t* dst, uint32_t sample, const uint32_t* q, const FillColor& color) {
    using Ft = Features<F>;
    using Pixel = typename Fmt::Pixel;
    const uint32_t texAlpha = sample >> 24;
    if constexpr (Ft::alpha) {
        if (texAlpha <= SkipAlpha) return;
    }
    if constexpr (!Ft::colourFactor && !Ft::alpha) {
        storePixel<Pixel>(dst, Fmt::store(sample));
        return;
    }

    uint32_t fa = 255, fr = 255, fg = 255, fb = 255;
    if constexpr (Ft::vertex) {
        fa = clampChannel(q[0]) >> 16;
        fr = clampChannel(q[1]) >> 16;
        fg = clampChannel(q[2]) >> 16;
        fb = clampChannel(q[3]) >> 16;
    } else if constexpr (Ft::modulate) {
        fa = static_cast<uint32_t>(color.a);
        fr = static_cast<uint32_t>(color.r);
        fg = static_cast<uint32_t>(color.g);
        fb = static_cast<uint32_t>(color.b);
    }

    uint32_t source = sample;
    uint32_t effAlpha;
    if constexpr (Ft::colourFactor) {
        source = px::modulateRGB(sample, fr, fg, fb);
        effAlpha = Ft::alpha ? (fa * texAlpha) >> 8 : (fa * 255) >> 8;
        // The filtered colour already carries the texel alpha; weight it by
        // the colour's alpha factor as well.
        if constexpr (Ft::filter) source = px::modulateRGB(source, fa, fa, fa);
    } else {
        effAlpha = texAlpha;
    }

    if (effAlpha >= StoreAlpha) {
        storePixel<Pixel>(dst, Fmt::store(source));
    } else if (effAlpha != 0) {
        // A weight of 0 would only darken the destination (and divide by
        // zero over a transparent 0x8888 pixel): leave the pixel alone.
        const Pixel d = loadPixel<Pixel>(dst);
        storePixel<Pixel>(dst, Ft::filter ? Fmt::blendPremul(d, source, effAlpha)
                                          : Fmt::blendStraight(d, source, effAlpha));
    }
}

// One pixel: fetch, colour stages, store.
template <unsigned F, class Fmt>
inline void shadePixel(uint8_t* dst, const uint32_t* q, const TextureInfo& tex, const FillColor& color) {
    using Ft = Features<F>;
    using Pixel = typename Fmt::Pixel;

    if constexpr (!Ft::textured) {
        // Untextured vertex colours: store above 240.0, blend above 8.0.
        const uint32_t a = clampChannel(q[0]), r = clampChannel(q[1]);
        const uint32_t g = clampChannel(q[2]), b = clampChannel(q[3]);
        if (a > StoreAlpha << 16)
            storePixel<Pixel>(dst, Fmt::store(0xFF000000u | (r & 0x00FF0000u) | ((g >> 8) & 0x0000FF00u) | (b >> 16)));
        else if (a > SkipAlpha << 16)
            storePixel<Pixel>(dst, Fmt::blendVertex(loadPixel<Pixel>(dst), r, g, b, a >> 16));
    } else {
        constexpr int ui = Ft::colourAttrs;
        const uint32_t sample = Ft::filter ? fetchFiltered(tex, q[ui], q[ui + 1]) : fetchNearest(tex, q[ui], q[ui + 1]);
        shadeSample<F, Fmt>(dst, sample, q, color);
    }
}

// Pixels before the first 32-byte boundary of dst, for the vector kernels
// (none when dst is not even pixel aligned).
inline int32_t pixelsToAlign(const uint8_t* dst, int32_t n) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(dst);
    if (at & 3) return 0;
    return std::min<int32_t>(n, static_cast<int32_t>(((32 - (at & 31)) & 31) >> 2));
}

// Prefetches the line `bytes` past p, which may lie past the run or the
// buffer: a prefetch never faults, and the address is formed as an integer.
inline void prefetchAhead(const void* p, uintptr_t bytes, bool forWriting) {
    const void* at = reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + bytes);
    if (forWriting)
        __builtin_prefetch(at, 1);
    else
        __builtin_prefetch(at, 0);
}

// -1 until a level is forced; constant-initialised, so safe to read from any
// static initialiser.
std::atomic<int> forcedLevel{-1};

KernelLevel detectLevel() {
#if defined(ZELKOR_RASTER_AVX2)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return KernelLevel::Avx2;
#endif
#if defined(__SSE2__)
    return KernelLevel::Sse2;
#else
    return KernelLevel::Plain;
#endif
}

inline KernelLevel kernelLevel() {
    const int forced = forcedLevel.load(std::memory_order_relaxed);
    return forced >= 0 ? static_cast<KernelLevel>(forced) : SupportedKernelLevel();
}

[[maybe_unused]] inline bool useSse2() { return kernelLevel() >= KernelLevel::Sse2; }

#if defined(ZELKOR_RASTER_AVX2)
inline bool useAvx2() { return kernelLevel() >= KernelLevel::Avx2; }

// The first m of eight lanes.
__attribute__((target("avx2"))) inline __m256i firstLanes(int32_t m) {
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(m), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// Texels stored as they are, with `top` ORed in (the 0x8888 alpha).
__attribute__((target("avx2"))) void copyRunAvx2(uint8_t* dst, const uint32_t* src, int32_t n, uint32_t top) {
    const __m256i topBits = _mm256_set1_epi32(static_cast<int>(top));
    int* const words = reinterpret_cast<int*>(dst);
    int32_t k = pixelsToAlign(dst, n);
    if (k > 0) {
        const __m256i lanes = firstLanes(k);
        _mm256_maskstore_epi32(words, lanes,
                               _mm256_or_si256(_mm256_maskload_epi32(reinterpret_cast<const int*>(src), lanes), topBits));
    }
    for (; k + 16 <= n; k += 16) {
        // Asking for the destination line before its stores keeps them from
        // queueing behind one another's misses.
        prefetchAhead(dst + k * 4, 0, true);
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k + 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + k * 4), _mm256_or_si256(a, topBits));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + k * 4 + 32), _mm256_or_si256(b, topBits));
    }
    if (k + 8 <= n) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + k * 4), _mm256_or_si256(a, topBits));
        k += 8;
    }
    if (k < n) {
        const __m256i lanes = firstLanes(n - k);
        _mm256_maskstore_epi32(words + k, lanes,
                               _mm256_or_si256(_mm256_maskload_epi32(reinterpret_cast<const int*>(src + k), lanes),
                                               topBits));
    }
}
#endif

// A run of pixels that take consecutive texels of one row.
template <unsigned F, class Fmt>
inline void shadeRun(uint8_t* dst, const uint32_t* src, int32_t n, const FillColor& color) {
    using Pixel = typename Fmt::Pixel;
    constexpr bool Copy888 = F == FeatureTexture && std::is_same_v<Fmt, px::Fmt888>;
    constexpr bool Copy8888 = F == FeatureTexture && std::is_same_v<Fmt, px::Fmt8888>;
    if constexpr (Copy888) {
        // The texel word is the pixel: a plain copy. A whole picture goes in
        // pieces, which the C library copies faster than one large block
        // (1.9 MB: 36 us in 256 KB pieces, 48 us in one call).
        constexpr size_t Piece = 256 * 1024;
        const size_t bytes = static_cast<size_t>(n) * 4;
        for (size_t at = 0; at < bytes; at += Piece)
            std::memcpy(dst + at, reinterpret_cast<const uint8_t*>(src) + at, std::min(Piece, bytes - at));
        return;
    }
#if defined(ZELKOR_RASTER_AVX2)
    if constexpr (Copy8888) {
        if (useAvx2()) {
            copyRunAvx2(dst, src, n, 0xFF000000u);
            return;
        }
    }
#endif
    const uint32_t* noAttrs = nullptr;
    for (int32_t k = 0; k < n; ++k) shadeSample<F, Fmt>(dst + k * sizeof(Pixel), src[k], noAttrs, color);
}

#if defined(ZELKOR_RASTER_AVX2)
// Texture alpha over 0x888 for eight pixels, of which `lanes` selects those
// that exist (a partial group at either end of a run is read and written
// only through the mask). The per-channel arithmetic runs in 16-bit lanes,
// every product below 2^16.
template <bool Partial>
__attribute__((target("avx2"), always_inline)) inline void alphaGroup888Avx2(uint8_t* out, const uint32_t* src,
                                                                              __m256i lanes) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lanes255 = _mm256_set1_epi16(255);
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    // Compares are strict: above StoreAlpha - 1 stores, below SkipAlpha + 1 skips.
    const __m256i skipBelow = _mm256_set1_epi32(SkipAlpha + 1), storeAbove = _mm256_set1_epi32(StoreAlpha - 1);
    int* const outWords = reinterpret_cast<int*>(out);
    const __m256i t = Partial ? _mm256_maskload_epi32(reinterpret_cast<const int*>(src), lanes)
                              : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i alpha = _mm256_srli_epi32(t, 24);
    const __m256i store = _mm256_cmpgt_epi32(alpha, storeAbove);
    const __m256i skip = _mm256_cmpgt_epi32(skipBelow, alpha);
    if constexpr (!Partial) {
        // Wholly stored or wholly skipped groups never read the destination.
        if (static_cast<unsigned>(_mm256_movemask_epi8(store)) == 0xFFFFFFFFu) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), t);
            return;
        }
        if (static_cast<unsigned>(_mm256_movemask_epi8(skip)) == 0xFFFFFFFFu) return;
    }
    const __m256i d = Partial ? _mm256_maskload_epi32(outWords, lanes)
                              : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    const auto half = [&](__m256i t16, __m256i d16) __attribute__((target("avx2"))) {
        __m256i a = _mm256_shufflelo_epi16(t16, 0xFF);
        a = _mm256_shufflehi_epi16(a, 0xFF);
        const __m256i inv = _mm256_sub_epi16(lanes255, a);
        return _mm256_add_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(d16, inv), 8),
                                _mm256_srli_epi16(_mm256_mullo_epi16(t16, a), 8));
    };
    // Unpacking and packing both work within 128-bit halves, so every
    // pixel comes back to its own place.
    const __m256i lo = half(_mm256_unpacklo_epi8(t, zero), _mm256_unpacklo_epi8(d, zero));
    const __m256i hi = half(_mm256_unpackhi_epi8(t, zero), _mm256_unpackhi_epi8(d, zero));
    const __m256i blended = _mm256_or_si256(_mm256_packus_epi16(lo, hi), opaque);
    const __m256i keep = _mm256_or_si256(_mm256_and_si256(store, t), _mm256_and_si256(skip, d));
    const __m256i result = _mm256_or_si256(_mm256_andnot_si256(_mm256_or_si256(store, skip), blended), keep);
    if constexpr (Partial)
        _mm256_maskstore_epi32(outWords, lanes, result);
    else
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), result);
}

// A whole run of texture alpha over 0x888 where the processor has AVX2:
// whole groups on 32-byte boundaries of the destination, masked groups at
// the ends.
__attribute__((target("avx2"))) void alphaRun888Avx2(uint8_t* dst, const uint32_t* src, int32_t n) {
    int32_t k = pixelsToAlign(dst, n);
    if (k > 0) alphaGroup888Avx2<true>(dst, src, firstLanes(k));
    for (; k + 16 <= n; k += 16) {
        // Ask for the texels of the next few lines and for a destination
        // line ahead: each span is a short stream that the hardware's own
        // prefetchers pick up late, and a load that misses here stalls the
        // branches below.
        prefetchAhead(src + k, 256, false);
        prefetchAhead(src + k, 512, false);
        prefetchAhead(src + k, 768, false);
        prefetchAhead(dst + k * 4, 256, true);
        alphaGroup888Avx2<false>(dst + k * 4, src + k, _mm256_setzero_si256());
        alphaGroup888Avx2<false>(dst + k * 4 + 32, src + k + 8, _mm256_setzero_si256());
    }
    if (k + 8 <= n) {
        alphaGroup888Avx2<false>(dst + k * 4, src + k, _mm256_setzero_si256());
        k += 8;
    }
    if (k < n) alphaGroup888Avx2<true>(dst + k * 4, src + k, firstLanes(n - k));
}

#endif

#if defined(__SSE2__)
// Texture alpha over 0x888, four pixels at a time: the same per-channel
// arithmetic as the AVX2 kernel.
template <>
inline void shadeRun<FeatureTexture | FeatureAlpha, px::Fmt888>(uint8_t* dst, const uint32_t* src, int32_t n,
                                                                   const FillColor& color) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lanes255 = _mm_set1_epi16(255);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i skipBelow = _mm_set1_epi32(SkipAlpha + 1), storeAbove = _mm_set1_epi32(StoreAlpha - 1);
    int32_t k = 0;
#if defined(ZELKOR_RASTER_AVX2)
    if (useAvx2()) {
        alphaRun888Avx2(dst, src, n);
        return;
    }
#endif
    // At the plain level the loop below does every pixel.
    const int32_t vectorEnd = useSse2() ? n : 0;
    for (; k + 4 <= vectorEnd; k += 4) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
        const __m128i alpha = _mm_srli_epi32(t, 24);
        const __m128i store = _mm_cmpgt_epi32(alpha, storeAbove);
        const __m128i skip = _mm_cmplt_epi32(alpha, skipBelow);
        const int storeBits = _mm_movemask_epi8(store), skipBits = _mm_movemask_epi8(skip);
        uint8_t* out = dst + k * 4;
        if (skipBits == 0xFFFF) continue;
        if (storeBits == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), t);
            continue;
        }
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        auto half = [&](__m128i t16, __m128i d16) {
            __m128i a = _mm_shufflelo_epi16(t16, 0xFF);
            a = _mm_shufflehi_epi16(a, 0xFF);
            const __m128i inv = _mm_sub_epi16(lanes255, a);
            return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(d16, inv), 8),
                                 _mm_srli_epi16(_mm_mullo_epi16(t16, a), 8));
        };
        const __m128i lo = half(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(d, zero));
        const __m128i hi = half(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(d, zero));
        const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), opaque);
        const __m128i keep = _mm_or_si128(_mm_and_si128(store, t), _mm_and_si128(skip, d));
        const __m128i result = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(store, skip), blended), keep);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), result);
    }
    const uint32_t* noAttrs = nullptr;
    for (; k < n; ++k) shadeSample<FeatureTexture | FeatureAlpha, px::Fmt888>(dst + k * 4, src[k], noAttrs, color);
}
#endif

#if defined(ZELKOR_RASTER_AVX2)
// Eight filtered samples at (uu, vv), which carry the half-texel offset
// already: the texels are gathered, the same 32-bit arithmetic as
// fetchFiltered lane by lane. A group reaching past the texture's border
// gathers at indices clamped into it and zeroes each texel outside, so
// sprites that touch their border stay on this path. The texture is not
// empty.
__attribute__((target("avx2"), always_inline)) inline __m256i filteredSamples8(const TextureInfo& tex, __m256i uu,
                                                                                __m256i vv) {
    const __m256i lastCol = _mm256_set1_epi32(tex.width - 1), lastRow = _mm256_set1_epi32(tex.height - 1);
    const __m256i width = _mm256_set1_epi32(tex.width);
    const __m256i minusOne = _mm256_set1_epi32(-1), zero = _mm256_setzero_si256();
    const __m256i fracMask = _mm256_set1_epi32(0xFFFE), one = _mm256_set1_epi32(1), full = _mm256_set1_epi32(65536);
    const __m256i redMask = _mm256_set1_epi32(0xFF0000), greenMask = _mm256_set1_epi32(0xFF00);
    const __m256i blueMask = _mm256_set1_epi32(0xFF);
    const __m256i redKeep = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i greenKeep = _mm256_set1_epi32(0x00FF0000), blueKeep = _mm256_set1_epi32(0x0000FF00);
    const int* const bits = reinterpret_cast<const int*>(tex.bits);
    const __m256i col = _mm256_srai_epi32(uu, 16), row = _mm256_srai_epi32(vv, 16);
    // 0 <= col < width - 1 and 0 <= row < height - 1 in every lane.
    const __m256i inside = _mm256_and_si256(
        _mm256_and_si256(_mm256_cmpgt_epi32(col, minusOne), _mm256_cmpgt_epi32(lastCol, col)),
        _mm256_and_si256(_mm256_cmpgt_epi32(row, minusOne), _mm256_cmpgt_epi32(lastRow, row)));
    __m256i t00, t10, t01, t11;
    if (_mm256_movemask_epi8(inside) == -1) {
        const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(row, width), col);
        t00 = _mm256_i32gather_epi32(bits, index, 4);
        t10 = _mm256_i32gather_epi32(bits + 1, index, 4);
        t01 = _mm256_i32gather_epi32(bits + tex.width, index, 4);
        t11 = _mm256_i32gather_epi32(bits + tex.width + 1, index, 4);
    } else {
        // Each of the two columns and rows on its own: clamped into the
        // texture for the gather, and a mask of whether it lies inside.
        const __m256i col1 = _mm256_sub_epi32(col, minusOne), row1 = _mm256_sub_epi32(row, minusOne);
        const auto within = [&](__m256i i, __m256i last) __attribute__((target("avx2"))) {
            return _mm256_andnot_si256(_mm256_or_si256(_mm256_cmpgt_epi32(zero, i), _mm256_cmpgt_epi32(i, last)),
                                       minusOne);
        };
        const auto clamp = [&](__m256i i, __m256i last) __attribute__((target("avx2"))) {
            return _mm256_min_epi32(_mm256_max_epi32(i, zero), last);
        };
        const __m256i inCol0 = within(col, lastCol), inCol1 = within(col1, lastCol);
        const __m256i inRow0 = within(row, lastRow), inRow1 = within(row1, lastRow);
        const __m256i col0At = clamp(col, lastCol), col1At = clamp(col1, lastCol);
        const __m256i row0At = _mm256_mullo_epi32(clamp(row, lastRow), width);
        const __m256i row1At = _mm256_mullo_epi32(clamp(row1, lastRow), width);
        t00 = _mm256_and_si256(_mm256_i32gather_epi32(bits, _mm256_add_epi32(row0At, col0At), 4),
                               _mm256_and_si256(inCol0, inRow0));
        t10 = _mm256_and_si256(_mm256_i32gather_epi32(bits, _mm256_add_epi32(row0At, col1At), 4),
                               _mm256_and_si256(inCol1, inRow0));
        t01 = _mm256_and_si256(_mm256_i32gather_epi32(bits, _mm256_add_epi32(row1At, col0At), 4),
                               _mm256_and_si256(inCol0, inRow1));
        t11 = _mm256_and_si256(_mm256_i32gather_epi32(bits, _mm256_add_epi32(row1At, col1At), 4),
                               _mm256_and_si256(inCol1, inRow1));
    }
    const __m256i fu = _mm256_add_epi32(_mm256_and_si256(uu, fracMask), one);
    const __m256i fv = _mm256_add_epi32(_mm256_and_si256(vv, fracMask), one);
    const __m256i gu = _mm256_sub_epi32(full, fu), gv = _mm256_sub_epi32(full, fv);
    const auto weight = [&](__m256i x, __m256i y, __m256i t) __attribute__((target("avx2"))) {
        const __m256i area = _mm256_srli_epi32(_mm256_mullo_epi32(x, y), 16);
        return _mm256_srli_epi32(_mm256_mullo_epi32(area, _mm256_srli_epi32(t, 24)), 16);
    };
    const __m256i w00 = weight(gu, gv, t00), w10 = weight(fu, gv, t10);
    const __m256i w01 = weight(gu, fv, t01), w11 = weight(fu, fv, t11);
    const auto channel = [&](__m256i mask, __m256i keep) __attribute__((target("avx2"))) {
        __m256i sum = _mm256_mullo_epi32(_mm256_and_si256(t00, mask), w00);
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(_mm256_and_si256(t10, mask), w10));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(_mm256_and_si256(t01, mask), w01));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(_mm256_and_si256(t11, mask), w11));
        return _mm256_and_si256(sum, keep);
    };
    const __m256i rgb = _mm256_or_si256(_mm256_or_si256(channel(redMask, redKeep), channel(greenMask, greenKeep)),
                                        channel(blueMask, blueKeep));
    // The weights sum to 255 at most, so alpha fits its byte.
    const __m256i alpha = _mm256_add_epi32(_mm256_add_epi32(w00, w10), _mm256_add_epi32(w01, w11));
    return _mm256_or_si256(_mm256_slli_epi32(alpha, 24), _mm256_srli_epi32(rgb, 8));
}

// The u and v of a span's first eight pixels, and their step per group.
struct FilteredLanes {
    __m256i uu, vv, stepU, stepV;
};

__attribute__((target("avx2"), always_inline)) inline FilteredLanes filteredLanes(uint32_t u, uint32_t v, int32_t du,
                                                                                   int32_t dv) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return {_mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(du))),
            _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(dv))),
            _mm256_set1_epi32(static_cast<int>(static_cast<uint32_t>(du) * 8u)),
            _mm256_set1_epi32(static_cast<int>(static_cast<uint32_t>(dv) * 8u))};
}

// Filtered texture alpha over 0x888 (feature set 9), eight pixels at a time
// where the processor has AVX2; the last few pixels go through the plain
// path. Returns how many pixels it did.
__attribute__((target("avx2"))) int32_t filteredRun888Avx2(uint8_t* dst, const TextureInfo& tex, uint32_t u,
                                                            uint32_t v, int32_t du, int32_t dv, int32_t n) {
    if (tex.width < 1 || tex.height < 1) return 0;
    FilteredLanes l = filteredLanes(u, v, du, dv);
    const __m256i greenMask = _mm256_set1_epi32(0xFF00);
    const __m256i redKeep = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i rbMask = _mm256_set1_epi32(0x00FF00FF), rgbMask = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i storeAbove = _mm256_set1_epi32(StoreAlpha - 1), skipBelow = _mm256_set1_epi32(SkipAlpha + 1);
    const __m256i c255 = _mm256_set1_epi32(255);
    int32_t k = 0;
    for (; k + 8 <= n; k += 8, l.uu = _mm256_add_epi32(l.uu, l.stepU), l.vv = _mm256_add_epi32(l.vv, l.stepV)) {
        const __m256i sample = filteredSamples8(tex, l.uu, l.vv);
        const __m256i alpha = _mm256_srli_epi32(sample, 24);
        // Skip at 8 or less, store from 240, blend the premultiplied sample
        // in between: d scaled by 255 - alpha plus the sample, opaque.
        uint8_t* out = dst + k * 4;
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
        const __m256i inv = _mm256_sub_epi32(c255, alpha);
        const __m256i scaled = _mm256_or_si256(
            _mm256_and_si256(_mm256_srli_epi32(_mm256_mullo_epi32(_mm256_and_si256(d, rbMask), inv), 8), rbMask),
            _mm256_and_si256(_mm256_srli_epi32(_mm256_mullo_epi32(_mm256_and_si256(d, greenMask), inv), 8), greenMask));
        const __m256i blended = _mm256_or_si256(_mm256_add_epi32(scaled, _mm256_and_si256(sample, rgbMask)), redKeep);
        const __m256i store = _mm256_cmpgt_epi32(alpha, storeAbove);
        const __m256i skip = _mm256_cmpgt_epi32(skipBelow, alpha);
        const __m256i result = _mm256_blendv_epi8(_mm256_blendv_epi8(blended, sample, store), d, skip);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), result);
    }
    return k;
}

// The filtered samples of n pixels, eight at a time, into out, which has
// room for n rounded up to eight (a last group past the span reads only
// inside the texture, like any other). Returns false for an empty texture.
__attribute__((target("avx2"))) bool filteredSamplesAvx2(const TextureInfo& tex, uint32_t u, uint32_t v, int32_t du,
                                                          int32_t dv, int32_t n, uint32_t* out) {
    if (tex.width < 1 || tex.height < 1) return false;
    FilteredLanes l = filteredLanes(u, v, du, dv);
    for (int32_t k = 0; k < n; k += 8, l.uu = _mm256_add_epi32(l.uu, l.stepU), l.vv = _mm256_add_epi32(l.vv, l.stepV))
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), filteredSamples8(tex, l.uu, l.vv));
    return true;
}
#endif

// A span that stays on one texel row and inside the texture (an unrotated
// draw): no per-pixel index product or bounds test. Where u advances by
// about one texel a pixel, the span falls into long runs of consecutive
// texels.
template <unsigned F, class Fmt>
inline void shadeRow(uint8_t* dst, const uint32_t* row, uint32_t u, int32_t du, int32_t n, const FillColor& color) {
    using Pixel = typename Fmt::Pixel;
    const int64_t delta = int64_t{du} - 0x10000;
    if (delta > -0x800 && delta < 0x800) {
        for (int32_t k = 0; k < n;) {
            const uint32_t frac = u & 0xFFFF;
            // Pixels until the fraction leaves 0..0xFFFF and a texel repeats
            // or is skipped.
            int32_t run = n - k;
            if (delta < 0)
                run = std::min<int32_t>(run, static_cast<int32_t>(frac / static_cast<uint32_t>(-delta)) + 1);
            else if (delta > 0)
                run = std::min<int32_t>(run, static_cast<int32_t>((0xFFFFu - frac) / static_cast<uint32_t>(delta)) + 1);
            shadeRun<F, Fmt>(dst + k * sizeof(Pixel), row + (u >> 16), run, color);
            u += static_cast<uint32_t>(run) * static_cast<uint32_t>(du);
            k += run;
        }
        return;
    }
    const uint32_t* noAttrs = nullptr;
    for (int32_t k = 0; k < n; ++k, u += static_cast<uint32_t>(du))
        shadeSample<F, Fmt>(dst + k * sizeof(Pixel), row[u >> 16], noAttrs, color);
}


// The frame's walk over one triangle: sort, long and short edges in 16.16,
// one span a row. The frame and the rectangle path share it, so both compute
// every span bit for bit alike.
template <unsigned F>
struct Walker {
    using Ft = Features<F>;
    static constexpr int N = Ft::attrs;
    static constexpr int Q = N > 0 ? N : 1;

    WorkVertex<N> top, mid, bot;
    int32_t yTop = 0, yMid = 0, yBottom = 0;
    int32_t row = 0;  // the row span() describes
    int32_t slopeLong = 0, xLong = 0;
    int32_t stepLong[Q], gradient[Q], qLong[Q];
    int32_t slopeShort = 0, xShort = 0;
    // The two short edges at their first rows: top to mid, mid to bottom.
    int32_t slopeUpper = 0, xUpper = 0, slopeLower = 0, xLower = 0;
    bool longIsLeft = false;
    int32_t colMin = 0, colMax = 0;

    // False when the triangle covers no pixel row or has no width.
    bool setup(const FixedVertex* tri, const FillColor& color) {
        // Stable 3-sort by y: vertices of equal y keep their input order.
        const FixedVertex* s0 = &tri[0];
        const FixedVertex* s1 = &tri[1];
        const FixedVertex* s2 = &tri[2];
        if (s0->y > s1->y) std::swap(s0, s1);
        if (s1->y > s2->y) std::swap(s1, s2);
        if (s0->y > s1->y) std::swap(s0, s1);
        top = load<F>(*s0, &color);
        mid = load<F>(*s1, &color);
        bot = load<F>(*s2, &color);

        yTop = fx::ceil16(top.y);
        yMid = fx::ceil16(mid.y);
        yBottom = fx::ceil16(bot.y);
        if (yTop == yBottom) return false;

        // Long edge, top to bottom.
        const int64_t rLong = fx::reciprocal(int64_t{bot.y} - top.y);
        slopeLong = fx::step(int64_t{bot.x} - top.x, rLong);
        for (int i = 0; i < N; ++i) stepLong[i] = fx::step(int64_t{bot.q[i]} - top.q[i], rLong);

        const int64_t toMid = int64_t{mid.y} - top.y;
        const int32_t xLongMid = fx::add(top.x, fx::advance(slopeLong, toMid));
        if (mid.x == xLongMid) return false;

        // Span gradients, once per triangle, from the width at the middle vertex.
        const int64_t rWidth = fx::reciprocal(int64_t{mid.x} - xLongMid);
        for (int i = 0; i < N; ++i) {
            const int32_t qLongMid = fx::add(top.q[i], fx::advance(stepLong[i], toMid));
            gradient[i] = fx::step(int64_t{mid.q[i]} - qLongMid, rWidth);
        }

        // Prestep of the long edge to the first row.
        const int64_t pre = (int64_t{yTop} << 16) - top.y;
        xLong = fx::add(top.x, fx::advance(slopeLong, pre));
        for (int i = 0; i < N; ++i) qLong[i] = fx::add(top.q[i], fx::advance(stepLong[i], pre));
        longIsLeft = xLongMid < mid.x;

        // No span may leave the triangle's own column range, whatever the
        // rounding of the steps; the entry keeps that range inside the clip.
        colMin = fx::ceil16(std::min({top.x, mid.x, bot.x}));
        colMax = fx::ceil16(std::max({top.x, mid.x, bot.x}));

        if (yMid > yTop) {
            slopeUpper = fx::step(int64_t{mid.x} - top.x, fx::reciprocal(int64_t{mid.y} - top.y));
            xUpper = fx::add(top.x, fx::advance(slopeUpper, pre));
        }
        if (yBottom > yMid) {
            slopeLower = fx::step(int64_t{bot.x} - mid.x, fx::reciprocal(int64_t{bot.y} - mid.y));
            xLower = fx::add(mid.x, fx::advance(slopeLower, (int64_t{yMid} << 16) - mid.y));
        }
        row = yTop;
        if (yMid > yTop) {
            slopeShort = slopeUpper;
            xShort = xUpper;
        } else {
            lowerEdge();
        }
        return true;
    }

    // The short edge from mid to bottom takes over at row yMid.
    void lowerEdge() {
        slopeShort = slopeLower;
        xShort = xLower;
    }

    bool done() const { return row >= yBottom; }

    // Columns [first, end) of the current row; false when empty.
    bool columns(int32_t& first, int32_t& end) const {
        const int32_t xLeft = longIsLeft ? xLong : xShort;
        const int32_t xRight = longIsLeft ? xShort : xLong;
        first = std::max(fx::ceil16(xLeft), colMin);
        end = std::min(fx::ceil16(xRight), colMax);
        return first < end;
    }

    // The columns and the attributes at `first` (u and v without the
    // filter's half-texel offset).
    bool span(int32_t& first, int32_t& end, uint32_t* q) const {
        if (!columns(first, end)) return false;
        const int64_t e = (int64_t{first} << 16) - xLong;
        for (int i = 0; i < N; ++i) q[i] = static_cast<uint32_t>(fx::add(qLong[i], fx::advance(gradient[i], e)));
        return true;
    }

    void next() {
        xLong = fx::add(xLong, slopeLong);
        for (int i = 0; i < N; ++i) qLong[i] = fx::add(qLong[i], stepLong[i]);
        xShort = fx::add(xShort, slopeShort);
        if (++row == yMid) lowerEdge();
    }
};

// Draws the walker's current span [first, end) with the attributes q at
// `first`.
template <unsigned F, class Fmt>
inline void drawSpan(const Walker<F>& w, uint8_t* destBits, std::ptrdiff_t destPitch, int32_t first, int32_t end,
                     uint32_t* q, const TextureInfo& tex, const FillColor& color) {
    using Ft = Features<F>;
    constexpr int N = Ft::attrs;
    using Pixel = typename Fmt::Pixel;
    // Unrotated nearest texturing reads each span from one texel row.
    constexpr bool RowCapable = Ft::textured && !Ft::filter && !Ft::vertex;

    if constexpr (Ft::filter) {
        q[Ft::colourAttrs] -= 0x8000u;
        q[Ft::colourAttrs + 1] -= 0x8000u;
    }
    uint8_t* dst = destBits + static_cast<std::ptrdiff_t>(w.row) * destPitch +
                   static_cast<std::ptrdiff_t>(first) * static_cast<std::ptrdiff_t>(sizeof(Pixel));
    if constexpr (Ft::textured) {
        // A narrow span (a sliver that clipping leaves next to a larger
        // triangle) mostly waits on its first texel and pixel. Ask for
        // those a few rows further down the long edge; the guess need not
        // be exact, and a prefetch never faults.
        if (end - first < 16) {
            constexpr uint32_t Ahead = 4;
            const uint32_t u = static_cast<uint32_t>(w.qLong[Ft::colourAttrs]) +
                               Ahead * static_cast<uint32_t>(w.stepLong[Ft::colourAttrs]);
            const uint32_t v = static_cast<uint32_t>(w.qLong[Ft::colourAttrs + 1]) +
                               Ahead * static_cast<uint32_t>(w.stepLong[Ft::colourAttrs + 1]);
            prefetchAhead(tex.bits, (uintptr_t{v >> 16} * static_cast<uint32_t>(tex.width) + (u >> 16)) * 4, false);
            prefetchAhead(dst, static_cast<uintptr_t>(destPitch) * Ahead, true);
        }
    }
    if constexpr (RowCapable) {
        if (w.gradient[1] == 0) {
            // u runs linearly from its first to its last pixel without
            // wrapping when both ends lie inside the row.
            const int64_t uFirst = q[0];
            const int64_t uLast = uFirst + int64_t{end - first - 1} * w.gradient[0];
            const int64_t limit = int64_t{tex.width} << 16;
            const uint32_t texRow = q[1] >> 16;
            if (texRow < static_cast<uint32_t>(tex.height) && uFirst < limit && uLast >= 0 && uLast < limit) {
                const uint32_t* texels = tex.bits + static_cast<size_t>(texRow) * static_cast<uint32_t>(tex.width);
                shadeRow<F, Fmt>(dst, texels, q[0], w.gradient[0], end - first, color);
                return;
            }
        }
    }
    int32_t done = 0;
#if defined(ZELKOR_RASTER_AVX2)
    if constexpr (F == (FeatureTexture | FeatureAlpha | FeatureFilter) && std::is_same_v<Fmt, px::Fmt888>) {
        if (useAvx2()) {
            done = filteredRun888Avx2(dst, tex, q[0], q[1], w.gradient[0], w.gradient[1], end - first);
            dst += static_cast<std::ptrdiff_t>(done) * 4;
            for (int i = 0; i < N; ++i) q[i] += static_cast<uint32_t>(done) * static_cast<uint32_t>(w.gradient[i]);
        }
    }
    if constexpr (Ft::filter && !Ft::vertex) {
        // The sampling is most of a filtered pixel's cost: it goes eight at
        // a time, also for the last few pixels of a span; the colour stages
        // and the store (16-bit formats, 0x8888, modulation) stay those of
        // the plain path.
        if (useAvx2()) {
            constexpr int32_t Chunk = 64;
            uint32_t samples[Chunk];
            for (int32_t left = end - first - done; left > 0;) {
                const int32_t got = std::min(Chunk, left);
                if (!filteredSamplesAvx2(tex, q[0], q[1], w.gradient[0], w.gradient[1], got, samples)) break;
                for (int32_t i = 0; i < got; ++i) {
                    shadeSample<F, Fmt>(dst, samples[i], q, color);
                    dst += sizeof(Pixel);
                }
                for (int i = 0; i < N; ++i) q[i] += static_cast<uint32_t>(got) * static_cast<uint32_t>(w.gradient[i]);
                done += got;
                left -= got;
            }
        }
    }
#endif
    for (int32_t n = end - first - done; n > 0; --n) {
        shadePixel<F, Fmt>(dst, q, tex, color);
        dst += sizeof(Pixel);
        for (int i = 0; i < N; ++i) q[i] += static_cast<uint32_t>(w.gradient[i]);
    }
}

static const TextureInfo noTexture{};
static const FillColor opaqueWhite{};

// The frame: one triangle, its spans top to bottom, left to right.
template <unsigned F, class Fmt>
void fill(const FixedVertex* tri, uint8_t* destBits, std::ptrdiff_t destPitch, const TextureInfo* texInfo,
          const FillColor* colorIn) {
    const TextureInfo& tex = texInfo ? *texInfo : noTexture;
    const FillColor& color = colorIn ? *colorIn : opaqueWhite;
    Walker<F> w;
    if (!w.setup(tri, color)) return;
    uint32_t q[Walker<F>::Q];
    for (; !w.done(); w.next()) {
        int32_t first, end;
        if (w.span(first, end, q)) drawSpan<F, Fmt>(w, destBits, destPitch, first, end, q, tex, color);
    }
}

// Where a walker's every pixel (c, r) reads texel (c + dc, r + dr), inside
// the texture. The frame's u at a pixel is exactly floor(U) of the linear
// function U(x, k) = uLong0 + k stepU + gradU (x - xLong0 - k slope) / 65536
// at x = c << 16 (k the row past the first), all of its 32-bit wrapping adds
// cancelling while the result lies in 0..2^32; likewise v. Every pixel drawn
// lies between the walker's left and right edges, which step linearly, so a
// linear function keeps within bounds at every pixel when it does at the
// corners of each part (first and last row, left and right edge).
template <unsigned F>
bool oneTexelAPixel(const Walker<F>& w, const TextureInfo& tex, int32_t& dc, int32_t& dr) {
    static_assert(Walker<F>::N == 2, "u and v only");
    if (!tex.bits || tex.width <= 0 || tex.height <= 0 || tex.width >= 32768 || tex.height >= 32768) return false;
    constexpr int64_t Texel = int64_t{1} << 32;  // one texel, in 65536 U
    // 65536 U (i = 0) or 65536 V (i = 1) at position x (16.16), row k.
    auto scaled = [&](int i, int64_t x, int64_t k) {
        return (static_cast<__int128>(w.qLong[i]) + static_cast<__int128>(k) * w.stepLong[i]) * 65536 +
               static_cast<__int128>(w.gradient[i]) * (x - w.xLong - k * w.slopeLong);
    };
    auto floorDiv = [](__int128 a) { return static_cast<int64_t>(a >= 0 ? a / Texel : -((-a + Texel - 1) / Texel)); };

    const int64_t upperRows = int64_t{w.yMid} - w.yTop, lowerRows = int64_t{w.yBottom} - w.yMid;
    struct Corner {
        int64_t x, k;
    };
    Corner corners[8];
    int n = 0;
    auto part = [&](int64_t from, int64_t rows, int64_t xShort, int64_t slopeShort) {
        if (rows <= 0) return;
        for (const int64_t k : {int64_t{0}, rows - 1}) {
            corners[n++] = {w.xLong + (from + k) * w.slopeLong, from + k};
            corners[n++] = {xShort + k * slopeShort, from + k};
        }
    };
    part(0, upperRows, w.xUpper, w.slopeUpper);
    part(upperRows, lowerRows, w.xLower, w.slopeLower);
    for (int i = 0; i < n; ++i) {
        const int64_t x = corners[i].x;
        if (x < INT32_MIN || x > INT32_MAX) return false;  // the frame's x would wrap
    }

    // Pixel c at x = 65536 c reads column c + dc when 0 <= U - 65536 (c + dc) < 65536,
    // that is 0 <= 65536 U - 65536 x - Texel dc < Texel.
    auto uOff = [&](const Corner& p) { return scaled(0, p.x, p.k) - static_cast<__int128>(p.x) * 65536; };
    auto vOff = [&](const Corner& p) { return scaled(1, p.x, p.k) - static_cast<__int128>(w.yTop + p.k) * Texel; };
    dc = static_cast<int32_t>(floorDiv(uOff(corners[0])));
    dr = static_cast<int32_t>(floorDiv(vOff(corners[0])));
    for (int i = 0; i < n; ++i) {
        const __int128 u = uOff(corners[i]) - static_cast<__int128>(dc) * Texel;
        const __int128 v = vOff(corners[i]) - static_cast<__int128>(dr) * Texel;
        if (u < 0 || u >= Texel || v < 0 || v >= Texel) return false;
    }
    return int64_t{w.colMin} + dc >= 0 && int64_t{w.colMax} - 1 + dc < tex.width && int64_t{w.yTop} + dr >= 0 &&
           int64_t{w.yBottom} - 1 + dr < tex.height;
}

// Whether no span of the walker is cut by its column range: then each row's
// span runs from ceil of its left edge to ceil of its right edge. Edges step
// linearly, so the first and last row of each part decide (and no x may wrap,
// which the frame's 32-bit adds would do).
template <unsigned F>
bool spansUnclamped(const Walker<F>& w) {
    auto inside = [&](int64_t x) {
        return x >= INT32_MIN && x <= INT32_MAX && fx::ceil16(x) >= w.colMin && fx::ceil16(x) <= w.colMax;
    };
    const int64_t upperRows = int64_t{w.yMid} - w.yTop, lowerRows = int64_t{w.yBottom} - w.yMid;
    auto part = [&](int64_t from, int64_t rows, int32_t xShort, int32_t slopeShort) {
        if (rows <= 0) return true;
        const int64_t longFirst = w.xLong + from * w.slopeLong, longLast = longFirst + (rows - 1) * w.slopeLong;
        const int64_t shortLast = xShort + (rows - 1) * int64_t{slopeShort};
        return inside(longFirst) && inside(longLast) && inside(xShort) && inside(shortLast);
    };
    return part(0, upperRows, w.xUpper, w.slopeUpper) && part(upperRows, lowerRows, w.xLower, w.slopeLower);
}

// The pieces of one strip rectangle (the fan triangles of its two clipped
// triangles), walked row by row together. A piece whose pixels provably read
// one texel a pixel draws its spans as runs of consecutive texels; where all
// of a row's spans do so alike and abut, the row is one run, and runs that
// follow one another in memory (a destination and a texture of one pitch)
// become one. Other pieces draw their spans as the frame does. Spans go in
// piece order within a row, so every pixel gets what the frame gives it.
template <unsigned F, class Fmt>
void fillRectangle(const FixedVertex (*tris)[3], int count, uint8_t* destBits, std::ptrdiff_t destPitch,
                   const TextureInfo* texInfo, const FillColor* colorIn) {
    using Pixel = typename Fmt::Pixel;
    constexpr int MaxPieces = RectanglePieces;
    constexpr std::ptrdiff_t PixelSize = sizeof(Pixel);
    const TextureInfo& tex = texInfo ? *texInfo : noTexture;
    const FillColor& color = colorIn ? *colorIn : opaqueWhite;
    Walker<F> walkers[MaxPieces];
    bool mapped[MaxPieces];
    int32_t dc[MaxPieces], dr[MaxPieces];
    int live = 0;
    int32_t rowBegin = 0, rowEnd = 0, colBegin = 0, colEnd = 0;
    // The pieces tile the rectangle, sharing every inner edge bit for bit, so
    // their spans abut on every row unless a column range cuts one, or a
    // piece that has rows draws nothing (its middle vertex on its long edge
    // by rounding). Otherwise the rectangle is one block of texels.
    bool block = true;
    for (int t = 0; t < count && live < MaxPieces; ++t) {
        Walker<F>& w = walkers[live];
        if (!w.setup(tris[t], color)) {
            block = block && w.yTop == w.yBottom;
            continue;
        }
        mapped[live] = oneTexelAPixel(w, tex, dc[live], dr[live]);
        block = block && mapped[live] && dc[live] == dc[0] && dr[live] == dr[0] && spansUnclamped(w);
        rowBegin = live ? std::min(rowBegin, w.yTop) : w.yTop;
        rowEnd = live ? std::max(rowEnd, w.yBottom) : w.yBottom;
        colBegin = live ? std::min(colBegin, w.colMin) : w.colMin;
        colEnd = live ? std::max(colEnd, w.colMax) : w.colMax;
        ++live;
    }
    if (live == 0) return;

    // The run waiting to be drawn: it grows while rows follow in memory.
    uint8_t* runDst = nullptr;
    const uint32_t* runSrc = nullptr;
    int32_t runLength = 0;
    auto flush = [&] {
        if (runLength > 0) shadeRun<F, Fmt>(runDst, runSrc, runLength, color);
        runLength = 0;
    };
    auto texel = [&](int i, int32_t row, int32_t col) {
        return tex.bits + static_cast<size_t>(row + dr[i]) * static_cast<uint32_t>(tex.width) +
               static_cast<uint32_t>(col + dc[i]);
    };

    if (block) {
        if (colEnd <= colBegin) return;
        for (int32_t row = rowBegin; row < rowEnd; ++row) {
            uint8_t* dst = destBits + static_cast<std::ptrdiff_t>(row) * destPitch + colBegin * PixelSize;
            const uint32_t* src = texel(0, row, colBegin);
            if (runLength == 0 || dst != runDst + runLength * PixelSize || src != runSrc + runLength ||
                runLength > INT32_MAX - (colEnd - colBegin)) {
                flush();
                runDst = dst;
                runSrc = src;
            }
            runLength += colEnd - colBegin;
        }
        flush();
        return;
    }

    uint32_t q[MaxPieces][Walker<F>::Q];
    int32_t first[MaxPieces], end[MaxPieces];
    for (int32_t row = rowBegin; row < rowEnd; ++row) {
        uint8_t* const rowBits = destBits + static_cast<std::ptrdiff_t>(row) * destPitch;
        int active[MaxPieces];
        int n = 0;
        bool chained = true;
        for (int i = 0; i < live; ++i) {
            Walker<F>& w = walkers[i];
            if (w.row != row || w.done()) continue;
            if (mapped[i] ? w.columns(first[i], end[i]) : w.span(first[i], end[i], q[i])) {
                chained = chained && mapped[i] && (n == 0 || (dc[i] == dc[active[0]] && dr[i] == dr[active[0]]));
                active[n++] = i;
            }
        }
        int32_t from = 0, to = 0;
        if (chained && n > 0) {
            // Abutting spans, in any order, cover from..to exactly once.
            from = first[active[0]];
            to = end[active[0]];
            int32_t covered = to - from;
            for (int k = 1; k < n; ++k) {
                from = std::min(from, first[active[k]]);
                to = std::max(to, end[active[k]]);
                covered += end[active[k]] - first[active[k]];
            }
            chained = covered == to - from;
            for (int k = 0; k < n && chained; ++k)
                for (int j = k + 1; j < n && chained; ++j)
                    chained = end[active[k]] <= first[active[j]] || end[active[j]] <= first[active[k]];
        }
        if (chained && n > 0) {
            uint8_t* dst = rowBits + from * PixelSize;
            const uint32_t* src = texel(active[0], row, from);
            const int32_t length = to - from;
            if (runLength == 0 || dst != runDst + runLength * PixelSize || src != runSrc + runLength ||
                runLength > INT32_MAX - length) {
                flush();
                runDst = dst;
                runSrc = src;
            }
            runLength += length;
        } else {
            flush();
            for (int k = 0; k < n; ++k) {
                const int i = active[k];
                if (mapped[i])
                    shadeRun<F, Fmt>(rowBits + first[i] * PixelSize, texel(i, row, first[i]), end[i] - first[i], color);
                else
                    drawSpan<F, Fmt>(walkers[i], destBits, destPitch, first[i], end[i], q[i], tex, color);
            }
        }
        for (int i = 0; i < live; ++i)
            if (walkers[i].row == row && !walkers[i].done()) walkers[i].next();
    }
    flush();
}

template <unsigned Group>
using FormatOf = std::conditional_t<
    Group == 0x20, px::Fmt888,
    std::conditional_t<Group == 0x40, px::Fmt565, std::conditional_t<Group == 0x60, px::Fmt555, px::Fmt8888>>>;

template <unsigned I>
constexpr TriangleFiller entryFor() {
    using Fmt = FormatOf<(I & 0x60u)>;
    if constexpr ((I & FeatureTexture) != 0)
        return &fill<(I & 0x1Fu), Fmt>;
    else if constexpr ((I & FeatureVertexColors) != 0)
        // Filtering and alpha mean nothing without a texture.
        return &fill<(I & (FeatureModulate | FeatureVertexColors)), Fmt>;
    else
        return &NullFiller;
}

// The rectangle path serves the nearest-texel members without vertex
// colours: the ones whose spans can be runs of consecutive texels.
template <unsigned I>
constexpr RectangleFiller rectangleFor() {
    using Fmt = FormatOf<(I & 0x60u)>;
    if constexpr ((I & (FeatureTexture | FeatureFilter | FeatureVertexColors)) == FeatureTexture)
        return &fillRectangle<(I & 0x1Fu), Fmt>;
    else
        return nullptr;
}

template <size_t... I>
constexpr std::array<RectangleFiller, FillerCount> makeRectangles(std::index_sequence<I...>) {
    return {{rectangleFor<static_cast<unsigned>(I)>()...}};
}

constexpr std::array<RectangleFiller, FillerCount> rectangles = makeRectangles(std::make_index_sequence<FillerCount>{});

template <size_t... I>
constexpr FillerArray makeTable(std::index_sequence<I...>) {
    return FillerArray{{entryFor<static_cast<unsigned>(I)>()...}};
}

constexpr FillerArray generated = makeTable(std::make_index_sequence<FillerCount>{});

}  // namespace

KernelLevel SupportedKernelLevel() {
    static const KernelLevel supported = detectLevel();
    return supported;
}

KernelLevel SetKernelLevel(KernelLevel level) {
    const KernelLevel inForce = std::min(level, SupportedKernelLevel());
    forcedLevel.store(static_cast<int>(inForce), std::memory_order_relaxed);
    return inForce;
}

KernelLevel CurrentKernelLevel() { return kernelLevel(); }

const FillerArray& GeneratedFillers() { return generated; }

RectangleFiller RectangleFillerFor(unsigned index) { return index < FillerCount ? rectangles[index] : nullptr; }

void InitFillerTable() { FillerTable = generated; }

}  // namespace Vant::SWRaster
