#include "logic/BonusWord.h"

#include "logic/Game.h"
#include "logic/GameAction.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<int> points_for_word("bonus_word/@points_for_word", 5000);

}  // namespace

BonusWord::BonusWord(Game* game, const std::string& text) : game_(game) {
    for (char c : text) {
        if (c == '\0') break;
        letters_.push_back({c, 0});
    }
}

BonusWord::~BonusWord() = default;

int BonusWord::last_unmarked(char c) const {
    // A repeated letter marks its occurrences from the last one back, so
    // that every occurrence can be marked in turn.
    for (int i = int(letters_.size()) - 1; i >= 0; --i)
        if (letters_[std::size_t(i)].letter == c && !letters_[std::size_t(i)].marked) return i;
    return -1;
}

bool BonusWord::activate(char c) {
    const int i = last_unmarked(c);
    if (i < 0) return false;
    letters_[std::size_t(i)].marked = 1;
    if (game_) game_->add_action(make_game_action<GameActionLetterActivate>(action_letter_activate, i));
    for (const Letter& l : letters_)
        if (!l.marked) return true;
    if (game_) game_->add_action(GameAction(action_bonus_word_complete));
    on_word_complete();
    for (Letter& l : letters_) l.marked = 0;
    return true;
}

bool BonusWord::collect(char c) {
    const int i = last_unmarked(c);
    if (i < 0) return false;
    letters_[std::size_t(i)].marked = 1;
    return true;
}

void BonusWord::save(io::OStream& out) const {
    out << std::uint8_t(0);
    io::write_count(out, letters_.size());
    for (const Letter& l : letters_) {
        if (!out.good()) break;
        out << std::uint8_t(0) << std::uint8_t(l.letter) << l.marked;
    }
}

void BonusWord::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    game_ = nullptr;
    letters_.clear();
    const std::uint32_t count = io::read_count(in);
    for (std::uint32_t i = 0; i < count && in.good(); ++i) {
        std::uint8_t v = 0, letter = 0, marked = 0;
        in >> v >> letter >> marked;
        if (in.good()) letters_.push_back({char(letter), std::uint8_t(marked ? 1 : 0)});
    }
}

void BonusWordBonus::on_word_complete() {
    if (game()) game()->add_points(points_for_word.get());
}

void BonusWordLife::on_word_complete() {
    if (game()) game()->add_life();
}

}  // namespace orvek::trelm::logic
