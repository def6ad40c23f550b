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

// Made on first use, so that a static initialiser of any file may ask for
// them; each instantiation owns its one factory.
template <class F>
const AbstractFactory* made(const char* name) {
    static F factory(name);
    return &factory;
}

}  // namespace

// Saved games spell these names: never rename one.
#define ZELKOR_LOGIC_FACTORY(F, T) made<F<T>>("class orvek::trelm::logic::" #T)

const std::vector<std::string>& logic_factory_names() {
    static const std::vector<std::string> names = [] {
        const AbstractFactory* const factories[] = {
            ZELKOR_LOGIC_FACTORY(Factory, Way),
            ZELKOR_LOGIC_FACTORY(Factory, Mission),
            ZELKOR_LOGIC_FACTORY(Factory, Sequence),
            ZELKOR_LOGIC_FACTORY(Factory, Ball),
            ZELKOR_LOGIC_FACTORY(UncopyableFactory, BallFree),
            ZELKOR_LOGIC_FACTORY(Factory, Platform),
            ZELKOR_LOGIC_FACTORY(Factory, ZelkorRegion),
            ZELKOR_LOGIC_FACTORY(Factory, BallEmpty),
            ZELKOR_LOGIC_FACTORY(Factory, BallBomb),
            ZELKOR_LOGIC_FACTORY(Factory, BallLightning),
            ZELKOR_LOGIC_FACTORY(Factory, BonusWordBonus),
            ZELKOR_LOGIC_FACTORY(Factory, BonusWordLife),
            ZELKOR_LOGIC_FACTORY(Factory, BonusSpeed),
            ZELKOR_LOGIC_FACTORY(Factory, BonusPullInApplier),
            ZELKOR_LOGIC_FACTORY(Factory, BonusIntensifierApplier),
            ZELKOR_LOGIC_FACTORY(Factory, BonusWildBall),
            ZELKOR_LOGIC_FACTORY(Factory, BonusSlowing),
            ZELKOR_LOGIC_FACTORY(Factory, BonusGoBack),
            ZELKOR_LOGIC_FACTORY(Factory, BonusStop),
            ZELKOR_LOGIC_FACTORY(Factory, BonusBomb),
            ZELKOR_LOGIC_FACTORY(Factory, BonusLightning),
            ZELKOR_LOGIC_FACTORY(Factory, BonusColorBomb),
            ZELKOR_LOGIC_FACTORY(Factory, BonusPullIn),
            ZELKOR_LOGIC_FACTORY(Factory, BonusIntensifier),
            ZELKOR_LOGIC_FACTORY(Factory, BonusProgress),
            ZELKOR_LOGIC_FACTORY(Factory, BonusJewel),
            ZELKOR_LOGIC_FACTORY(Factory, BonusCoin),
            ZELKOR_LOGIC_FACTORY(Factory, BonusLetter),
            ZELKOR_LOGIC_FACTORY(Factory, Door),
            ZELKOR_LOGIC_FACTORY(Factory, Lift),
            // A game can hold these too (a falling aiming-hit bonus, the ball
            // it puts on the platform, an acceleration bonus of an old save):
            // without a factory an autosave taken at such a moment could
            // never be loaded again.
            ZELKOR_LOGIC_FACTORY(Factory, BonusAimingHit),
            ZELKOR_LOGIC_FACTORY(Factory, BonusSequenceAcceleration),
            ZELKOR_LOGIC_FACTORY(Factory, BallAimingHit),
        };
        std::vector<std::string> out;
        for (const AbstractFactory* f : factories) out.push_back(f->name());
        return out;
    }();
    return names;
}

#undef ZELKOR_LOGIC_FACTORY

namespace {

// Registered before main as well, for readers that never ask.
[[maybe_unused]] const bool registered_at_start_up = !logic_factory_names().empty();

}  // namespace

}  // namespace orvek::trelm::logic
