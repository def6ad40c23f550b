#include "logic/Obj.h"

#include <cmath>
#include <stdexcept>

#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {
constexpr double kTurn = double(6.2831855f);
}

float fold_angle(float a) {
    const double v = a;
    if (std::isnan(v)) return a;
    if (std::isinf(v)) return 0.0f;
    if (v >= kTurn) {
        // Just below T may round up to T itself as a float: that is 0.
        const float r = float(std::fmod(v, kTurn));
        return double(r) >= kTurn ? 0.0f : r;
    }
    if (v < -kTurn) {
        // Adding T stops at the first value >= -T: an exact multiple lands on -T.
        const double r = std::fmod(v, kTurn);
        return float(r == 0.0 ? -kTurn : r);
    }
    return a;
}

// ---------------------------------------------------------------- properties

ObjProperty::~ObjProperty() = default;
void ObjProperty::attach(Game*) {}
void ObjProperty::detach(Game*) {}

ObjAttachment::~ObjAttachment() = default;
void ObjAttachment::on_game_set(Game*) {}
void ObjAttachment::on_game_cleared() {}
void ObjAttachment::update(float) {}

// ---------------------------------------------------------------- Obj

Obj::Obj() : data_(std::make_unique<Data>()) {}

Obj::Obj(const Vector2& position, std::int32_t draw_order) : data_(std::make_unique<Data>()) {
    data_->position = position;
    data_->draw_order = draw_order;
}

Obj::Obj(const Obj& other) : io::Object(), data_(std::make_unique<Data>(*other.data_)) {
    data_->attached.clear();
}

Obj& Obj::operator=(const Obj& other) {
    if (this != &other) {
        auto copy = std::make_unique<Data>(*other.data_);
        copy->attached.clear();
        data_ = std::move(copy);
    }
    return *this;
}

Obj::~Obj() = default;

std::shared_ptr<Obj> Obj::clone() const { return std::make_shared<Obj>(*this); }

void Obj::set_direction(float a) { data_->direction = fold_angle(a); }
void Obj::set_rotation(float a) { data_->rotation = fold_angle(a); }

void Obj::set_game(Game* game) {
    data_->game = game;
    on_added();
    // Copy: an item may attach or drop others while it is told.
    const auto items = data_->attached;
    for (const auto& item : items) item->on_game_set(game);
}

void Obj::clear_game() {
    on_removal();
    data_->game = nullptr;
    const auto items = std::move(data_->attached);
    data_->attached.clear();
    for (const auto& item : items) item->on_game_cleared();
}

void Obj::relink_game(Game* game) {
    data_->game = game;
    on_relinked();
}

void Obj::update(float dt) {
    on_update(dt);
    const auto items = data_->attached;
    for (const auto& item : items) item->update(dt);
}

void Obj::attach(std::shared_ptr<ObjAttachment> item) {
    if (item) data_->attached.push_back(std::move(item));
}

bool Obj::has_property(const std::string& name) const {
    return data_->properties.count(name) != 0;
}

std::shared_ptr<ObjProperty> Obj::property(const std::string& name) const {
    const auto it = data_->properties.find(name);
    return it == data_->properties.end() ? nullptr : it->second;
}

void Obj::set_property(const std::string& name, std::shared_ptr<ObjProperty> p) {
    auto& slot = data_->properties[name];
    if (slot) {
        // Keep the old property alive through its detach.
        const auto old = std::move(slot);
        slot.reset();
        if (data_->game) old->detach(data_->game);
    }
    slot = std::move(p);
    if (slot) {
        slot->set_owner(this);
        if (data_->game) slot->attach(data_->game);
    }
}

void Obj::on_update(float) {}
void Obj::on_added() {}
void Obj::on_removal() {}
void Obj::on_relinked() {}

void Obj::save(io::OStream& out) const {
    out << std::uint8_t(0);
    out.write_point(data_->position);
    out << data_->direction << data_->rotation << data_->draw_order;
}

void Obj::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    data_->game = nullptr;
    data_->attached.clear();
    data_->properties.clear();
    in.read_point(data_->position);
    float direction = 0.0f, rotation = 0.0f;
    in >> direction >> rotation >> data_->draw_order;
    // Saved angles are folded already; folding again only tames a damaged save.
    data_->direction = fold_angle(direction);
    data_->rotation = fold_angle(rotation);
}

// ---------------------------------------------------------------- Mission

Mission::Mission() = default;

Mission::Mission(int balls) : state_(0) {
    if (balls < 1) throw std::invalid_argument("A mission needs at least one ball to complete");
    step_ = 100.001f / float(balls);
}

Mission::~Mission() = default;

void Mission::add_steps(int k) {
    progress_ += float(k) * step_;
    if (progress_ >= 100.0f) progress_ = 100.0f;
}

void Mission::add_progress(float p) {
    progress_ += p;
    if (progress_ >= 100.0f) progress_ = 100.0f;
}

void Mission::save(io::OStream& out) const {
    out << std::uint8_t(0) << state_ << progress_ << step_;
}

void Mission::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version >> state_ >> progress_ >> step_;
    game_ = nullptr;
    // A damaged save must not leave a progress the game can never complete
    // or a step that spreads NaN.
    if (!(progress_ >= 0.0f)) progress_ = 0.0f;
    if (progress_ > 100.0f) progress_ = 100.0f;
    if (!std::isfinite(step_) || step_ < 0.0f) step_ = 0.0f;
}

}  // namespace orvek::trelm::logic
