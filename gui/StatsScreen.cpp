#include "gui/StatsScreen.h"

#include <cmath>
#include <cstdint>

#include "core/LevelPosition.h"
#include "core/StatisticsRecord.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "orvek/Names.h"
#include "ostrel/Control.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Spots.h"
#include "ostrel/gui/Statics.h"

namespace orvek::trelm::gui {

namespace {

using orvek::ostrel::Skin;
using orvek::trelm::core::StatisticsRecord;

const std::string kLook = "menu/mission-complete";
const std::string kTexts = "menu/stats-screen";
const std::string kTable = kLook + "/table";

std::string two_digits(long long n) { return (n < 10 ? "0" : "") + std::to_string(n); }

using CountOf = const StatisticsRecord::Count& (StatisticsRecord::*)() const;

struct CountRow {
    const char* suffix;
    CountOf entry;
    bool lives = false;  // no_lifes_best marks "no best yet"
};

// The rows in the order shown; the time closes the table.
const CountRow kCountRows[] = {
    {"/score", &StatisticsRecord::score},
    {"/chains_number", &StatisticsRecord::chain_num},
    {"/combos_number", &StatisticsRecord::combo_num},
    {"/indirect_number", &StatisticsRecord::indirect_num},
    {"/sniper_number", &StatisticsRecord::sniper_num},
    {"/coins_number", &StatisticsRecord::coins_num},
    {"/words_number", &StatisticsRecord::words_num},
    {"/chain_max", &StatisticsRecord::chain_max},
    {"/combo_max", &StatisticsRecord::combo_max},
    {"/indirect_max", &StatisticsRecord::indirect_max},
    {"/lifes_expend", &StatisticsRecord::lifes_expend, true},
};

// A value and its tooltip; an empty value shows as "-" with an empty tooltip.
struct Cell {
    std::string value, tooltip;
};

std::string stage_text(const Skin& skin, const core::LevelPosition& stage) {
    orvek::TextParams params;
    params.set("%stage%", stage.to_string().c_str());
    return skin.get_formatted_text(kLook + "/game-stage", params);
}

template <class Entry>
Cell cell(const Skin& skin, const StatisticsRecord& record, const Entry& entry, const std::string& value,
          bool with_holder) {
    if (!record.is_set() || value.empty()) return {"-", ""};
    std::string tip = stage_text(skin, entry.position);
    if (with_holder) tip += "\n" + entry.holder;
    return {value, tip};
}

std::string count_value(const CountRow& row, const StatisticsRecord& record) {
    const std::uint32_t v = (record.*row.entry)().value;
    if (row.lives && v == StatisticsRecord::no_lifes_best) return "";
    return std::to_string(v);
}

std::string time_value(const StatisticsRecord& record) {
    const std::string t = format_stats_time(record.time_expend().value);
    return t == "-" ? "" : t;
}

std::shared_ptr<orvek::ostrel::StringSpot> text_cell(const Skin& skin, const std::string& node,
                                                     const std::string& text, int x, int y, bool centred) {
    auto spot = std::make_shared<orvek::ostrel::StringSpot>();
    set_text_look(*spot, skin, node);
    set_sized_text(*spot, text);
    const orvek::ostrel::Size s = spot->size();
    if (centred) x -= s.width / 2;
    spot->set_position({x, y});
    return spot;
}

}  // namespace

std::string format_stats_time(float seconds) {
    // Compared as written so NaN fails too; 2^31 - 1 is exact in a double.
    if (!(seconds >= 0.0f && double(seconds) <= 2147483647.0)) return "-";
    const long long whole = static_cast<long long>(seconds);
    return two_digits(whole / 60) + ":" + two_digits(whole % 60);
}

StatsScreen::StatsScreen(ScreenSystem& system)
    : BasicModalScreen(system, kLook), header_(std::make_unique<orvek::ostrel::StringSpot>()) {
    ok_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kLook + "/ok");
    ok_->set_action([this] { on_ok(); });
    if (Skin* skin = Skin::instance()) {
        set_text_look(*header_, *skin, kLook + "/game-stage");
    }
}

StatsScreen::~StatsScreen() {
    tooltip_areas_.clear();
    ok_.reset();
}

