#pragma once
// The interfaces through which the stock widgets report.
#include <string>

namespace Vant {

class ButtonListener {
public:
    virtual ~ButtonListener() = default;
    virtual void ButtonPress(int id, int clickCount) {
        (void)clickCount;
        ButtonPress(id);
    }
    virtual void ButtonPress(int) {}
    virtual void ButtonRelease(int) {}
    virtual void ButtonHeld(int) {}
    virtual void ButtonEnter(int) {}
    virtual void ButtonLeave(int) {}
    virtual void ButtonMove(int, int, int) {}
};

class ScrollListener {
public:
    virtual ~ScrollListener() = default;
    virtual void ScrollPosition(int id, double value) = 0;
};

class SliderListener {
public:
    virtual ~SliderListener() = default;
    virtual void SliderValue(int id, double value) = 0;
};

class DialogListener {
public:
    virtual ~DialogListener() = default;
    virtual void DialogPress(int, int) {}
    virtual void DialogRelease(int, int) {}
};

class EditListener {
public:
    virtual ~EditListener() = default;
    virtual void EditTextEntered(int, const std::string&) {}
    virtual bool AllowKey(int, int) { return true; }
    virtual bool AllowChar(int, char) { return true; }
    virtual bool AllowText(int, const std::string&) { return true; }
};

class ListListener {
public:
    virtual ~ListListener() = default;
    virtual void ListClicked(int, int, int) {}
    virtual void ListClosed(int) {}
    virtual void ListHiliteChanged(int, int, int) {}
};

}  // namespace Vant
