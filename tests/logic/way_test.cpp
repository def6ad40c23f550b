#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "logic/Way.h"
#include "logic/Factories.h"
#include "orvek/Exception.h"
#include "orvek/io/SharedRefs.h"
#include "support/LogicHarness.h"

namespace logic = orvek::trelm::logic;
using logic::Way;
using logic::WayGeometry;
using logic::WayPoint;
using logic::WayPosition;
using logictest::u32;
using logictest::u8;
using logictest::f32;
using orvek::trelm::Vector2;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

void expect_pos(const WayPosition& p, int index, float x, float y, const char* what) {
    EXPECT_EQ(p.index, index) << what;
    EXPECT_NEAR(p.point.x, x, 1e-4f) << what;
    EXPECT_NEAR(p.point.y, y, 1e-4f) << what;
}

// (0,0) -> (10,0) jump 7 -> (50,0) -> (60,0)
WayGeometry jump_geometry() {
    WayGeometry g = logictest::geometry({{0, 0}, {10, 0}, {50, 0}, {60, 0}});
    g.points[1].link = 7;
    return g;
}

}  // namespace

TEST(WayDerivation, LinkedPointAddsNoLength) {
    WayGeometry g = logictest::geometry({{0, 0}, {10, 0}, {20, 0}}, false);
    g.points[0].link = 3;
    const Way w(g);
    EXPECT_EQ(w.lengths(), (std::vector<float>{0, 0, 10}));
    EXPECT_EQ(w.pieces(), (std::vector<std::uint32_t>{1, 1, 1}));
    EXPECT_EQ(w.start_length(), -kInf);
    EXPECT_EQ(w.finish_length(), kInf);
    EXPECT_EQ(w.entry(), WayPosition(-1, {0, 0}));
}

TEST(WayDerivation, MarksEntryAndPieces) {
    WayGeometry g = logictest::geometry({{0, 0}, {30, 0}, {30, 40}, {60, 40}}, false);
    g.points[1].open = 1;
    g.points[2].link = 0;
    g.marks[WayGeometry::start_mark] = WayPosition(0, {10, 0});
    g.marks[WayGeometry::finish_mark] = WayPosition(1, {30, 25});
    g.marks[WayGeometry::explosion_mark] = WayPosition(4, {0, 0});  // not below the count: absent
    const Way w(g);
    EXPECT_EQ(w.lengths(), (std::vector<float>{0, 30, 70, 70}));
    EXPECT_EQ(w.pieces(), (std::vector<std::uint32_t>{0, 0, 1, 1}));
    EXPECT_FLOAT_EQ(w.start_length(), 10);
    EXPECT_FLOAT_EQ(w.finish_length(), 55);
    EXPECT_EQ(w.entry(), WayPosition(1, {30, 0}));
    EXPECT_FALSE(w.geometry().has_mark(WayGeometry::explosion_mark));
}

TEST(WayDerivation, EqualConsecutivePointsAreMerged) {
    WayGeometry g = logictest::geometry({{0, 0}, {0, 0}, {10, 0}, {10, 0}, {20, 0}}, false);
    for (int i = 0; i < 5; ++i) g.points[std::size_t(i)].order = 100 + i;
    g.marks[WayGeometry::start_mark] = WayPosition(0, {0, 0});
    g.marks[WayGeometry::finish_mark] = WayPosition(3, {10, 0});
    g.marks[WayGeometry::explosion_mark] = WayPosition(4, {20, 0});
    const Way w(g);
    ASSERT_EQ(w.point_count(), 3);
    // The later point of each pair stays, with the segment it starts.
    EXPECT_EQ(w.points()[0].order, 101);
    EXPECT_EQ(w.points()[1].order, 103);
    EXPECT_EQ(w.points()[2].order, 104);
    EXPECT_EQ(w.geometry().marks[WayGeometry::start_mark].index, 0);
    EXPECT_EQ(w.geometry().marks[WayGeometry::finish_mark].index, 1);
    EXPECT_EQ(w.geometry().marks[WayGeometry::explosion_mark].index, 2);
    EXPECT_FLOAT_EQ(w.finish_length(), 10);
    // No NaN direction anywhere.
    for (int i = -1; i < w.point_count(); ++i) EXPECT_FALSE(std::isnan(w.direction(i))) << i;
}

