"""A level the scripted games play: data/levels-xplay, one level of two sub-levels
on one way with one colour. A way holds one chain at a time (the next is released
only when it is gone), so chains never meet: balls go only when a shot hits a
chain, and then the whole one-colour chain goes. Left alone, the chain reaches
its end and costs a life. It borrows the play level's art and the object-stream
writers from the heads-up display's table."""

import struct


FOLDER = "data/levels-xplay"
SUBS = ("xplay_1", "xplay_2")
# Faster than the play level's, so a chain left alone ends in seconds.
SPEEDS = ('<speeds_sequences speed_roll_out="300;300;400" speed_roll_in="0;300;500" speed_forward="0;160;300"'
          ' speed_backward="0;60;-250" speed_go_back="0;100;-200" speed_bonus_slowing="0;20;150"'
          ' speed_bonus_go_back="0;120;-300" speed_zelkor_region="0;100;200" roll_out_braking="-300"/>')
# Across the top, down the right side and back across the middle, in
# authoring units (1024 wide): shots from the platform meet it anywhere.
WAY = [(-38.4, 179.2), (1062.4, 179.2), (1062.4, 384.0), (-38.4, 384.0)]
CHAIN = 8
COMPLETE = 24  # three chains shot away


def add(fx):
    hud = fx.table("hud")
    listed = " ".join('sub-level%d-file="%s.xml"' % (i, s) for i, s in enumerate(SUBS))
    fx.file(FOLDER + "/xplay/level_description.xml",
            ('<?xml version="1.0" encoding="windows-1251"?>\n<level-file>\n  <level id="xplay">\n'
             '    <sub-levels %s/>\n  </level>\n</level-file>\n' % listed).encode("cp1251"))
    for s in SUBS:
        # The next chain waits for a path longer than the way and a time
        # longer than any run: it comes only when the way is empty.
        fx.file(FOLDER + "/xplay/%s.xml" % s, (
            '<?xml version="1.0" encoding="windows-1251"?>\n<sub-level-file>\n'
            '<sub-level id="%s" graphics_settings="%s.gfx.xml">\n'
            '<settings storage="3" num_balls_for_bonus_min="2" num_balls_for_bonus_max="4"'
            ' num_balls_for_coin_min="5" num_balls_for_coin_max="8" num_conis_for_life="3"'
            ' num_balls_for_complete_level="%d" time_block_shoot="0.3" num_ways="1">\n'
            '<sequence colors="red"/>\n<contour_settings speed="0;128;256"/>\n'
            '<way0_settings sequences_size="%d" sequences_uniformity="1" sequences_dtime="100000"'
            ' bonus_increment_for_seqs="0" path_roll_out="128" path_for_next_sequence="100000">%s'
            '</way0_settings>\n</settings>\n</sub-level>\n</sub-level-file>\n'
            % (s, s, COMPLETE, CHAIN, SPEEDS)).encode("cp1251"))
        fx.file(FOLDER + "/GraphicsSettings/%s.gfx.xml" % s, (
            '<?xml version="1.0" encoding="windows-1251"?>\n<graphics>\n<sub-level>\n'
            '<settings background-image="xplay_back" desktop_lx="800" desktop_ly="600">\n'
            '<frame file="frame_xplay.xml"/>\n<way file="ways/%s.way"/>\n<contour file="ways/%s.contour"/>\n'
            '<platform position_y="500" limit_left="60" limit_right="740"/>\n</settings>\n'
            '</sub-level>\n</graphics>\n' % (s, s)).encode("cp1251"))
        fx.file("data/ways/%s.way" % s, hud.stream(struct.pack("<BI", 0, 1) + hud.geometry(WAY)))
        fx.file("data/ways/%s.contour" % s, hud.stream(struct.pack("<B", 0) + hud.geometry(hud.CONTOUR)))
    # A background over the whole field, as a shipped level has: the field
    # is drawn afresh each frame, so nothing moving leaves a trail.
    fx.file("data/Gui/Backgrounds/xplay_back.png", fx.flat_png(800, 600, (17, 83, 47, 255)))
    fx.file(FOLDER + "/GraphicsSettings/frame_xplay.xml",
            b'<?xml version="1.0" encoding="windows-1251"?>\n<frame><sub-level><sprites/></sub-level></frame>\n')
