#include <gtest/gtest.h>

#include "logic/BonusWord.h"
#include "support/BonusHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

std::string marks(const lg::BonusWord& w) {
    std::string s;
    for (const auto& l : w.letters()) s += l.marked ? '1' : '0';
    return s;
}

}  // namespace

TEST(BonusWord, LettersOfAbcMarkThenThePayoutUnmarksAll) {
    BonusBench b("ABC");
    const auto& word = *b.holder->words().at(0);
    const int lives = b.game.lives();

    b.holder->offer_letter('C');
    EXPECT_EQ(marks(word), "001");
    ASSERT_NE(b.rec.last_payload<lg::GameActionLetterActivate>(lg::action_letter_activate), nullptr);
    EXPECT_EQ(b.rec.last_payload<lg::GameActionLetterActivate>(lg::action_letter_activate)->letter, 2);
    b.holder->offer_letter('A');
    b.rec.clear();

    b.holder->offer_letter('B');
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_letter_activate,
                                                               lg::action_bonus_word_complete}));
    EXPECT_EQ(b.rec.last_payload<lg::GameActionLetterActivate>(lg::action_letter_activate)->letter, 1);
    EXPECT_EQ(b.game.lives(), lives + 1);
    EXPECT_EQ(marks(word), "000");
    EXPECT_TRUE(b.rec.payload_faults().empty());
}

TEST(BonusWord, ALetterOutsideTheWordOrAlreadyMarkedIsIgnored) {
    BonusBench b("ABC");
    b.holder->offer_letter('Z');
    b.holder->offer_letter('A');
    b.holder->offer_letter('A');
    EXPECT_EQ(marks(*b.holder->words()[0]), "100");
    EXPECT_EQ(b.rec.count(lg::action_letter_activate), 1);
}

TEST(BonusWord, AWordWithARepeatedLetterCompletesFromTheOfferedLetters) {
    BonusBench b("LEVEL");
    const int lives = b.game.lives();
    // Offer what the letter draw offers: the unmarked letters only.
    for (int i = 0; i < 5; ++i) {
        const auto offered = b.holder->unmarked_letters();
        ASSERT_FALSE(offered.empty());
        b.holder->offer_letter(offered[std::size_t(lg::random_pick(int(offered.size())))]);
    }
    EXPECT_EQ(b.rec.count(lg::action_letter_activate), 5);
    EXPECT_EQ(b.rec.count(lg::action_bonus_word_complete), 1);
    EXPECT_EQ(b.game.lives(), lives + 1);
    EXPECT_EQ(b.holder->unmarked_letters().size(), 5u);
}

TEST(BonusWord, RepeatedLetterMarksTheLastUnmarkedOccurrence) {
    BonusBench b("LEVEL");
    b.holder->offer_letter('L');
    EXPECT_EQ(marks(*b.holder->words()[0]), "00001");
    b.holder->offer_letter('L');
    EXPECT_EQ(marks(*b.holder->words()[0]), "10001");
    EXPECT_EQ(b.rec.last_payload<lg::GameActionLetterActivate>(lg::action_letter_activate)->letter, 0);
}

TEST(BonusWord, EmptyWordAcceptsNothingAndMakesNoLetterBonus) {
    BonusBench b("");
    EXPECT_TRUE(b.holder->words()[0]->letters().empty());
    b.holder->offer_letter('A');
    EXPECT_EQ(b.rec.count(lg::action_letter_activate), 0);
    EXPECT_EQ(b.holder->create_kind(lg::bonus_letter, Vector2(100, 100)), nullptr);
    EXPECT_TRUE(b.holder->falling().empty());
}

TEST(BonusWord, MissingSkinTextMakesTheKeyTheWord) {
    ensure_config_defaults();
    FakeSkin skin;
    lg::ActiveBonuses holder(nullptr);
    std::string text;
    for (const auto& l : holder.words()[0]->letters()) text += l.letter;
    EXPECT_EQ(text, "menu/bonus_word");
}

TEST(BonusWord, BonusKindPaysPointsAndCollectedLettersAreMarkedSilently) {
    BonusBench b;
    lg::BonusWordBonus word(&b.game, "AB");
    EXPECT_TRUE(word.collect('A'));
    EXPECT_EQ(b.rec.count(lg::action_letter_activate), 0);
    const int points = b.game.points();
    EXPECT_TRUE(word.activate('B'));
    EXPECT_EQ(b.game.points(), points + 5000);
    EXPECT_EQ(b.rec.count(lg::action_bonus_word_complete), 1);

    // Letters carried over from an earlier sub-level (the game's statistics).
    b.holder->collect_letter('B');
    EXPECT_EQ(b.holder->marked_letters(), (std::vector<std::uint8_t>{'B'}));
    EXPECT_EQ(b.rec.count(lg::action_letter_activate), 1);
}

TEST(BonusWord, StreamFormRoundTrips) {
    BonusBench b("LEVEL");
    lg::BonusWordLife word(&b.game, "LEVEL");
    word.activate('E');
    const std::string bytes = save_plain(word);
    // version, count, then {version, letter, marked} per letter.
    EXPECT_EQ(bytes.substr(0, 8), u8(0) + u32(5) + u8(0) + "L" + u8(0));
    lg::BonusWordLife back;
    load_plain(bytes, back);
    EXPECT_EQ(back.letters(), word.letters());
    EXPECT_EQ(back.game(), nullptr);
}

TEST(BonusWord, MarkedLettersTravelWithTheStatistics) {
    BonusBench b("ABC");
    b.holder->offer_letter('A');
    b.holder->offer_letter('C');
    const auto stats = b.game.stats();
    EXPECT_EQ(stats->letters, (std::vector<std::uint8_t>{'A', 'C'}));

    BonusBench next("ABC");
    next.creator.extra = [&](lg::GameSetup& s) {
        s.set_platform_line(550.0f, 0.0f, 800.0f);
        s.set_stats(*stats);
    };
    next.start_quiet();
    EXPECT_EQ(next.holder->marked_letters(), (std::vector<std::uint8_t>{'A', 'C'}));
    EXPECT_EQ(next.holder->unmarked_letters(), (std::vector<char>{'B'}));
    EXPECT_EQ(next.rec.count(lg::action_letter_activate), 0);
}