TEST(WayDerivation, RejectsDegenerateWays) {
    EXPECT_THROW(Way(logictest::geometry({{5, 5}})), std::invalid_argument);
    EXPECT_THROW(Way(logictest::geometry({{5, 5}, {5, 5}, {5, 5}})), std::invalid_argument);
    EXPECT_THROW(Way{WayGeometry{}}, std::invalid_argument);
    EXPECT_THROW(Way(logictest::geometry({{0, 0}, {std::nanf(""), 1}})), std::invalid_argument);
    EXPECT_THROW(Way(logictest::geometry({{0, 0}, {kInf, 1}})), std::invalid_argument);
    WayGeometry bad_mark = logictest::geometry({{0, 0}, {10, 0}});
    bad_mark.marks[WayGeometry::finish_mark].point.x = std::nanf("");
    EXPECT_THROW(Way{bad_mark}, std::invalid_argument);
    // An absent mark's place is never read.
    bad_mark.marks[WayGeometry::finish_mark].index = -1;
    EXPECT_EQ(Way(bad_mark).finish_length(), kInf);
}

TEST(WayGeometry, ScaleAndTranslateMoveMarksToo) {
    WayGeometry g = logictest::geometry({{10, 20}, {30, 40}});
    g.marks[WayGeometry::explosion_mark] = WayPosition(0, {20, 30});
    g.scale(0.5f, 2.0f);
    g.translate(1.0f, -1.0f);
    EXPECT_EQ(g.points[0].pos(), Vector2(6, 39));
    EXPECT_EQ(g.points[1].pos(), Vector2(16, 79));
    EXPECT_EQ(g.marks[0].point, Vector2(6, 39));
    EXPECT_EQ(g.marks[1].point, Vector2(16, 79));
    EXPECT_EQ(g.marks[2].point, Vector2(11, 59));
    EXPECT_EQ(g.marks[2].index, 0);
}

TEST(WayQueries, SegmentsTangentsAndDirections) {
    WayGeometry g = logictest::geometry({{0, 0}, {0, 10}, {10, 10}});
    g.points[0].order = 5;
    g.points[0].open = 1;
    g.points[2].order = 9;  // the last point starts no segment
    g.points[2].open = 1;
    const Way w(g);
    EXPECT_TRUE(w.segment_open(0));
    EXPECT_FALSE(w.segment_open(-1));
    EXPECT_FALSE(w.segment_open(2));
    EXPECT_EQ(w.segment_order(0), 5);
    EXPECT_EQ(w.segment_order(-1), -1);
    EXPECT_EQ(w.segment_order(2), -1);
    EXPECT_EQ(w.tangent(-1), Vector2(0, 1));
    EXPECT_EQ(w.tangent(1), Vector2(1, 0));
    EXPECT_EQ(w.tangent(2), Vector2(1, 0));
    EXPECT_FLOAT_EQ(w.direction(0), 0.0f);
    EXPECT_FLOAT_EQ(w.direction(1), float(std::atan2(1.0, 0.0)));
    EXPECT_EQ(w.first_position(), WayPosition(0, {0, 0}));
    EXPECT_EQ(w.last_position(), WayPosition(1, {10, 10}));
}

TEST(WayQueries, PathLengthsAndDistances) {
    auto w = logictest::straight_way(0, 30, 0, 3);
    EXPECT_FLOAT_EQ(w->path_length({1, {14, 0}}), 14);
    EXPECT_FLOAT_EQ(w->path_length({-1, {-6, 0}}), -6);   // before the start: negative
    EXPECT_FLOAT_EQ(w->path_length({2, {35, 0}}), 35);
    EXPECT_FLOAT_EQ(w->path_length({1, {14, 3}}), 15);    // distance to the segment start, not a projection
    EXPECT_FLOAT_EQ(w->distance({0, {2, 0}}, {2, {25, 0}}), 23);
    EXPECT_FLOAT_EQ(w->distance_to_end({1, {14, 0}}), 16);
    EXPECT_FLOAT_EQ(w->distance_from_start({1, {14, 0}}), 14);
    EXPECT_FLOAT_EQ(w->distance_from_start_mark({1, {14, 0}}), 14);
    EXPECT_FLOAT_EQ(w->distance_to_finish_mark({1, {14, 0}}), 16);

    w->set_unbounded(true);
    EXPECT_EQ(w->distance_to_end({1, {14, 0}}), kInf);
    EXPECT_EQ(w->distance_from_start({1, {14, 0}}), kInf);

    const Way no_marks(logictest::geometry({{0, 0}, {10, 0}}, false));
    EXPECT_EQ(no_marks.distance_from_start_mark({0, {5, 0}}), kInf);
    EXPECT_EQ(no_marks.distance_to_finish_mark({0, {5, 0}}), kInf);
}

