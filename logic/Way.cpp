#include "logic/Way.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

float dist(const Vector2& a, const Vector2& b) { return (a - b).length(); }

void scale_pos(WayPosition& p, float sx, float sy) {
    p.point.x *= sx;
    p.point.y *= sy;
}

// Merges every run of equal consecutive points into its last point, so that
// no segment has zero length, and renumbers the marks to match.
void merge_equal_points(WayGeometry& g) {
    const int n = int(g.points.size());
    std::vector<int> new_index(std::size_t(n), 0);
    std::vector<WayPoint> kept;
    kept.reserve(g.points.size());
    for (int i = 0; i < n; ++i) {
        // A mark on a dropped point lies on the point that replaces it.
        new_index[std::size_t(i)] = int(kept.size());
        const bool dup = i + 1 < n && g.points[std::size_t(i)].pos() == g.points[std::size_t(i) + 1].pos();
        if (!dup) kept.push_back(g.points[std::size_t(i)]);
    }
    if (int(kept.size()) == n) return;
    for (auto& m : g.marks)
        if (m.index >= 0 && m.index < n) m.index = new_index[std::size_t(m.index)];
    g.points = std::move(kept);
}

// Why points cannot make a way, or null when they can: every segment needs a
// direction and a finite length.
const char* check_points(const std::vector<WayPoint>& pts) {
    if (pts.size() < 2) return "A way needs at least two distinct points";
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (!std::isfinite(pts[i].x) || !std::isfinite(pts[i].y)) return "A way point has no finite position";
        if (i == 0) continue;
        const float len = dist(pts[i].pos(), pts[i - 1].pos());
        if (len == 0.0f) return "A way has a segment of zero length";
        if (!std::isfinite(len)) return "A way has a segment too long to measure";
    }
    return nullptr;
}

