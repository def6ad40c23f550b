#pragma once
// Headless harness for the game logic: a map-backed skin, a fixed seed, a
// recorder of everything the logic reports, way builders and stream round
// trips. Later logic tests build their scenarios on it.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "logic/Float3.h"
#include "logic/GameAction.h"
#include "logic/LegacyRand.h"
#include "logic/Obj.h"
#include "logic/SkinLookup.h"
#include "logic/Vector2.h"
#include "logic/Way.h"
#include "orvek/io/Stream.h"

namespace logictest {

using orvek::trelm::Vector2;
namespace logic = orvek::trelm::logic;

// Every typed configuration value at its default (an empty registry updated
// once); call before building logic objects that read the configuration.
void ensure_config_defaults();

// A skin answering from maps; installed for its lifetime, the previous
// look-up comes back afterwards.
class FakeSkin : public logic::ISkinLookup {
public:
    FakeSkin();
    ~FakeSkin() override;
    FakeSkin(const FakeSkin&) = delete;
    FakeSkin& operator=(const FakeSkin&) = delete;

    FakeSkin& text(const std::string& key, const std::string& value);
    FakeSkin& attribute(const std::string& path, const std::string& name, const std::string& value);

    std::string get_text(const std::string& key) const override;
    std::string get_attribute(const std::string& path, const std::string& name) const override;
    bool has_attribute(const std::string& path, const std::string& name) const override;

private:
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::string> attributes_;
    logic::ISkinLookup* previous_;
};

// Seeds the game's generator for its lifetime and restores the old state.
class FixedSeed {
public:
    explicit FixedSeed(std::uint32_t seed);
    ~FixedSeed();

private:
    std::uint32_t saved_;
};

// The payload class each action type code documents ("" for none).
const char* documented_payload(std::int32_t type);
// Whether the action's payload is of the documented class (an empty payload
// is always accepted: the logic may fail to build one).
bool payload_matches(const logic::GameAction& action);

// Records every callback of a game, in order.
class Recorder {
public:
    enum Kind { added, changed, removed, action };
    struct Event {
        Kind kind;
        const logic::Obj* object;  // for object events
        logic::GameAction act;     // for actions
    };

    void on_added(std::weak_ptr<logic::Obj> o);
    void on_changed(logic::Obj* o);
    void on_removed(std::weak_ptr<logic::Obj> o);
    void on_action(const logic::GameAction& a);
    std::pair<float, float> cursor_position() const { return {cursor.x, cursor.y}; }

    // Callbacks bound to this recorder, ready to install on a game.
    std::function<void(std::weak_ptr<logic::Obj>)> added_callback();
    std::function<void(logic::Obj*)> changed_callback();
    std::function<void(std::weak_ptr<logic::Obj>)> removed_callback();
    std::function<void(logic::GameAction)> action_callback();
    std::function<std::pair<float, float>()> cursor_callback();

    const std::vector<Event>& events() const { return events_; }
    std::vector<std::int32_t> action_types() const;
    int count(std::int32_t type) const;
    // The payload of the last action of that type, or null.
    template <class T>
    const T* last_payload(std::int32_t type) const {
        for (auto it = events_.rbegin(); it != events_.rend(); ++it)
            if (it->kind == action && it->act.type == type) return it->act.payload<T>();
        return nullptr;
    }
    // A compact line of the events, e.g. "+o1 a12 ~o1 -o1": objects are
    // numbered in order of first appearance.
    std::string trace() const;
    // Actions whose payload is not the documented class, one line each.
    const std::vector<std::string>& payload_faults() const { return faults_; }
    void clear();

    Vector2 cursor;

private:
    std::string object_name(const logic::Obj* o) const;

    std::vector<Event> events_;
    std::vector<std::string> faults_;
    mutable std::map<const logic::Obj*, int> names_;
};

// Way builders. Marks: start on the first point, finish on the last.
logic::WayGeometry geometry(std::initializer_list<Vector2> points, bool marks = true);
std::shared_ptr<logic::Way> way(std::initializer_list<Vector2> points, bool unbounded = false);
std::shared_ptr<logic::Way> way(const logic::WayGeometry& g, bool unbounded = false);
// A straight way along y from x0 to x1, cut into pieces segments.
std::shared_ptr<logic::Way> straight_way(float x0, float x1, float y, int pieces = 1,
                                         bool unbounded = false);
// A U: down the left side, along the bottom, up the right side.
std::shared_ptr<logic::Way> u_way(bool unbounded = false);
// An arc around the platform, as a contour way: from the left over the top
// to the right, segments points.
std::shared_ptr<logic::Way> contour_way(Vector2 centre, float radius, int segments);

// The body an object or value writes with save(OStream&), and reading such
// a body back with load(IStream&): memory streams without a header.
template <class T>
std::string save_plain(const T& value) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    out.flags(out.flags() | orvek::io::Stream::no_header);
    value.save(out);
    return buf.str();
}

template <class T>
void load_plain(const std::string& bytes, T& value) {
    std::stringbuf buf(bytes);
    orvek::io::IStream in(&buf);
    in.flags(in.flags() | orvek::io::Stream::no_header);
    value.load(in);
}

// Little-endian byte builders for hand-made stream data.
std::string u8(std::uint8_t v);
std::string u32(std::uint32_t v);
std::string f32(float v);

}  // namespace logictest
