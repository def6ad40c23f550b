// The level builder on a tree the tests write: what a build leaves in the
// game, the way-file reading with hostile counts, the merge of white sprite
// pixels with the background, the scene, and the autosave restore rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <sstream>

#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#define HAVE_MALLOC_HOOKS 1
#endif

#include "support/PlayTree.h"
#include "core/SubLevelSettings.h"
#include "framework/graphics/Graphics.h"
#include "gui/Autosave.h"
#include "gui/LevelBuilder.h"
#include "logic/GameAction.h"
#include "logic/Platform.h"
#include "orvek/Exception.h"
#include "orvek/io/FileStream.h"
#include "ostrel/gui/Skin.h"

namespace {

namespace fs = std::filesystem;
namespace lg = orvek::trelm::logic;
namespace gui = orvek::trelm::gui;
using guitest::PlayTree;

class TestOwner : public gui::LevelBuilderOwner {
public:
    explicit TestOwner(orvek::trelm::core::Session& s) : session_(s) {}
    float game_time() const override { return 0.0f; }
    gui::RendererList& renderers() override { return list; }
    orvek::trelm::core::Session& session() override { return session_; }
    void set_background(std::shared_ptr<Vant::Image> image) override { background = std::move(image); }
    Vant::Image* background_image() const override { return background.get(); }
    void set_portal_pairs(std::vector<std::shared_ptr<gui::PortalRenderManager>> p) override { pairs = std::move(p); }
    void object_added(std::weak_ptr<lg::Obj>) override { ++added; }
    void object_changed(lg::Obj*) override {}
    void game_action(const lg::GameAction&) override {}
    std::pair<float, float> cursor_source() const override { return {0.0f, 0.0f}; }

    gui::RendererList list;
    std::shared_ptr<Vant::Image> background;
    std::vector<std::shared_ptr<gui::PortalRenderManager>> pairs;
    int added = 0;

private:
    orvek::trelm::core::Session& session_;
};

struct Build {
    PlayTree tree;
    TestOwner owner{*tree.session};
    gui::SimpleGameCreator builder{&owner};
    lg::Game game;

