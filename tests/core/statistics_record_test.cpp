#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <limits>
#include <string>

#include "core/StatisticsRecord.h"
#include "support/TestSupport.h"
#include "orvek/config/XmlAttributes.h"
#include "orvek/io/Stream.h"

using namespace orvek::trelm::core;
using testsupport::TempDir;
using testsupport::write_file;

namespace {

StatisticsRecord record_of(const std::string& holder, std::uint32_t score, std::uint32_t lifes, float time) {
    StatisticsRecord r;
    r.update_time(time);  // sets the record
    r.set_score(score);
    for (std::uint32_t i = 0; i < lifes; ++i) r.add_life_expend();
    r.set_holder(holder);
    r.set_position(LevelPosition(1, 2));
    return r;
}

}  // namespace

TEST(StatisticsRecord, StartsClearedAndClearResetsEverything) {
    StatisticsRecord r;
    EXPECT_FALSE(r.is_set());
    r.add_chain();
    r.set_coins_at_start(4);
    r.set_score_at_start(5);
    r.set_time_mark(2.0f);
    r.update_time(3.0f);
    r.set_holder("Ann");
    r.set_position(LevelPosition(3, 1));
    r.clear();
    EXPECT_FALSE(r.is_set());
    EXPECT_EQ(r.chain_num().value, 0u);
    EXPECT_EQ(r.chain_num().holder, "");
    EXPECT_EQ(r.time_expend().position, LevelPosition(0, 0));
    EXPECT_EQ(r.coins_at_start(), 0u);
    EXPECT_EQ(r.score_at_start(), 0u);
    EXPECT_EQ(r.time_mark(), 0.0f);
    EXPECT_EQ(r.time_expend().value, 0.0f);
}

TEST(StatisticsRecord, CountersMaximaAndTime) {
    StatisticsRecord r;
    r.add_chain();
    r.add_chain();
    r.add_combo();
    r.add_indirect();
    r.add_sniper();
    r.add_word();
    r.add_life_expend();
    r.update_chain_max(5);
    r.update_chain_max(3);
    r.update_combo_max(2);
    r.update_indirect_max(4000000000u);
    EXPECT_EQ(r.chain_num().value, 2u);
    EXPECT_EQ(r.combo_num().value, 1u);
    EXPECT_EQ(r.indirect_num().value, 1u);
    EXPECT_EQ(r.sniper_num().value, 1u);
    EXPECT_EQ(r.words_num().value, 1u);
    EXPECT_EQ(r.lifes_expend().value, 1u);
    EXPECT_EQ(r.chain_max().value, 5u);
    EXPECT_EQ(r.combo_max().value, 2u);
    EXPECT_EQ(r.indirect_max().value, 4000000000u);

    StatisticsRecord t;
    t.time_expend().value = 1.0f;
    t.set_time_mark(2.0f);
    t.update_time(5.0f);
    EXPECT_FLOAT_EQ(t.time_expend().value, 4.0f);
    EXPECT_FLOAT_EQ(t.time_mark(), 5.0f);
    EXPECT_TRUE(t.is_set());
}

TEST(StatisticsRecord, CoinsAndScoreCountGainsAndNeverWrap) {
    StatisticsRecord r;
    r.set_coins_at_start(10);
    r.set_score_at_start(500);
    r.set_coins(25);
    r.set_score(800);
    EXPECT_EQ(r.coins_num().value, 15u);
    EXPECT_EQ(r.score().value, 300u);
    // Buying a life spends coins below the start value: no gain, not 4e9.
    r.set_coins(7);
    r.set_score(499);
    EXPECT_EQ(r.coins_num().value, 0u);
    EXPECT_EQ(r.score().value, 0u);

    StatisticsRecord full;
    full.lifes_expend().value = std::numeric_limits<std::uint32_t>::max();
    full.add_life_expend();
    EXPECT_EQ(full.lifes_expend().value, std::numeric_limits<std::uint32_t>::max());
}

