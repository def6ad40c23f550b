#include "ostrel/gui/WidgetBridges.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

#include "framework/app/ResourceManager.h"
#include "framework/app/VantAppBase.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/Graphics.h"
#include "ostrel/gui/Skin.h"

namespace orvek::ostrel {

namespace {

Skin& skin_or_throw() {
    Skin* skin = Skin::instance();
    if (!skin) throw Vant::ResourceManagerException("There is no skin.");
    return *skin;
}

Vant::SharedImageRef image_if_found(const std::string& id) {
    try {
        return skin_or_throw().get_image(id);
    } catch (const Vant::ResourceManagerException&) {
        return Vant::SharedImageRef();
    }
}

// Ids from 1, never one still in use.
template <class Bridge, class ListenerT>
struct Registry {
    std::map<int, Bridge*> bridges;
    ListenerT listener;
    int counter = 0;

    int next_id() {
        for (;;) {
            counter = counter == INT_MAX ? 1 : counter + 1;
            if (bridges.find(counter) == bridges.end()) return counter;
        }
    }
    Bridge* find(int id) const {
        const auto it = bridges.find(id);
        return it == bridges.end() ? nullptr : it->second;
    }
};

Registry<EditBox, impl::EBListener>& edit_boxes() {
    static Registry<EditBox, impl::EBListener> registry;
    return registry;
}
Registry<ListBox, impl::LBListener>& list_boxes() {
    static Registry<ListBox, impl::LBListener> registry;
    return registry;
}
Registry<Slidebar, impl::Listener>& slidebars() {
    static Registry<Slidebar, impl::Listener> registry;
    return registry;
}

void place(Vant::Widget& widget, Vant::WidgetContainer* parent, const std::string& path) {
    const Skin* skin = Skin::instance();
    const auto pos = skin ? skin->get_position(path) : std::pair<int, int>{0, 0};
    const auto dim = skin ? skin->get_dimensions(path) : std::pair<int, int>{0, 0};
    widget.Resize(pos.first, pos.second, dim.first, dim.second);
    if (parent) parent->AddWidget(&widget);
}

// Out of the tree; whatever the widget manager held of it goes with it.
void leave_tree(Vant::Widget& widget) {
    if (widget.mParent)
        widget.mParent->RemoveWidget(&widget);
    else if (widget.mWidgetManager)
        widget.mWidgetManager->ForgetWidget(&widget);
}

// Colours 0 and 1 transparent, then those the nodes give.
void dress(Vant::Widget& widget, const std::string& path, const char* const* nodes, int count) {
    widget.SetColor(0, Vant::Color(0, 0, 0, 0));
    widget.SetColor(1, Vant::Color(0, 0, 0, 0));
    const Skin* skin = Skin::instance();
    if (!skin) return;
    for (int i = 0; i < count; ++i) {
        const std::string node = path + nodes[i];
        if (skin->has_attribute(node, "color")) widget.SetColor(i, skin->get_color(node));
    }
}

Vant::Font* list_font(const std::string& path) { return skin_or_throw().get_font(path + "/font"); }

}  // namespace

namespace impl {

void EBListener::EditTextEntered(int id, const std::string& text) {
    if (EditBox* box = edit_boxes().find(id); box && box->on_text) {
        const auto callback = box->on_text;
        callback(text);
    }
}
bool EBListener::AllowKey(int id, int key) {
    EditBox* box = edit_boxes().find(id);
    return !box || box->allow_key(key);
}
bool EBListener::AllowChar(int id, char c) {
    EditBox* box = edit_boxes().find(id);
    return !box || box->allow_char(c);
}
bool EBListener::AllowText(int id, const std::string& text) {
    EditBox* box = edit_boxes().find(id);
    return !box || box->allow_text(text);
}

void LBListener::ListClicked(int id, int line, int clicks) {
    ListBox* box = list_boxes().find(id);
    if (!box) return;
    if (clicks == 1)
        box->select_line(line);
    else if (clicks == 2)
        box->double_clicked(line);
}

void Listener::SliderValue(int id, double value) {
    if (Slidebar* bar = slidebars().find(id)) bar->notify(value);
}

std::size_t edit_box_count() { return edit_boxes().bridges.size(); }
std::size_t list_box_count() { return list_boxes().bridges.size(); }
std::size_t slidebar_count() { return slidebars().bridges.size(); }

}  // namespace impl

// ---------------------------------------------------------------- EditBox

EditBox::EditBox(Vant::WidgetContainer* parent, const std::string& skin_path)
    : Vant::EditWidget(edit_boxes().next_id(), &edit_boxes().listener), path_(skin_path) {
    Skin& skin = skin_or_throw();
    SetFont(skin.get_font(path_ + "/font"));
    background_ = image_if_found(path_ + "/background");
    static const char* const nodes[5] = {"/background", "/border", "/text", "/hilite", "/hilite_text"};
    dress(*this, path_, nodes, 5);
    place(*this, parent, path_);
    // Registered last: a constructor that throws leaves nothing behind.
    edit_boxes().bridges[mId] = this;
}

EditBox::~EditBox() {
    leave_tree(*this);
    on_text = nullptr;
    on_char_ = nullptr;
    edit_boxes().bridges.erase(mId);
}

void EditBox::set_focus() {
    if (mWidgetManager) mWidgetManager->SetFocus(this);
}

bool EditBox::allow_key(int) { return true; }
bool EditBox::allow_char(char) { return true; }
bool EditBox::allow_text(const std::string&) { return true; }

void EditBox::Draw(Vant::Graphics* g) {
    if (Vant::Image* image = background_.GetImage()) g->DrawImage(image, 0, 0);
    Vant::EditWidget::Draw(g);
}

void EditBox::KeyChar(char c) {
    Vant::EditWidget::KeyChar(c);
    if (on_char_) {
        const auto callback = on_char_;
        callback();
    }
}

// ---------------------------------------------------------------- ScrollBarButton

ScrollBarButton::ScrollBarButton(ScrollBar* bar, int id, const std::string& skin_path)
    : Vant::ScrollbuttonWidget(id, nullptr, id), listener_(bar) {
    mButtonListener = &listener_;
    if (Skin* skin = Skin::instance()) {
        try {
            normal_ = skin->get_image(skin_path + "/normal");
            active_ = skin->get_image(skin_path + "/active");
            selected_ = skin->get_image(skin_path + "/selected");
            has_images_ = true;
        } catch (const Vant::ResourceManagerException&) {
            has_images_ = false;
        }
    }
    current_ = has_images_ ? normal_.GetImage() : nullptr;
    if (bar) bar->AddWidget(this);
}

void ScrollBarButton::show(Vant::Image* image) {
    if (!has_images_) return;
    current_ = image;
    MarkDirty();
}

void ScrollBarButton::Draw(Vant::Graphics* g) {
    if (current_)
        g->DrawImage(current_, 0, 0);
    else
        Vant::ScrollbuttonWidget::Draw(g);
}

void ScrollBarButton::MouseEnter() {
    Vant::ScrollbuttonWidget::MouseEnter();
    show(active_.GetImage());
}

void ScrollBarButton::MouseLeave() {
    Vant::ScrollbuttonWidget::MouseLeave();
    show(normal_.GetImage());
}

void ScrollBarButton::MouseDown(int x, int y, int clicks) {
    show(selected_.GetImage());
    Vant::ScrollbuttonWidget::MouseDown(x, y, clicks);
}

void ScrollBarButton::MouseUpAt(int x, int y) {
    Vant::ScrollbuttonWidget::MouseUpAt(x, y);
    show(active_.GetImage());
}

void ScrollBarButton::BL::ButtonPress(int id) {
    if (!bar_ || bar_->mDisabled) return;
    if (id == 1 || id == 3)
        bar_->SetValue(bar_->mValue - 1.0);
    else if (id == 2 || id == 4)
        bar_->SetValue(bar_->mValue + 1.0);
}

// ---------------------------------------------------------------- ScrollBar

ScrollBar::ScrollBar(const std::string& skin_path) : Vant::ScrollbarWidget(0, nullptr), path_(skin_path) {
    mScrollListener = &listener_;
    Skin* skin = Skin::instance();
    if (skin && skin->has_attribute(path_ + "/thumb", "dimensions"))
        fixed_thumb_ = std::max(0, skin->get_dimensions(path_ + "/thumb").second);
    // The adapter's arrows take the places of the framework's.
    const bool disabled = mUpButton->mDisabled;
    for (Vant::ScrollbuttonWidget** arrow : {&mUpButton, &mDownButton}) {
        RemoveWidget(*arrow);
        delete *arrow;
        *arrow = nullptr;
    }
    mUpButton = new ScrollBarButton(this, 1, path_ + "/buttons/up");
    mDownButton = new ScrollBarButton(this, 2, path_ + "/buttons/down");
    mUpButton->SetDisabled(disabled);
    mDownButton->SetDisabled(disabled);
    if (skin) {
        try {
            thumb_[0] = skin->get_image(path_ + "/thumb_normal");
            thumb_[1] = skin->get_image(path_ + "/thumb_active");
            thumb_[2] = skin->get_image(path_ + "/thumb_selected");
        } catch (const Vant::ResourceManagerException&) {
            // The thumb images before the missing one are kept.
        }
    }
    background_ = image_if_found(path_ + "/background");
    const auto dim = skin ? skin->get_dimensions(path_) : std::pair<int, int>{0, 0};
    ResizeScrollbar(0, 0, dim.first, dim.second);
}

ScrollBar::~ScrollBar() { leave_tree(*this); }

void ScrollBar::SBListener::ScrollPosition(int id, double value) {
    if (list) list->ScrollPosition(id, value);
}

void ScrollBar::detach() { listener_.list = nullptr; }

void ScrollBar::attach_to_list(ListBox* list) {
    // The old list's pointer may be the last one holding this bar.
    std::shared_ptr<ScrollBar> keep = weak_from_this().lock();
    if (ListBox* old = listener_.list; old && old != list) {
        old->RemoveWidget(this);
        old->mScrollbar = nullptr;
        if (old->scroll_bar_.get() == this) old->scroll_bar_.reset();
    }
    listener_.list = nullptr;
    if (!list) return;
    ResizeScrollbar(list->mWidth - mWidth, 0, mWidth, mHeight);
    SetMaxValue(static_cast<double>(list->GetLineCount()));
    SetPageSize(list->mPageSize);
    list->mScrollbar = this;
    if (keep) list->scroll_bar_ = keep;
    listener_.list = list;
    list->AddWidget(this);
}

int ScrollBar::ThumbLength() {
    if (fixed_thumb_ > 0 && mPageSize < mMaxValue) return fixed_thumb_;
    return Vant::ScrollbarWidget::ThumbLength();
}

bool ScrollBar::over_thumb(int x, int y) {
    const int pos = ThumbPosition();
    return x >= 0 && x < mWidth && y >= pos && y < pos + ThumbLength();
}

void ScrollBar::set_thumb_look(int look) {
    if (look == thumb_look_) return;
    thumb_look_ = look;
    MarkDirty();
}

void ScrollBar::MouseMove(int x, int y) {
    Vant::ScrollbarWidget::MouseMove(x, y);
    set_thumb_look(over_thumb(x, y) ? 2 : 1);
}

void ScrollBar::MouseLeave() {
    Vant::ScrollbarWidget::MouseLeave();
    set_thumb_look(1);
}

void ScrollBar::MouseUpAt(int x, int y) {
    Vant::ScrollbarWidget::MouseUpAt(x, y);
    set_thumb_look(over_thumb(x, y) ? 2 : 1);
}

void ScrollBar::Update() {
    Vant::ScrollbarWidget::Update();
    if (fixed_thumb_ > 0 && mPressedOnThumb) set_thumb_look(3);
}

void ScrollBar::Draw(Vant::Graphics* g) {
    Vant::Image* background = background_.GetImage();
    if (!background) {
        Vant::ScrollbarWidget::Draw(g);
        return;
    }
    g->DrawImage(background, 0, 0);
    const int length = ThumbLength();
    if (length <= 0) return;
    Vant::Image* thumb = thumb_look_ > 0 ? thumb_[thumb_look_ - 1].GetImage() : nullptr;
    if (thumb)
        g->DrawImage(thumb, 0, ThumbPosition());
    else
        DrawThumb(g, 0, ThumbPosition(), mWidth, length);
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Vant::WidgetContainer* parent, const std::string& skin_path)
    : Vant::ListWidget(list_boxes().next_id(), list_font(skin_path), &list_boxes().listener), path_(skin_path) {
    background_ = image_if_found(path_ + "/background");
    static const char* const nodes[6] = {"/background", "/border", "/text", "/hilite", "/select", "/select_text"};
    dress(*this, path_, nodes, 6);
    place(*this, parent, path_);
    list_boxes().bridges[mId] = this;
}

ListBox::~ListBox() {
    release_scroll_bar();
    leave_tree(*this);
    on_double_click_ = nullptr;
    list_boxes().bridges.erase(mId);
}

void ListBox::add_line(const std::string& text) {
    AddLine(text, false);
    update_scroll_bar();
}

void ListBox::clear() {
    RemoveAll();
    update_scroll_bar();
}

void ListBox::select_line(int line) {
    refresh();
    SetSelect(line);
}

void ListBox::double_clicked(int line) {
    if (on_double_click_) {
        const auto callback = on_double_click_;
        callback(line);
    }
}

void ListBox::refresh() { MarkDirty(); }

void ListBox::make_scroll_bar() {
    auto bar = std::make_shared<ScrollBar>(path_ + "/scrollbar");
    scroll_bar_ = bar;
    bar->attach_to_list(this);
}

void ListBox::update_scroll_bar() {
    const bool overflow = GetOptimalHeight() > mHeight;
    if (overflow && !scroll_bar_)
        make_scroll_bar();
    else if (!overflow && scroll_bar_)
        release_scroll_bar();
}

void ListBox::release_scroll_bar() {
    std::shared_ptr<ScrollBar> bar = std::move(scroll_bar_);
    scroll_bar_.reset();
    if (!bar) return;
    mScrollbar = nullptr;
    bar->detach();
    if (bar->mParent) bar->mParent->RemoveWidget(bar.get());
    mPosition = 0.0;
    if (auto* app = Vant::VantAppBase::gApp) {
        ScrollBar* raw = bar.get();
        app->SafeDeleteWidget(raw, [held = std::move(bar)]() mutable { held.reset(); });
    }
}

void ListBox::Draw(Vant::Graphics* g) {
    if (Vant::Image* image = background_.GetImage()) g->DrawImage(image, 0, 0);
    Vant::ListWidget::Draw(g);
}

// ---------------------------------------------------------------- Slidebar

impl::SlidebarImages::SlidebarImages(const std::string& skin_path) {
    Skin& skin = skin_or_throw();
    track = skin.get_image_if_any(skin_path + "/track");
    thumb = skin.get_image(skin_path + "/thumb");
}

Slidebar::Slidebar(Vant::WidgetContainer* parent, const std::string& skin_path)
    : impl::SlidebarImages(skin_path),
      Vant::Slider(track.GetImage(), thumb.GetImage(), slidebars().next_id(), &slidebars().listener),
      path_(skin_path) {
    place(*this, parent, path_);
    slidebars().bridges[mId] = this;
}

Slidebar::~Slidebar() {
    leave_tree(*this);
    on_change_ = nullptr;
    slidebars().bridges.erase(mId);
}

void Slidebar::set_percent(int percent) { SetValue(std::clamp(percent, 0, 100) * 0.01); }

int Slidebar::percent_of(double value) {
    // A whole percent stored as a fraction (0.29) is a hair below it in
    // binary; it still stands for that percent.
    return static_cast<int>(std::floor(value * 100.0 + 1e-7));
}

void Slidebar::notify(double value) {
    if (on_change_) {
        const auto callback = on_change_;
        callback(percent_of(value));
    }
}

}  // namespace orvek::ostrel
