// The renderer list's frame pass, and the renderers that follow no logic
// object: spots, texts, still images and portals.
#include <gtest/gtest.h>

#include <cmath>

#include "core/SubLevelGraphics.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "gui/Renderer.h"
#include "support/RenderFixture.h"

namespace {

using namespace orvek::trelm::gui;
using orvek::trelm::Vector2;
using Log = std::vector<std::string>;

// Writes every call into a shared log; finishes after a set number of
// updates (never for -1).
class Recorder : public BasicRenderer {
public:
    Recorder(Log& log, std::string name, int layer, int life = -1, bool paused_visible = false)
        : BasicRenderer(nullptr, layer), log_(log), name_(std::move(name)), life_(life), paused_visible_(paused_visible) {}
    bool is_finished() const override { return life_ == 0; }
    void draw(Vant::Graphics&) override { log_.push_back("draw " + name_); }
    void draw_under(Vant::Graphics&) override { log_.push_back("under " + name_); }
    void update(float dt) override {
        log_.push_back("update " + name_ + " " + std::to_string(int(std::lround(dt * 1000))));
        if (life_ > 0) --life_;
    }
    bool visible_while_paused() const override { return paused_visible_; }

    void finish() { life_ = 0; }

private:
    Log& log_;
    std::string name_;
    int life_;
    bool paused_visible_;
};

TEST(RendererList, FramePassTable) {
    struct Case {
        const char* name;
        bool paused;
        Log expected;
    };
    // a: layer 10; b: layer 5, finishes in its first update; c: layer -1;
    // d: layer 5, visible while paused; e: layer 10, already finished.
    const Case cases[] = {
        {"running", false,
         {"update a 20", "update b 20", "update c 20", "update d 20", "under d", "draw d", "under a", "draw a"}},
        {"paused", true, {"update a 0", "update b 0", "update c 0", "update d 0", "under d", "draw d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log log;
        RendererList list;
        list.push_back(std::make_shared<Recorder>(log, "a", 10));
        list.push_back(std::make_shared<Recorder>(log, "b", 5, 1));
        list.push_back(std::make_shared<Recorder>(log, "c", -1));
        list.push_back(std::make_shared<Recorder>(log, "d", 5, -1, true));
        auto e = std::make_shared<Recorder>(log, "e", 10);
        e->finish();
        list.push_back(e);
        list.push_back(nullptr);
        Vant::Graphics g;
        run_renderers(list, c.paused ? 0.0f : 0.02f, c.paused, g);
        EXPECT_EQ(log, c.expected);
        // The finished ones left the list; the hidden ones stayed.
        EXPECT_EQ(list.size(), 3u);
    }
}

TEST(RendererList, EveryUnderlayOfALayerComesFirstAndEqualLayersKeepTheirOrder) {
    Log log;
    RendererList list;
    for (const char* name : {"p", "q", "r"}) list.push_back(std::make_shared<Recorder>(log, name, 7));
    list.push_back(std::make_shared<Recorder>(log, "low", 3));
    Vant::Graphics g;
    for (int frame = 0; frame < 3; ++frame) {
        log.clear();
        run_renderers(list, 0.0f, false, g);
        const Log draws(log.begin() + 4, log.end());
        EXPECT_EQ(draws, (Log{"under low", "draw low", "under p", "under q", "under r", "draw p", "draw q", "draw r"}));
    }
}

TEST(RendererList, OwnerIgnoresEmptyPointers) {
    guitest::Owner owner;
    owner.add_renderer(nullptr);
    EXPECT_TRUE(owner.list.empty());
    Log log;
    owner.add_renderer(std::make_shared<Recorder>(log, "a", 1));
    EXPECT_EQ(owner.list.size(), 1u);
}

TEST(EffectsRandom, OwnGeneratorAndUniformRule) {
    // The presentation's draws leave the game's sequence alone.
    effects_random().seed(7);
    orvek::LegacyRand reference(7);
    EXPECT_EQ(effects_random().next(), reference.next());
    // The uniform rule at the generator's ends.
    orvek::LegacyRand probe(0);
    std::uint32_t zero_state = 0, top_state = 0;
    bool found_zero = false, found_top = false;
    for (std::uint32_t s = 0; s < 2000000 && !(found_zero && found_top); ++s) {
        probe.seed(s);
        const int v = probe.next();
        if (v == 0 && !found_zero) zero_state = s, found_zero = true;
        if (v == 32767 && !found_top) top_state = s, found_top = true;
    }
    ASSERT_TRUE(found_zero && found_top);
    effects_random().seed(zero_state);
    EXPECT_FLOAT_EQ(effects_uniform(-3.0f, 5.0f), -3.0f);
    effects_random().seed(top_state);
    EXPECT_FLOAT_EQ(effects_uniform(-3.0f, 5.0f), 5.0f);
}

struct Spots : ::testing::Test {
    guitest::Fixture fixture;
    guitest::Owner owner;
    std::shared_ptr<SpotRenderer> spot(float start, float duration, bool forever = false, Vector2 v = {},
                                       bool always = true) {
        return std::make_shared<SpotRenderer>(&owner, skin_image("star_tail"), Vector2(50, 50), 0.0f, v, Vector2(),
                                              start, duration, false, layer_effects, forever, always);
    }
};

TEST_F(Spots, LifeTable) {
    struct Case {
        float start, duration;
        bool forever;
        int frames_alive;  // updates of 1/16 s before it reports finished
    } cases[] = {{0.0f, 0.5f, false, 8}, {0.25f, 0.75f, false, 8}, {0.0f, 0.5f, true, -1}, {0.0f, 0.0f, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.start << "/" << c.duration << "/" << c.forever);
        auto s = spot(c.start, c.duration, c.forever);
        int frames = 0;
        while (!s->is_finished() && frames < 1000) {
            s->update(0.0625f);
            ++frames;
        }
        EXPECT_EQ(frames, c.frames_alive < 0 ? 1000 : c.frames_alive);
    }
}

TEST_F(Spots, FinishedInTheFrameItRunsOutAndNeverDrawn) {
    RendererList list{spot(0.0f, 0.5f)};
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    run_renderers(list, 0.25f, false, g);
    EXPECT_EQ(list.size(), 1u);
    image = guitest::canvas();
    Vant::Graphics g2(image.get());
    run_renderers(list, 0.25f, false, g2);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(guitest::pixel(*image, 50, 50), 0u);
}

TEST_F(Spots, MovesByItsVelocity) {
    auto s = spot(0.0f, 2.0f, false, Vector2(0, -10));
    for (int i = 0; i < 10; ++i) s->update(0.05f);
    EXPECT_NEAR(s->position().y, 45.0f, 1e-4);
    EXPECT_EQ(s->spot().top(), int(s->position().y - 2.0f));  // a 4 x 4 cel
}

TEST_F(Spots, WithoutAlwaysDrawOnlyThe3DDisplayShowsIt) {
    const std::uint32_t colour = guitest::Fixture::color_of("star_tail") & 0xFFFFFF;
    auto hidden = spot(0.0f, 1.0f, false, {}, false);
    auto shown = spot(0.0f, 1.0f, false, {}, true);
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    hidden->draw(g);
    EXPECT_EQ(guitest::pixel(*image, 50, 50), 0u);
    shown->draw(g);
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 50, 50), colour));

