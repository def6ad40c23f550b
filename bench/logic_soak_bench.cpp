// The game logic under a long, busy game: an autoplayer shoots at random
// into a heavy level (four ways, long chains, bonuses falling) for at least
// 30 minutes of game time, saving the game and loading it into a new one
// every 30 seconds of game time. It fails on a NaN position, a broken
// invariant (Game::validate, checked after every step outside the timing) or
// a failed reload. It prints the step cost's median, 99th percentile and
// maximum and the median cost of a save and of a reload; its last line is
// the median cost of one game step as a fraction of the step interval.
// ZELKOR_SOAK_MINUTES sets another length.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "logic/GameSave.h"
#include "logic/GameSetup.h"
#include "logic/LegacyRand.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/Way.h"
#include "orvek/Exception.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/Stream.h"
#include "testkit/BusyLevel.h"
#include "testkit/HeavyLevel.h"

namespace lg = orvek::trelm::logic;
namespace io = orvek::io;
using orvek::trelm::Vector2;

namespace {

constexpr float step_interval = 0.032f;  // app/@dt

using logictest::HeavyLevel;
using logictest::nan_positions;
using logictest::save_of;

struct SoakResult {
    long steps = 0;
    int reloads = 0;
    int failed_reloads = 0;
    int nan_steps = 0;
    int invalid_steps = 0;
    std::string first_invalid;
    int new_games = 0;
    int restarts = 0;
    std::size_t largest_save = 0;
    long max_balls = 0;
    // Seconds.
    double median_step = 0.0;
    double p99_step = 0.0;
    double worst_step = 0.0;
    double median_save = 0.0;
    double median_reload = 0.0;
};

// The q-quantile of sorted costs (the nearest rank at or above it).
double quantile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) return 0.0;
    const std::size_t rank = std::size_t(std::ceil(q * double(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long balls_in(const lg::Game& game) {
    long n = 0;
    for (const auto& s : game.sequences()) n += long(s->balls().size());
    return n;
}

SoakResult soak(double minutes) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    SoakResult r;
    HeavyLevel level;
    std::mt19937 player(20261210);  // the autoplayer's own dice
    std::uniform_real_distribution<float> aim(40.0f, 760.0f);
    auto game = std::make_unique<lg::Game>();
    lg::seed_random(1);
    game->start(level);

    const long total = long(std::ceil(minutes * 60.0 / step_interval));
    const long reload_every = long(std::lround(30.0 / step_interval));
    std::vector<double> costs, saves, reloads;
    costs.reserve(std::size_t(total));
    for (long i = 1; i <= total; ++i) {
        if (player() % 7 == 0) game->move_platform(aim(player));
        if (player() % 9 == 0) game->shoot();
        if (player() % 97 == 0) game->take_ball();
        const int restarts_before = level.actions_restart_after_life_lost;
        const auto t0 = std::chrono::steady_clock::now();
        game->update(step_interval);
        const auto t1 = std::chrono::steady_clock::now();
        costs.push_back(std::chrono::duration<double>(t1 - t0).count());
        ++r.steps;
        r.max_balls = std::max(r.max_balls, balls_in(*game));
        if (nan_positions(*game) > 0) ++r.nan_steps;
        if (const std::string broken = game->validate(); !broken.empty()) {
            if (r.invalid_steps++ == 0) r.first_invalid = "step " + std::to_string(i) + ": " + broken;
        }

        // What the user interface does: restart after a lost life, a new
        // game once the sub-level is won or lost.
        if (level.actions_restart_after_life_lost != restarts_before) {
            game->restart();
            ++r.restarts;
        } else if (game->mission() && game->mission()->is_finished()) {
            game->start(level);
            ++r.new_games;
        }

        if (i % reload_every == 0) {
            const auto save_start = std::chrono::steady_clock::now();
            const std::string bytes = save_of(*game);
            saves.push_back(seconds_since(save_start));
            r.largest_save = std::max(r.largest_save, bytes.size());
            const auto reload_start = std::chrono::steady_clock::now();
            auto restored = std::make_unique<lg::Game>();
            std::stringbuf buf(bytes);
            io::IStream in(&buf);
            bool ok = false;
            try {
                in.read_header();
                ok = lg::restore_game(*restored, level, in);
            } catch (const orvek::Exception& e) {
                std::fprintf(stderr, "reload at step %ld failed: %s\n", i, e.what());
            }
            reloads.push_back(seconds_since(reload_start));
            ++r.reloads;
            if (ok) {
                game = std::move(restored);
                lg::seed_random(std::uint32_t(i));  // the generator is not part of a save
            } else {
                ++r.failed_reloads;
            }
        }
    }
    for (auto* v : {&costs, &saves, &reloads}) std::sort(v->begin(), v->end());
    r.median_step = quantile(costs, 0.5);
    r.p99_step = quantile(costs, 0.99);
    r.worst_step = costs.empty() ? 0.0 : costs.back();
    r.median_save = quantile(saves, 0.5);
    r.median_reload = quantile(reloads, 0.5);
    return r;
}

// One step of the heavy level in full play, for comparison runs.
void BM_HeavyLevelStep(benchmark::State& state) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    HeavyLevel level;
    lg::Game game;
    lg::seed_random(1);
    game.start(level);
    std::mt19937 player(7);
    for (int i = 0; i < 600; ++i) {
        if (i % 9 == 0) game.shoot();
        game.update(step_interval);
    }
    for (auto _ : state) {
        if (player() % 9 == 0) game.shoot();
        game.update(step_interval);
        if (game.mission()->is_finished() || game.state() != lg::Game::playing) {
            state.PauseTiming();
            game.start(level);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_HeavyLevelStep);

// Saving and loading the heavy level once it is busy.
void BM_HeavyLevelSaveAndReload(benchmark::State& state) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    HeavyLevel level;
    lg::Game game;
    lg::seed_random(1);
    game.start(level);
    for (int i = 0; i < 900; ++i) {
        if (i % 9 == 0) game.shoot();
        game.update(step_interval);
    }
    for (auto _ : state) {
        const std::string bytes = save_of(game);
        lg::Game restored;
        std::stringbuf buf(bytes);
        io::IStream in(&buf);
        in.read_header();
        benchmark::DoNotOptimize(lg::restore_game(restored, level, in));
    }
}
BENCHMARK(BM_HeavyLevelSaveAndReload);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    double minutes = 30.0;
    if (const char* m = std::getenv("ZELKOR_SOAK_MINUTES")) minutes = std::max(0.1, std::atof(m));
    const SoakResult r = soak(minutes);
    std::printf("soak: %ld steps (%.1f min of game time), %d reloads, %d failed, %d steps with NaN positions\n",
                r.steps, double(r.steps) * step_interval / 60.0, r.reloads, r.failed_reloads, r.nan_steps);
    std::printf("soak: %d restarts after a lost life, %d new games, up to %ld balls in chains, saves up to %zu bytes\n",
                r.restarts, r.new_games, r.max_balls, r.largest_save);
    if (r.invalid_steps > 0)
        std::printf("soak: %d steps broke an invariant, first at %s\n", r.invalid_steps, r.first_invalid.c_str());
    std::printf("soak: step median %.1f us, 99th percentile %.1f us, max %.3f ms\n", r.median_step * 1e6,
                r.p99_step * 1e6, r.worst_step * 1e3);
    std::printf("soak: 99th percentile %.4f of the step interval (goal: under 0.01)\n", r.p99_step / step_interval);
    std::printf("soak: save median %.3f ms, reload median %.3f ms (%d of each)\n", r.median_save * 1e3,
                r.median_reload * 1e3, r.reloads);
    const bool ok = r.failed_reloads == 0 && r.nan_steps == 0 && r.invalid_steps == 0 && r.reloads > 0;
    if (!ok) std::printf("soak FAILED\n");
    std::printf("median step cost: %.6f of the step interval (%.1f us of %.0f ms)\n", r.median_step / step_interval,
                r.median_step * 1e6, double(step_interval) * 1e3);
    return ok ? 0 : 1;
}