TEST(StatisticsRecord, MergeBestKeepsBetterValuesPerEntry) {
    StatisticsRecord ann = record_of("Ann", 100, 2, 50.0f);
    ann.set_coins_at_start(1);

    // An equal score keeps the earlier holder.
    ann.merge_best(record_of("Bob", 100, 3, 60.0f));
    EXPECT_EQ(ann.score().holder, "Ann");
    EXPECT_EQ(ann.lifes_expend().holder, "Ann");
    EXPECT_EQ(ann.time_expend().holder, "Ann");

    // Fewer lives lost wins, with the other's holder and position; a larger
    // time does not replace.
    StatisticsRecord cid = record_of("Cid", 90, 0, 70.0f);
    cid.set_position(LevelPosition(4, 0));
    ann.merge_best(cid);
    EXPECT_EQ(ann.lifes_expend().value, 0u);
    EXPECT_EQ(ann.lifes_expend().holder, "Cid");
    EXPECT_EQ(ann.lifes_expend().position, LevelPosition(4, 0));
    EXPECT_EQ(ann.score().holder, "Ann");
    EXPECT_FLOAT_EQ(ann.time_expend().value, 50.0f);
    EXPECT_EQ(ann.time_expend().holder, "Ann");

    // A better score and a shorter time replace; start values stay.
    ann.merge_best(record_of("Dee", 101, 5, 49.0f));
    EXPECT_EQ(ann.score().holder, "Dee");
    EXPECT_EQ(ann.time_expend().holder, "Dee");
    EXPECT_EQ(ann.lifes_expend().holder, "Cid");
    EXPECT_EQ(ann.coins_at_start(), 1u);

    // An unordered time never replaces.
    StatisticsRecord nan = record_of("Nan", 0, 9, std::numeric_limits<float>::quiet_NaN());
    ann.merge_best(nan);
    EXPECT_EQ(ann.time_expend().holder, "Dee");
}

TEST(StatisticsRecord, MergeIntoClearedRecordCopiesWhole) {
    StatisticsRecord other = record_of("Eve", 7, 1, 3.0f);
    other.set_coins_at_start(11);
    other.set_score_at_start(12);
    other.set_time_mark(13.0f);
    StatisticsRecord cleared;
    cleared.merge_best(other);
    EXPECT_TRUE(cleared.is_set());
    EXPECT_EQ(cleared.score().value, 7u);
    EXPECT_EQ(cleared.score().holder, "Eve");
    EXPECT_EQ(cleared.coins_at_start(), 11u);
    EXPECT_EQ(cleared.score_at_start(), 12u);
    EXPECT_FLOAT_EQ(cleared.time_mark(), 13.0f);
}

class RecordsTable : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(table.load(ZELKOR_TEST_DATA_DIR "/levels/records.xml"));
    }
    orvek::ostrel::XmlAttributes table;
    StatisticsRecord::TextLookup names = [](const std::string& key) {
        if (key == "menu/best-results/default/ann") return std::string("Ann the Bold");
        return key;
    };
};

TEST_F(RecordsTable, LoadsAListedSubLevelWithDisplayPositions) {
    StatisticsRecord r;
    r.set_coins_at_start(3);
    r.load_record(table, LevelPosition(0, 0), names);
    EXPECT_TRUE(r.is_set());
    EXPECT_EQ(r.chain_num().value, 5u);
    EXPECT_EQ(r.combo_num().value, 4u);
    EXPECT_EQ(r.indirect_num().value, 3u);
    EXPECT_EQ(r.sniper_num().value, 2u);
    EXPECT_EQ(r.coins_num().value, 9u);
    EXPECT_EQ(r.words_num().value, 1u);
    EXPECT_EQ(r.chain_max().value, 7u);
    EXPECT_EQ(r.combo_max().value, 6u);
    EXPECT_EQ(r.indirect_max().value, 2u);
    EXPECT_EQ(r.score().value, 12500u);
    EXPECT_EQ(r.lifes_expend().value, 1u);
    EXPECT_FLOAT_EQ(r.time_expend().value, 95.5f);
    EXPECT_EQ(r.score().holder, "Ann the Bold");
    EXPECT_EQ(r.time_expend().holder, "Ann the Bold");
    EXPECT_EQ(r.chain_num().position, LevelPosition(1, 1));
    EXPECT_EQ(r.coins_at_start(), 3u);  // start values untouched

    // Listed, but without lives and time: those count 0 as the table says.
    StatisticsRecord bob;
    bob.load_record(table, LevelPosition(1, 1), names);
    EXPECT_EQ(bob.score().value, 800u);
    EXPECT_EQ(bob.lifes_expend().value, 0u);
    EXPECT_EQ(bob.time_expend().value, 0.0f);
    EXPECT_EQ(bob.score().holder, "menu/best-results/default/bob");
    EXPECT_EQ(bob.score().position, LevelPosition(2, 2));
}

TEST_F(RecordsTable, UnlistedSubLevelHasNoBestLivesOrTimeYet) {
    StatisticsRecord seeded;
    seeded.load_record(table, LevelPosition(0, 1));
    EXPECT_TRUE(seeded.is_set());
    EXPECT_EQ(seeded.score().value, 0u);
    EXPECT_EQ(seeded.score().holder, "menu/best-results/default/");
    EXPECT_EQ(seeded.score().position, LevelPosition(1, 2));
    EXPECT_EQ(seeded.lifes_expend().value, StatisticsRecord::no_lifes_best);
    EXPECT_EQ(seeded.time_expend().value, StatisticsRecord::no_time_best);

    // The first finisher takes the lives and time records, however many
    // lives and however long it took.
    StatisticsRecord best;
    best.merge_best(seeded);
    best.merge_best(record_of("Fay", 10, 4, 300.0f));
    EXPECT_EQ(best.lifes_expend().value, 4u);
    EXPECT_EQ(best.lifes_expend().holder, "Fay");
    EXPECT_FLOAT_EQ(best.time_expend().value, 300.0f);
    EXPECT_EQ(best.time_expend().holder, "Fay");
    // Seeding again changes nothing.
    best.merge_best(seeded);
    EXPECT_EQ(best.lifes_expend().holder, "Fay");
}

