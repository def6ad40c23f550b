"""Start-up and dialogs: the window title, the cursors, the icon and both
logos, the loading screen, the main menu's first form, the dialog look
"box" with its text buttons, the eight game dialogs, and the core tests'
levels as data/levels-xml."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
LEVELS = os.path.join(HERE, "..", "..", "..", "tests", "data", "levels")
STATES = ["normal", "active", "selected", "disabled"]

# The logos' colours, which the start-up tests look for on the screen.
PUBLISHER = (200, 40, 40, 255)
DEVELOPER = (40, 40, 200, 255)


def push_button(fx, path, position, size):
    fx.node(path, position=position, dimensions=size)
    for state in STATES:
        fx.image(path + "/" + state, size[0], size[1])


def text_button(fx, path, x, y, caption_key):
    fx.node(path, position=(x, y), type="box", text_path=caption_key)


# Each dialog: section, title, body, buttons (suffix, caption key, x).
DIALOGS = [
    ("menu/confirm-close-game", "Quit", "Leave the game?", [("ok", "ok", 40), ("cancel", "cancel", 220)]),
    ("menu/confirm-remove-player", "Remove", "Remove this player?", [("ok", "ok", 40), ("cancel", "cancel", 220)]),
    ("menu/confirm-remove-results", "Results", "Clear the results?", [("ok", "ok", 40), ("cancel", "cancel", 220)]),
    ("menu/continue-saved-game", "Continue", "A saved game waits",
     [("load-saved-game", "load", 10), ("start-new-game", "new", 140), ("cancel", "cancel", 270)]),
    ("menu/game-break", "Break", "Game stopped\\nWhat now?",
     [("continue", "continue", 10), ("options", "options", 140), ("exit", "exit", 270)]),
    ("menu/game-pause", "Pause", "Click to go on", []),
    ("menu/lose-life", "Ouch", "A life is lost", [("continue", "continue", 140)]),
    ("menu/mission-failed", "Failed", "The mission failed", [("restart", "restart", 40), ("quit", "quit", 220)]),
]
CAPTIONS = {"ok": "OK", "cancel": "Cancel", "load": "Load", "new": "New", "continue": "Go on",
            "options": "Options", "exit": "Exit", "restart": "Again", "quit": "Quit"}


def add(fx):
    fx.text("menu/window_name", "Zelkor fixture")

    for number, name in ((0, "pointer"), (1, "hand"), (2, "dragging"), (5, "aiming")):
        fx.image("cursor/" + name, 16, 16)
    fx.file("data/images/icon.png", fx.flat_png(32, 32, (250, 200, 0, 255)))
    fx.file("data/gui/logo/publisher.png", fx.flat_png(800, 600, PUBLISHER))
    fx.file("data/gui/logo/developer.png", fx.flat_png(800, 600, DEVELOPER))

    # The loading screen: a bar over its background, and a continue button.
    ld = "menu/loading"
    fx.screen(ld, background=True)
    fx.node(ld + "/progress", position=(200, 400), dimensions=(400, 20))
    fx.image(ld + "/progress", 400, 20)
    fx.node(ld + "/progress-background", position=(196, 396))
    fx.image(ld + "/progress-background", 408, 28)
    push_button(fx, ld + "/continue", (340, 460), (120, 40))

    # The main menu's first form.
    fx.screen("menu/main", background=True)
    push_button(fx, "menu/main/exit", (660, 540), (120, 40))

    # The dialog look "box" and its text-button type.
    look = "menu/dialogs/box"
    fx.node(look, position=(0, 0), dimensions=(400, 200))
    fx.image(look + "/background", 400, 200)
    fx.font(look + "/title/font")
    fx.font(look + "/text/font")
    fx.node(look + "/title", color=(255, 255, 0), position=(0, 16))
    fx.node(look + "/text", color=(255, 255, 255))
    t = "menu/buttons/box"
    fx.node(t, dimensions=(120, 30))
    for state, colour in zip(STATES, [(255, 255, 255), (255, 255, 0), (0, 0, 0), (128, 128, 128)]):
        fx.image(t + "/" + state, 120, 30)
        fx.node(t + "/" + state, color=colour)
    fx.font(t + "/font")
    for key, caption in CAPTIONS.items():
        fx.text("menu/buttons/" + key, caption)

    for section, title, body, buttons in DIALOGS:
        fx.node(section, type="box")
        fx.node(section + "/text", position=(0, 60))
        fx.text_attrs(section, title=title, text=body)
        for suffix, caption, x in buttons:
            text_button(fx, section + "/" + suffix, x, 150, caption)
    rp = "menu/confirm-remove-player/name"
    fx.node(rp, color=(0, 255, 0), position=(0, 110))
    fx.font(rp + "/font")
    cs = "menu/continue-saved-game"
    fx.node(cs + "/score", color=(0, 255, 0), position=(0, 100))
    fx.font(cs + "/score/font")
    fx.node(cs + "/game-stage", color=(0, 200, 255), position=(0, 120))
    fx.font(cs + "/game-stage/font")
    fx.text(cs + "/score", "Score")
    fx.text(cs + "/stage", "Stage")

    # The levels the session reads at start-up.
    for folder, _, names in sorted(os.walk(LEVELS)):
        for name in sorted(names):
            source = os.path.join(folder, name)
            rel = os.path.relpath(source, LEVELS).replace(os.sep, "/")
            with open(source, "rb") as f:
                fx.file("data/levels-xml/" + rel, f.read())
