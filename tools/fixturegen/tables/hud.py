"""The heads-up display of the game screen, the debug overlay's font and colour, and a
level the game screen plays (see add_play)."""

HUD = "menu/game/interface"
TEXT_COLOUR = (255, 240, 200)
ACTIVE = (255, 224, 80)
INACTIVE = (90, 96, 110)
DEBUG = (255, 255, 0)


def add(fx):
    fx.node(HUD, position=(0, 0), dimensions=(800, 52))
    for name, position in (("stage", (80, 14)), ("score", (400, 8)), ("lives", (600, 14)), ("coins", (690, 14))):
        fx.node(HUD + "/" + name, color=TEXT_COLOUR, position=position)
        fx.font(HUD + "/" + name + "/font")
    fx.text(HUD + "/stage", "Stage %stage%")
    fx.image(HUD + "/life-image", 20, 18)
    fx.node(HUD + "/life-image", position=(560, 14))
    fx.image(HUD + "/coin-image", 18, 18)
    fx.node(HUD + "/coin-image", position=(660, 14))
    fx.image(HUD + "/level-progress", 300, 6)
    fx.node(HUD + "/level-progress", position=(250, 42))
    fx.node(HUD + "/word", position=(16, 12))
    fx.font(HUD + "/word/font")
    fx.node(HUD + "/word/active-color", color=ACTIVE)
    fx.node(HUD + "/word/inactive-color", color=INACTIVE)
    fx.node(HUD + "/menu", position=(676, 12), type="box", text_path="menu")
    fx.text("menu/buttons/menu", "Menu")

    fx.node("menu/game/text_colors/debug", color=DEBUG)
    fx.text("menu/bonus_word", "ZELKO")
    add_play(fx)


# ---- levels the game screen plays (their art is in playart.py):
# data/levels-play with one level of two sub-levels whose way and contour
# files are written in the object-stream form.

import math
import struct

PLAY = "data/levels-play"
WAY_SETTINGS = ('<speeds_sequences speed_roll_out="200;200;400" speed_roll_in="0;300;500" speed_forward="0;45;200"'
                ' speed_backward="0;60;-250" speed_go_back="0;100;-200" speed_bonus_slowing="0;20;150"'
                ' speed_bonus_go_back="0;120;-300" speed_zelkor_region="0;100;200" roll_out_braking="-300"/>')


def stream(body):
    """An object stream of the game: the header, then the records."""
    return b"orvek::io::Stream" + struct.pack("<I", 2) + body


def geometry(points):
    """A way record in authoring units: draw order 7, open, no link; start mark on the
    first point, finish mark on the one before the last, no explosion mark."""
    out = struct.pack("<BI", 0, len(points))
    for x, y in points:
        out += struct.pack("<BffiBi", 0, x, y, 7, 1, -1)
    marks = [(0, points[0]), (len(points) - 2, points[-1]), (-1, (0.0, 0.0))]
    for index, (x, y) in marks:
        out += struct.pack("<iff", index, x, y)
    return out


WAYS = [[(-38.4, 179.2), (1062.4, 179.2), (1062.4, 384.0), (-38.4, 384.0)],
        [(1062.4, 512.0), (-38.4, 512.0), (-38.4, 601.6), (1024.0, 768.0)]]
CONTOUR = [((400.0 - 540.0 * math.cos(math.pi * i / 24)) * 1.28, (560.0 - 540.0 * math.sin(math.pi * i / 24)) * 1.28)
           for i in range(25)]


def level(fx, folder=PLAY, subs=("play_1", "play_2"), way_files=True, colours="red, green", complete=40):
    listed = " ".join('sub-level%d-file="%s.xml"' % (i, s) for i, s in enumerate(subs))
    fx.file(folder + "/play/level_description.xml",
            ('<?xml version="1.0" encoding="windows-1251"?>\n<level-file>\n  <level id="play">\n'
             '    <sub-levels %s/>\n  </level>\n</level-file>\n' % listed).encode("cp1251"))
    ways = "".join('<way%d_settings sequences_size="14" sequences_uniformity="2" sequences_dtime="9"'
                   ' bonus_increment_for_seqs="0" path_roll_out="128" path_for_next_sequence="192">%s'
                   '</way%d_settings>\n' % (i, WAY_SETTINGS, i) for i in range(2))
    for s in subs:
        fx.file(folder + "/play/%s.xml" % s, (
            '<?xml version="1.0" encoding="windows-1251"?>\n<sub-level-file>\n'
            '<sub-level id="%s" graphics_settings="%s.gfx.xml">\n'
            '<settings storage="3" num_balls_for_bonus_min="2" num_balls_for_bonus_max="4"'
            ' num_balls_for_coin_min="5" num_balls_for_coin_max="8" num_conis_for_life="3"'
            ' num_balls_for_complete_level="%d" time_block_shoot="0.3" num_ways="2">\n'
            '<sequence colors="%s"/>\n<contour_settings speed="0;128;256"/>\n%s'
            '</settings>\n</sub-level>\n</sub-level-file>\n' % (s, s, complete, colours, ways)).encode("cp1251"))
        fx.file(folder + "/GraphicsSettings/%s.gfx.xml" % s, (
            '<?xml version="1.0" encoding="windows-1251"?>\n<graphics>\n<sub-level>\n'
            '<settings background-image="play_back" desktop_lx="800" desktop_ly="600">\n'
            '<frame file="frame_play.xml"/>\n<way file="ways/%s.way"/>\n<contour file="ways/%s.contour"/>\n'
            '<platform position_y="500" limit_left="60" limit_right="740"/>\n</settings>\n'
            '</sub-level>\n</graphics>\n' % (s, s)).encode("cp1251"))
        if not way_files:
            continue
        fx.file("data/ways/%s.way" % s,
                stream(struct.pack("<BI", 0, len(WAYS)) + b"".join(geometry(w) for w in WAYS)))
        fx.file("data/ways/%s.contour" % s, stream(struct.pack("<B", 0) + geometry(CONTOUR)))
    fx.file(folder + "/GraphicsSettings/frame_play.xml",
            b'<?xml version="1.0" encoding="windows-1251"?>\n<frame><sub-level><sprites/></sub-level></frame>\n')
    fx.file("data/Gui/Backgrounds/play_back.png", fx.flat_png(200, 150, (40, 60, 90, 255)))


def add_play(fx):
    level(fx)
    # The same level whose way file is missing: its start fails.
    level(fx, "data/levels-noway", ("noway_1",), False)
    # One colour: every ball that hits a chain makes a run that vanishes.
    level(fx, "data/levels-mono", ("mono_1", "mono_2"), True, "red")
    # A mission too long to be won: left alone, a chain reaches its end.
    level(fx, "data/levels-long", ("long_1",), True, "red, green", 100000)