    fixture.enable_3d();
    Vant::Graphics g3(fixture.screen());
    hidden->draw(g3);
    EXPECT_TRUE(guitest::same_colour(fixture.screen_pixel(50, 50), colour));
}

// Every character 6 wide, lines 10 high; records the calls.
class FixedFont : public Vant::Font {
public:
    FixedFont() {
        ascent = 8;
        height = 10;
    }
    int CharWidth(char) override { return 6; }
    int StringWidth(const std::string& text) override { return 6 * int(text.size()); }
    void DrawString(Vant::Graphics* g, int x, int y, const std::string& text, const Vant::Color&,
                    const Vant::Rect&) override {
        drawn.push_back(text + " " + std::to_string(x) + "," + std::to_string(y) + " a" +
                        std::to_string(g->color.a));
    }
    Vant::Font* Duplicate() override { return new FixedFont(*this); }
    std::vector<std::string> drawn;
};

TEST(TextRenderers, LinesBottomUpCentredRisingAndFading) {
    FixedFont font;
    TextRenderer text(nullptr, {"ab", "abcd"}, Vector2(100, 50), &font, Vant::Color(1, 2, 3, 7));
    EXPECT_EQ(text.layer(), 6000);
    Vant::Graphics g;
    text.draw(g);
    EXPECT_EQ(font.drawn, (Log{"abcd 88,50 a255", "ab 94,40 a255"}));
    font.drawn.clear();
    text.update(1.0f);
    text.draw(g);
    EXPECT_EQ(font.drawn, (Log{"abcd 88,35 a170", "ab 94,25 a170"}));
    EXPECT_FLOAT_EQ(text.elapsed(), 1.0f);
    text.update(2.0f);
    EXPECT_TRUE(text.is_finished());
    EXPECT_NEAR(text.alpha(), 0.0f, 1e-3);
}

TEST_F(Spots, ImageRendererDrawsItsImageAtItsPoint) {
    ImageRenderer r(&owner, skin_image("lift"), 42, 10, 20);
    EXPECT_EQ(r.layer(), 42);
    EXPECT_TRUE(r.visible_while_paused());
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    r.draw(g);
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 10, 20), guitest::Fixture::color_of("lift")));
    EXPECT_EQ(guitest::pixel(*image, 9, 20), 0u);
}

TEST_F(Spots, PortalsStayHiddenUntilStartedAndStartOnlyIdleEnds) {
    orvek::trelm::core::AnimatedSprite first{"roll_in_star0", 10, 10, 4000, 0.0f, 0.4f};
    orvek::trelm::core::AnimatedSprite second{"roll_in_star1", 30, 10, 4001, 0.0f, 0.4f};
    auto pair = make_portal_pair(&owner, first, second);
    EXPECT_EQ(pair->first()->layer(), 4000);
    EXPECT_EQ(pair->second()->layer(), 4001);
    auto draws = [&](PortalRenderer& p, int x) {
        auto image = guitest::canvas();
        Vant::Graphics g(image.get());
        p.draw(g);
        return guitest::pixel(*image, x, 10) != 0;
    };
    pair->first()->update(0.1f);
    EXPECT_FALSE(draws(*pair->first(), 10));
    EXPECT_FALSE(draws(*pair->second(), 30));
    start_portals(pair);
    EXPECT_TRUE(draws(*pair->first(), 10));
    EXPECT_TRUE(draws(*pair->second(), 30));
    pair->first()->update(0.3f);
    start_portals(pair);  // the first end is playing: it is not restarted
    EXPECT_EQ(pair->first()->spot().elapsed(), 300);
    EXPECT_EQ(pair->second()->spot().elapsed(), 0);
    pair->first()->update(0.2f);
    EXPECT_FALSE(draws(*pair->first(), 10));  // played once, hidden again
}

}  // namespace
