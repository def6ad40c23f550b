#pragma once
// Bonus words: caught letter bonuses mark the letters of a word; a word whose
// letters are all marked pays out, tells the user interface and starts over.
#include <cstdint>
#include <string>
#include <vector>

#include "orvek/io/Object.h"

namespace orvek::trelm::logic {

class Game;

class BonusWord : public io::Object {
public:
    struct Letter {
        char letter = 0;
        std::uint8_t marked = 0;
        bool operator==(const Letter&) const = default;
    };

    // The factory's form: no game, no letters.
    BonusWord() = default;
    // One unmarked letter per character of text, up to a NUL.
    BonusWord(Game* game, const std::string& text);
    ~BonusWord() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    Game* game() const { return game_; }
    void set_game(Game* game) { game_ = game; }
    const std::vector<Letter>& letters() const { return letters_; }

    // Marks the last unmarked occurrence of c (sends action 14 with its
    // index) and pays out once every letter is marked. False when the word
    // has no unmarked c.
    bool activate(char c);
    // Marks the last unmarked occurrence of c without telling anyone and
    // without paying out: letters carried over from an earlier sub-level.
    bool collect(char c);

protected:
    virtual void on_word_complete() = 0;

private:
    int last_unmarked(char c) const;

    Game* game_ = nullptr;
    std::vector<Letter> letters_;
};

// Pays "bonus_word/@points_for_word" points.
class BonusWordBonus : public BonusWord {
public:
    using BonusWord::BonusWord;

protected:
    void on_word_complete() override;
};

// Gives a life.
class BonusWordLife : public BonusWord {
public:
    using BonusWord::BonusWord;

protected:
    void on_word_complete() override;
};

}  // namespace orvek::trelm::logic
