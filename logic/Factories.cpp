#include "logic/Factories.h"

#include <memory>

#include "logic/Ball.h"
#include "logic/BallFree.h"
#include "logic/Bonus.h"
#include "logic/BonusFall.h"
#include "logic/BonusWord.h"
#include "logic/Lift.h"
#include "logic/Obj.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/Way.h"
#include "logic/ZelkorRegion.h"
#include "orvek/AbstractFactory.h"

namespace orvek::trelm::logic {

namespace {

// For classes whose copy would duplicate what they do to the game when they
// die (a ball in flight takes its ball out of the game): creating works,
// copying is refused like a counter factory refuses it.
template <class T>
class UncopyableFactory : public AbstractFactory {
public:
    explicit UncopyableFactory(std::string name) : AbstractFactory(std::move(name)) { register_type(typeid(T)); }

    void* allocate() override { return ::operator new(sizeof(T)); }
    void destroy(void* object) override { delete static_cast<T*>(object); }
    void* create() override { return new T(); }
    void* copy_construct(void*, const void*) override {
        throw_factory_exception("o::Factory::uninitialized_copy(): The factory does not support this method.");
    }
    io::Object* create_object() override { return new T(); }
    std::size_t datum_size() const override { return sizeof(T); }
    const void* datum_kind() const override { return &orvek::detail::DatumKind<T>::tag; }
};

#define ZELKOR_LOGIC_NAME(T) "class orvek::trelm::logic::" #T

// Saved games spell these names: never rename one.
Factory<Way> way_factory(ZELKOR_LOGIC_NAME(Way));
Factory<Mission> mission_factory(ZELKOR_LOGIC_NAME(Mission));
Factory<Sequence> sequence_factory(ZELKOR_LOGIC_NAME(Sequence));
Factory<Ball> ball_factory(ZELKOR_LOGIC_NAME(Ball));
UncopyableFactory<BallFree> ball_free_factory(ZELKOR_LOGIC_NAME(BallFree));
Factory<Platform> platform_factory(ZELKOR_LOGIC_NAME(Platform));
Factory<ZelkorRegion> region_factory(ZELKOR_LOGIC_NAME(ZelkorRegion));
Factory<BallEmpty> ball_empty_factory(ZELKOR_LOGIC_NAME(BallEmpty));
Factory<BallBomb> ball_bomb_factory(ZELKOR_LOGIC_NAME(BallBomb));
Factory<BallLightning> ball_lightning_factory(ZELKOR_LOGIC_NAME(BallLightning));
Factory<BonusWordBonus> word_bonus_factory(ZELKOR_LOGIC_NAME(BonusWordBonus));
Factory<BonusWordLife> word_life_factory(ZELKOR_LOGIC_NAME(BonusWordLife));
Factory<BonusSpeed> bonus_speed_factory(ZELKOR_LOGIC_NAME(BonusSpeed));
Factory<BonusPullInApplier> pull_in_applier_factory(ZELKOR_LOGIC_NAME(BonusPullInApplier));
Factory<BonusIntensifierApplier> intensifier_applier_factory(ZELKOR_LOGIC_NAME(BonusIntensifierApplier));
Factory<BonusWildBall> wild_ball_factory(ZELKOR_LOGIC_NAME(BonusWildBall));
Factory<BonusSlowing> slowing_factory(ZELKOR_LOGIC_NAME(BonusSlowing));
Factory<BonusGoBack> go_back_factory(ZELKOR_LOGIC_NAME(BonusGoBack));
Factory<BonusStop> stop_factory(ZELKOR_LOGIC_NAME(BonusStop));
Factory<BonusBomb> bomb_factory(ZELKOR_LOGIC_NAME(BonusBomb));
Factory<BonusLightning> lightning_factory(ZELKOR_LOGIC_NAME(BonusLightning));
Factory<BonusColorBomb> color_bomb_factory(ZELKOR_LOGIC_NAME(BonusColorBomb));
Factory<BonusPullIn> pull_in_factory(ZELKOR_LOGIC_NAME(BonusPullIn));
Factory<BonusIntensifier> intensifier_factory(ZELKOR_LOGIC_NAME(BonusIntensifier));
Factory<BonusProgress> progress_factory(ZELKOR_LOGIC_NAME(BonusProgress));
Factory<BonusJewel> jewel_factory(ZELKOR_LOGIC_NAME(BonusJewel));
Factory<BonusCoin> coin_factory(ZELKOR_LOGIC_NAME(BonusCoin));
Factory<BonusLetter> letter_factory(ZELKOR_LOGIC_NAME(BonusLetter));
Factory<Door> door_factory(ZELKOR_LOGIC_NAME(Door));
Factory<Lift> lift_factory(ZELKOR_LOGIC_NAME(Lift));
// A game can hold these too (a falling aiming-hit bonus, the ball it puts on
// the platform, an acceleration bonus of an old save): without a factory an
// autosave taken at such a moment could never be loaded again.
Factory<BonusAimingHit> aiming_hit_factory(ZELKOR_LOGIC_NAME(BonusAimingHit));
Factory<BonusSequenceAcceleration> sequence_acceleration_factory(ZELKOR_LOGIC_NAME(BonusSequenceAcceleration));
Factory<BallAimingHit> ball_aiming_hit_factory(ZELKOR_LOGIC_NAME(BallAimingHit));

#undef ZELKOR_LOGIC_NAME

}  // namespace

const std::vector<std::string>& logic_factory_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const AbstractFactory* f :
             std::initializer_list<const AbstractFactory*>{
                 &way_factory, &mission_factory, &sequence_factory, &ball_factory, &ball_free_factory,
                 &platform_factory, &region_factory, &ball_empty_factory, &ball_bomb_factory,
                 &ball_lightning_factory, &word_bonus_factory, &word_life_factory, &bonus_speed_factory,
                 &pull_in_applier_factory, &intensifier_applier_factory, &wild_ball_factory, &slowing_factory,
                 &go_back_factory, &stop_factory, &bomb_factory, &lightning_factory, &color_bomb_factory,
                 &pull_in_factory, &intensifier_factory, &progress_factory, &jewel_factory, &coin_factory,
                 &letter_factory, &door_factory, &lift_factory, &aiming_hit_factory,
                 &sequence_acceleration_factory, &ball_aiming_hit_factory})
            out.push_back(f->name());
        return out;
    }();
    return names;
}

}  // namespace orvek::trelm::logic