TEST(WayQueries, IsAhead) {
    auto w = logictest::straight_way(0, 30, 0, 3);
    EXPECT_TRUE(w->is_ahead({1, {11, 0}}, {0, {9, 0}}));
    EXPECT_FALSE(w->is_ahead({0, {9, 0}}, {1, {11, 0}}));
    EXPECT_TRUE(w->is_ahead({1, {15, 0}}, {1, {12, 0}}));
    EXPECT_FALSE(w->is_ahead({1, {12, 0}}, {1, {15, 0}}));
    // Same projection: neither is ahead.
    EXPECT_FALSE(w->is_ahead({1, {15, 3}}, {1, {15, -3}}));
    EXPECT_FALSE(w->is_ahead({1, {15, -3}}, {1, {15, 3}}));
    // Before the start, segment 0 decides.
    EXPECT_TRUE(w->is_ahead({-1, {-2, 0}}, {-1, {-5, 0}}));
}

TEST(WayQueries, IndicesOutOfRangeReadAsTheExtensionAtThatEnd) {
    // A damaged save may hold any segment index; no query may read past the points.
    auto w = logictest::straight_way(0, 30, 0, 3);
    EXPECT_FLOAT_EQ(w->path_length({1000, {35, 0}}), 35);
    EXPECT_FLOAT_EQ(w->path_length({-7, {-5, 0}}), -5);
    EXPECT_EQ(w->direction(1000), w->direction(2));
    EXPECT_EQ(w->direction(-7), w->direction(0));
    EXPECT_FALSE(w->segment_open(1000));
    EXPECT_EQ(w->segment_order(-7), -1);
    EXPECT_TRUE(w->is_ahead({1000, {35, 0}}, {2, {25, 0}}));

    WayPosition p(1000, {35, 0});
    EXPECT_TRUE(w->advance(p, -10));
    expect_pos(p, 2, 25, 0, "back from a huge index");
    p = WayPosition(-7, {-5, 0});
    EXPECT_TRUE(w->advance_by_chord({-5, 0}, 25, p));
    expect_pos(p, 1, 20, 0, "a chord from a negative index");
}

namespace {

struct AdvanceCase {
    const char* what;
    bool unbounded;
    WayPosition from;
    float d;
    bool result;
    WayPosition to;
    float moved;
};

}  // namespace

TEST(WayAdvance, Table) {
    // Points at x = 0, 10, 20, 30 on y = 0.
    const AdvanceCase cases[] = {
        {"within a segment", false, {0, {2, 0}}, 5, true, {0, {7, 0}}, 5},
        {"across several points", false, {0, {2, 0}}, 15, true, {1, {17, 0}}, 15},
        {"exactly onto a point", false, {0, {2, 0}}, 8, true, {1, {10, 0}}, 8},
        {"backwards", false, {2, {25, 0}}, -12, true, {1, {13, 0}}, -12},
        {"past the end", false, {0, {5, 0}}, 100, false, {2, {30, 0}}, 25},
        {"past the end, unbounded", true, {0, {5, 0}}, 100, true, {3, {105, 0}}, 100},
        {"back past point 0", false, {1, {12, 0}}, -20, false, {0, {0, 0}}, -12},
        {"back past point 0, unbounded", true, {1, {12, 0}}, -20, true, {-1, {-8, 0}}, -20},
        {"on the front extension, fits", true, {-1, {-8, 0}}, 5, true, {-1, {-3, 0}}, 0},
        {"away on the front extension", true, {-1, {-8, 0}}, -5, true, {-1, {-13, 0}}, 0},
        {"from the front extension onto the way", true, {-1, {-8, 0}}, 13, true, {0, {5, 0}}, 5},
        {"out on the back extension", true, {3, {35, 0}}, 10, true, {3, {45, 0}}, 0},
        {"from the back extension onto the way", true, {3, {35, 0}}, -10, true, {2, {25, 0}}, -5},
        {"zero distance", false, {1, {14, 0}}, 0, true, {1, {14, 0}}, 0},
    };
    for (const auto& c : cases) {
        auto w = logictest::straight_way(0, 30, 0, 3, c.unbounded);
        WayPosition p = c.from;
        float moved = -99.0f;
        std::int32_t link = 99;
        EXPECT_EQ(w->advance(p, c.d, moved, link), c.result) << c.what;
        expect_pos(p, c.to.index, c.to.point.x, c.to.point.y, c.what);
        EXPECT_NEAR(moved, c.moved, 1e-4f) << c.what;
        EXPECT_EQ(link, -1) << c.what;
    }
}

