#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <string>

#include "core/CampaignPlayer.h"
#include "orvek/io/SharedRefs.h"
#include "support/SaveStreams.h"

using namespace orvek::trelm::core;
using orvek::trelm::logic::MedalAward;
using savetest::MemIn;
using savetest::MemOut;

namespace {

StatisticsRecord stats_with_chain(std::uint32_t n) {
    StatisticsRecord r;
    r.chain_num().value = n;
    r.set_holder("holder" + std::to_string(n));
    return r;
}

// A campaign-progress record of the given version, laid out field by field
// as that version of the game wrote it, every field with a value that
// differs from a new object's.
std::string record_of_version(std::uint32_t v) {
    MemOut m;
    auto& o = m.os;
    auto best_results = [&] {
        o << std::uint32_t{1};
        o.write_sized_block("arbor-1");
        orvek::io::save_shared(o, std::shared_ptr<LevelResultI>(std::make_shared<ScoreLevelResult>(77, LevelPosition(1, 2))));
    };
    auto text = [&](const std::string& s) { o.write_sized_block(s); };
    auto carried = [&] {
        o << std::uint8_t{1} << std::uint8_t{0} << std::uint32_t{3} << std::uint32_t{40} << std::uint32_t{500}
          << std::uint32_t{2};
        o.write("AB", 2);
    };
    o << v;
    if (v <= 8) {
        if (v >= 2) best_results();
        text("dropped");
        if (v >= 1) o << std::uint8_t{0};
        if (v >= 3) text("ID3");
        if (v >= 4) {
            o << std::uint32_t{11};
            LevelPosition(2, 3).save(o);
        }
        if (v >= 5) carried();
        if (v >= 6) stats_with_chain(5).save(o);
        if (v >= 7) stats_with_chain(6).save(o);
        if (v >= 8) text("dropped too");
        return m.bytes();
    }
    if (v == 9) {
        best_results();
        o << std::uint8_t{0};
        text("ID3");
        o << std::uint32_t{11};
        LevelPosition(2, 3).save(o);
        carried();
        stats_with_chain(5).save(o);
        stats_with_chain(6).save(o);
        LevelPosition(4, 1).save(o);
        o << std::uint32_t{4};
        return m.bytes();
    }
    best_results();
    o << std::uint8_t{0};
    text("ID3");
    o << std::uint32_t{11};
    LevelPosition(2, 3).save(o);
    stats_with_chain(5).save(o);
    LevelPosition(4, 1).save(o);
    o << std::uint32_t{22};
    LevelPosition(5, 6).save(o);
    stats_with_chain(7).save(o);
    LevelPosition(6, 0).save(o);
    carried();
    stats_with_chain(6).save(o);
    o << std::uint32_t{4};
    o << std::uint32_t{1};
    o.write_sized_block("dune-2");
    stats_with_chain(8).save(o);
    o << std::uint32_t{1} << std::uint8_t{1};
    if (v >= 11)
        for (std::uint32_t i = 0; i < 72; ++i) o << i;
    if (v >= 12) {
        // counter b, counter a, counter c, the flags, quick-complete counts
        o << std::uint8_t{0} << std::uint32_t{1} << std::uint32_t{2} << std::uint32_t{3} << std::uint8_t{0}
          << std::uint8_t{1} << std::uint32_t{1} << std::uint32_t{4};
        o << std::uint8_t{0} << std::uint32_t{8} << std::uint32_t{9} << std::uint32_t{10} << std::uint8_t{1}
          << std::uint8_t{0} << std::uint32_t{0};
    }
    if (v >= 13) {
        for (std::uint32_t k = 0; k < 24; ++k) o << (100 + k);
        o << 12.5f;
        o << std::uint32_t{1} << std::uint32_t{2} << std::uint32_t{3};
    }
    return m.bytes();
}

}  // namespace

class CampaignVersions : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(CampaignVersions, ReadsEachLayoutWholeAndSetsItsFields) {
    const std::uint32_t v = GetParam();
    MemIn in(record_of_version(v));
    in.is.exceptions(0);
    CampaignPlayer p;
    // Values an older layout must not leave behind.
    p.set_game_mode(1);
    p.resume_score() = 99;
    p.resume_position() = LevelPosition(9, 9);
    p.set_game_mode(0);
    p.load(in.is);
    ASSERT_TRUE(in.is.good()) << "version " << v;
    EXPECT_TRUE(in.at_end()) << "version " << v << " left bytes unread";

