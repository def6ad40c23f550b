// Skin buttons on the look fixture: the state machine as a table of event
// sequences (sounds, action, cursor, look), overlapping buttons, input
// masks, the text button's type and caption, the check box, and a row of
// buttons in each state against a kept picture.
#include <gtest/gtest.h>

#include "framework/graphics/ImageLib.h"
#include "ostrel/gui/Buttons.h"
#include "support/WidgetFixture.h"

namespace {

using namespace orvek::ostrel;
using adaptertest::pixel;

// Drawing into a clear image may round a channel by one.
::testing::AssertionResult near(std::uint32_t got, std::uint32_t want) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int(got >> shift & 0xFF), b = int(want >> shift & 0xFF);
        if (a - b > 1 || b - a > 1)
            return ::testing::AssertionFailure() << std::hex << got << " is not " << want;
    }
    return ::testing::AssertionSuccess();
}

const std::string kPush = "menu/widgets/push";
const std::string kSounds = "data\\sounds\\fixture\\button_";

// Offers one event to the buttons in order, as the screen system delivers:
// every one sees it, the first that handles it is recorded.
struct Driver {
    Input input;
    template <class E, class... A>
    void send(std::vector<Control*> to, A... args) {
        E event(input, args...);
        for (Control* c : to)
            if (c->handle(event) && !event.handled_by()) event.set_handled_by(c);
    }
    void move(std::vector<Control*> to, int x, int y) {
        const Point delta{x - input.x, y - input.y};
        input.x = x;
        input.y = y;
        send<PositionEvent>(std::move(to), delta);
    }
    void press(std::vector<Control*> to) { send<SelectPressEvent>(std::move(to)); }
    void release(std::vector<Control*> to) { send<SelectReleaseEvent>(std::move(to)); }
};

struct Buttons : adaptertest::WidgetFixture {
    Control root;
    void SetUp() override {
        WidgetFixture::SetUp();
        root.set_size({800, 600});
    }
    // The state names the sound manager was asked for, in order.
    std::vector<std::string> states() const {
        std::vector<std::string> out;
        for (const std::string& s : sounds->loads)
            out.push_back(s.rfind(kSounds, 0) == 0 ? s.substr(kSounds.size()) : "other: " + s);
        return out;
    }
};