    // The build's exception message, empty when it went through.
    std::string start() {
        try {
            game.start(builder);
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }
};

float scaled(float v, int shift) { return v * gui::field_scale + float(shift); }

TEST(LevelBuilder, BuildScalesAndShiftsWhatTheFilesHoldAndLeavesTheRestAsRead) {
    Build b;
    b.tree.player().statistics().set_coins_at_start(77);
    ASSERT_EQ(b.start(), "");
    const auto file = PlayTree::ways();
    ASSERT_EQ(b.game.ways().size(), 2u);
    for (std::size_t w = 0; w < 2; ++w) {
        const lg::WayGeometry& g = b.game.ways()[w]->geometry();
        ASSERT_EQ(g.points.size(), file[w].points.size());
        for (std::size_t i = 0; i < g.points.size(); ++i) {
            EXPECT_FLOAT_EQ(g.points[i].x, scaled(file[w].points[i].x, PlayTree::shift_x));
            EXPECT_FLOAT_EQ(g.points[i].y, scaled(file[w].points[i].y, PlayTree::shift_y));
            EXPECT_EQ(g.points[i].order, 7);
        }
        for (int m : {0, 1}) {
            EXPECT_EQ(g.marks[m].index, file[w].marks[m].index);
            EXPECT_FLOAT_EQ(g.marks[m].point.x, scaled(file[w].marks[m].point.x, PlayTree::shift_x));
            EXPECT_FLOAT_EQ(g.marks[m].point.y, scaled(file[w].marks[m].point.y, PlayTree::shift_y));
        }
    }
    // The file's (1024, 768) lands on the field's corner plus the shift.
    EXPECT_FLOAT_EQ(b.game.ways()[1]->geometry().points.back().x, 800.0f + PlayTree::shift_x);
    EXPECT_FLOAT_EQ(b.game.ways()[1]->geometry().points.back().y, 600.0f + PlayTree::shift_y);
    EXPECT_FLOAT_EQ(b.game.contour()->geometry().points.front().y,
                    scaled(PlayTree::contour().points.front().y, PlayTree::shift_y));

    // Way settings and the contour speed scaled, counts and parameters not.
    ASSERT_EQ(b.game.all_way_settings().size(), 2u);
    const lg::WaySettings& ws = b.game.all_way_settings()[1];
    EXPECT_EQ(ws.sequences_size, 14);
    EXPECT_FLOAT_EQ(ws.sequences_dtime, 9.0f);
    EXPECT_FLOAT_EQ(ws.path_roll_out, 100.0f);
    EXPECT_FLOAT_EQ(ws.speed_forward.max_speed, 45.0f * gui::field_scale);
    EXPECT_FLOAT_EQ(b.game.contour_speed().max_speed, 100.0f);
    EXPECT_FLOAT_EQ(b.game.contour_speed().acceleration, 200.0f);
    const lg::GameParams& p = b.game.params();
    EXPECT_EQ(p.storage, 3);
    EXPECT_FLOAT_EQ(p.bonus_balls_max, 4.0f);
    EXPECT_FLOAT_EQ(p.coin_balls_min, 5.0f);
    EXPECT_EQ(p.coins_for_life, 3);
    EXPECT_FLOAT_EQ(p.time_block_shoot, 0.3f);
    EXPECT_FLOAT_EQ(p.desktop_width, 800.0f);
    EXPECT_FLOAT_EQ(p.desktop_height, 600.0f);

    // The platform's line moves with the shift; its limits do not.
    ASSERT_NE(b.game.platform(), nullptr);
    EXPECT_FLOAT_EQ(b.game.platform_y(), 500.0f + PlayTree::shift_y);
    EXPECT_FLOAT_EQ(b.game.platform()->limit_left(), 60.0f);
    EXPECT_FLOAT_EQ(b.game.platform()->limit_right(), 740.0f);

    const std::vector<std::int32_t> colors = {std::int32_t(orvek::trelm::core::string_to_color("red")),
                                              std::int32_t(orvek::trelm::core::string_to_color("green"))};
    EXPECT_EQ(b.game.ball_colors(), colors);
    EXPECT_GT(b.owner.added, 0);  // the callbacks reach the owner

    // The statistics record starts afresh with the start values.
    const auto& stats = b.tree.player().statistics();
    EXPECT_EQ(stats.coins_at_start(), std::uint32_t(b.game.coins()));
    EXPECT_EQ(stats.score_at_start(), std::uint32_t(b.game.points()));
}

TEST(LevelBuilder, CarriedStateReachesTheGameOnlyWhenThePlayerCarriesOne) {
    for (bool carried : {false, true}) {
        Build b;
        lg::GameStats state;
        state.lives = 9;
        state.coins = 2;
        state.points = 1234;
        b.tree.player().set_carried_state(state);
        b.tree.player().set_has_carried_state(carried);
        ASSERT_EQ(b.start(), "");
        EXPECT_EQ(b.game.points() == 1234, carried);
        EXPECT_EQ(b.game.lives() == 9, carried);
        EXPECT_EQ(b.tree.player().statistics().score_at_start(), carried ? 1234u : 0u);
    }
}

// ---------------------------------------------------------------- way files

std::string stream_bytes(const std::function<void(orvek::io::OStream&)>& body) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    out.write_header();
    body(out);
    return buf.str();
}

void put_points(orvek::io::OStream& out, const lg::WayGeometry& g, bool escape) {
    out << std::uint8_t(0);
    if (escape) out << std::uint32_t(0xFFFFFFFEu);
    out << std::uint32_t(g.points.size());
    for (const auto& p : g.points) out << std::uint8_t(0) << p.x << p.y << p.order << p.open << p.link;
    for (const auto& m : g.marks) out << std::uint32_t(m.index) << m.point.x << m.point.y;
}

std::vector<lg::WayGeometry> parse(const std::string& bytes, bool contour = false) {
    std::stringbuf buf(bytes);
    orvek::io::IStream in(&buf);
    in.read_header();
    return gui::read_way_records(in, contour, "Cannot load way file.");
}

TEST(LevelBuilder, WayRecordsParseTheEscapedCountAndAnEmptyWaysAnchors) {
    const lg::WayGeometry w = PlayTree::ways()[0];
    lg::WayGeometry empty;
    empty.marks[0] = lg::WayPosition(3, orvek::trelm::Vector2(1.0f, 2.0f));
    const auto ways = parse(stream_bytes([&](orvek::io::OStream& out) {
        out << std::uint8_t(0) << std::uint32_t(3);
        put_points(out, w, true);
        put_points(out, empty, false);
        put_points(out, w, false);
    }));
    ASSERT_EQ(ways.size(), 3u);
    EXPECT_EQ(ways[0], w);
    EXPECT_TRUE(ways[1].points.empty());
    EXPECT_EQ(ways[1].marks[0], empty.marks[0]);  // the anchors of an empty way are read
    EXPECT_EQ(ways[2], w);                         // and nothing after them is lost
    EXPECT_TRUE(parse(stream_bytes([](orvek::io::OStream& out) { out << std::uint8_t(0) << std::uint32_t(0); })).empty());
}

#ifdef HAVE_MALLOC_HOOKS
std::atomic<bool> counting{false};
std::atomic<std::size_t> largest{0};
void on_malloc(const volatile void*, std::size_t size) {
    if (counting && size > largest) largest = size;
}
void on_free(const volatile void*) {}
#endif

// The largest single allocation while body runs (0 without the hooks).
std::size_t largest_allocation(const std::function<void()>& body) {
#ifdef HAVE_MALLOC_HOOKS
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free) != 0;
    (void)installed;
    largest = 0;
    counting = true;
    body();
    counting = false;
    return largest;
#else
    body();
    return 0;
#endif
}