TEST(WayAdvance, BackwardsPastStartHasNegativePathLength) {
    auto w = logictest::straight_way(0, 30, 0, 3, true);
    WayPosition p(1, {12, 0});
    EXPECT_TRUE(w->advance(p, -20));
    EXPECT_FLOAT_EQ(w->path_length(p), -8);
}

TEST(WayAdvance, CrossingAJumpReportsItsLink) {
    const Way w(jump_geometry());
    EXPECT_EQ(w.lengths(), (std::vector<float>{0, 10, 10, 20}));

    WayPosition p(0, {5, 0});
    float moved = 0;
    std::int32_t link = -1;
    EXPECT_TRUE(w.advance(p, 10, moved, link));
    expect_pos(p, 2, 55, 0, "forwards over the jump");
    EXPECT_EQ(link, 7);
    EXPECT_FLOAT_EQ(moved, 10);
    EXPECT_FLOAT_EQ(w.path_length(p), 15);

    EXPECT_TRUE(w.advance(p, -10, moved, link));
    expect_pos(p, 0, 5, 0, "backwards over the jump");
    EXPECT_EQ(link, 7);
    EXPECT_FLOAT_EQ(moved, -10);

    // A move that stays short of the jump reports none.
    p = WayPosition(0, {1, 0});
    EXPECT_TRUE(w.advance(p, 2, moved, link));
    EXPECT_EQ(link, -1);
}

TEST(WayAdvance, NanDistanceMovesNothing) {
    auto w = logictest::straight_way(0, 30, 0, 3, true);
    WayPosition p(1, {12, 0});
    EXPECT_FALSE(w->advance(p, std::nanf("")));
    EXPECT_EQ(p, WayPosition(1, {12, 0}));
}

TEST(WayChord, EvenSpacingRoundABend) {
    auto w = logictest::way({{0, 0}, {100, 0}, {100, 100}, {40, 160}});
    WayPosition p(0, {0, 0});
    float moved = 0;
    std::int32_t link = -1;

    WayPosition first = p;
    ASSERT_TRUE(w->advance_by_chord(p.point, 25, first, moved, link));
    expect_pos(first, 0, 25, 0, "first chord");
    EXPECT_FLOAT_EQ(moved, 25);

    WayPosition at80(0, {80, 0});
    ASSERT_TRUE(w->advance_by_chord(at80.point, 25, at80, moved, link));
    expect_pos(at80, 1, 100, 15, "chord over the bend");
    EXPECT_FLOAT_EQ(moved, 35);

    // Successive chords keep exactly one chord between neighbours.
    WayPosition cur(0, {0, 0});
    for (int i = 0; i < 9; ++i) {
        WayPosition next = cur;
        ASSERT_TRUE(w->advance_by_chord(cur.point, 25, next)) << i;
        EXPECT_NEAR((next.point - cur.point).length(), 25.0f, 1e-3f) << i;
        EXPECT_TRUE(w->is_ahead(next, cur)) << i;
        cur = next;
    }
    // And backwards again.
    WayPosition back = cur;
    ASSERT_TRUE(w->advance_by_chord(cur.point, -25, back));
    EXPECT_NEAR((back.point - cur.point).length(), 25.0f, 1e-3f);
    EXPECT_TRUE(w->is_ahead(cur, back));
}

TEST(WayChord, JumpSnapsToItsFarPoint) {
    const Way w(jump_geometry());
    WayPosition p(0, {5, 0});
    float moved = 0;
    std::int32_t link = -1;
    EXPECT_TRUE(w.advance_by_chord(p.point, 10, p, moved, link));
    expect_pos(p, 2, 50, 0, "snap");
    EXPECT_EQ(link, 7);
    EXPECT_FLOAT_EQ(moved, 5);
    // The snapped place has the jump's path length, not the jump's width added.
    EXPECT_FLOAT_EQ(w.path_length(p), 10);

    WayPosition q(2, {55, 0});
    EXPECT_TRUE(w.advance_by_chord(q.point, -10, q, moved, link));
    expect_pos(q, 1, 10, 0, "snap backwards");
    EXPECT_EQ(link, 7);
    EXPECT_FLOAT_EQ(w.path_length(q), 10);
}

