#pragma once
// Ways: the polylines along which balls roll, and every motion along them.
#include <cstdint>
#include <memory>
#include <vector>

#include "logic/Vector2.h"
#include "orvek/io/Object.h"

namespace orvek::trelm::logic {

// One point of a way; it also describes the segment that starts at it.
struct WayPoint {
    float x = 0.0f;
    float y = 0.0f;
    std::int32_t order = 0;   // draw order of a ball on the segment starting here
    std::uint8_t open = 0;    // balls off the way may touch balls on this segment
    std::int32_t link = -1;   // >= 0: the segment to the next point is a jump

    WayPoint() = default;
    WayPoint(float x_, float y_, std::int32_t order_ = 0, bool open_ = false)
        : x(x_), y(y_), order(order_), open(open_ ? 1 : 0) {}
    WayPoint(const Vector2& p, std::int32_t order_ = 0, bool open_ = false)
        : WayPoint(p.x, p.y, order_, open_) {}

    Vector2 pos() const { return {x, y}; }
    bool operator==(const WayPoint&) const = default;
};

// A place on a way: index of the point that starts its segment (-1 before the
// first point, count-1 past the last one) and the place itself.
struct WayPosition {
    std::int32_t index = -1;
    Vector2 point;

    WayPosition() = default;
    WayPosition(std::int32_t i, const Vector2& p) : index(i), point(p) {}
    bool operator==(const WayPosition&) const = default;
};

// The points of a way with its start, finish and explosion marks, as read
// from way files.
struct WayGeometry {
    enum Mark { start_mark = 0, finish_mark = 1, explosion_mark = 2 };

    std::vector<WayPoint> points;
    WayPosition marks[3];

    void scale(float sx, float sy);
    void translate(float dx, float dy);

    // Whether mark m names a point of this geometry.
    bool has_mark(int m) const;

    void save(io::OStream& out) const;
    void load(io::IStream& in);

    bool operator==(const WayGeometry& o) const;
};

class Way : public io::Object {
public:
    // The factory's form before a load: no points, no marks.
    Way();
    // Copies the geometry and derives lengths, pieces, marks and entry.
    // Consecutive equal points are merged (a zero-length segment has no
    // direction); throws std::invalid_argument when fewer than two distinct
    // points remain.
    explicit Way(const WayGeometry& geometry);
    ~Way() override;

    // A bounded two-point way (order 0, closed, no link, no marks).
    static std::shared_ptr<Way> make_segment(const Vector2& p0, const Vector2& p1);

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    // Whether motion may leave the polyline at both ends.
    bool unbounded() const { return unbounded_; }
    void set_unbounded(bool on) { unbounded_ = on; }

    const WayGeometry& geometry() const { return geometry_; }
    const std::vector<WayPoint>& points() const { return geometry_.points; }
    int point_count() const { return int(geometry_.points.size()); }
    Vector2 point(int i) const { return geometry_.points[std::size_t(i)].pos(); }
    const std::vector<float>& lengths() const { return lengths_; }
    const std::vector<std::uint32_t>& pieces() const { return pieces_; }
    float start_length() const { return start_length_; }
    float finish_length() const { return finish_length_; }
    const WayPosition& entry() const { return entry_; }

    WayPosition first_position() const;
    WayPosition last_position() const;
    bool segment_open(int index) const;
    std::int32_t segment_order(int index) const;
    Vector2 tangent(int index) const;
    // atan2(tangent.x, tangent.y): measured from +y towards +x.
    float direction(int index) const;
    // Distance between points i and j; 0 when the lower one starts a jump.
    float segment_length(int i, int j) const;
    float distance_to_point(const Vector2& p, int i) const;

    float path_length(const WayPosition& pos) const;
    float distance(const WayPosition& a, const WayPosition& b) const;
    float distance_to_end(const WayPosition& pos) const;
    float distance_from_start(const WayPosition& pos) const;
    float distance_from_start_mark(const WayPosition& pos) const;
    float distance_to_finish_mark(const WayPosition& pos) const;
    // Whether a lies further along the way than b.
    bool is_ahead(const WayPosition& a, const WayPosition& b) const;

    // Moves pos by a signed path length. moved receives the signed length
    // moved on the polyline, link the link of the last jump crossed (-1 if
    // none). True when the whole distance was moved.
    bool advance(WayPosition& pos, float distance, float& moved, std::int32_t& link) const;
    bool advance(WayPosition& pos, float distance) const;

    // Moves pos to the next place whose straight-line distance from centre
    // is |radius|, forwards for a positive radius, backwards for a negative
    // one. moved receives the (positive) path length moved.
    bool advance_by_chord(const Vector2& centre, float radius, WayPosition& pos,
                          float& moved, std::int32_t& link) const;
    bool advance_by_chord(const Vector2& centre, float radius, WayPosition& pos) const;

    // The nearest place where the ray origin + t*dir (t >= 0) crosses the polyline.
    bool intersect_ray(const Vector2& origin, const Vector2& dir, WayPosition& out) const;

private:
    // Queries on a way that is not whole (the factory's empty form, or a
    // load that failed part-way) answer as for nothing instead of reading
    // past the vectors.
    bool usable() const;
    void derive();
    int clamp_index(int index) const;
    const WayPoint& pt(int i) const { return geometry_.points[std::size_t(i)]; }
    bool extension_chord(const Vector2& centre, float radius, bool front, WayPosition& pos,
                         float& moved) const;

    std::uint8_t unbounded_ = 0;
    WayGeometry geometry_;
    std::vector<float> lengths_;
    std::vector<std::uint32_t> pieces_;
    float start_length_;
    float finish_length_;
    WayPosition entry_;
};

}  // namespace orvek::trelm::logic