struct WayCase {
    const char* name;
    std::function<std::string()> bytes;  // the way file; empty: removed
    bool contour_missing;
    const char* failure;  // expected in the message; "" for io::Failure
};

TEST(LevelBuilder, BrokenWayFilesFailWithTheirMessageAndLeaveTheGameCleared) {
    const auto w = PlayTree::ways()[0];
    const auto pad = [](std::string s) {
        s.resize(100, '\0');
        return s;
    };
    const std::vector<WayCase> cases = {
        {"truncated", [&] {
             std::string s = stream_bytes([&](orvek::io::OStream& out) {
                 out << std::uint8_t(0) << std::uint32_t(2);
                 put_points(out, w, false);
                 put_points(out, w, false);
             });
             return s.substr(0, s.size() - 30);
         }, false, ""},
        {"header only", [] { return stream_bytes([](orvek::io::OStream&) {}); }, false, ""},
        {"4e9 ways in 100 bytes", [&] {
             return pad(stream_bytes([](orvek::io::OStream& out) { out << std::uint8_t(0) << std::uint32_t(4000000000u); }));
         }, false, "Cannot load way file."},
        {"2^32-2 points in 100 bytes", [&] {
             return pad(stream_bytes([](orvek::io::OStream& out) {
                 out << std::uint8_t(0) << std::uint32_t(1) << std::uint8_t(0) << std::uint32_t(0xFFFFFFFEu)
                     << std::uint32_t(0xFFFFFFFEu);
             }));
         }, false, ""},
        {"missing way file", {}, false, "Cannot load way file."},
        {"missing contour file", [&] {
             return stream_bytes([&](orvek::io::OStream& out) {
                 out << std::uint8_t(0) << std::uint32_t(1);
                 put_points(out, w, false);
             });
         }, true, "Cannot load way-contour file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Build b;
        const std::string way = b.tree.data("ways/alpha_1.way");
        fs::remove(way);
        if (c.bytes) testsupport::write_file(way, c.bytes());
        if (c.contour_missing) fs::remove(b.tree.data("ways/alpha_1.contour"));
        std::string message;
        bool io_failure = false;
        const std::size_t peak = largest_allocation([&] {
            try {
                b.game.start(b.builder);
            } catch (const orvek::io::Failure& e) {
                io_failure = true;
                message = e.what();
            } catch (const std::exception& e) {
                message = e.what();
            }
        });
        if (*c.failure) EXPECT_NE(message.find(c.failure), std::string::npos) << message;
        else EXPECT_TRUE(io_failure || message.find("Cannot load way file.") != std::string::npos) << message;
        EXPECT_TRUE(b.game.ways().empty());
        EXPECT_EQ(b.game.contour(), nullptr);
        EXPECT_FALSE(b.game.started());
        EXPECT_LT(peak, std::size_t(1) << 20) << "a count from the file was trusted";
    }
}

// ---------------------------------------------------------------- white

std::unique_ptr<Vant::MemoryImage> image_of(int w, int h, const std::function<std::uint32_t(int, int)>& at) {
    auto image = std::make_unique<Vant::MemoryImage>();
    image->Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image->GetBits()[y * w + x] = at(x, y);
    image->BitsChanged();
    return image;
}

TEST(LevelBuilder, OnlyOpaqueWhiteTakesTheBackgroundAndNothingOutsideItIsRead) {
    auto background = image_of(8, 6, [](int x, int y) { return PlayTree::background_pixel(x, y); });
    struct Case {
        std::uint32_t pixel;
        int x, y;  // where the sprite's pixel lands, in screen terms; background at (10, 20)
        std::uint32_t expected;
    };
    const Case cases[] = {
        {0xFFFFFFFFu, 13, 22, PlayTree::background_pixel(3, 2)},
        {0xFEFFFFFFu, 13, 22, 0xFEFFFFFFu},          // white not quite opaque
        {0xFFFFFFFEu, 13, 22, 0xFFFFFFFEu},          // opaque, not quite white
        {0xFFFF0000u, 13, 22, 0xFFFF0000u},
        {0xFFFFFFFFu, 17, 25, PlayTree::background_pixel(7, 5)},  // the background's last pixel
        {0xFFFFFFFFu, 18, 25, 0xFFFFFFFFu},          // right of it
        {0xFFFFFFFFu, 17, 26, 0xFFFFFFFFu},          // below it
        {0xFFFFFFFFu, 9, 20, 0xFFFFFFFFu},           // left of it
        {0xFFFFFFFFu, 10, 19, 0xFFFFFFFFu},          // above it
    };
    for (const auto& c : cases) {
        // A 3x3 sprite whose middle pixel is the case's, placed so that the
        // middle lands on (c.x, c.y); its other pixels are white too.
        auto sprite = image_of(3, 3, [&](int x, int y) { return x == 1 && y == 1 ? c.pixel : 0xFFFFFFFFu; });
        gui::fill_white_from_background(*sprite, c.x - 1, c.y - 1, *background, 10, 20);
        EXPECT_EQ(sprite->GetBits()[4], c.expected) << std::hex << c.pixel << " at " << std::dec << c.x << "," << c.y;
    }
}

// ---------------------------------------------------------------- scene

std::uint32_t drawn_pixel(gui::BasicRenderer& r, int x, int y) {
    auto canvas = guitest::canvas(260, 200);
    Vant::Graphics g(canvas.get());
    r.draw(g);
    return canvas->GetBits()[y * 260 + x];
}

TEST(LevelBuilder, SceneShiftsAndMergesSpritesButNotFrameSpritesAndKeepsSharedImagesUntouched) {
    Build b;
    // Another user of the sprite image: the skin's cached copy.
    auto shared = orvek::ostrel::Skin::instance()->load_image("data/Gui/Sprites/spr");
    ASSERT_TRUE(shared);
    ASSERT_EQ(b.start(), "");
    ASSERT_NE(b.owner.background, nullptr);

    std::vector<gui::ImageRenderer*> images;
    std::vector<gui::SpotRenderer*> spots;
    for (const auto& r : b.owner.list) {
        if (auto* i = dynamic_cast<gui::ImageRenderer*>(r.get())) images.push_back(i);
        if (auto* s = dynamic_cast<gui::SpotRenderer*>(r.get())) spots.push_back(s);
    }
    // Each list is walked from its last entry: frame sprite, sprite1, sprite0.
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0]->layer(), 10);
    EXPECT_TRUE(guitest::same_colour(drawn_pixel(*images[0], 0, 0), 0xFFFFFFu));   // at (0, 0) and still white
    // It reaches over the background, which it does not take.
    EXPECT_TRUE(guitest::same_colour(drawn_pixel(*images[0], 20, 12), 0xFFFFFFu));
    EXPECT_EQ(images[1]->layer(), 4);
    EXPECT_EQ(images[2]->layer(), 3);
    const int sx = 100 + PlayTree::shift_x, sy = 50 + PlayTree::shift_y;
    EXPECT_TRUE(guitest::same_colour(drawn_pixel(*images[2], sx + 1, sy), 0xFF0000u));
    EXPECT_TRUE(guitest::same_colour(drawn_pixel(*images[2], sx + 5, sy + 4),
                                     PlayTree::background_pixel(sx + 5 - gui::background_x, sy + 4 - gui::background_y)));
    // Sprite 1 reaches past the background's right edge: white stays there.
    const int tx = 190 + PlayTree::shift_x, ty = 140 + PlayTree::shift_y;
    EXPECT_TRUE(guitest::same_colour(drawn_pixel(*images[1], tx, ty + 1),
                                     PlayTree::background_pixel(tx - gui::background_x, ty + 1 - gui::background_y)));
    EXPECT_TRUE(guitest::same_colour(drawn_pixel(*images[1], tx + 19, ty + 1), 0xFFFFFFu));
    // The cached image is as it was loaded.
    auto* cached = dynamic_cast<Vant::MemoryImage*>(shared.get());
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->GetBits()[5 * 20 + 5], 0xFFFFFFFFu);

    // The animated sprite: shifted, on its level, looping.
    ASSERT_EQ(spots.size(), 1u);
    EXPECT_EQ(spots[0]->layer(), 7);
    EXPECT_FLOAT_EQ(spots[0]->position().x, 12.5f + PlayTree::shift_x);
    EXPECT_FLOAT_EQ(spots[0]->position().y, 40.25f + PlayTree::shift_y);
    EXPECT_FALSE(spots[0]->always_draw());
    spots[0]->update(100.0f);
    EXPECT_FALSE(spots[0]->is_finished());

    // Portals by index, both ends shifted.
    ASSERT_EQ(b.owner.pairs.size(), 2u);
    const auto at = [](const std::shared_ptr<gui::PortalRenderer>& r) { return r->spot().exact_position(); };
    EXPECT_EQ(at(b.owner.pairs[0]->first()), std::make_pair(105.0f, 207.0f));
    EXPECT_EQ(at(b.owner.pairs[0]->second()), std::make_pair(305.0f, 407.0f));
    EXPECT_EQ(at(b.owner.pairs[1]->first()), std::make_pair(15.0f, 27.0f));
}

