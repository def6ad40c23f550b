#pragma once
// The rules that decide, every frame before a chain moves, how it is driven:
// the first rule of a fixed chain that applies rewrites the limit and the
// acceleration of the chain's motion (never its speed).
#include <memory>
#include <vector>

#include "orvek/io/Object.h"

namespace orvek::trelm::logic {

class Game;
class Sequence;

class SpeedChanger {
public:
    explicit SpeedChanger(Game* game) : game_(game) {}
    virtual ~SpeedChanger() = default;
    virtual bool applies(Sequence& s) = 0;
    virtual void apply(Sequence& s) = 0;
    virtual const char* name() const = 0;

protected:
    Game* game_;
};

namespace speed_changer {

#define ZELKOR_SPEED_CHANGER(Kind)                          \
    class Kind : public SpeedChanger {                      \
    public:                                                 \
        using SpeedChanger::SpeedChanger;                   \
        bool applies(Sequence& s) override;                 \
        void apply(Sequence& s) override;                   \
        const char* name() const override { return #Kind; } \
    };

ZELKOR_SPEED_CHANGER(RollIn)
ZELKOR_SPEED_CHANGER(RollOut)
ZELKOR_SPEED_CHANGER(SameColorConnection)
ZELKOR_SPEED_CHANGER(BonusGoBack)
ZELKOR_SPEED_CHANGER(BonusStop)
ZELKOR_SPEED_CHANGER(SmallSeqs)
ZELKOR_SPEED_CHANGER(BonusSlowing)
ZELKOR_SPEED_CHANGER(UsualMovement)
ZELKOR_SPEED_CHANGER(Idle)

#undef ZELKOR_SPEED_CHANGER

}  // namespace speed_changer

class SpeedChangerChain {
public:
    explicit SpeedChangerChain(Game* game);

    // Applies the first rule that applies, on the ways the game knows only.
    void apply_first(Sequence& s);
    // The rule apply_first would apply, or null.
    SpeedChanger* first_applying(Sequence& s);
    const std::vector<std::shared_ptr<SpeedChanger>>& rules() const { return rules_; }

    // Only a version byte: the rules hold nothing of their own.
    void save(io::OStream& out) const;
    void load(io::IStream& in, Game* game);

private:
    void build();

    Game* game_;
    std::vector<std::shared_ptr<SpeedChanger>> rules_;
};

// The piece holds no tail and the piece behind it on its way ends in a
// colour that matches this piece's rear ball: it rolls back to join it.
bool same_color_connection(Game& game, Sequence& s);

// Roots of a x^2 + b x + c = 0, r1 = (-b - sqrt(D)) / 2a, r2 = (sqrt(D) - b) / 2a.
// False, leaving r1 and r2 alone, when a is 0 or the discriminant negative.
bool solve_quadratic(float a, float b, float c, float& r1, float& r2);

}  // namespace orvek::trelm::logic