namespace {

struct ChordCase {
    const char* what;
    bool unbounded;
    WayPosition from;
    float radius;
    bool result;
    WayPosition to;
    float moved;
};

}  // namespace

TEST(WayChord, EndsAndExtensions) {
    // Points at x = 0, 10, 20, 30 on y = 0; the centre is the starting place.
    const ChordCase cases[] = {
        {"off the end, bounded", false, {2, {25, 0}}, 10, false, {2, {30, 0}}, 5},
        {"off the end onto the extension", true, {2, {25, 0}}, 10, true, {3, {35, 0}}, 10},
        {"off the start onto the extension", true, {0, {5, 0}}, -10, true, {-1, {-5, 0}}, 10},
        {"off the start, bounded", false, {0, {5, 0}}, -10, false, {0, {0, 0}}, 5},
        {"out along the front extension", true, {-1, {-5, 0}}, -10, true, {-1, {-15, 0}}, 10},
        {"from the front extension onto the way", true, {-1, {-5, 0}}, 10, true, {0, {5, 0}}, 10},
        {"from the back extension onto the way", true, {3, {35, 0}}, -10, true, {2, {25, 0}}, 10},
        {"out along the back extension", true, {3, {35, 0}}, 10, true, {3, {45, 0}}, 10},
        {"radius 0 on an extension", true, {3, {35, 0}}, 0, true, {3, {35, 0}}, 0},
        {"radius 0 on the way", false, {1, {14, 0}}, 0, true, {1, {14, 0}}, 0},
    };
    for (const auto& c : cases) {
        auto w = logictest::straight_way(0, 30, 0, 3, c.unbounded);
        WayPosition p = c.from;
        float moved = -99;
        std::int32_t link = 99;
        EXPECT_EQ(w->advance_by_chord(c.from.point, c.radius, p, moved, link), c.result) << c.what;
        expect_pos(p, c.to.index, c.to.point.x, c.to.point.y, c.what);
        EXPECT_NEAR(moved, c.moved, 1e-4f) << c.what;
        EXPECT_EQ(link, -1) << c.what;
        EXPECT_FALSE(std::isnan(p.point.x) || std::isnan(p.point.y)) << c.what;
    }
}

TEST(WayChord, RadiusZeroOffTheLineStaysFinite) {
    // A centre beside the way and radius 0: the nearest place, never NaN.
    auto w = logictest::straight_way(0, 30, 0, 3);
    WayPosition p(1, {14, 0});
    EXPECT_TRUE(w->advance_by_chord({16, 3}, 0, p));
    EXPECT_FALSE(std::isnan(p.point.x) || std::isnan(p.point.y));
}

TEST(WayRay, Table) {
    auto u = logictest::u_way();  // (100,0) (100,400) (700,400) (700,0)
    auto line = logictest::straight_way(0, 20, 0, 2);
    WayPosition out;

    ASSERT_TRUE(u->intersect_ray({0, 200}, {1, 0}, out));
    expect_pos(out, 0, 100, 200, "nearest of two crossings");

    ASSERT_TRUE(u->intersect_ray({400, 0}, {0, 1}, out));
    expect_pos(out, 1, 400, 400, "straight down onto the bottom");

    ASSERT_TRUE(u->intersect_ray({400, 200}, {-1, 0}, out));
    expect_pos(out, 0, 100, 200, "only ahead of the origin");

    EXPECT_FALSE(u->intersect_ray({400, 200}, {0, -1}, out));  // out through the open top

    ASSERT_TRUE(line->intersect_ray({5, 10}, {0, -1}, out));
    expect_pos(out, 0, 5, 0, "onto a segment");

    ASSERT_TRUE(line->intersect_ray({5, 0}, {1, 0}, out));
    expect_pos(out, 0, 5, 0, "collinear, origin inside: parameter 0");

    ASSERT_TRUE(line->intersect_ray({-5, 0}, {1, 0}, out));
    expect_pos(out, 0, 0, 0, "collinear, origin before the way: the nearest end");

    EXPECT_FALSE(line->intersect_ray({-5, 0}, {-1, 0}, out));  // collinear, pointing away
    EXPECT_FALSE(line->intersect_ray({5, 10}, {0, 1}, out));
}

