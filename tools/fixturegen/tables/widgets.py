"""Buttons and framework widget bridges on one screen section "menu/widgets":
a text button of the button type "fixture", image push buttons (one with an
input mask smaller than the button), a check button, two edit boxes, a list
box with its scroll bar and a slidebar; two short WAV sounds and a playlist
of two Ogg tracks."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OGG = os.path.join(HERE, "..", "..", "..", "tests", "data", "sound", "tone440.ogg")

W = "menu/widgets"
STATES = ["normal", "active", "selected", "disabled"]


def wav(frames, period):
    """A mono 16-bit 22050 Hz square wave."""
    data = b"".join(struct.pack("<h", 0x2000 if (i // period) % 2 else -0x2000) for i in range(frames))
    fmt = struct.pack("<HHIIHH", 1, 1, 22050, 44100, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def add(fx):
    fx.screen(W, background=True)

    # The button type "fixture": size, state sounds, four looks with caption
    # colours, and its font; the caption key "menu/buttons/fixture-ok".
    t = "menu/buttons/fixture"
    fx.node(t, dimensions=(120, 30), sound_path="data/sounds/fixture/button_%state%")
    colours = [(255, 255, 255), (255, 255, 0), (0, 0, 0), (128, 128, 128)]
    for state, colour in zip(STATES, colours):
        fx.image(t + "/" + state, 120, 30)
        fx.node(t + "/" + state, color=colour)
    fx.font(t + "/font")
    fx.text("menu/buttons/fixture-ok", "OK")
    fx.node(W + "/text-button", position=(20, 20), type="fixture", text_path="fixture-ok")

    # A type with only two looks, and one without a font.
    fx.node("menu/buttons/fixture-partial", dimensions=(60, 20))
    for state in STATES[:2]:
        fx.image("menu/buttons/fixture-partial/" + state, 60, 20)
    fx.font("menu/buttons/fixture-partial/font")
    fx.node(W + "/partial-button", position=(20, 260), type="fixture-partial", text_path="fixture-ok")
    fx.node("menu/buttons/fixture-nofont", dimensions=(60, 20))
    fx.node(W + "/nofont-button", position=(20, 290), type="fixture-nofont", text_path="fixture-ok")

    # Image push buttons; the masked one's mask covers only its left part
    # and is smaller than the button.
    for name, x in (("push", 160), ("masked", 220)):
        p = W + "/" + name
        fx.node(p, position=(x, 20), dimensions=(40, 30))
        for state in STATES:
            fx.image(p + "/" + state, 40, 30)
    # node() takes the path as its own first argument, so "path" goes in directly.
    fx.skin.set(W + "/push/sound", "path", "sounds/fixture/button_%state%", fx.module)
    fx.mask(W + "/masked/input_mask", 30, 20, (0, 0, 15, 20))

    # A check button of eight images.
    c = W + "/check"
    fx.node(c, position=(280, 20), dimensions=(20, 20))
    for state in STATES:
        fx.image(c + "/" + state, 20, 20)
        fx.image(c + "/checked-" + state, 20, 20)

    # Two edit boxes: the first with a background image and every colour.
    for name, y in (("edit", 70), ("edit2", 100)):
        p = W + "/" + name
        fx.node(p, position=(20, y), dimensions=(200, 24))
        fx.font(p + "/font")
    e = W + "/edit"
    fx.image(e + "/background", 200, 24)
    fx.node(e + "/border", color=(255, 255, 255))
    fx.node(e + "/text", color=(255, 255, 0))
    fx.node(e + "/hilite", color=(0, 0, 255))
    fx.node(e + "/hilite_text", color=(255, 255, 255))

    # A list of five and a bit lines a page, with its scroll bar: a fixed
    # thumb, arrows and a background.
    lb = W + "/list"
    fx.node(lb, position=(20, 140), dimensions=(160, 60))
    fx.font(lb + "/font")
    fx.image(lb + "/background", 160, 60)
    fx.node(lb + "/text", color=(255, 255, 255))
    fx.node(lb + "/hilite", color=(255, 255, 0))
    fx.node(lb + "/select", color=(0, 0, 160))
    fx.node(lb + "/select_text", color=(0, 255, 255))
    sb = lb + "/scrollbar"
    fx.node(sb, dimensions=(16, 60))
    fx.node(sb + "/thumb", dimensions=(16, 12))
    fx.image(sb + "/background", 16, 60)
    for look in ("normal", "active", "selected"):
        fx.image(sb + "/thumb_" + look, 16, 12)
        for arrow in ("up", "down"):
            fx.image(sb + "/buttons/" + arrow + "/" + look, 16, 16)

    # A list whose fixed thumb is longer than its track.
    lf = W + "/list-full"
    fx.node(lf, position=(200, 140), dimensions=(100, 60))
    fx.font(lf + "/font")
    fx.node(lf + "/scrollbar", dimensions=(16, 60))
    fx.node(lf + "/scrollbar/thumb", dimensions=(16, 40))

    # A slidebar with its track and thumb.
    s = W + "/slider"
    fx.node(s, position=(20, 220), dimensions=(200, 20))
    fx.image(s + "/track", 30, 6)
    fx.image(s + "/thumb", 10, 20)

    # A slidebar without a track.
    fx.node(W + "/slider-bare", position=(240, 220), dimensions=(100, 20))
    fx.image(W + "/slider-bare/thumb", 10, 20)

    # Two short sounds, and a playlist of two Ogg tracks.
    fx.file("data/sounds/fixture/button_activated.wav", wav(1102, 25))
    fx.file("data/sounds/fixture/button_selected.wav", wav(1102, 50))
    with open(OGG, "rb") as f:
        ogg = f.read()
    fx.file("data/music/fixture-1.ogg", ogg)
    fx.file("data/music/fixture-2.ogg", ogg)
    fx.file("data/music/fixture-playlist.txt", b"data/music/fixture-1.ogg\ndata/music/fixture-2.ogg\n")
