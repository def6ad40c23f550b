#include "GameHarness.h"
#include "testkit/WaySettings.h"

#include <algorithm>

namespace logictest {

namespace lg = orvek::trelm::logic;

lg::WaySettings quiet_settings() { return way_settings(); }

void TestCreator::create(lg::GameSetup& setup) {
    setup.set_on_object_added(recorder_.added_callback());
    setup.set_on_object_changed(recorder_.changed_callback());
    setup.set_on_object_removed(recorder_.removed_callback());
    if (install_action_callback) setup.set_on_game_action(recorder_.action_callback());
    setup.set_cursor_source(recorder_.cursor_callback());
    setup.set_ball_colors(colors);
    setup.set_params(params);
    for (const auto& w : ways) setup.add_way(w);
    for (std::size_t i = 0; i < settings.size(); ++i) setup.set_way_settings(i, settings[i]);
    if (contour) setup.set_contour(contour);
    if (mission_balls > 0) setup.set_mission(std::make_shared<lg::Mission>(mission_balls));
    if (extra) extra(setup);
    setup.restored = restored;
}

GameBench::GameBench() { ensure_config_defaults(); }

void GameBench::start(std::uint32_t seed) {
    lg::seed_random(seed);
    game.start(creator);
}

lg::Way* GameBench::start_quiet(float length, std::uint32_t seed) {
    creator.ways = {straight_way(0.0f, length, 100.0f, 4)};
    creator.settings = {quiet_settings()};
    start(seed);
    discard_chains();
    return game.ways().front().get();
}

void GameBench::discard_chains() {
    for (const auto& s : game.sequences()) game.drop_sequence(s.get());
    game.flush_removed();
    rec.clear();
}

void GameBench::run(int n, float dt) {
    for (int i = 0; i < n; ++i) game.update(dt);
}

lg::Sequence* GameBench::chain(lg::Way* way, const std::vector<std::int32_t>& colors, float front,
                               const lg::Float3& motion) {
    auto s = std::make_shared<lg::Sequence>(&game, way, motion);
    std::size_t next = colors.size();
    s->fill(int(colors.size()), 1, at_length(*way, front), -1, [&] { return colors[--next]; }, false);
    lg::Sequence* raw = s.get();
    game.insert_sequence(std::move(s));
    return raw;
}

lg::Sequence* GameBench::creature(lg::Way* way, const std::vector<std::int32_t>& colors, float front, bool head,
                                  bool tail, const lg::Float3& motion) {
    lg::Sequence* s = chain(way, colors, front, motion);
    s->create_regions();
    if (!head) game.remove_object(s->take_head());
    if (!tail) game.remove_object(s->take_tail());
    return s;
}

std::vector<std::int32_t> GameBench::colors_of(const lg::Sequence& s) const {
    std::vector<std::int32_t> out;
    for (const auto& b : s.balls()) out.push_back(b->color());
    return out;
}

int GameBench::live_sequences() const { return int(live_chains().size()); }

std::vector<lg::Sequence*> GameBench::live_chains() const {
    std::vector<lg::Sequence*> out;
    for (const auto& s : game.sequences())
        if (!game.is_sequence_dropped(s.get())) out.push_back(s.get());
    return out;
}

lg::WayPosition at_length(const lg::Way& way, float d) {
    lg::WayPosition p = way.first_position();
    way.advance(p, d);
    return p;
}

float path_of(const lg::Ball& b) { return b.way()->path_length(b.way_position()); }

}  // namespace logictest
