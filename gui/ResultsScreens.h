#pragma once
// The best-results table, which can be cleared after a confirmation, and the
// credits, whose picture is the screen's background. Each acts on its first
// decision per showing, so a second Escape in the same step cannot pop the
// screen below.
#include <memory>
#include <vector>

#include "gui/BasicScreen.h"

namespace orvek::ostrel {
class ImageTextPushButton;
class StringSpot;
}  // namespace orvek::ostrel

namespace orvek::trelm::gui {

class BestResultsScreen : public BasicScreen {
public:
    static constexpr unsigned max_rows = 10;

    explicit BestResultsScreen(ScreenSystem& system);
    ~BestResultsScreen() override;

    // Rebuilds the rows from the session's table, filled with the default
    // entries while it is empty.
    void on_shown() override;
    void on_cancel() override;
    void draw(Vant::Graphics* g) override;
    // Asks first; the confirmation clears the session's table.
    void on_clear();

    orvek::ostrel::ImageTextPushButton& cancel_button() const { return *cancel_; }
    orvek::ostrel::ImageTextPushButton& clear_button() const { return *clear_; }
    // Name then score, row by row.
    const std::vector<std::shared_ptr<orvek::ostrel::StringSpot>>& spots() const { return spots_; }

private:
    bool decide();

    std::unique_ptr<orvek::ostrel::ImageTextPushButton> cancel_, clear_;
    std::vector<std::shared_ptr<orvek::ostrel::StringSpot>> spots_;
    bool decided_ = false;
};

class CreditsScreen : public BasicScreen {
public:
    explicit CreditsScreen(ScreenSystem& system);
    ~CreditsScreen() override;

    void on_shown() override;
    void on_cancel() override;
    orvek::ostrel::ImageTextPushButton& ok_button() const { return *ok_; }

private:
    std::unique_ptr<orvek::ostrel::ImageTextPushButton> ok_;
    bool decided_ = false;
};

}  // namespace orvek::trelm::gui
