// The way and contour files: their bytes, and that every generated file
// reads back through the game's reader as levelgen meant it.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "logic/Way.h"
#include "support/TestSupport.h"
#include "tools/waypack/WayText.h"

namespace fs = std::filesystem;
using orvek::trelm::logic::Way;
using orvek::trelm::logic::WayGeometry;
using orvek::trelm::logic::WayPoint;
using orvek::trelm::logic::WayPosition;

namespace {

WayGeometry two_points() {
    WayGeometry g;
    WayPoint a(1.5f, 2.0f, 100, true);
    WayPoint b(3.0f, -4.0f, -1, false);
    b.link = 0;
    g.points = {a, b};
    g.marks[0] = WayPosition(0, {1.5f, 2.0f});
    g.marks[1] = WayPosition(1, {3.0f, -4.0f});
    return g;  // the explosion mark stays empty: index -1 at (0, 0)
}

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(char(b));
    return s;
}

}  // namespace

TEST(WayFile, TwoPointWayHasTheGoldenBytes) {
    testsupport::TempDir dir;
    const std::string path = dir.file("two.way");
    zelkor_tools::save_way_file({two_points()}, false, path);

    const std::string expected =
        std::string("orvek::io::Stream") + bytes({2, 0, 0, 0}) +  // stream header, flags
        bytes({0}) +                                               // file version
        bytes({1, 0, 0, 0}) +                                      // way count
        bytes({0}) + bytes({2, 0, 0, 0}) +                         // record version, point count
        // version, x 1.5, y 2.0, order 100, open, link -1
        bytes({0, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0x40, 100, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}) +
        // version, x 3.0, y -4.0, order -1, closed, link 0
        bytes({0, 0, 0, 0x40, 0x40, 0, 0, 0x80, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0}) +
        bytes({0, 0, 0, 0, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0x40}) +            // start mark
        bytes({1, 0, 0, 0, 0, 0, 0x40, 0x40, 0, 0, 0x80, 0xC0}) +         // finish mark
        bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0});          // explosion mark
    EXPECT_EQ(testsupport::read_file(path), expected);

    // The contour form drops the count and nothing else.
    const std::string contour = dir.file("contour.way");
    zelkor_tools::save_way_file({two_points()}, true, contour);
    std::string without_count = expected;
    without_count.erase(22, 4);
    EXPECT_EQ(testsupport::read_file(contour), without_count);

    const auto back = zelkor_tools::load_way_file(false, path);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0], two_points());
    // What --dump prints reads back as the same way.
    const auto dumped = zelkor_tools::parse_way_text(zelkor_tools::format_way_text(back), "dump");
    ASSERT_EQ(dumped.size(), 1u);
    EXPECT_EQ(dumped[0], two_points());
}

TEST(WayFile, TextErrorsNameTheSourceAndLine) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"ways 1\nway 2\n0 0 100 1 -1\n", "src:4: ends early"},
        {"ways 1\nway 1\n0 zero 100 1 -1\n", "src:3: 'zero' is not a number"},
        {"ways 1\nway 1\n0 0 100 2 -1\n", "src:3: open is 0 or 1"},
        {"ways 1\nway 1\n0 0 100 1 -1\nmark 1 0 0\n", "src:4: mark index out of range"},
        {"way 1\n", "src:1: expected 'ways'"},
    };
    for (const auto& c : cases) {
        try {
            zelkor_tools::parse_way_text(c.text, "src");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), c.says);
        }
    }
}

TEST(WayFile, CutFileIsAnErrorNamingIt) {
    testsupport::TempDir dir;
    const std::string path = dir.file("cut.way");
    zelkor_tools::save_way_file({two_points()}, false, path);
    std::string b = testsupport::read_file(path);
    testsupport::write_file(path, b.substr(0, b.size() - 5));
    EXPECT_THROW(zelkor_tools::load_way_file(false, path), std::runtime_error);
    testsupport::write_file(path, b + "x");
    EXPECT_THROW(zelkor_tools::load_way_file(false, path), std::runtime_error);
}

// Every generated file holds exactly the points, flags, links, draw orders
// and marks of levelgen's text, and makes a way the game accepts.
TEST(WayFile, EveryGeneratedFileReadsBackAsWritten) {
    const fs::path ways = fs::path(ZELKOR_BUILD_DIR) / "data" / "ways";
    const fs::path texts = fs::path(ZELKOR_BUILD_DIR) / "data-work" / "ways";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(texts)) {
        const std::string stem = entry.path().stem().string();
        SCOPED_TRACE(stem);
        const bool contour = stem == "contour";
        const auto meant = zelkor_tools::parse_way_text(testsupport::read_file(entry.path()), stem);
        const auto read = zelkor_tools::load_way_file(contour, (ways / (stem + ".way")).string());
        ASSERT_EQ(read.size(), meant.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].points.size(), meant[i].points.size());
            EXPECT_TRUE(read[i] == meant[i]) << "way " << i;
            EXPECT_NO_THROW(Way{read[i]});
        }
        ++files;
    }
    EXPECT_EQ(files, 10);  // nine sub-levels and the contour
}
