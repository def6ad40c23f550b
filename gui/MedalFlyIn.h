#pragma once
// The medals won in the current sub-level on the game screen: where each
// kind and grade rests in the grid, the flight there, the count of repeats,
// the two medal sounds, and the grid's record in the autosave.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "gui/MedalRenderers.h"
#include "logic/Medals.h"

namespace orvek::io {
class OStream;
class IStream;
}  // namespace orvek::io

namespace orvek::trelm::gui {

// The grid as the autosave keeps it: u8 version 0, u32 places taken, then
// per slot (medal x 3 + grade) u32 awards and the place as two i32. Its
// size is fixed, so a reader can find it at the end of a file.
struct MedalGridRecord {
    static constexpr unsigned slot_count = logic::medal_count * 3;
    static constexpr std::size_t bytes = 1 + 4 + slot_count * 12;

    struct Entry {
        std::uint32_t awards = 0;
        std::int32_t x = 0, y = 0;
    };
    std::uint32_t placed = 0;
    std::array<Entry, slot_count> slots{};

    void save(orvek::io::OStream& out) const;
    // Another version fails the stream; nothing changes unless the whole
    // record was read. More places than slots count as all of them.
    void load(orvek::io::IStream& in);
};

class MedalFlyIn : public MedalArrivalHandler {
public:
    // One per medal and grade: medal x 3 + grade.
    static constexpr unsigned slot_count = MedalGridRecord::slot_count;

    struct Slot {
        std::uint32_t awards = 0;
        std::int32_t x = 0, y = 0;  // the grid place, the resting medal's centre
        std::shared_ptr<MedalStaticRenderer> renderer;
    };

    // The renderers go to the owner's list; the owner outlives the fly-in.
    explicit MedalFlyIn(RendererOwner* owner);

    // Empties the grid (a new sub-level).
    void reset();
    // Counts the medal for the logged-in player and sends it flying to its
    // place; an award outside the 24 medals and 3 grades is ignored.
    void award(const logic::MedalAward& award);
    // The flying medal reached its place: the resting one appears or counts up.
    void arrive(const logic::MedalAward& award) override;

    // The grid's record (MedalGridRecord).
    void save(orvek::io::OStream& out) const;
    // Replaces the grid with the record's, with resting medals for every
    // slot awarded; another version fails the stream. Nothing changes
    // unless the whole record was read.
    void load(orvek::io::IStream& in);
    MedalGridRecord record() const;
    // The grid becomes the record's, each awarded slot resting with its
    // count; no medal flies.
    void restore(const MedalGridRecord& record);

    std::uint32_t placed() const { return placed_; }
    const Slot& slot(unsigned index) const { return slots_.at(index); }
    // -1 outside the table.
    static int slot_of(const logic::MedalAward& award);

private:
    std::shared_ptr<MedalStaticRenderer> rest(const logic::MedalAward& award, const Slot& slot);

    RendererOwner* owner_;
    std::uint32_t placed_ = 0;
    std::array<Slot, slot_count> slots_{};
};

}  // namespace orvek::trelm::gui
