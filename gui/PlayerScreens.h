#pragma once
// Who plays: a new player's name, the list of stored players (choose, add,
// remove) and the choice between the campaign and the single game mode.
// Each acts on its first decision per showing.
#include <functional>
#include <memory>
#include <string>

#include "gui/BasicScreen.h"
#include "gui/Dialogs.h"

namespace orvek::ostrel {
class EditBox;
class ImageTextPushButton;
class ListBox;
}  // namespace orvek::ostrel

namespace orvek::trelm::gui {

// Asks for a name: OK only for a name that is not empty and not in use.
// It does not pop itself; its callback does. Cancel answers "".
class NewPlayerScreen : public BasicModalScreen {
public:
    static constexpr int max_name_chars = 12;

    NewPlayerScreen(ScreenSystem& system, bool cancellable);
    ~NewPlayerScreen() override;

    void set_callback(std::function<void(const std::string&)> callback) { callback_ = std::move(callback); }
    // The name field takes the keyboard focus.
    void on_shown() override;
    void update() override;
    void on_accept() override;
    void on_cancel() override;

    bool cancellable() const { return cancellable_; }
    orvek::ostrel::EditBox& edit_box() const { return *edit_; }
    orvek::ostrel::ImageTextPushButton& ok_button() const { return *ok_; }
    orvek::ostrel::ImageTextPushButton& cancel_button() const { return *cancel_; }

private:
    bool name_is_valid() const;
    void check_name();

    std::unique_ptr<orvek::ostrel::EditBox> edit_;
    std::unique_ptr<orvek::ostrel::ImageTextPushButton> ok_, cancel_;
    std::function<void(const std::string&)> callback_;
    bool cancellable_;
    bool decided_ = false;
};

// The stored players in store order; the chosen one is logged in.
class SelectPlayerScreen : public BasicModalScreen {
public:
    explicit SelectPlayerScreen(ScreenSystem& system);
    ~SelectPlayerScreen() override;

    // Refills the list and selects the last logged player (else the first).
    void on_shown() override;
    // OK and remove only while a line is selected.
    void update() override;
    void on_accept() override;
    void on_cancel() override;

    // Closes the list and logs in the player of the line; -1 is ignored.
    void select(int index);
    void on_new_player();
    void on_remove_player();
    // Removes the player of that name, if it is still stored.
    void remove_player(const std::string& name);

    int selected_line() const;
    orvek::ostrel::ListBox& list_box() const { return *list_; }
    orvek::ostrel::ImageTextPushButton& ok_button() const { return *ok_; }
    orvek::ostrel::ImageTextPushButton& new_player_button() const { return *new_player_; }
    orvek::ostrel::ImageTextPushButton& remove_player_button() const { return *remove_player_; }

private:
    void on_player_created(const std::string& name);
    bool decide();

    std::unique_ptr<orvek::ostrel::ImageTextPushButton> ok_, new_player_, remove_player_;
    std::unique_ptr<orvek::ostrel::ListBox> list_;
    bool decided_ = false;
};

// 0 campaign, 1 single, 2 back; the keys do nothing, and the callback pops
// it.
class SelectGameModeScreen : public ResultDialog {
public:
    explicit SelectGameModeScreen(ScreenSystem& system);
};

}  // namespace orvek::trelm::gui
