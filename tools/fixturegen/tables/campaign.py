"""The campaign map: its three text buttons, a button for each of four
levels and each of their two sub-levels with every image the map draws,
the tooltip texts, and a level set of four levels of two sub-levels as
data/levels-campaign (descriptions only: no way or contour file is read)."""

LEVELS = 4
SUB_LEVELS = 2

LEVEL_SIZE = (150, 80)
SUB_SIZE = (50, 50)


def level_origin(i):
    return (20 + 195 * i, 60)


def sub_origin(i, j):
    return (30 + 195 * i + 70 * j, 200)


def level_files(fx, folder, i):
    level_id = "camp%d" % (i + 1)
    subs = " ".join('sub-level%d-file="%s_%d.xml"' % (j, level_id, j + 1) for j in range(SUB_LEVELS))
    fx.file("%s/%s/level_description.xml" % (folder, level_id),
            ('<?xml version="1.0" encoding="windows-1251"?>\n<level-file>\n  <level id="%s">\n'
             '    <sub-levels %s/>\n  </level>\n</level-file>\n' % (level_id, subs)).encode("cp1251"))
    for j in range(SUB_LEVELS):
        sub_id = "%s-%d" % (level_id, j + 1)
        fx.file("%s/%s/%s_%d.xml" % (folder, level_id, level_id, j + 1),
                ('<?xml version="1.0" encoding="windows-1251"?>\n<sub-level-file>\n'
                 '  <sub-level id="%s" graphics_settings="map.gfx.xml">\n'
                 '    <settings storage="5" num_ways="1">\n'
                 '      <sequence colors="red, green"/>\n'
                 '      <way0_settings sequences_size="8"/>\n'
                 '    </settings>\n  </sub-level>\n</sub-level-file>\n' % sub_id).encode("cp1251"))


def add(fx):
    c = "menu/campaign"
    fx.screen(c, background=True)
    for name, x in (("start", 50), ("back", 300), ("stats", 550)):
        fx.node(c + "/" + name, position=(x, 540), type="box", text_path=name)
    fx.text("menu/buttons/start", "Start")
    fx.text("menu/buttons/back", "Back")
    fx.text("menu/buttons/stats", "Stats")
    fx.text(c + "/your", "Yours")
    fx.text(c + "/best", "Best")

    for i in range(LEVELS):
        p = "%s/level-button/stage%d" % (c, i)
        at = level_origin(i)
        fx.node(p, position=at, dimensions=LEVEL_SIZE)
        fx.node(p + "/image", position=at, shine_dynamic_play_time=1.0)
        fx.image(p + "/light_on", *LEVEL_SIZE)
        # The shines are strips along the top, so the light shows below them.
        fx.image(p + "/shine_static", LEVEL_SIZE[0], 10)
        fx.image(p + "/shine_dynamic", LEVEL_SIZE[0], 6)
        for j in range(SUB_LEVELS):
            s = "%s/sublevel-button/stage%d-%d" % (c, i, j)
            x, y = sub_origin(i, j)
            fx.node(s, position=(x, y), dimensions=SUB_SIZE)
            fx.node(s + "/image", position=(x, y), shine_dynamic_play_time=1.0)
            fx.node(s + "/animation", position=(x, y + 45), play_time=1.2)
            fx.image(s + "/image", *SUB_SIZE)
            fx.image(s + "/image_record", *SUB_SIZE)
            fx.image(s + "/shine_static", SUB_SIZE[0], 8)
            fx.image(s + "/shine_dynamic", SUB_SIZE[0], 4)
            fx.image(s + "/animation", SUB_SIZE[0], 5)

    folder = "data/levels-campaign"
    for i in range(LEVELS):
        level_files(fx, folder, i)
    gfx = folder + "/GraphicsSettings"
    fx.file(gfx + "/map.gfx.xml",
            b'<?xml version="1.0" encoding="windows-1251"?>\n<graphics>\n  <sub-level>\n'
            b'    <settings background-image="map_back" desktop_lx="800" desktop_ly="600">\n'
            b'      <frame file="map_frame.xml"/>\n      <way file="map.way"/>\n'
            b'      <contour file="map.contour"/>\n    </settings>\n  </sub-level>\n</graphics>\n')
    fx.file(gfx + "/map_frame.xml",
            b'<?xml version="1.0" encoding="windows-1251"?>\n<frame>\n  <sub-level>\n'
            b'    <settings background-image="none"/>\n  </sub-level>\n</frame>\n')
    # The same graphics with no level at all.
    fx.file("data/levels-none/GraphicsSettings/map.gfx.xml", b"<graphics/>\n")
