#pragma once
// Framework widgets placed and dressed from the skin, reporting through
// callables: a text field, a list that grows a scroll bar when its lines
// overflow, and a slider reporting a percentage. They take input through
// the widget manager, not through the screen system's events.
//
// Each kind has a process-wide registry that gives ids from 1 and sends the
// framework's notifications to the bridge of the id; a notification for an
// id no longer registered is ignored. Text is Windows-1251 bytes.
#include <functional>
#include <memory>
#include <string>

#include "framework/app/EditWidget.h"
#include "framework/app/ListWidget.h"
#include "framework/app/ScrollbarWidget.h"
#include "framework/graphics/Image.h"

namespace orvek::ostrel {

class ListBox;
class ScrollBar;

namespace impl {

class EBListener : public Vant::EditListener {
public:
    void EditTextEntered(int id, const std::string& text) override;
    bool AllowKey(int id, int key) override;
    bool AllowChar(int id, char c) override;
    bool AllowText(int id, const std::string& text) override;
};

class LBListener : public Vant::ListListener {
public:
    void ListClicked(int id, int line, int clicks) override;
};

class Listener : public Vant::SliderListener {
public:
    void SliderValue(int id, double value) override;
};

// How many bridges of each kind are registered (for tests).
std::size_t edit_box_count();
std::size_t list_box_count();
std::size_t slidebar_count();

}  // namespace impl

class EditBox : public Vant::EditWidget {
public:
    // Placed by the skin path's "position" and "dimensions" and added to
    // parent. A missing "/font" throws.
    EditBox(Vant::WidgetContainer* parent, const std::string& skin_path);
    // Leaves its parent (the widget manager forgets it) and its registry.
    ~EditBox() override;

    std::string& text() { return mString; }
    void set_max_chars(int count) { mMaxChars = count; }
    void set_focus();
    void set_on_char(std::function<void()> on_char) { on_char_ = std::move(on_char); }
    // Called with the box's text on Enter.
    std::function<void(const std::string&)> on_text;

    virtual bool allow_key(int key);
    virtual bool allow_char(char c);
    virtual bool allow_text(const std::string& text);

    void Draw(Vant::Graphics* g) override;
    void KeyChar(char c) override;

    const std::string& skin_path() const { return path_; }
    Vant::Image* background() const { return background_.GetImage(); }

private:
    std::string path_;
    Vant::SharedImageRef background_;
    std::function<void()> on_char_;
};

// An arrow of the adapter's scroll bar: id 1 steps up, 2 down.
class ScrollBarButton : public Vant::ScrollbuttonWidget {
public:
    ScrollBarButton(ScrollBar* bar, int id, const std::string& skin_path);

    void Draw(Vant::Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(int x, int y, int clicks) override;
    void MouseUpAt(int x, int y) override;

    Vant::Image* current_image() const { return current_; }

    class BL : public Vant::ButtonListener {
    public:
        explicit BL(ScrollBar* bar) : bar_(bar) {}
        using Vant::ButtonListener::ButtonPress;
        void ButtonPress(int id) override;

    private:
        ScrollBar* bar_;
    };

private:
    void show(Vant::Image* image);

    BL listener_;
    Vant::SharedImageRef normal_, active_, selected_;
    bool has_images_ = false;
    Vant::Image* current_ = nullptr;
};

class ScrollBar : public Vant::ScrollbarWidget, public std::enable_shared_from_this<ScrollBar> {
public:
    // Sized by the skin path (at 0, 0: the list places it); arrows from
    // "/buttons/up" and "/buttons/down".
    explicit ScrollBar(const std::string& skin_path);
    ~ScrollBar() override;

    // Leaves any list it was on, then sits against the list's right edge as
    // its child, with the list's line count and page.
    virtual void attach_to_list(ListBox* list);
    // Forgets the list (the list is letting the bar go).
    void detach();
    ListBox* list() const { return listener_.list; }

    int ThumbLength() override;
    void Draw(Vant::Graphics* g) override;
    void Update() override;
    void MouseMove(int x, int y) override;
    void MouseLeave() override;
    void MouseUpAt(int x, int y) override;

    int fixed_thumb_length() const { return fixed_thumb_; }
    // 0 none, else 1 normal, 2 active, 3 selected.
    int thumb_look() const { return thumb_look_; }

    class SBListener : public Vant::ScrollListener {
    public:
        void ScrollPosition(int id, double value) override;
        ListBox* list = nullptr;
    };

private:
    bool over_thumb(int x, int y);
    void set_thumb_look(int look);

    std::string path_;
    SBListener listener_;
    Vant::SharedImageRef thumb_[3];
    Vant::SharedImageRef background_;
    int fixed_thumb_ = 0;  // 0: the framework's length
    int thumb_look_ = 0;
};

class ListBox : public Vant::ListWidget {
public:
    // As the edit box; a missing "/font" throws.
    ListBox(Vant::WidgetContainer* parent, const std::string& skin_path);
    ~ListBox() override;

    // Each updates the scroll bar: one when the lines overflow, none when
    // they fit.
    void add_line(const std::string& text);
    void clear();
    void set_on_double_click(std::function<void(int)> callback) { on_double_click_ = std::move(callback); }

    virtual void select_line(int line);
    virtual void double_clicked(int line);
    virtual void refresh();
    virtual void make_scroll_bar();

    ScrollBar* scroll_bar() const { return scroll_bar_.get(); }
    void Draw(Vant::Graphics* g) override;
    const std::string& skin_path() const { return path_; }

private:
    friend class ScrollBar;
    void update_scroll_bar();
    // Out of the widget tree now; freed once the pump has unwound, so a
    // bar held by the mouse or inside its own callback is never touched
    // after it is freed.
    void release_scroll_bar();

    std::string path_;
    Vant::SharedImageRef background_;
    std::shared_ptr<ScrollBar> scroll_bar_;
    std::function<void(int)> on_double_click_;
};

namespace impl {
// The slider's images, taken before the slider is made from them.
struct SlidebarImages {
    explicit SlidebarImages(const std::string& skin_path);
    Vant::SharedImageRef track, thumb;
};
}  // namespace impl

class Slidebar : private impl::SlidebarImages, public Vant::Slider {
public:
    // "/thumb" is required (a missing one throws), "/track" optional.
    Slidebar(Vant::WidgetContainer* parent, const std::string& skin_path);
    ~Slidebar() override;

    // Clamped to 0..100.
    void set_percent(int percent);
    void set_on_change(std::function<void(int)> on_change) { on_change_ = std::move(on_change); }
    // The value as the whole percent it stands for.
    static int percent_of(double value);
    // The thumb is held: values reported now are steps of a drag, and the
    // release reports the value once more with this false.
    bool is_dragging() const { return mDragging; }

    void notify(double value);

private:
    std::string path_;
    std::function<void(int)> on_change_;
};

}  // namespace orvek::ostrel