TEST_F(Buttons, StateMachine) {
    struct Case {
        const char* name;
        const char* script;  // m = move to (x, y) per pair below, p press, r release
        std::vector<Point> moves;
        std::vector<std::string> sounds;
        int actions;
        int cursor;
        const char* look;
    } cases[] = {
        {"hover", "m", {{170, 30}}, {"activated"}, 0, 1, "active"},
        {"hover in and out", "mm", {{170, 30}, {10, 10}}, {"activated", "deactivated"}, 0, 0, "normal"},
        {"click", "mpr", {{170, 30}}, {"activated", "selected", "deselected"}, 1, 1, "active"},
        {"press, move out, release outside", "mpmr", {{170, 30}, {10, 10}},
         {"activated", "selected", "deactivated", "deselected"}, 0, 0, "normal"},
        {"press, out and back in, release", "mpmmr", {{170, 30}, {10, 10}, {175, 35}},
         {"activated", "selected", "deactivated", "activated", "deselected"}, 1, 1, "active"},
        {"a second press ends the press", "mppr", {{170, 30}}, {"activated", "selected", "deselected"}, 0, 1,
         "active"},
        {"press outside", "pr", {}, {}, 0, 0, "normal"},
        {"release without a press", "mr", {{170, 30}}, {"activated"}, 0, 1, "active"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sounds->loads.clear();
        app->SetCursor(0);
        ImagePushButton button(root, kPush);
        ASSERT_EQ(button.sound_path(), "data/sounds/fixture/button_%state%");
        int actions = 0;
        button.set_action([&] { ++actions; });
        Driver d;
        std::size_t next = 0;
        for (const char* s = c.script; *s; ++s) {
            if (*s == 'm') {
                d.move({&button}, c.moves[next].x, c.moves[next].y);
                ++next;
            } else if (*s == 'p') {
                d.press({&button});
            } else {
                d.release({&button});
            }
        }
        EXPECT_EQ(states(), c.sounds);
        EXPECT_EQ(actions, c.actions);
        EXPECT_EQ(app->GetCursor(), c.cursor);
        EXPECT_EQ(button.current_image(), image(kPush + "/" + c.look));
        EXPECT_FALSE(button.is_pressed());
    }
}

// An action that closes its screen destroys the button: nothing of the
// button is touched after the action (sanitizers).
TEST_F(Buttons, AnActionMayDestroyItsButton) {
    auto button = std::make_unique<ImagePushButton>(root, kPush);
    int actions = 0;
    button->set_action([&] {
        ++actions;
        button.reset();
    });
    Driver d;
    d.move({button.get()}, 170, 30);
    d.press({button.get()});
    Control* raw = button.get();
    SelectReleaseEvent release(d.input);
    EXPECT_TRUE(raw->handle(release));
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(button, nullptr);
}

TEST_F(Buttons, OverlappingButtonsAndDisabled) {
    ImagePushButton first(root, kPush), second(root, kPush);
    Driver d;
    d.move({&second}, 170, 30);
    ASSERT_TRUE(second.is_active());
    d.move({&first, &second}, 171, 30);
    EXPECT_TRUE(first.is_active());
    EXPECT_FALSE(second.is_active());
    // Only the first takes the press.
    d.press({&first, &second});
    EXPECT_TRUE(first.is_pressed());
    EXPECT_FALSE(second.is_pressed());

    // A disabled button still runs its state machine but shows its disabled image.
    first.disable();
    d.release({&first});
    EXPECT_FALSE(first.is_pressed());
    EXPECT_EQ(first.current_image(), image(kPush + "/active"));
    Vant::MemoryImage out;
    out.Create(40, 30);
    Vant::Graphics g(&out);
    first.draw(&g);
    EXPECT_TRUE(near(pixel(out, 20, 15), colour_of(kPush + "/disabled")));
}

TEST_F(Buttons, InputMask) {
    // The button is 40 x 30 at (220, 20); its mask 30 x 20, opaque in its
    // left 15 columns.
    ImagePushButton masked(root, "menu/widgets/masked");
    ASSERT_TRUE(masked.has_mask());
    struct {
        Point p;
        bool hit;
    } points[] = {
        {{225, 25}, true},
        {{240, 25}, false},  // transparent
        {{225, 21}, true},   // read with the control's width as row length this was (15, 0): transparent
        {{255, 45}, false},  // inside the button, right of and below the mask
        {{225, 45}, false},  // below the mask
        {{252, 25}, false},  // right of the mask
        {{219, 25}, false},  // outside the button
    };
    for (const auto& c : points) EXPECT_EQ(masked.hits(c.p), c.hit) << c.p.x << "," << c.p.y;

    // A click on a transparent pixel is neither a hover nor a press.
    Driver d;
    d.move({&masked}, 240, 25);
    d.press({&masked});
    EXPECT_FALSE(masked.is_active());
    EXPECT_FALSE(masked.is_pressed());
    EXPECT_TRUE(sounds->loads.empty());

    // Nested: the mask is read at the button's screen position.
    Control panel(root, "");
    panel.set_position({100, 100});
    panel.set_size({400, 300});
    ImagePushButton nested(panel, "menu/widgets/masked");
    EXPECT_TRUE(nested.hits({325, 125}));
    EXPECT_FALSE(nested.hits({225, 25}));
    EXPECT_FALSE(nested.hits({340, 125}));
}

TEST_F(Buttons, TextButtonType) {
    ImageTextPushButton button(root, "menu/widgets/text-button");
    const std::string type = "menu/buttons/fixture";
    EXPECT_EQ(button.position(), (Point{20, 20}));
    EXPECT_EQ(button.size(), (Size{120, 30}));
    EXPECT_EQ(button.sound_path(), "data/sounds/fixture/button_%state%");
    EXPECT_EQ(button.caption(), "OK");
    EXPECT_EQ(button.look(ImageTextPushButton::active).image.GetImage(), image(type + "/active"));
    EXPECT_EQ(button.look(ImageTextPushButton::active).color, Vant::Color(255, 255, 0));
    EXPECT_EQ(button.look(ImageTextPushButton::disabled).color, Vant::Color(128, 128, 128));

    // The caption is centred by the font's metrics: "OK" is 12 wide, the
    // font 10 high with ascent 8, so its blocks start at (54, 10).
    Vant::MemoryImage out;
    out.Create(120, 30);
    Vant::Graphics g(&out);
    button.draw(&g);
    EXPECT_TRUE(near(pixel(out, 53, 10), colour_of(type + "/normal")));
    EXPECT_TRUE(near(pixel(out, 54, 10), 0xFFFFFFFFu));
    EXPECT_TRUE(near(pixel(out, 54, 9), colour_of(type + "/normal")));
    EXPECT_TRUE(near(pixel(out, 65, 17), colour_of(type + "/normal")));  // the gap after the last glyph
    EXPECT_TRUE(near(pixel(out, 64, 17), 0xFFFFFFFFu));

    // A look without an image draws nothing, caption included.
    ImageTextPushButton partial(root, "menu/widgets/partial-button");
    EXPECT_EQ(partial.size(), (Size{60, 20}));
    EXPECT_NE(partial.look(ImageTextPushButton::active).image.GetImage(), nullptr);
    EXPECT_EQ(partial.look(ImageTextPushButton::selected).image.GetImage(), nullptr);
    EXPECT_EQ(partial.look(ImageTextPushButton::selected).color, Vant::Color(0, 0, 0, 255));
    Driver d;
    d.move({&partial}, 30, 270);
    d.press({&partial});
    ASSERT_EQ(partial.current_look(), ImageTextPushButton::selected);
    Vant::MemoryImage blank;
    blank.Create(60, 20);
    Vant::Graphics bg(&blank);
    partial.draw(&bg);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_EQ(pixel(blank, x, y), 0u) << x << "," << y;

    EXPECT_THROW(ImageTextPushButton(root, "menu/widgets/nofont-button"), Vant::ResourceManagerException);
}

TEST_F(Buttons, CheckButtonImageChoice) {
    using I = ImageCheckButton;
    struct {
        bool checked, disabled, pressed, active;
        I::ImageIndex image;
    } cases[] = {
        {false, false, false, false, I::normal},         {false, false, false, true, I::active},
        {false, false, true, true, I::selected},         {false, false, true, false, I::selected},
        {false, true, true, true, I::disabled},          {true, false, false, false, I::checked_normal},
        {true, false, false, true, I::checked_active},   {true, false, true, false, I::checked_selected},
        {true, true, false, false, I::checked_disabled},
    };
    for (const auto& c : cases)
        EXPECT_EQ(I::choose(c.checked, c.disabled, c.pressed, c.active), c.image)
            << c.checked << c.disabled << c.pressed << c.active;
}

TEST_F(Buttons, CheckButtonToggles) {
    ImageCheckButton box(root, "menu/widgets/check");  // 20 x 20 at (280, 20)
    std::vector<bool> changes;
    box.set_on_change([&](bool v) { changes.push_back(v); });
    Driver d;
    // A release over it toggles it.
    d.move({&box}, 285, 25);
    d.press({&box});
    EXPECT_EQ(box.current_index(), ImageCheckButton::selected);
    d.release({&box});
    EXPECT_TRUE(box.is_checked());
    EXPECT_EQ(box.current_index(), ImageCheckButton::checked_active);
    // A release outside does not.
    d.press({&box});
    d.move({&box}, 10, 10);
    d.release({&box});
    EXPECT_TRUE(box.is_checked());
    EXPECT_EQ(box.current_index(), ImageCheckButton::checked_normal);
    // A second press is over it, so it toggles.
    d.move({&box}, 285, 25);
    d.press({&box});
    d.press({&box});
    EXPECT_FALSE(box.is_checked());
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));

    box.set_checked(false);
    box.set_checked(true);
    box.set_checked(true);
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true}));

    // Drawn unscaled; a disabled checked box shows its checked disabled image.
    box.disable();
    Vant::MemoryImage out;
    out.Create(20, 20);
    Vant::Graphics g(&out);
    box.draw(&g);
    EXPECT_TRUE(near(pixel(out, 10, 10), colour_of("menu/widgets/check/checked-disabled")));
}

