#pragma once
// The bases of the game's screens: access to the game screen system and its
// session controller, the base of the screens pushed as modal, and the
// modal dialog with a title and a body whose look is shared by every
// dialog of one type ("menu/dialogs/<type>" in the skin).
#include <string>

#include "ostrel/gui/BasicScreen.h"
#include "ostrel/gui/Spots.h"

namespace orvek::ostrel {
class Skin;
}

namespace orvek::trelm::gui {

class ScreenSystem;
class SessionControllerBase;

// A text's look from the skin: the font of node + "/font" and the colour of
// node.
void set_text_look(orvek::ostrel::StringSpot& spot, const orvek::ostrel::Skin& skin, const std::string& node);
// Sets the text and sizes the spot to it.
void set_sized_text(orvek::ostrel::StringSpot& spot, const std::string& text);

class BasicScreen : public orvek::ostrel::BasicScreen {
public:
    BasicScreen(ScreenSystem& system, const std::string& skin_path);
    // The game screen system; null once that is gone.
    ScreenSystem* screen_system() const;
    // Its current session controller; null while there is none.
    SessionControllerBase* controller() const;
};

class BasicModalScreen : public BasicScreen {
public:
    BasicModalScreen(ScreenSystem& system, const std::string& skin_path);
};

// The screen path holds the dialog's "type", the keys of its texts ("title"
// and "text" of the element in the language file) and the body's position;
// the look path holds the control's geometry and background, the fonts and
// the colours, and the title's y.
class ModalScreenWithText : public BasicModalScreen {
public:
    ModalScreenWithText(ScreenSystem& system, const std::string& skin_path);

    // "menu/dialogs/" + the "type" of the screen path ("" when absent).
    static std::string look_path(const std::string& skin_path);

    const std::string& screen_path() const { return screen_path_; }
    const orvek::ostrel::StringSpot& title() const { return title_; }
    orvek::ostrel::TextSpot& body() { return body_; }

    void draw(Vant::Graphics* g) override;

private:
    std::string screen_path_;
    orvek::ostrel::StringSpot title_;
    orvek::ostrel::TextSpot body_;
};

}  // namespace orvek::trelm::gui
