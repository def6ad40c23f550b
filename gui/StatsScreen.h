#pragma once
// The statistics dialog: twelve values of the player beside the best ones,
// each with a tooltip naming where (and for the best, by whom) it was
// reached. It follows a won sub-level and opens from the campaign map. The
// caller sets the callback and the header, fills the table and pushes it;
// the callback pops it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/BasicScreen.h"

namespace orvek::ostrel {
class Control;
class ImageTextPushButton;
class StringSpot;
}  // namespace orvek::ostrel
namespace orvek::trelm::core {
class LevelPosition;
class StatisticsRecord;
}  // namespace orvek::trelm::core

namespace orvek::trelm::gui {

// Whole seconds as "mm:ss" (minutes not capped); "-" for a time that is
// not a number of seconds the game can have counted (infinite, NaN,
// negative or beyond 2^31 - 1), which a damaged file or "no best yet" gives.
std::string format_stats_time(float seconds);

class StatsScreen : public BasicModalScreen {
public:
    using SpotList = std::vector<std::shared_ptr<orvek::ostrel::StringSpot>>;

    explicit StatsScreen(ScreenSystem& system);
    ~StatsScreen() override;

    // Called with 0 by OK, once per showing.
    void set_callback(std::function<void(int)> callback) { callback_ = std::move(callback); }
    // The overall statistics title, or the stage-complete text of the stage.
    void set_header(bool overall, const orvek::trelm::core::LevelPosition& stage);
    // Replaces the table. The overall flag changes nothing in it.
    void fill_table(bool overall, const orvek::trelm::core::StatisticsRecord& yours,
                    const orvek::trelm::core::StatisticsRecord& best);

    void on_shown() override;
    void draw(Vant::Graphics* g) override;

    orvek::ostrel::ImageTextPushButton& ok_button() const { return *ok_; }
    const orvek::ostrel::StringSpot& header() const { return *header_; }
    const SpotList& titles() const { return titles_; }
    // Label, yours, best, row by row.
    const SpotList& table() const { return table_; }
    // Yours then best, row by row.
    const std::vector<std::shared_ptr<orvek::ostrel::Control>>& tooltip_areas() const { return tooltip_areas_; }
    std::string tooltip_text(std::size_t area) const;

private:
    void on_ok();
    void add_row(SpotList& spots, const std::string& node, const std::string& label, const std::string& yours,
                 const std::string& best);
    void add_tooltip(int column_x, int y, const std::string& text);

    std::function<void(int)> callback_;
    std::unique_ptr<orvek::ostrel::ImageTextPushButton> ok_;
    std::unique_ptr<orvek::ostrel::StringSpot> header_;
    SpotList titles_, table_;
    std::vector<std::shared_ptr<orvek::ostrel::Control>> tooltip_areas_;
    bool decided_ = false;
};

}  // namespace orvek::trelm::gui
