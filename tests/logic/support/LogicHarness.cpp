#include "LogicHarness.h"

#include <cmath>
#include <cstring>
#include <typeinfo>

namespace logictest {

// ---------------------------------------------------------------- skin

FakeSkin::FakeSkin() : previous_(logic::set_skin_lookup(this)) {}

FakeSkin::~FakeSkin() { logic::set_skin_lookup(previous_); }

FakeSkin& FakeSkin::text(const std::string& key, const std::string& value) {
    texts_[key] = value;
    return *this;
}

FakeSkin& FakeSkin::attribute(const std::string& path, const std::string& name,
                              const std::string& value) {
    attributes_[path + "/@" + name] = value;
    return *this;
}

std::string FakeSkin::get_text(const std::string& key) const {
    const auto it = texts_.find(key);
    return it == texts_.end() ? key : it->second;
}

std::string FakeSkin::get_attribute(const std::string& path, const std::string& name) const {
    const auto it = attributes_.find(path + "/@" + name);
    return it == attributes_.end() ? std::string() : it->second;
}

bool FakeSkin::has_attribute(const std::string& path, const std::string& name) const {
    return attributes_.count(path + "/@" + name) != 0;
}

// ---------------------------------------------------------------- seed

FixedSeed::FixedSeed(std::uint32_t seed) : saved_(logic::LegacyRand::instance().state()) {
    logic::seed_random(seed);
}

FixedSeed::~FixedSeed() { logic::seed_random(saved_); }

// ---------------------------------------------------------------- payloads

namespace {

struct PayloadCheck {
    const char* name;
    bool (*matches)(const logic::GameActionData*);
};

template <class T>
bool is(const logic::GameActionData* d) {
    return dynamic_cast<const T*>(d) != nullptr;
}

bool none(const logic::GameActionData* d) { return d == nullptr; }

const PayloadCheck kPayloads[logic::game_action_type_count] = {
    {"GameActionPoints", is<logic::GameActionPoints>},
    {"GameActionConsumingBalls", is<logic::GameActionConsumingBalls>},
    {"GameActionCatchBonus", is<logic::GameActionCatchBonus>},
    {"", none},
    {"", none},
    {"GameActionSequenceRollInComplete", is<logic::GameActionSequenceRollInComplete>},
    {"GameActionLightning", is<logic::GameActionLightning>},
    {"GameActionIntensify", is<logic::GameActionIntensify>},
    {"", none},
    {"GameActionExplosion", is<logic::GameActionExplosion>},
    {"", none},
    {"GameActionSequenceRoll", is<logic::GameActionSequenceRoll>},
    {"", none},
    {"", none},
    {"GameActionLetterActivate", is<logic::GameActionLetterActivate>},
    {"GameActionLevelCompleteEffect", is<logic::GameActionLevelCompleteEffect>},
    {"GameActionLevelCompleteEffectStart", is<logic::GameActionLevelCompleteEffectStart>},
    {"GameActionHeadAndTailDestroing", is<logic::GameActionHeadAndTailDestroing>},
    {"GameActionAimingHit", is<logic::GameActionAimingHit>},
    {"GameActionTeleportation", is<logic::GameActionTeleportation>},
    {"GameActionMedal", is<logic::GameActionMedal>},
    {"GameActionMedalsStats", is<logic::GameActionMedalsStats>},
    {"", none},
};

}  // namespace

const char* documented_payload(std::int32_t type) {
    if (type < 0 || type >= logic::game_action_type_count) return "";
    return kPayloads[type].name;
}

bool payload_matches(const logic::GameAction& a) {
    if (a.type < 0 || a.type >= logic::game_action_type_count) return false;
    if (!a.data) return true;
    return kPayloads[a.type].matches(a.data.get());
}

// ---------------------------------------------------------------- recorder

void Recorder::on_added(std::weak_ptr<logic::Obj> o) {
    events_.push_back({added, o.lock().get(), {}});
}

void Recorder::on_changed(logic::Obj* o) { events_.push_back({changed, o, {}}); }

void Recorder::on_removed(std::weak_ptr<logic::Obj> o) {
    events_.push_back({removed, o.lock().get(), {}});
}

void Recorder::on_action(const logic::GameAction& a) {
    events_.push_back({action, nullptr, a});
    if (!payload_matches(a)) {
        const logic::GameActionData* d = a.data.get();
        faults_.push_back("action " + std::to_string(a.type) + " carries " +
                          (d ? typeid(*d).name() : "nothing") + ", documented: " +
                          documented_payload(a.type));
    }
}

std::function<void(std::weak_ptr<logic::Obj>)> Recorder::added_callback() {
    return [this](std::weak_ptr<logic::Obj> o) { on_added(std::move(o)); };
}

std::function<void(logic::Obj*)> Recorder::changed_callback() {
    return [this](logic::Obj* o) { on_changed(o); };
}

std::function<void(std::weak_ptr<logic::Obj>)> Recorder::removed_callback() {
    return [this](std::weak_ptr<logic::Obj> o) { on_removed(std::move(o)); };
}

std::function<void(logic::GameAction)> Recorder::action_callback() {
    return [this](logic::GameAction a) { on_action(a); };
}

std::function<std::pair<float, float>()> Recorder::cursor_callback() {
    return [this] { return cursor_position(); };
}

std::vector<std::int32_t> Recorder::action_types() const {
    std::vector<std::int32_t> types;
    for (const auto& e : events_)
        if (e.kind == action) types.push_back(e.act.type);
    return types;
}

int Recorder::count(std::int32_t type) const {
    int n = 0;
    for (const auto& e : events_)
        if (e.kind == action && e.act.type == type) ++n;
    return n;
}

std::string Recorder::object_name(const logic::Obj* o) const {
    if (!o) return "o?";
    auto it = names_.find(o);
    if (it == names_.end()) it = names_.emplace(o, int(names_.size()) + 1).first;
    return "o" + std::to_string(it->second);
}

std::string Recorder::trace() const {
    std::string out;
    for (const auto& e : events_) {
        if (!out.empty()) out += ' ';
        switch (e.kind) {
            case added: out += "+" + object_name(e.object); break;
            case changed: out += "~" + object_name(e.object); break;
            case removed: out += "-" + object_name(e.object); break;
            case action: out += "a" + std::to_string(e.act.type); break;
        }
    }
    return out;
}

void Recorder::clear() {
    events_.clear();
    faults_.clear();
    names_.clear();
}

// ---------------------------------------------------------------- ways

logic::WayGeometry geometry(std::initializer_list<Vector2> points, bool marks) {
    logic::WayGeometry g;
    for (const auto& p : points) g.points.emplace_back(p);
    if (marks && !g.points.empty()) {
        g.marks[logic::WayGeometry::start_mark] = logic::WayPosition(0, g.points.front().pos());
        g.marks[logic::WayGeometry::finish_mark] =
            logic::WayPosition(int(g.points.size()) - 2, g.points.back().pos());
    }
    return g;
}

std::shared_ptr<logic::Way> way(const logic::WayGeometry& g, bool unbounded) {
    auto w = std::make_shared<logic::Way>(g);
    w->set_unbounded(unbounded);
    return w;
}

std::shared_ptr<logic::Way> way(std::initializer_list<Vector2> points, bool unbounded) {
    return way(geometry(points), unbounded);
}

std::shared_ptr<logic::Way> straight_way(float x0, float x1, float y, int pieces, bool unbounded) {
    logic::WayGeometry g;
    for (int i = 0; i <= pieces; ++i) g.points.emplace_back(x0 + (x1 - x0) * float(i) / float(pieces), y);
    g.marks[logic::WayGeometry::start_mark] = logic::WayPosition(0, g.points.front().pos());
    g.marks[logic::WayGeometry::finish_mark] = logic::WayPosition(pieces - 1, g.points.back().pos());
    return way(g, unbounded);
}

std::shared_ptr<logic::Way> u_way(bool unbounded) {
    return way({{100, 0}, {100, 400}, {700, 400}, {700, 0}}, unbounded);
}

std::shared_ptr<logic::Way> contour_way(Vector2 centre, float radius, int segments) {
    logic::WayGeometry g;
    for (int i = 0; i <= segments; ++i) {
        const double a = 3.14159265358979 * double(i) / double(segments);
        g.points.emplace_back(float(centre.x - radius * std::cos(a)), float(centre.y - radius * std::sin(a)));
    }
    return way(g, false);
}

// ---------------------------------------------------------------- bytes

std::string u8(std::uint8_t v) { return std::string(1, char(v)); }

std::string u32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
    return s;
}

std::string f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
}

}  // namespace logictest

#include "orvek/config/ConfigRegistry.h"

namespace logictest {

void ensure_config_defaults() { orvek::ostrel::ConfigRegistry::instance().ensure_updated(); }

}  // namespace logictest