// ---------------------------------------------------------------- streams

TEST(WayStream, RoundTripKeepsEverything) {
    WayGeometry g = logictest::geometry({{0, 0}, {10, 0}, {50, 0}, {60, 5}});
    g.points[1].link = 7;
    g.points[2].open = 1;
    g.points[2].order = -3;
    g.marks[WayGeometry::explosion_mark] = WayPosition(2, {55, 2});
    auto w = logictest::way(g, true);

    const std::string bytes = logictest::save_plain(*w);
    ASSERT_EQ(bytes.substr(0, 2), u8(2) + u8(0));  // way version 2, geometry version 0
    EXPECT_EQ(bytes.substr(2, 4), u32(4));
    EXPECT_EQ(bytes.substr(6, 18), u8(0) + f32(0) + f32(0) + u32(0) + u8(0) + u32(0xFFFFFFFFu));

    Way back;
    logictest::load_plain(bytes, back);
    EXPECT_EQ(back.geometry(), w->geometry());
    EXPECT_EQ(back.lengths(), w->lengths());
    EXPECT_EQ(back.pieces(), w->pieces());
    EXPECT_EQ(back.start_length(), w->start_length());
    EXPECT_EQ(back.finish_length(), w->finish_length());
    EXPECT_EQ(back.entry(), w->entry());
    EXPECT_TRUE(back.unbounded());
    EXPECT_EQ(logictest::save_plain(back), bytes);
}

namespace {

// A two-point way body in the given version, with a lengths vector of n values.
std::string old_way(std::uint8_t version, std::uint32_t lengths_count = 2) {
    std::string s = u8(version) + u8(0) + u32(2);
    s += u8(0) + f32(0) + f32(0) + u32(0) + u8(0) + u32(0xFFFFFFFFu);
    s += u8(0) + f32(0) + f32(20) + u32(0) + u8(0) + u32(0xFFFFFFFFu);
    for (int m = 0; m < 3; ++m) s += u32(0xFFFFFFFFu) + f32(0) + f32(0);
    s += u32(lengths_count);
    for (std::uint32_t i = 0; i < lengths_count; ++i) s += f32(123.0f);
    s += f32(-std::numeric_limits<float>::infinity()) + f32(std::numeric_limits<float>::infinity());
    s += u32(0xFFFFFFFFu) + f32(0) + f32(0);
    return s;
}

}  // namespace

TEST(WayStream, OlderVersionsLoadWithoutUnboundedAndPieces) {
    Way v0;
    logictest::load_plain(old_way(0), v0);
    EXPECT_FALSE(v0.unbounded());
    EXPECT_EQ(v0.pieces(), (std::vector<std::uint32_t>{0, 0}));
    EXPECT_EQ(v0.point_count(), 2);

    Way v1;
    logictest::load_plain(old_way(1) + u8(1), v1);
    EXPECT_TRUE(v1.unbounded());
    EXPECT_EQ(v1.pieces(), (std::vector<std::uint32_t>{0, 0}));
}

TEST(WayStream, LengthsAreDerivedFromThePoints) {
    // The stored lengths (123, and a wrong count) do not match the points.
    Way w;
    logictest::load_plain(old_way(0, 5), w);
    EXPECT_EQ(w.lengths(), (std::vector<float>{0, 20}));
    WayPosition p(0, {0, 5});
    EXPECT_TRUE(w.advance(p, 10));
    EXPECT_EQ(p, WayPosition(0, {0, 15}));
}

TEST(WayStream, CountEscapeReadsTheRealCount) {
    std::string s = u8(0) + u32(0xFFFFFFFEu) + u32(1) + u8(0) + f32(1) + f32(2) + u32(3) + u8(1) +
                    u32(0xFFFFFFFFu);
    for (int m = 0; m < 3; ++m) s += u32(0) + f32(1) + f32(2);
    WayGeometry g;
    logictest::load_plain(s, g);
    ASSERT_EQ(g.points.size(), 1u);
    EXPECT_EQ(g.points[0], WayPoint(1, 2, 3, true));
    EXPECT_EQ(g.marks[2], WayPosition(0, {1, 2}));
}

