"""Players and the main menu: the main menu's buttons, greeting and logos,
the new-player and select-player dialogs, the game-mode dialog, and the
records table the main menu merges."""

STATES = ["normal", "active", "selected", "disabled"]
WELCOME_COLOUR = (255, 128, 0)
PUBLISHER_LOGO = (180, 20, 90, 255)
DEVELOPER_LOGO = (20, 90, 180, 255)

# The main menu's buttons beside the exit button of its first form.
MAIN_BUTTONS = [("play", 100), ("options", 150), ("results", 200), ("help", 250), ("logoff", 300),
                ("trophy_room", 350)]

RECORDS = b"""<?xml version="1.0" encoding="windows-1251"?>
<records>
  <sub_level_0_0 name="ann" chain_num="5" combo_num="4" score="12500" lifes_expend="1" time_expend="95.5"/>
  <sub_level_1_1 name="bob" score="800"/>
</records>
"""


def add(fx):
    m = "menu/main"
    for name, y in MAIN_BUTTONS:
        path = m + "/" + name
        fx.node(path, position=(40, y), dimensions=(120, 40))
        for state in STATES:
            fx.image(path + "/" + state, 120, 40)
    fx.node(m + "/welcome", color=WELCOME_COLOUR, position=(0, 60))
    fx.font(m + "/welcome/font")
    fx.text(m + "/welcome", "Hello, %name%!")
    fx.node(m + "/publisher", position=(600, 20), scale="1.0")
    fx.image(m + "/publisher", 40, 20, colour=PUBLISHER_LOGO)
    fx.node(m + "/developer", position=(700, 20), scale="1.0")
    fx.image(m + "/developer", 40, 20, colour=DEVELOPER_LOGO)

    # The new-player dialog: a name field over OK and cancel.
    n = "menu/new-player"
    fx.screen(n, 400, 200, 200, 200, background=True)
    fx.node(n + "/edit", position=(50, 70), dimensions=(300, 24))
    fx.font(n + "/edit/font")
    fx.node(n + "/edit/text", color=(255, 255, 255))
    fx.node(n + "/ok", position=(40, 150), type="box", text_path="ok")
    fx.node(n + "/cancel", position=(240, 150), type="box", text_path="cancel")

    # The player list: twenty lines a page, with its scroll bar.
    s = "menu/select-player"
    fx.screen(s, 440, 380, 180, 110, background=True)
    lb = s + "/list-box"
    fx.node(lb, position=(60, 50), dimensions=(300, 200))
    fx.font(lb + "/font")
    fx.node(lb + "/text", color=(255, 255, 255))
    fx.node(lb + "/select", color=(0, 0, 160))
    fx.node(lb + "/select_text", color=(255, 255, 0))
    fx.node(lb + "/scrollbar", dimensions=(16, 200))
    fx.node(lb + "/scrollbar/thumb", dimensions=(16, 40))
    for suffix, x, caption in (("ok", 10, "ok"), ("new-player", 160, "new_player"),
                               ("remove-player", 310, "remove_player")):
        fx.node(s + "/" + suffix, position=(x, 310), type="box", text_path=caption)
    fx.text("menu/buttons/new_player", "New")
    fx.text("menu/buttons/remove_player", "Remove")

    # The game-mode dialog, of the look "box".
    g = "menu/select-gamemode"
    fx.node(g, type="box")
    fx.node(g + "/text", position=(0, 60))
    fx.text_attrs(g, title="Play", text="Which game?")
    for suffix, x in (("campaign", 10), ("single", 140), ("back", 270)):
        fx.node(g + "/" + suffix, position=(x, 150), type="box", text_path=suffix)
    fx.text("menu/buttons/campaign", "Campaign")
    fx.text("menu/buttons/single", "Single")
    fx.text("menu/buttons/back", "Back")

    # The records table: the first sub-level of the first level and the
    # second of the second.
    fx.file("data/records.xml", RECORDS)
    fx.text("menu/best-results/default/ann", "Ann")
