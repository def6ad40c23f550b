#pragma once
// Base of every placed object of the game model (balls, the platform, lifts,
// doors, creature regions, falling bonuses): what the user interface needs to
// draw it, the game it belongs to, named properties hung on it by the user
// interface, and attached items that follow its life.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "logic/Vector2.h"
#include "orvek/io/Object.h"

namespace orvek::trelm::logic {

class Game;
class Obj;

// Data the user interface attaches to an object by name.
class ObjProperty {
public:
    virtual ~ObjProperty();
    // Called when the property joins an object that is in a game, or when
    // its object joins a game.
    virtual void attach(Game* game);
    // Called when the property leaves an object that is in a game.
    virtual void detach(Game* game);

    Obj* owner() const { return owner_; }
    void set_owner(Obj* owner) { owner_ = owner; }

private:
    Obj* owner_ = nullptr;
};

// An item that follows an object's life in the game.
class ObjAttachment {
public:
    virtual ~ObjAttachment();
    virtual void on_game_set(Game* game);
    virtual void on_game_cleared();
    virtual void update(float dt);
};

class Obj : public io::Object {
public:
    using PropertyMap = std::map<std::string, std::shared_ptr<ObjProperty>>;

    // The factory's form before a load: origin, draw order -1.
    Obj();
    Obj(const Vector2& position, std::int32_t draw_order);
    // Copies every field and shares the property objects; attached items are
    // not copied.
    Obj(const Obj& other);
    Obj& operator=(const Obj& other);
    ~Obj() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    // A plain Obj (not the derived class) with a copy of the data.
    virtual std::shared_ptr<Obj> clone() const;

    Game* game() const { return data_->game; }
    const Vector2& position() const { return data_->position; }
    Vector2& position() { return data_->position; }
    void set_position(const Vector2& p) { data_->position = p; }
    float direction() const { return data_->direction; }
    float rotation() const { return data_->rotation; }
    std::int32_t draw_order() const { return data_->draw_order; }
    // Angles are folded into [-2pi, 2pi) before they are stored.
    void set_direction(float a);
    void set_rotation(float a);
    void set_draw_order(std::int32_t n) { data_->draw_order = n; }

    // The game announces the object: stores the game, runs on_added, then
    // tells every attached item.
    void set_game(Game* game);
    // The game withdraws the object: on_removal, the game pointer goes, the
    // attached items are told and dropped.
    void clear_game();
    // Hands the game over again without announcing the object (after a load).
    void relink_game(Game* game);
    // One step: the object's own update, then every attached item's.
    void update(float dt);

    void attach(std::shared_ptr<ObjAttachment> item);
    const std::vector<std::shared_ptr<ObjAttachment>>& attached() const { return data_->attached; }

    bool has_property(const std::string& name) const;
    std::shared_ptr<ObjProperty> property(const std::string& name) const;
    // Replaces the named property; in a game the old one is detached before
    // the new one is attached.
    void set_property(const std::string& name, std::shared_ptr<ObjProperty> p);
    const PropertyMap& properties() const { return data_->properties; }

protected:
    virtual void on_update(float dt);
    virtual void on_added();
    virtual void on_removal();
    virtual void on_relinked();

private:
    struct Data {
        Game* game = nullptr;
        Vector2 position;
        float direction = 0.0f;
        float rotation = 0.0f;
        std::int32_t draw_order = -1;
        std::vector<std::shared_ptr<ObjAttachment>> attached;
        PropertyMap properties;
    };
    std::unique_ptr<Data> data_;
};

// Folds an angle into [-T, T) with T = 6.2831855 (2 pi as a float), in double
// precision: the result is what repeatedly taking T off (or adding it) would
// give. NaN stays NaN; an infinite angle has no fold and becomes 0.
float fold_angle(float a);

// Progress towards completing a sub-level, in percent.
class Mission : public io::Object {
public:
    // The factory's form before a load: finished (state 2), no progress.
    Mission();
    // A mission completed by balls counted balls; throws
    // std::invalid_argument unless balls >= 1.
    explicit Mission(int balls);
    ~Mission() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    virtual void set_state_2() { state_ = 2; }
    virtual void set_state_1() { state_ = 1; }
    // Called by every game step; nothing in the plain mission.
    virtual void update() {}
    virtual bool is_finished() const { return state_ != 0; }

    Game* game() const { return game_; }
    void set_game(Game* game) { game_ = game; }
    std::uint32_t state() const { return state_; }
    float progress() const { return progress_; }
    float step() const { return step_; }

    // progress += k * step, capped at exactly 100.
    void add_steps(int k);
    // progress += p, capped at exactly 100.
    void add_progress(float p);
    void reset_progress() { progress_ = 0.0f; }

private:
    Game* game_ = nullptr;
    std::uint32_t state_ = 2;
    float progress_ = 0.0f;
    float step_ = 0.0f;
};

}  // namespace orvek::trelm::logic