TEST(WayStream, DamagedWaysFailTheStream) {
    // A huge point count in a short stream.
    std::string huge = u8(2) + u8(0) + u32(0x7FFFFFFFu) + u8(0);
    Way a;
    EXPECT_THROW(logictest::load_plain(huge, a), orvek::io::Failure);

    // One point only.
    std::string one = u8(2) + u8(0) + u32(1) + u8(0) + f32(0) + f32(0) + u32(0) + u8(0) + u32(0);
    for (int m = 0; m < 3; ++m) one += u32(0xFFFFFFFFu) + f32(0) + f32(0);
    one += u32(0) + f32(0) + f32(0) + u32(0xFFFFFFFFu) + f32(0) + f32(0) + u8(0) + u32(0);
    Way b;
    EXPECT_THROW(logictest::load_plain(one, b), orvek::io::Failure);

    // Two equal points.
    std::string same = old_way(0);
    same.replace(2 + 4 + 1 + 8 + 4 + 1 + 4 + 1, 8, f32(0) + f32(0));
    Way c;
    EXPECT_THROW(logictest::load_plain(same, c), orvek::io::Failure);

    // A stream that ends early.
    const std::string cut = old_way(0).substr(0, 30);
    Way d;
    EXPECT_THROW(logictest::load_plain(cut, d), orvek::io::Failure);
}

TEST(WayStream, MakeSegmentIsABoundedTwoPointWay) {
    auto s = Way::make_segment({1, 2}, {4, 6});
    ASSERT_EQ(s->point_count(), 2);
    EXPECT_EQ(s->points()[0], WayPoint(1, 2));
    EXPECT_EQ(s->points()[1], WayPoint(4, 6));
    EXPECT_FALSE(s->unbounded());
    EXPECT_FLOAT_EQ(s->lengths()[1], 5);
    EXPECT_EQ(s->start_length(), -kInf);
    EXPECT_EQ(s->entry().index, -1);
}

TEST(WayStream, SharedWaysAreWrittenOnceAndLoadShared) {
    ASSERT_FALSE(logic::logic_factory_names().empty());
    auto w = logictest::u_way(true);
    std::stringbuf buf;
    {
        orvek::io::OStream out(&buf);
        out.write_header();
        orvek::io::save_shared(out, w);
        orvek::io::save_shared(out, w);
        ASSERT_TRUE(out.good());
    }
    const std::string bytes = buf.str();
    EXPECT_NE(bytes.find("class orvek::trelm::logic::Way"), std::string::npos);

    std::stringbuf in_buf(bytes);
    std::shared_ptr<Way> a, b;
    {
        orvek::io::IStream in(&in_buf);
        in.read_header();
        orvek::io::load_shared(in, a);
        orvek::io::load_shared(in, b);
        ASSERT_TRUE(in.good());
    }
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->geometry(), w->geometry());
    EXPECT_EQ(a->lengths(), w->lengths());
    EXPECT_TRUE(a->unbounded());
}

TEST(WayStream, AnEmptyWayAnswersSafely) {
    // The factory's form, and what a failed load may leave behind.
    const Way w;
    WayPosition p(0, {1, 1});
    EXPECT_FALSE(w.advance(p, 5));
    EXPECT_FALSE(w.advance_by_chord({0, 0}, 5, p));
    EXPECT_EQ(p, WayPosition(0, {1, 1}));
    EXPECT_EQ(w.path_length(p), 0.0f);
    EXPECT_EQ(w.tangent(0), Vector2());
    EXPECT_EQ(w.first_position().index, -1);
    EXPECT_FALSE(w.is_ahead(p, p));
    WayPosition out;
    EXPECT_FALSE(w.intersect_ray({0, 0}, {1, 0}, out));
    EXPECT_EQ(w.start_length(), -kInf);
    EXPECT_EQ(w.finish_length(), kInf);
}

TEST(WayDerivation, RejectsSegmentsTooLongToMeasure) {
    EXPECT_THROW(Way(logictest::geometry({{0, -3e38f}, {0, 3e38f}})), std::invalid_argument);
    // Even when a jump makes the path length 0.
    WayGeometry g = logictest::geometry({{0, 0}, {0, 8e37f}, {0, -2.6e38f}, {1, 1}});
    for (auto& p : g.points) p.link = 0;
    EXPECT_THROW(Way{g}, std::invalid_argument);
}
