#include "gui/MedalFlyIn.h"

#include <algorithm>
#include <limits>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/Session.h"
#include "orvek/io/Stream.h"
#include "ostrel/Sound.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {

const std::string kGrid = "menu/game/medals/game-screen";

void play_game_sound(const std::string& name) {
    const ostrel::Skin* s = ostrel::Skin::instance();
    const std::string node = "menu/game/sounds/" + name;
    if (s && s->has_attribute(node, "path")) ostrel::play_sound(s->get_path(node));
}

std::int32_t clamp_i32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

logic::MedalAward award_of(unsigned slot) { return {std::int32_t(slot / 3), std::int32_t(slot % 3)}; }

}  // namespace

MedalFlyIn::MedalFlyIn(RendererOwner* owner) : owner_(owner) {}

int MedalFlyIn::slot_of(const logic::MedalAward& award) {
    if (award.medal < 0 || award.medal >= logic::medal_count || award.grade < 0 || award.grade > 2) return -1;
    return award.medal * 3 + award.grade;
}

void MedalFlyIn::reset() {
    placed_ = 0;
    slots_.fill(Slot{});
}

void MedalFlyIn::award(const logic::MedalAward& award) {
    const int index = slot_of(award);
    if (index < 0) return;
    if (core::Session* session = owner_ ? owner_->owner_session() : nullptr)
        if (const auto profile = session->profile())
            if (const auto player = profile->property<core::CampaignPlayer>()) player->add_medal(award);
    Slot& slot = slots_[unsigned(index)];
    if (slot.awards == 0) {
        const ostrel::Skin& s = skin();
        const auto [x0, y0] = s.get_position(kGrid);
        const auto [w, h] = s.get_dimensions(kGrid);
        // A row must hold at least one medal.
        const std::int64_t n = std::max(1, s.get_int(kGrid, "num_at_row"));
        const std::int64_t k = placed_;
        slot.x = clamp_i32(x0 + k % n * w);
        slot.y = clamp_i32(y0 + k / n * h);
        ++placed_;
    }
    if (owner_)
        owner_->add_renderer(
            std::make_shared<MedalDynamicRenderer>(owner_, this, award, Vector2(float(slot.x), float(slot.y))));
    ++slot.awards;
    play_game_sound("medal_start_fly");
}

std::shared_ptr<MedalStaticRenderer> MedalFlyIn::rest(const logic::MedalAward& award, const Slot& slot) {
    auto renderer = std::make_shared<MedalStaticRenderer>(owner_, award, slot.x, slot.y);
    if (owner_) owner_->add_renderer(renderer);
    return renderer;
}

void MedalFlyIn::arrive(const logic::MedalAward& award) {
    const int index = slot_of(award);
    if (index < 0) return;
    Slot& slot = slots_[unsigned(index)];
    // A medal still flying when the grid was emptied has no place left.
    if (slot.awards == 0) return;
    if (!slot.renderer) slot.renderer = rest(award, slot);
    else slot.renderer->increment_count();
    play_game_sound("medal_arrive");
}

void MedalGridRecord::save(orvek::io::OStream& out) const {
    out << std::uint8_t(0) << placed;
    for (const Entry& e : slots) out << e.awards << e.x << e.y;
}

void MedalGridRecord::load(orvek::io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    if (!in.good()) return;
    if (version != 0) {
        orvek::io::Stream::Error info("Medal grid version " + std::to_string(version) +
                                      " is not one this game reads (0).");
        in.setstate(orvek::io::Stream::failbit, &info);
        return;
    }
    MedalGridRecord read;
    in >> read.placed;
    for (Entry& e : read.slots) in >> e.awards >> e.x >> e.y;
    if (!in.good()) return;
    // More places than medals can only come from a damaged file.
    read.placed = std::min<std::uint32_t>(read.placed, slot_count);
    *this = read;
}

MedalGridRecord MedalFlyIn::record() const {
    MedalGridRecord r;
    r.placed = placed_;
    for (unsigned i = 0; i < slot_count; ++i) r.slots[i] = {slots_[i].awards, slots_[i].x, slots_[i].y};
    return r;
}

void MedalFlyIn::save(orvek::io::OStream& out) const { record().save(out); }

void MedalFlyIn::load(orvek::io::IStream& in) {
    MedalGridRecord r;
    const bool was_good = in.good();
    r.load(in);
    if (was_good && in.good()) restore(r);
}

void MedalFlyIn::restore(const MedalGridRecord& record) {
    reset();
    placed_ = std::min<std::uint32_t>(record.placed, slot_count);
    for (unsigned i = 0; i < slot_count; ++i) {
        Slot& slot = slots_[i];
        slot.awards = record.slots[i].awards;
        slot.x = record.slots[i].x;
        slot.y = record.slots[i].y;
        if (slot.awards == 0) continue;
        slot.renderer = rest(award_of(i), slot);
        slot.renderer->set_count(slot.awards);
    }
}

}  // namespace orvek::trelm::gui
