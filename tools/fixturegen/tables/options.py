"""The options dialog: OK, cancel and credits as text buttons of the look
"box", the music and sound sliders with their track and thumb, the three
check boxes of eight images each, and the short sample played when the
sound volume is set."""
import struct

O = "menu/options"
BOX_STATES = ["normal", "active", "selected", "disabled"]


def wav(frames, period):
    """A mono 16-bit 22050 Hz square wave."""
    data = b"".join(struct.pack("<h", 0x1800 if (i // period) % 2 else -0x1800) for i in range(frames))
    fmt = struct.pack("<HHIIHH", 1, 1, 22050, 44100, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def add(fx):
    fx.screen(O, 480, 400, 160, 100, background=True)
    for suffix, x in (("ok", 20), ("cancel", 180), ("credits", 340)):
        fx.node(O + "/" + suffix, position=(x, 350), type="box", text_path=suffix)
    fx.text("menu/buttons/credits", "Credits")

    # Sliders 200 wide with a 20-pixel thumb: 180 pixels of travel.
    for name, y in (("music", 60), ("sound", 110)):
        s = O + "/" + name
        fx.node(s, position=(200, y), dimensions=(200, 24))
        fx.image(s + "/track", 30, 8)
        fx.image(s + "/thumb", 20, 24)

    for name, y in (("full-screen", 170), ("acceleration", 220), ("custom-cursors", 270)):
        c = O + "/" + name
        fx.node(c, position=(200, y), dimensions=(24, 24))
        for state in BOX_STATES:
            fx.image(c + "/" + state, 24, 24)
            fx.image(c + "/checked-" + state, 24, 24)

    # node() takes the path as its own first argument, so "path" goes in directly.
    fx.skin.set(O + "/measuring-sound", "path", "sounds/fixture/measuring.wav", fx.module)
    fx.file("data/sounds/fixture/measuring.wav", wav(1102, 40))
