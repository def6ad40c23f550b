"""Medals: the 72 medal pictures, the grid they rest in on the game screen,
the flight's appearance point, the count's font and colour, the trophy room
with one rectangle per medal and grade, and the tooltip texts, whose
placeholders show through so tests can read what was filled in."""

MEDALS = ["consume_red", "consume_grey", "consume_white", "chain", "knock_zelkor_red",
          "knock_zelkor_grey", "knock_zelkor_white", "sniper_shot_grey", "sniper_shot_red",
          "sniper_shot_white", "indirect", "combo", "jewels", "zelkors_destroying_sublevel",
          "zelkors_destroying_global", "zelkors_back_home", "play_time", "completing_sublevels",
          "catching_bonuses", "quick_complete_sublevels", "game_complete",
          "game_complete_without_continues", "game_complete_without_lost_life", "prize_place"]

MEDAL_SIZE = 40
GRID = dict(position=(600, 40), dimensions=(44, 44), num_at_row=4)
APPEARANCE = dict(position=(400, 300), speed=400, acceleration=0, scale_start=2, dtime_effect=0.05)
NUM_COLOUR = (0, 255, 0)
NUM_OFFSET = (2, 1)


def trophy_rect(kind, grade):
    """Four kinds a row, three grades side by side."""
    return (20 + (kind % 4) * 190 + grade * 46, 60 + (kind // 4) * 70)


def tooltip_texts(kind, name, grade):
    tag = "%s%d" % (name, grade)
    if name == "play_time":
        return "Got %s %%time%% %%curtime%%" % tag, "Need %s %%time%% %%curtime%%" % tag
    if name == "prize_place":
        return "Got %s [%%name%%]" % tag, "Need %s [%%name%%]" % tag
    if name.startswith("game_complete"):
        return "Got %s" % tag, "Need %s" % tag
    return "Got %s %%count%%" % tag, "Need %s %%count%%" % tag


def add(fx):
    for kind, name in enumerate(MEDALS):
        for grade in range(3):
            fx.image("menu/game/medals/%s%d" % (name, grade), MEDAL_SIZE, MEDAL_SIZE)
    fx.image("effect_medal", 8, 4)
    fx.node("menu/game/medals/game-screen", **GRID)
    fx.font("menu/game/medals/font")

    tr = "menu/trophy-room"
    fx.screen(tr, background=True)
    fx.node(tr + "/ok", position=(340, 540), type="box", text_path="ok")
    fx.node(tr + "/medals/appearance_in_game", **APPEARANCE)
    fx.node(tr + "/medals/num", color=NUM_COLOUR, offset=NUM_OFFSET)
    for kind, name in enumerate(MEDALS):
        for grade in range(3):
            fx.node("%s/medals/%s/level%d" % (tr, name, grade), position=trophy_rect(kind, grade),
                    dimensions=(MEDAL_SIZE, MEDAL_SIZE))
            exist, not_exist = tooltip_texts(kind, name, grade)
            fx.text_attrs("%s/medals/%s%d" % (tr, name, grade), exist=exist, not_exist=not_exist)