const char* check_marks(const WayGeometry& g) {
    for (int m = 0; m < 3; ++m)
        if (g.has_mark(m) && (!std::isfinite(g.marks[m].point.x) || !std::isfinite(g.marks[m].point.y)))
            return "A way mark has no finite position";
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------- geometry

void WayGeometry::scale(float sx, float sy) {
    for (auto& p : points) {
        p.x *= sx;
        p.y *= sy;
    }
    for (auto& m : marks) scale_pos(m, sx, sy);
}

void WayGeometry::translate(float dx, float dy) {
    for (auto& p : points) {
        p.x += dx;
        p.y += dy;
    }
    for (auto& m : marks) {
        m.point.x += dx;
        m.point.y += dy;
    }
}

bool WayGeometry::has_mark(int m) const {
    return m >= 0 && m < 3 && std::uint32_t(marks[m].index) < points.size();
}

bool WayGeometry::operator==(const WayGeometry& o) const {
    return points == o.points && marks[0] == o.marks[0] && marks[1] == o.marks[1] &&
           marks[2] == o.marks[2];
}

// ---------------------------------------------------------------- way

Way::Way() : start_length_(-kInf), finish_length_(kInf) {}

Way::Way(const WayGeometry& geometry) : geometry_(geometry), start_length_(-kInf), finish_length_(kInf) {
    merge_equal_points(geometry_);
    if (const char* fault = check_points(geometry_.points)) throw std::invalid_argument(fault);
    if (const char* fault = check_marks(geometry_)) throw std::invalid_argument(fault);
    derive();
    if (!std::isfinite(lengths_.back())) throw std::invalid_argument("A way is too long");
}

Way::~Way() = default;

std::shared_ptr<Way> Way::make_segment(const Vector2& p0, const Vector2& p1) {
    WayGeometry g;
    g.points.emplace_back(p0);
    g.points.emplace_back(p1);
    return std::make_shared<Way>(g);
}

void Way::derive() {
    const int n = point_count();
    lengths_.assign(std::size_t(n), 0.0f);
    pieces_.assign(std::size_t(n), 0u);
    std::uint32_t pieces = 0;
    for (int i = 0; i < n; ++i) {
        if (i > 0) lengths_[std::size_t(i)] = lengths_[std::size_t(i) - 1] + segment_length(i - 1, i);
        if (pt(i).link >= 0) ++pieces;
        pieces_[std::size_t(i)] = pieces;
    }
    entry_ = WayPosition();
    for (int i = 0; i < n; ++i)
        if (pt(i).open) {
            entry_ = WayPosition(i, pt(i).pos());
            break;
        }
    start_length_ = geometry_.has_mark(WayGeometry::start_mark)
                        ? path_length(geometry_.marks[WayGeometry::start_mark]) : -kInf;
    finish_length_ = geometry_.has_mark(WayGeometry::finish_mark)
                         ? path_length(geometry_.marks[WayGeometry::finish_mark]) : kInf;
}

int Way::clamp_index(int index) const {
    if (index < -1) return -1;
    const int last = point_count() - 1;
    return index > last ? last : index;
}

bool Way::usable() const {
    return geometry_.points.size() >= 2 && lengths_.size() == geometry_.points.size();
}

WayPosition Way::first_position() const {
    if (!usable()) return WayPosition();
    return WayPosition(0, point(0));
}

WayPosition Way::last_position() const {
    if (!usable()) return WayPosition();
    const int n = point_count();
    return WayPosition(n - 2, point(n - 1));
}

bool Way::segment_open(int index) const {
    if (index < 0 || index >= point_count() - 1) return false;
    return pt(index).open != 0;
}

std::int32_t Way::segment_order(int index) const {
    if (index < 0 || index >= point_count() - 1) return -1;
    return pt(index).order;
}

Vector2 Way::tangent(int index) const {
    if (!usable()) return {};
    const int n = point_count();
    int from = clamp_index(index);
    if (from < 0) from = 0;
    if (from > n - 2) from = n - 2;
    return (point(from + 1) - point(from)).normalized();
}

float Way::direction(int index) const {
    const Vector2 t = tangent(index);
    return float(std::atan2(double(t.x), double(t.y)));
}

float Way::segment_length(int i, int j) const {
    const int lo = std::min(i, j);
    if (pt(lo).link >= 0) return 0.0f;
    return dist(point(i), point(j));
}

float Way::distance_to_point(const Vector2& p, int i) const { return dist(p, point(i)); }

float Way::path_length(const WayPosition& pos) const {
    if (!usable()) return 0.0f;
    const int i = clamp_index(pos.index);
    if (i < 0) return (pos.point - point(0)).dot(tangent(0)) + lengths_[0];
    return lengths_[std::size_t(i)] + dist(pos.point, point(i));
}

float Way::distance(const WayPosition& a, const WayPosition& b) const {
    return path_length(b) - path_length(a);
}

float Way::distance_to_end(const WayPosition& pos) const {
    if (unbounded_) return kInf;
    return path_length(last_position()) - path_length(pos);
}

float Way::distance_from_start(const WayPosition& pos) const {
    if (unbounded_) return kInf;
    return path_length(pos) - path_length(first_position());
}

float Way::distance_from_start_mark(const WayPosition& pos) const {
    return path_length(pos) - start_length_;
}

float Way::distance_to_finish_mark(const WayPosition& pos) const {
    return finish_length_ - path_length(pos);
}

bool Way::is_ahead(const WayPosition& a, const WayPosition& b) const {
    if (!usable()) return false;
    const int ia = clamp_index(a.index), ib = clamp_index(b.index);
    if (ia != ib) return ia > ib;
    const int base = ia < 0 ? 0 : ia;
    const Vector2 t = tangent(ia);
    return (a.point - point(base)).dot(t) > (b.point - point(base)).dot(t);
}

// ---------------------------------------------------------------- advance

bool Way::advance(WayPosition& pos, float d) const {
    float moved = 0.0f;
    std::int32_t link = -1;
    return advance(pos, d, moved, link);
}

bool Way::advance(WayPosition& pos, float d, float& moved, std::int32_t& link) const {
    moved = 0.0f;
    link = -1;
    const int n = point_count();
    if (!usable() || std::isnan(d)) return false;
    if (d == 0.0f) return true;
    int index = clamp_index(pos.index);
    Vector2 place = pos.point;

    // Starting on an extension: move along it as far as it goes.
    if (index == -1 || index == n - 1) {
        const bool front = index == -1;
        const Vector2 u = tangent(front ? 0 : n - 2);
        const Vector2 end = front ? point(0) : point(n - 1);
        const bool away = front ? d < 0.0f : d > 0.0f;
        const float room = dist(place, end);
        if (away || std::fabs(d) <= room) {
            pos = WayPosition(index, place + u * d);
            return true;
        }
        d += front ? -room : room;
        place = end;
        index = front ? 0 : n - 2;
    }

    const int s = d > 0.0f ? 1 : -1;
    int cur = s > 0 ? index : index + 1;
    int next = s > 0 ? index + 1 : index;
    float r = std::fabs(d);
    bool first = true;
    while (next >= 0 && next < n) {
        const float leg = first ? dist(place, point(next)) : segment_length(cur, next);
        if (r < leg) {
            place = place + (point(next) - place) * (r / leg);
            moved = d;
            int idx = std::max(std::min(cur, next), 0);
            if (idx == n - 1) idx = n - 2;
            pos = WayPosition(idx, place);
            return true;
        }
        r -= leg;
        place = point(next);
        moved += s > 0 ? leg : -leg;
        const int lo = std::min(cur, next);
        if (pt(lo).link >= 0) link = pt(lo).link;
        cur = next;
        next += s;
        first = false;
    }

    // An end was reached before the distance was used up.
    if (unbounded_) {
        moved = d;
        if (s > 0)
            pos = WayPosition(n - 1, point(n - 1) + tangent(n - 2) * r);
        else
            pos = WayPosition(-1, point(0) - tangent(0) * r);
        return true;
    }
    pos = WayPosition(s > 0 ? n - 2 : 0, place);
    return false;
}

// ---------------------------------------------------------------- chords

bool Way::extension_chord(const Vector2& c, float radius, bool front, WayPosition& pos,
                          float& moved) const {
    const int n = point_count();
    const Vector2 e = front ? point(0) : point(n - 1);
    const Vector2 u = front ? (point(0) - point(1)).normalized() : tangent(n - 2);
    const Vector2 foot = e + u * (c - e).dot(u);
    const float h = dist(c, foot);
    const float r = std::fabs(radius);
    if (h <= r) {
        float k = std::sqrt(std::max(radius * radius - h * h, 0.0f));
        if (radius < 0.0f) k = -k;
        if (front) k = -k;
        const Vector2 q = foot + u * k;
        if ((q - e).dot(u) >= 0.0f) {
            moved = dist(q, pos.point);
            pos = WayPosition(front ? -1 : n - 1, q);
            return true;
        }
    }
    moved = dist(e, pos.point);
    pos = WayPosition(front ? 0 : n - 2, e);
    return false;
}

bool Way::advance_by_chord(const Vector2& centre, float radius, WayPosition& pos) const {
    float moved = 0.0f;
    std::int32_t link = -1;
    return advance_by_chord(centre, radius, pos, moved, link);
}

bool Way::advance_by_chord(const Vector2& c, float radius, WayPosition& pos, float& moved,
                           std::int32_t& link) const {
    moved = 0.0f;
    link = -1;
    const int n = point_count();
    if (!usable() || std::isnan(radius)) return false;
    int index = clamp_index(pos.index);
    const float r = std::fabs(radius);

    if (index == -1 || index == n - 1) {
        if (radius == 0.0f) return true;
        WayPosition p(index, pos.point);
        float ext = 0.0f;
        if (extension_chord(c, radius, index == -1, p, ext)) {
            pos = p;
            moved = ext;
            return true;
        }
        // The wanted place lies on the polyline: search on from the end point.
        moved = ext;
        index = p.index;
        pos = p;
    }

    const int s = radius >= 0.0f ? 1 : -1;
    int cur = s > 0 ? index : index + 1;
    int next = s > 0 ? index + 1 : index;
    Vector2 place = pos.point;
    bool first = true;
    while (next >= 0 && next < n) {
        if (dist(point(next), c) >= r) {
            const int lo = std::min(cur, next);
            Vector2 found;
            if (pt(lo).link >= 0) {
                found = point(next);
                link = pt(lo).link;
            } else {
                // The far intersection of the circle with the leg A->B, in
                // double precision; rounding must not turn a touching
                // circle into a NaN.
                const Vector2 a = point(cur), b = point(next);
                const double ex = double(b.x) - a.x, ey = double(b.y) - a.y;
                const double fx = double(a.x) - c.x, fy = double(a.y) - c.y;
                const double qa = ex * ex + ey * ey;
                const double qb = 2.0 * (fx * ex + fy * ey);
                const double qc = fx * fx + fy * fy - double(radius) * radius;
                const double disc = std::max(qb * qb - 4.0 * qa * qc, 0.0);
                const double t = (-qb + std::sqrt(disc)) / (2.0 * qa);
                found = Vector2(float(a.x + ex * t), float(a.y + ey * t));
                moved += dist(found, place);
            }
            // A forward snap lands on the start of the segment behind the
            // jump; naming the jump's segment would add the jump's straight
            // distance to the place's path length.
            int idx = std::max(pt(lo).link >= 0 && s > 0 ? next : lo, 0);
            if (idx == n - 1) idx = n - 2;
            pos = WayPosition(idx, found);
            return true;
        }
        moved += first ? dist(place, point(next)) : segment_length(cur, next);
        const int lo = std::min(cur, next);
        if (pt(lo).link >= 0) link = pt(lo).link;
        place = point(next);
        cur = next;
        next += s;
        first = false;
    }

    // Ran off an end.
    const bool front = s < 0;
    WayPosition end(front ? 0 : n - 2, place);
    if (unbounded_) {
        float ext = 0.0f;
        if (radius != 0.0f) extension_chord(c, radius, front, end, ext);
        pos = end;
        moved += ext;
        return true;
    }
    pos = end;
    return false;
}

// ---------------------------------------------------------------- rays

bool Way::intersect_ray(const Vector2& o, const Vector2& dir, WayPosition& out) const {
    const int n = point_count();
    float best = kInf;
    WayPosition result(-1, Vector2());
    for (int i = 0; i + 1 < n; ++i) {
        const Vector2 a = point(i), b = point(i + 1);
        const Vector2 e = b - a;
        const float denom = dir.cross(e);
        if (std::fabs(denom) >= 1e-5f) {
            const float t = (o - a).cross(e) / e.cross(dir);
            const Vector2 p = o + dir * t;
            if (t >= 0.0f && t < best && (p - a).dot(e) >= 0.0f && (p - b).dot(a - b) >= 0.0f) {
                best = t;
                result = WayPosition(i, p);
            }
        } else if (std::fabs((o - a).cross(e)) < 1e-5f) {
            if ((o - a).dot(e) >= 0.0f && (o - b).dot(a - b) >= 0.0f) {
                out = WayPosition(i, o);
                return true;
            }
            for (const Vector2& end : {a, b}) {
                const float t = (end - o).dot(dir);
                if (t >= 0.0f && t < best) {
                    best = t;
                    result = WayPosition(i, end);
                }
            }
        }
    }
    if (!std::isfinite(best)) return false;
    out = result;
    return true;
}

}  // namespace orvek::trelm::logic

