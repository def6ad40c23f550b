// Sutherland-Hodgman clipping of one triangle against the clip rectangle.
// Cuts always run from the outside vertex to the inside one, so two
// triangles sharing an edge get bit-identical cut vertices.
#include "framework/raster/Raster.h"

#include <cassert>
#include <cmath>

namespace Vant::SWRaster {

namespace {

uint32_t lerpColor(uint32_t o, uint32_t i, double t) {
    uint32_t out = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const double oc = static_cast<double>((o >> shift) & 0xFF);
        const double ic = static_cast<double>((i >> shift) & 0xFF);
        // t lies in [0, 1], so the channel stays within 0..255.
        out |= (static_cast<uint32_t>(std::trunc(oc + (ic - oc) * t)) & 0xFF) << shift;
    }
    return out;
}

double interp(float o, float i, double t) { return double(o) + (double(i) - double(o)) * t; }

// The cut-axis coordinate is the bound itself: interpolating it could leave
// it outside the rectangle for huge inputs, and later passes never test it.
TriVertex cut(const TriVertex& o, const TriVertex& i, float e, bool vertical) {
    const double oc = vertical ? o.x : o.y;
    const double ic = vertical ? i.x : i.y;
    double t = (double(e) - oc) / (ic - oc);
    if (!(t >= 0.0)) t = 0.0;
    if (t > 1.0) t = 1.0;
    TriVertex r;
    if (vertical) {
        r.x = e;
        r.y = static_cast<float>(interp(o.y, i.y, t));
    } else {
        r.x = static_cast<float>(interp(o.x, i.x, t));
        r.y = e;
    }
    r.u = static_cast<float>(interp(o.u, i.u, t));
    r.v = static_cast<float>(interp(o.v, i.v, t));
    r.color = lerpColor(o.color, i.color, t);
    return r;
}

enum class Side { Left, Right, Top, Bottom };

// NaN compares as inside, as in any ordered comparison; the entry drops
// triangles with non-finite positions before they get here.
template <Side S>
bool outside(const TriVertex& v, float bound) {
    if constexpr (S == Side::Left) return v.x < bound;
    if constexpr (S == Side::Right) return v.x > bound;
    if constexpr (S == Side::Top) return v.y < bound;
    return v.y > bound;
}

template <Side S>
int clipPass(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool) {
    constexpr bool vertical = S == Side::Left || S == Side::Right;
    int n = 0;
    while (in[n]) ++n;
    int count = 0;
    auto emit = [&](const TriVertex* v) {
        // A convex input gains at most one vertex per pass; this only guards
        // the fixed lists should rounding ever bend the polygon.
        if (count < ClipListSize - 1) out[count++] = v;
    };
    auto emitCut = [&](const TriVertex& o, const TriVertex& i) {
        assert(pool.count < ClipListSize);
        if (pool.count >= ClipListSize) return;
        TriVertex& rec = pool.records[pool.count++];
        rec = cut(o, i, bound, vertical);
        emit(&rec);
    };
    for (int k = 0; k < n; ++k) {
        const TriVertex* a = in[k];
        const TriVertex* b = in[k + 1 < n ? k + 1 : 0];
        const bool aOut = outside<S>(*a, bound);
        const bool bOut = outside<S>(*b, bound);
        if (!aOut) {
            emit(a);
            if (bOut) emitCut(*b, *a);
        } else if (!bOut) {
            emitCut(*a, *b);
        }
    }
    out[count] = nullptr;
    return count;
}

}  // namespace

int ClipLeft(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool) {
    return clipPass<Side::Left>(out, in, bound, pool);
}
int ClipRight(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool) {
    return clipPass<Side::Right>(out, in, bound, pool);
}
int ClipTop(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool) {
    return clipPass<Side::Top>(out, in, bound, pool);
}
int ClipBottom(const TriVertex** out, const TriVertex* const* in, float bound, ClipPool& pool) {
    return clipPass<Side::Bottom>(out, in, bound, pool);
}

TriVertex CutAtX(const TriVertex& o, const TriVertex& i, float e) { return cut(o, i, e, true); }
TriVertex CutAtY(const TriVertex& o, const TriVertex& i, float e) { return cut(o, i, e, false); }

int ClipPolygon(const TriVertex* a, const TriVertex* b, const TriVertex* c, const TriVertex** out, float xmin,
                float xmax, float ymin, float ymax, ClipPool& pool) {
    const TriVertex* input[4] = {a, b, c, nullptr};
    const TriVertex* internal[ClipListSize];
    pool.count = 0;
    out[0] = nullptr;
    if (ClipLeft(internal, input, xmin, pool) < 3) return out[0] = nullptr, 0;
    if (ClipRight(out, internal, xmax, pool) < 3) return out[0] = nullptr, 0;
    if (ClipTop(internal, out, ymin, pool) < 3) return out[0] = nullptr, 0;
    const int n = ClipBottom(out, internal, ymax, pool);
    if (n < 3) return out[0] = nullptr, 0;
    return n;
}

}  // namespace Vant::SWRaster