    const bool has_best = v >= 2;
    ASSERT_EQ(p.best_results().size(), has_best ? 1u : 0u);
    if (has_best) {
        auto r = std::dynamic_pointer_cast<ScoreLevelResult>(p.best_results().at("arbor-1"));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->score(), 77);
        EXPECT_EQ(r->position(), LevelPosition(1, 2));
    }
    EXPECT_EQ(p.show_help(), v < 1);
    EXPECT_EQ(p.stored_save_id(), v >= 3 ? "ID3" : "");
    EXPECT_EQ(p.resume_score_of(0), v >= 4 ? 11u : 0u);
    EXPECT_EQ(p.resume_position_of(0), v >= 4 ? LevelPosition(2, 3) : LevelPosition());
    EXPECT_EQ(p.carried_state().lives, v >= 5 ? 3 : 0);
    EXPECT_EQ(p.carried_state().points, v >= 5 ? 500 : 0);
    EXPECT_EQ(p.carried_state().letters.size(), v >= 5 ? 2u : 0u);
    EXPECT_EQ(p.statistics_of(0).chain_num().value, v >= 6 ? 5u : 0u);
    EXPECT_EQ(p.best_statistics().chain_num().value, v >= 7 ? 6u : 0u);
    EXPECT_EQ(p.position_of(0), v >= 9 ? LevelPosition(4, 1) : LevelPosition());
    EXPECT_EQ(p.highest_level(), v >= 9 ? 4u : 0u);
    // Single-mode resume values exist from version 10 on; before, they are reset.
    EXPECT_EQ(p.resume_score_of(1), v >= 10 ? 22u : 0u);
    EXPECT_EQ(p.resume_position_of(1), v >= 10 ? LevelPosition(5, 6) : LevelPosition());
    EXPECT_EQ(p.statistics_of(1).chain_num().value, v >= 10 ? 7u : 0u);
    EXPECT_EQ(p.position_of(1), v >= 10 ? LevelPosition(6, 0) : LevelPosition());
    EXPECT_EQ(p.all_sub_level_statistics().size(), v >= 10 ? 1u : 0u);
    EXPECT_EQ(p.game_mode(), v >= 10 ? 1u : 0u);
    EXPECT_EQ(p.campaign_completed(), v >= 10);
    EXPECT_EQ(p.medal_count(MedalAward(5, 1)), v >= 11 ? 16u : 0u);
    EXPECT_EQ(p.medal_count(MedalAward(23, 2)), v >= 11 ? 71u : 0u);
    EXPECT_EQ(p.medals_stats_of(0).counter_b(), v >= 12 ? 1u : 0u);
    EXPECT_EQ(p.medals_stats_of(0).counter_a(), v >= 12 ? 2u : 0u);
    EXPECT_EQ(p.medals_stats_of(0).quick_complete_count(0), v >= 12 ? 4u : 0u);
    EXPECT_EQ(p.medals_stats_of(1).counter_a(), v >= 12 ? 9u : 0u);
    EXPECT_EQ(p.medals_stats_of(1).without_lose_life(), true);
    EXPECT_EQ(p.medals_stats_of(1).without_continue(), v < 12);
    EXPECT_EQ(p.medal_progress(23), v >= 13 ? 123u : 0u);
    EXPECT_EQ(p.best_time(), v >= 13 ? 12.5f : 0.0f);
    EXPECT_EQ(p.grade_record(2), v >= 13 ? 3u : 0u);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, CampaignVersions,
                         ::testing::Values(0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u));