// ---------------------------------------------------------------- streams

namespace orvek::trelm::logic {

namespace {

// More points than any drawn way has; a larger count is a damaged save.
constexpr std::uint32_t kMaxPoints = 1u << 20;

void save_position(io::OStream& out, const WayPosition& p) {
    out << std::uint32_t(p.index);
    out.write_point(p.point);
}

void load_position(io::IStream& in, WayPosition& p) {
    std::uint32_t index = 0xFFFFFFFFu;
    in >> index;
    p.index = std::int32_t(index);
    in.read_point(p.point);
}

void fail(io::IStream& in, const char* text) {
    orvek::TextualErrorInfo info(text);
    in.setstate(io::Stream::failbit, &info);
}

}  // namespace

void WayGeometry::save(io::OStream& out) const {
    out << std::uint8_t(0);
    io::write_count(out, points.size());
    for (const auto& p : points) {
        if (!out.good()) break;
        out << std::uint8_t(0) << p.x << p.y << p.order << p.open << p.link;
    }
    for (const auto& m : marks) save_position(out, m);
}

void WayGeometry::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    points.clear();
    const std::uint32_t count = io::read_count(in);
    if (!in.good()) return;
    if (count > kMaxPoints) {
        fail(in, "Way has too many points");
        return;
    }
    points.reserve(std::min<std::uint32_t>(count, 1024));
    for (std::uint32_t i = 0; i < count && in.good(); ++i) {
        WayPoint p;
        std::uint8_t point_version = 0;
        in >> point_version >> p.x >> p.y >> p.order >> p.open >> p.link;
        if (in.good()) points.push_back(p);
    }
    for (auto& m : marks) load_position(in, m);
}

