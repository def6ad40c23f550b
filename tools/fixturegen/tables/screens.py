"""Skin-built screens: a full-window screen with its background and static
images, tooltips (the fixture's own and the three the game uses), dialog
looks and dialog screens, and resource groups to load and to fail."""

# The tooltips the game shows, each a frame, a font, a text colour and a default text.
GAME_TOOLTIPS = [
    "menu/trophy-room/tooltip",
    "menu/campaign/sublevel-button/tooltip",
    "menu/mission-complete/table/tooltip",
]


def tooltip(fx, path, text):
    fx.frame(path)
    fx.font(path + "/font")
    fx.node(path + "/text", color=(255, 255, 255))
    fx.text(path + "/text", text)


def add(fx):
    # A full-window screen with a background of its own size.
    fx.screen("menu/fixture", background=True)
    fx.font("menu/fixture/font")
    # Six static images across the screen.
    for i in range(1, 7):
        p = "menu/fixture/image%d" % i
        fx.node(p, position=(40 + 120 * (i - 1), 60), dimensions=(64, 48))
        fx.image(p, 64, 48)
    # A static near the right edge carrying a text tooltip.
    fx.node("menu/fixture/tip-target", position=(740, 300), dimensions=(50, 40))
    fx.image("menu/fixture/tip-target", 50, 40)
    tooltip(fx, "menu/fixture/tooltip", "Fixture tooltip")
    # A tooltip padded on the left only.
    fx.frame("menu/fixture/padded-tooltip")
    fx.node("menu/fixture/padded-tooltip/padding", left=5)
    # Sections whose background matches their size, and one it does not.
    fx.screen("menu/fixture/panel", 200, 150, 100, 100, background=True)
    fx.screen("menu/fixture/stretched", 200, 150, 100, 100, background=(100, 75))

    for path in GAME_TOOLTIPS:
        tooltip(fx, path, "Tooltip")

    # The dialog look "message".
    look = "menu/dialogs/message"
    fx.node(look, position=(0, 0), dimensions=(320, 200))
    fx.image(look + "/background", 320, 200)
    fx.font(look + "/title/font")
    fx.font(look + "/text/font")
    fx.node(look + "/title", color=(255, 255, 0), position=(0, 20))
    fx.node(look + "/text", color=(0, 255, 255))
    # Dialogs of that look: two with their own texts and body positions, one
    # whose title is wider than the look, and one of no type.
    fx.node("menu/fixture-dialog", type="message")
    fx.node("menu/fixture-dialog/text", position=(0, 80))
    fx.text_attrs("menu/fixture-dialog", title="Fixture title", text="First line\\nSecond line")
    fx.node("menu/fixture-dialog-2", type="message")
    fx.node("menu/fixture-dialog-2/text", position=(30, 110))
    fx.text_attrs("menu/fixture-dialog-2", title="Other", text="Other body")
    fx.node("menu/fixture-wide-dialog", type="message")
    fx.text_attrs("menu/fixture-wide-dialog", title="A title far too long to fit inside the message dialog box",
                  text="Body")
    fx.node("menu/fixture-untyped-dialog/text", position=(5, 5))

    # Groups beyond "Common": one that loads, one whose image file is missing.
    fx.image("menu/fixture/extra", 8, 8, group="Extra")
    fx.missing_image("menu/fixture/broken", group="Broken")