// ---------------------------------------------------------------- autosave

TEST(LevelBuilder, AnAutosaveIsRestoredWithoutReadingTheWayFilesAndRemoved) {
    std::string saved;
    int points = 0;
    {
        Build b;
        ASSERT_EQ(b.start(), "");
        for (int i = 0; i < 60; ++i) b.game.update(0.05f);
        b.game.add_points(321);
        points = b.game.points();
        gui::write_autosave(*b.tree.session, b.game, gui::MedalGridRecord{});
        saved = testsupport::read_file(b.tree.session->autosave_path());
        // The restore, on the same tree with the way files gone.
        fs::remove(b.tree.data("ways/alpha_1.way"));
        fs::remove(b.tree.data("ways/alpha_1.contour"));
        b.owner.list.clear();
        lg::Game restored;
        try {
            restored.start(b.builder);
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
        EXPECT_EQ(restored.points(), points);
        EXPECT_EQ(restored.ways().size(), 2u);
        EXPECT_FALSE(fs::exists(b.tree.session->autosave_path()));
        EXPECT_FALSE(b.owner.list.empty());  // the scene is built once
        EXPECT_EQ(b.tree.player().resume_score(), std::uint32_t(points));
    }
    EXPECT_FALSE(saved.empty());
}

}  // namespace
