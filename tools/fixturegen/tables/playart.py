"""The play field's art at the game's sizes, for the game tests and the frame
benchmark (the medal trail's star is in medals.py): balls
of 32x32 in 16 rotation cels, bonuses, shadows, the platform, effect stars,
the renderers' fonts and skin nodes, a field background and scene sprites
under data/Gui/."""

COLOURS = ["red", "green", "blue", "yellow", "black", "grey", "purple", "white"]
BONUSES = ["wild_ball", "slowing", "go_back", "stop", "bomb", "lightning", "pull_in", "intensifier", "progress",
           "coin", "aiming_hit", "sequence_acceleration"] + ["jewel%d" % i for i in range(3)] + \
          ["letter_%d" % i for i in range(6)]
STARS = ["star_tail", "star_shining", "catch_bonus_star_small", "catch_bonus_star_big", "explosion_center_star",
         "explosion_star0", "explosion_star1", "intensify_effect", "roll_in_center_star", "roll_in_star0",
         "roll_in_star1", "effect_level_complete", "effect_level_complete_explosion_star0",
         "effect_level_complete_explosion_star1", "effect_head_and_tail_destroing_star0",
         "effect_head_and_tail_destroing_star1"]

# The field background, drawn at (14, 10), and the scene's sprites.
FIELD = (772, 580)
SPRITES = [("bench_rock", 96, 64), ("bench_bush", 64, 48)]
FRAME = ("bench_frame", 800, 40)


def ball(fx, id, cels=16, size=32):
    fx.image(id, size * cels, size, cols=cels, disc=True)


def add(fx):
    for c in COLOURS:
        ball(fx, "ball-" + c)
        ball(fx, "colorbomb-" + c)
        fx.image("platform_ball_" + c, 16, 16, disc=True)
        fx.image("consuming_" + c, 32 * 8, 32, cols=8, disc=True)
    ball(fx, "ball-wild", cels=8)
    fx.image("wild_ball_stars", 48 * 8, 48, cols=8, disc=True)
    fx.image("consuming_wild", 32 * 8, 32, cols=8, disc=True)
    for k in ["bomb", "lightning", "aiming_hit"]:
        ball(fx, "ball-" + k)
        ball(fx, "ball-" + k + "_intensive")
    for k in ["wild", "bomb", "lightning", "aiming_hit"]:
        fx.image("platform_ball_" + k, 16, 16, disc=True)
    fx.image("ball_glowing_active", 48 * 4, 48, cols=4, disc=True)
    fx.image("ball_glowing_passive", 48 * 4, 48, cols=4, disc=True)
    fx.image("ball_shadow", 32, 32, disc=True)
    fx.image("colorbomb_shadow", 32, 32, disc=True)
    fx.image("platform", 96, 48)
    fx.image("platform_shadow", 96, 48)
    for i in range(3):
        fx.image("platform_lightning%d" % i, 64 * 4, 16, cols=4)
    for b in BONUSES:
        ball(fx, b)
        fx.image(b + "_shadow", 32, 32, disc=True)
    for i in range(3):
        fx.image("jewel%d_glowing" % i, 48 * 4, 48, cols=4, disc=True)
    for s in STARS:
        fx.image(s, 16 * 4, 16, cols=4, disc=True)
    fx.image("zelkor_head", 32, 32, disc=True)
    fx.image("zelkor_tail", 32, 32, disc=True)
    fx.image("door", 64 * 8, 64, cols=8, disc=True)
    fx.image("lift", 32, 48)
    fx.image("lightning_effect", 32, 64)
    fx.image("lightning_intensive_effect", 32, 64)
    for font in ["BonusName", "level_complete_effect_points", "DebugFont", "Points"]:
        fx.font(font, node=False)

    g = "menu/game"
    fx.node(g + "/platform_shadow", offset=(3, 4))
    fx.node(g + "/ball_shadow", offset=(2, 2))
    fx.node(g + "/background_shift", offset=(0, 0))
    fx.node(g + "/platform_lightnings", dtime_min=0.5, dtime_max=1.5, num_lightnings=3)
    for i, x in enumerate([10, 40, 70]):
        fx.node(g + "/platform_lightnings/lightning%d" % i, time=0.4, offset=(x, 0))
    fx.node(g + "/text_colors/bonus_catch", color=(255, 255, 0))
    fx.node(g + "/text_colors/level_complete_effect_points", color=(0, 255, 255))

    w, h = FIELD
    fx.file("data/Gui/Backgrounds/bench_field.png",
            fx.png(w, h, lambda x, y: (40 + (x * 7 // w) * 20, 60 + (y * 5 // h) * 20, 90, 255)))
    for name, sw, sh in SPRITES:
        fx.file("data/Gui/Sprites/%s.png" % name,
                fx.png(sw, sh, lambda x, y: (255, 255, 255, 255) if (x // 8 + y // 8) % 2 else (120, 90, 60, 200)))
    name, fw, fh = FRAME
    fx.file("data/Gui/Sprites/%s.png" % name,
            fx.png(fw, fh, lambda x, y: (30, 30, 50, 255) if y < 10 else (30, 30, 50, 255 - (y - 10) * 8)))