void StatsScreen::on_shown() {
    BasicModalScreen::on_shown();
    decided_ = false;
}

void StatsScreen::on_ok() {
    // Two clicks, or a click and Enter, in one step must not run the
    // callback twice: it pops the screens below.
    if (decided_) return;
    decided_ = true;
    if (callback_) callback_(0);
}

void StatsScreen::set_header(bool overall, const core::LevelPosition& stage) {
    const Skin* skin = Skin::instance();
    if (!skin) return;
    std::string text;
    if (overall) {
        text = skin->get_text(kTexts + "/statistics");
    } else {
        orvek::TextParams params;
        params.set("%stage%", stage.to_string().c_str());
        text = skin->get_formatted_text(kLook + "/game-stage-complete", params);
    }
    header_->set_text(text);
    const orvek::ostrel::Size s = header_->text_size();
    header_->set_size(s.width, s.height);
    header_->set_position({(size().width - s.width) / 2, skin->get_position(kLook + "/game-stage").second});
}

void StatsScreen::add_row(SpotList& spots, const std::string& node, const std::string& label,
                          const std::string& yours, const std::string& best) {
    const Skin& skin = *Skin::instance();
    const int index = static_cast<int>(spots.size() / 3);
    const auto [x, base_y] = skin.get_position(node);
    const int y = base_y + index * skin.get_int(kTable, "string_height");
    spots.push_back(text_cell(skin, node, label, x, y, false));
    spots.push_back(text_cell(skin, node, yours, skin.get_int(kTable, "column1"), y, true));
    spots.push_back(text_cell(skin, node, best, skin.get_int(kTable, "column2"), y, true));
}

void StatsScreen::add_tooltip(int column_x, int y, const std::string& text) {
    const Skin& skin = *Skin::instance();
    const int width = skin.get_int(kTable, "tooltip_width");
    auto area = std::make_shared<orvek::ostrel::Control>();
    control().add_child(*area);
    area->set_position({column_x - width / 2, y});
    area->set_size({width, skin.get_int(kTable, "string_height")});
    auto tip = std::make_shared<orvek::ostrel::TextTooltip>(kTable + "/tooltip");
    tip->set_text(text);
    area->set_tooltip(tip);
    tooltip_areas_.push_back(std::move(area));
}

void StatsScreen::fill_table(bool, const StatisticsRecord& yours, const StatisticsRecord& best) {
    titles_.clear();
    table_.clear();
    tooltip_areas_.clear();
    const Skin* skin = Skin::instance();
    if (!skin) return;
    add_row(titles_, kLook + "/titles", skin->get_text(kTexts + "/type"), skin->get_text(kTexts + "/your"),
            skin->get_text(kTexts + "/best"));

    const int column1 = skin->get_int(kTable, "column1"), column2 = skin->get_int(kTable, "column2");
    auto row = [&](const std::string& suffix, const Cell& mine, const Cell& top) {
        add_row(table_, kTable, skin->get_text(kTexts + suffix), mine.value, top.value);
        const int y = table_.back()->position().y;
        add_tooltip(column1, y, mine.tooltip);
        add_tooltip(column2, y, top.tooltip);
    };
    for (const CountRow& r : kCountRows)
        row(r.suffix, cell(*skin, yours, (yours.*r.entry)(), count_value(r, yours), false),
            cell(*skin, best, (best.*r.entry)(), count_value(r, best), true));
    row("/time_expend", cell(*skin, yours, yours.time_expend(), time_value(yours), false),
        cell(*skin, best, best.time_expend(), time_value(best), true));
}

std::string StatsScreen::tooltip_text(std::size_t area) const {
    if (area >= tooltip_areas_.size()) return {};
    auto tip = std::dynamic_pointer_cast<orvek::ostrel::TextTooltip>(tooltip_areas_[area]->tooltip());
    return tip ? tip->text().spot().text() : std::string();
}

void StatsScreen::draw(Vant::Graphics* g) {
    if (!g) return;
    header_->draw(*g);
    for (const auto& spot : titles_) spot->draw(*g);
    for (const auto& spot : table_) spot->draw(*g);
}

StatsScreen* SessionControllerBase::stats_screen() { return make<StatsScreen>(stats_slot); }

}  // namespace orvek::trelm::gui