TEST(CampaignPlayer, SaveWritesVersion13AndReadsBackEverything) {
    CampaignPlayer p;
    p.set_position(LevelPosition(3, 1));
    p.store_result("arbor-2", std::make_shared<ScoreLevelResult>(500, LevelPosition(0, 1)));
    p.set_show_help(false);
    const std::string id = p.save_id();
    p.resume_score() = 1234;
    p.set_has_carried_state(true);
    p.set_carried_state({2, 3, 4, {'Z', 'E'}});
    p.sub_level_statistics("arbor-1").add_chain();
    p.set_campaign_completed(true);
    p.add_medal(MedalAward(7, 2));
    p.medals_stats().add_quick_complete(2);
    p.update_medal_progress(16, 40);
    p.update_best_time(81.25f);
    p.update_grade_record(1, 9);
    p.set_game_mode(1);
    p.resume_score() = 55;
    p.medals_stats().increment_counter_b();

    MemOut out;
    p.save(out.os);
    ASSERT_TRUE(out.os.good());
    EXPECT_EQ(out.bytes().substr(0, 4), std::string("\x0d\0\0\0", 4));

    MemIn in(out.bytes());
    CampaignPlayer q;
    q.load(in.is);
    ASSERT_TRUE(in.is.good());
    EXPECT_TRUE(in.at_end());
    MemOut again;
    q.save(again.os);
    EXPECT_EQ(again.bytes().size(), out.bytes().size());
    EXPECT_EQ(q.game_mode(), 1u);
    EXPECT_EQ(q.save_id(), id + "S");
    EXPECT_EQ(q.resume_score_of(0), 1234u);
    EXPECT_EQ(q.resume_score_of(1), 55u);
    EXPECT_EQ(q.medals_stats_of(1).counter_b(), 1u);
    EXPECT_EQ(q.medals_stats_of(0).quick_complete_count(2), 1u);
    EXPECT_EQ(q.highest_level(), 3u);
    EXPECT_EQ(q.carried_state().letters, (std::vector<std::uint8_t>{'Z', 'E'}));
    EXPECT_EQ(q.medal_count(MedalAward(7, 2)), 1u);
    EXPECT_EQ(q.best_time(), 81.25f);
    EXPECT_EQ(q.grade_record(1), 9u);
    EXPECT_EQ(q.sub_level_statistics("arbor-1").chain_num().value, 1u);
    EXPECT_FALSE(q.show_help());
}

TEST(CampaignPlayer, NewerVersionFailsTheStreamInsteadOfReadingDefaults) {
    MemOut out;
    out.os << std::uint32_t{14} << std::uint32_t{0xDEAD};
    MemIn in(out.bytes());
    in.is.exceptions(0);
    CampaignPlayer p;
    p.load(in.is);
    EXPECT_TRUE(in.is.fail());

    MemIn thrown(out.bytes());
    EXPECT_THROW(p.load(thrown.is), orvek::io::Failure);
}

TEST(CampaignPlayer, HugeCountsAllocateNothingBeyondTheBytesPresent) {
    // Version 13 with a best-results count of 4 billion and nothing after it.
    MemOut out;
    out.os << std::uint32_t{13} << std::uint32_t{0xFFFFFFF0};
    MemIn in(out.bytes());
    in.is.exceptions(0);
    CampaignPlayer p;
    p.load(in.is);
    EXPECT_TRUE(in.is.fail());
    EXPECT_TRUE(p.best_results().empty());
}

TEST(CampaignPlayer, PositionRaisesTheHighestLevelOnlyInCampaignMode) {
    CampaignPlayer p;
    p.set_position(LevelPosition(5, 0));
    EXPECT_EQ(p.highest_level(), 5u);
    p.set_position(LevelPosition(2, 1));
    EXPECT_EQ(p.highest_level(), 5u);
    EXPECT_EQ(p.position(), LevelPosition(2, 1));
    p.set_game_mode(1);
    p.set_position(LevelPosition(9, 0));
    EXPECT_EQ(p.highest_level(), 5u);
    EXPECT_EQ(p.position(), LevelPosition(9, 0));
    p.set_game_mode(0);
    EXPECT_EQ(p.position(), LevelPosition(2, 1));
}

TEST(CampaignPlayer, StoreResultKeepsEqualAndTakesBetter) {
    CampaignPlayer p;
    auto first = std::make_shared<ScoreLevelResult>(100, LevelPosition());
    p.store_result("k", first);
    p.store_result("k", std::make_shared<ScoreLevelResult>(100, LevelPosition(1, 1)));
    EXPECT_EQ(p.best_results().at("k"), first);
    p.store_result("k", std::make_shared<ScoreLevelResult>(99, LevelPosition()));
    EXPECT_EQ(p.best_results().at("k"), first);
    auto better = std::make_shared<ScoreLevelResult>(101, LevelPosition());
    p.store_result("k", better);
    EXPECT_EQ(p.best_results().at("k"), better);
}