void Way::save(io::OStream& out) const {
    out << std::uint8_t(2);
    geometry_.save(out);
    io::write_counted(out, lengths_.begin(), lengths_.end(), std::uint32_t(lengths_.size()));
    out << start_length_ << finish_length_;
    save_position(out, entry_);
    out << unbounded_;
    io::write_counted(out, pieces_.begin(), pieces_.end(), std::uint32_t(pieces_.size()));
}

void Way::load(io::IStream& in) {
    // Until the points are read and checked the way answers as empty.
    lengths_.clear();
    pieces_.clear();
    std::uint8_t version = 0;
    in >> version;
    geometry_.load(in);
    std::vector<float> stored_lengths;
    io::read_vector(in, stored_lengths);
    in >> start_length_ >> finish_length_;
    load_position(in, entry_);
    unbounded_ = 0;
    if (version >= 1) in >> unbounded_;
    std::vector<std::uint32_t> stored_pieces;
    if (version >= 2) io::read_vector(in, stored_pieces);
    if (!in.good()) return;

    // Everything derived is derived again from the points: a save whose
    // vectors do not match its points must not send indices out of range.
    const char* fault = check_points(geometry_.points);
    if (!fault) fault = check_marks(geometry_);
    if (fault) {
        lengths_.clear();
        return fail(in, fault);
    }
    derive();
    if (!std::isfinite(lengths_.back())) {
        lengths_.clear();
        return fail(in, "A way is too long");
    }
    if (version < 2) pieces_.assign(geometry_.points.size(), 0u);
}

}  // namespace orvek::trelm::logic