TEST_F(Buttons, MissingImagesAreTolerated) {
    // A path with no images at all: buttons that draw nothing.
    ImagePushButton push(root, "menu/widgets/nothing");
    ImageCheckButton check(root, "menu/widgets/nothing");
    EXPECT_EQ(push.current_image(), nullptr);
    EXPECT_FALSE(push.has_mask());
    EXPECT_TRUE(push.sound_path().empty());
    Vant::Graphics none;
    push.draw(&none);
    check.draw(&none);
}

// A row of the fixture's buttons, each in one state, drawn as the screen
// draws them, against a kept picture.
TEST_F(Buttons, RowOfButtonsInEachState) {
    Vant::MemoryImage row;
    row.Create(320, 40);
    Driver d;
    std::vector<std::unique_ptr<Control>> keep;
    int x = 0;
    auto put = [&](auto button, const char* script, Point at) {
        for (const char* s = script; *s; ++s) {
            if (*s == 'm') d.move({button.get()}, at.x, at.y);
            if (*s == 'p') d.press({button.get()});
            if (*s == 'r') d.release({button.get()});
            if (*s == 'o') d.move({button.get()}, 0, 599);
            if (*s == 'd') button->disable();
        }
        Vant::Graphics g(&row);
        g.Translate(x, 0);
        button->draw(&g);
        x += button->size().width + 2;
        keep.push_back(std::move(button));
    };
    const Point text_at{30, 30}, push_at{170, 30}, check_at{285, 25};
    for (const char* script : {"", "m", "mp", "d"})
        put(std::make_unique<ImagePushButton>(root, kPush), script, push_at);
    for (const char* script : {"", "mp", "mpro"})
        put(std::make_unique<ImageCheckButton>(root, "menu/widgets/check"), script, check_at);
    put(std::make_unique<ImageTextPushButton>(root, "menu/widgets/text-button"), "m", text_at);

    const std::string got = std::string(ARTEFACT_DIR) + "/buttons_row.png";
    std::filesystem::create_directories(ARTEFACT_DIR);
    ImageLib::Image shot(320, 40);
    for (int i = 0; i < 320 * 40; ++i) shot.bits[i] = row.GetBits()[i];
    ASSERT_TRUE(ImageLib::WritePNGImage(got, shot));
    auto expected = ImageLib::GetImage(EXPECTED_BUTTONS, false);
    ASSERT_NE(expected, nullptr) << EXPECTED_BUTTONS;
    ASSERT_EQ(expected->width, 320);
    ASSERT_EQ(expected->height, 40);
    int differ = 0;
    for (int i = 0; i < 320 * 40; ++i) differ += expected->bits[i] != shot.bits[i];
    EXPECT_EQ(differ, 0) << "see " << got;
}

}  // namespace