TEST(CampaignPlayer, CarriedStateBelongsToCampaignModeOnly) {
    CampaignPlayer p;
    p.set_game_mode(1);
    p.set_has_carried_state(true);
    p.set_carried_state({5, 5, 5, {}});
    EXPECT_FALSE(p.has_carried_state());
    EXPECT_EQ(p.carried_state().lives, 0);
    p.set_game_mode(0);
    p.set_has_carried_state(true);
    EXPECT_TRUE(p.has_carried_state());
    p.set_game_mode(1);
    EXPECT_FALSE(p.has_carried_state());
}

TEST(CampaignPlayer, SaveIdIsStableAndMarksSingleMode) {
    CampaignPlayer p;
    const std::string id = p.save_id();
    ASSERT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("1234567890ABCDEF"), std::string::npos);
    EXPECT_EQ(p.save_id(), id);
    p.set_game_mode(1);
    EXPECT_EQ(p.save_id(), id + "S");
    EXPECT_EQ(p.stored_save_id(), id);
    // Two players never share an id.
    EXPECT_NE(CampaignPlayer().save_id(), id);
}

TEST(CampaignPlayer, SaveIdDigitOrder) {
    // Words are little-endian, digits from the lowest up, digit d is table[d].
    std::array<std::uint8_t, 16> guid{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                      0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(format_save_id(guid), "1234567890ABCDEF11111111FFFFFFFF");
}

TEST(CampaignPlayer, BestTimeIgnoresEqualAndNaN) {
    CampaignPlayer p;
    p.update_best_time(10.0f);
    p.update_best_time(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(p.best_time(), 10.0f);
    p.update_best_time(9.0f);
    EXPECT_EQ(p.best_time(), 10.0f);
}

TEST(CampaignPlayer, MedalTablesIgnoreOutOfRangeAwards) {
    CampaignPlayer p;
    p.add_medal(MedalAward());  // "no award"
    p.add_medal(MedalAward(24, 0));
    p.add_medal(MedalAward(0, 3));
    for (int k = 0; k < 24; ++k)
        for (int g = 0; g < 3; ++g) EXPECT_EQ(p.medal_count(MedalAward(k, g)), 0u);
    p.update_medal_progress(3, 7);
    p.update_medal_progress(3, 5);
    EXPECT_EQ(p.medal_progress(3), 7u);
}

TEST(MedalsStats, QuickCompleteGrowsOnDemand) {
    MedalsStats m;
    EXPECT_EQ(m.add_quick_complete(2), 1u);
    EXPECT_EQ(m.quick_complete_counts(), (std::vector<std::uint32_t>{0, 0, 1}));
    EXPECT_EQ(m.quick_complete_count(5), 0u);
}

TEST(MedalsStats, RunAndResetRules) {
    MedalsStats m;
    EXPECT_TRUE(m.without_lose_life());
    EXPECT_TRUE(m.without_continue());
    m.increment_counter_a();
    m.increment_counter_c();
    m.add_quick_complete(0);
    m.clear_run();
    EXPECT_EQ(m.counter_a(), 0u);
    EXPECT_EQ(m.counter_c(), 0u);
    EXPECT_FALSE(m.without_lose_life());
    EXPECT_TRUE(m.without_continue());
    EXPECT_EQ(m.quick_complete_count(0), 1u);
    m.reset();
    EXPECT_TRUE(m.without_lose_life());
    EXPECT_TRUE(m.quick_complete_counts().empty());
}

TEST(MedalsStats, StreamWritesCounterBBeforeCounterA) {
    MedalsStats m;
    m.increment_counter_a();  // a = 1
    m.increment_counter_b();
    m.increment_counter_b();  // b = 2
    MemOut out;
    m.save(out.os);
    const std::string expected("\0\2\0\0\0\1\0\0\0\0\0\0\0\1\1\0\0\0\0", 19);
    EXPECT_EQ(out.bytes(), expected);
}

TEST(CampaignPlayer, AnyModeOtherThanCampaignUsesTheSingleModeSlots) {
    // A stored mode of 7 must not index past the two per-mode entries.
    CampaignPlayer p;
    p.set_game_mode(7);
    p.resume_score() = 5;
    p.medals_stats().increment_counter_a();
    EXPECT_EQ(p.resume_score_of(1), 5u);
    EXPECT_EQ(p.medals_stats_of(1).counter_a(), 1u);
    EXPECT_EQ(p.save_id().back(), 'S');
    p.set_position(LevelPosition(8, 0));
    EXPECT_EQ(p.highest_level(), 0u);
}