TEST_F(RecordsTable, MissingTableSeedsEverySubLevel) {
    orvek::ostrel::XmlAttributes empty;
    StatisticsRecord r;
    r.load_record(empty, LevelPosition(0, 0));
    EXPECT_TRUE(r.is_set());
    EXPECT_EQ(r.chain_num().value, 0u);
    EXPECT_EQ(r.lifes_expend().value, StatisticsRecord::no_lifes_best);
}

TEST(RecordsTableErrors, NonNumericValueRaisesConversionError) {
    TempDir dir;
    write_file(dir.file("records.xml"), "<r><sub_level_0_0 score=\"lots\"/></r>");
    orvek::ostrel::XmlAttributes table;
    ASSERT_TRUE(table.load(dir.file("records.xml").c_str()));
    StatisticsRecord r;
    try {
        r.load_record(table, LevelPosition(0, 0));
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Cannot convert value to UInt");
    }
}

namespace {

struct Bytes {
    std::string s;
    Bytes& u8(std::uint8_t v) {
        s.push_back(static_cast<char>(v));
        return *this;
    }
    Bytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
    Bytes& f32(float f) {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        return u32(v);
    }
    Bytes& text(const std::string& t) {
        u32(static_cast<std::uint32_t>(t.size()));
        s += t;
        return *this;
    }
};

}  // namespace

TEST(StatisticsRecordStream, WritesTheRecordFieldByField) {
    StatisticsRecord r;
    r.update_time(1.5f);
    r.add_chain();
    r.update_combo_max(300);
    r.set_holder("Ann");
    r.set_position(LevelPosition(1, 2));
    r.lifes_expend().holder = "";
    r.set_coins_at_start(3);
    r.set_score_at_start(0x01020304);
    r.set_time_mark(2.5f);

    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    r.save(out);

    Bytes expected;
    expected.u8(0).u8(1);
    const std::uint32_t values[11] = {1, 0, 0, 0, 0, 0, 0, 300, 0, 0, 0};
    for (int i = 0; i < 11; ++i)
        expected.u8(0).u32(values[i]).u32(0).u32(1).u32(2).text(i == 10 ? "" : "Ann");
    expected.u8(0).f32(1.5f).u32(0).u32(1).u32(2).text("Ann");
    expected.u32(3).u32(0x01020304).f32(2.5f);
    EXPECT_EQ(buf.str(), expected.s);

    std::stringbuf in_buf(buf.str());
    orvek::io::IStream in(&in_buf);
    StatisticsRecord back;
    back.load(in);
    EXPECT_TRUE(back.is_set());
    EXPECT_EQ(back.chain_num().value, 1u);
    EXPECT_EQ(back.combo_max().value, 300u);
    EXPECT_EQ(back.score().holder, "Ann");
    EXPECT_EQ(back.lifes_expend().holder, "");
    EXPECT_EQ(back.time_expend().position, LevelPosition(1, 2));
    EXPECT_FLOAT_EQ(back.time_expend().value, 1.5f);
    EXPECT_EQ(back.coins_at_start(), 3u);
    EXPECT_EQ(back.score_at_start(), 0x01020304u);
    EXPECT_FLOAT_EQ(back.time_mark(), 2.5f);

    // A record without a best time yet keeps that through a save.
    StatisticsRecord none;
    none.time_expend().value = StatisticsRecord::no_time_best;
    none.lifes_expend().value = StatisticsRecord::no_lifes_best;
    std::stringbuf none_buf;
    orvek::io::OStream none_out(&none_buf);
    none.save(none_out);
    std::stringbuf none_in_buf(none_buf.str());
    orvek::io::IStream none_in(&none_in_buf);
    StatisticsRecord none_back;
    none_back.load(none_in);
    EXPECT_EQ(none_back.time_expend().value, StatisticsRecord::no_time_best);
    EXPECT_EQ(none_back.lifes_expend().value, StatisticsRecord::no_lifes_best);
}

TEST(StatisticsRecordStream, ShortStreamFails) {
    StatisticsRecord r;
    r.set_holder("Bob");
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    r.save(out);
    std::stringbuf cut(buf.str().substr(0, 40));
    orvek::io::IStream in(&cut);
    StatisticsRecord back;
    EXPECT_THROW(back.load(in), orvek::io::Failure);
    EXPECT_EQ(back.chain_num().holder, "Bob");  // what was read stays
}
