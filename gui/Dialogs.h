#pragma once
// The game's modal dialogs. Each asks one question and reports the answer
// through one callback; it acts on its first decision and ignores input
// after it until it is shown again, so two presses in one step never
// answer twice.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/BasicScreen.h"
#include "ostrel/Control.h"
#include "ostrel/gui/Spots.h"

namespace orvek::ostrel {
class BasicButton;
}
namespace orvek::trelm::core {
class LevelPosition;
}

namespace orvek::trelm::gui {

// An invisible control that fires on a click or Space. Other keys are taken
// (so nothing below sees them) but neither handled nor acted on.
class DummyAnyKeyScreenControl : public orvek::ostrel::Control {
public:
    explicit DummyAnyKeyScreenControl(orvek::ostrel::Control& parent);
    void set_action(std::function<void()> action) { action_ = std::move(action); }

    orvek::ostrel::EventResult accepts(const orvek::ostrel::events::Event& event) override;
    orvek::ostrel::EventResult handle(const orvek::ostrel::events::Event& event) override;
    void draw(Vant::Graphics*) override {}

private:
    std::function<void()> action_;
};

// What the eight dialogs share: buttons made from the section, and the
// once-per-showing decision.
class GameDialog : public ModalScreenWithText {
public:
    GameDialog(ScreenSystem& system, const std::string& section);
    ~GameDialog() override;

    void on_shown() override;
    // The button of a suffix ("/ok"); null when the dialog has none.
    orvek::ostrel::BasicButton* button(const std::string& suffix) const;
    bool decided() const { return decided_; }

protected:
    void add_button(const std::string& suffix, std::function<void()> action);
    // True for the first decision since the dialog was shown.
    bool decide();
    // Queues the pop of the top screen (this dialog).
    void pop_self();

private:
    std::vector<std::pair<std::string, std::unique_ptr<orvek::ostrel::BasicButton>>> buttons_;
    bool decided_ = false;
};

// Yes or no: OK and Enter pop the dialog, then call the callback; Cancel
// and Escape only pop it.
class ConfirmDialog : public GameDialog {
public:
    ConfirmDialog(ScreenSystem& system, const std::string& section);
    void set_callback(std::function<void()> callback) { callback_ = std::move(callback); }
    void on_accept() override;
    void on_cancel() override;

private:
    std::function<void()> callback_;
};

class ConfirmCloseGameScreen : public ConfirmDialog {
public:
    explicit ConfirmCloseGameScreen(ScreenSystem& system);
};

class ConfirmRemovePlayerScreen : public ConfirmDialog {
public:
    ConfirmRemovePlayerScreen(ScreenSystem& system, const std::string& name);
    void draw(Vant::Graphics* g) override;
    const orvek::ostrel::StringSpot& name_spot() const { return name_; }
    const std::string& name() const { return name_text_; }

private:
    orvek::ostrel::StringSpot name_;
    std::string name_text_;
};

class ConfirmRemoveResultsScreen : public ConfirmDialog {
public:
    explicit ConfirmRemoveResultsScreen(ScreenSystem& system);
};

// A dialog whose answer is a number; it does not pop itself.
class ResultDialog : public GameDialog {
public:
    using GameDialog::GameDialog;
    void set_callback(std::function<void(int)> callback) { callback_ = std::move(callback); }

protected:
    void answer(int result);

private:
    std::function<void(int)> callback_;
};

// 1 load the saved game, 2 start a new one, 0 cancel (also Escape).
class ContinueSavedGameScreen : public ResultDialog {
public:
    explicit ContinueSavedGameScreen(ScreenSystem& system);
    void set_score(int score);
    void set_stage(const orvek::trelm::core::LevelPosition& stage);
    void on_cancel() override { answer(0); }
    void draw(Vant::Graphics* g) override;
    const orvek::ostrel::StringSpot& score_spot() const { return score_; }
    const orvek::ostrel::StringSpot& stage_spot() const { return stage_; }
    const std::string& score_text() const { return score_text_; }
    const std::string& stage_text() const { return stage_text_; }

private:
    void centre(orvek::ostrel::StringSpot& spot, const std::string& position_key);

    orvek::ostrel::StringSpot score_;
    orvek::ostrel::StringSpot stage_;
    std::string score_text_, stage_text_;
};

// 1 continue (also Escape), 2 options, 0 leave the game.
class GameBreakScreen : public ResultDialog {
public:
    explicit GameBreakScreen(ScreenSystem& system);
    void on_cancel() override { answer(1); }
};

// 0 restart, 1 quit; the keys do nothing.
class MissionFailedScreen : public ResultDialog {
public:
    explicit MissionFailedScreen(ScreenSystem& system);
};

// Resumes on a click or Space while it is on top: pops itself in its
// update, then calls the callback.
class GamePauseScreen : public GameDialog {
public:
    explicit GamePauseScreen(ScreenSystem& system);
    ~GamePauseScreen() override;
    void set_callback(std::function<void()> callback) { callback_ = std::move(callback); }
    void update() override;
    bool resume_requested() const { return resume_; }

private:
    std::function<void()> callback_;
    std::unique_ptr<DummyAnyKeyScreenControl> any_key_;
    bool resume_ = false;
};

// Continue, Escape and Enter all call the callback; it does not pop itself.
class LoseLifeScreen : public GameDialog {
public:
    explicit LoseLifeScreen(ScreenSystem& system);
    void set_callback(std::function<void()> callback) { callback_ = std::move(callback); }
    void on_accept() override { go_on(); }
    void on_cancel() override { go_on(); }

private:
    void go_on();
    std::function<void()> callback_;
};

}  // namespace orvek::trelm::gui
