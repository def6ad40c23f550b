"""The statistics dialog ("menu/mission-complete" with the texts of
"menu/stats-screen") and the help page with its check box and effects: two
static ones, and movable ones that spawn on the spot, never, and with a run
shorter than half a second."""

STATES = ["normal", "active", "selected", "disabled"]
CHECK_STATES = STATES + ["checked-" + s for s in STATES]

STATS_TEXTS = {
    "statistics": "Statistics", "type": "Result", "your": "Yours", "best": "Best",
    "score": "Score", "chains_number": "Chains", "combos_number": "Combos", "indirect_number": "Rebounds",
    "sniper_number": "Sniper", "coins_number": "Coins", "words_number": "Words", "chain_max": "Longest chain",
    "combo_max": "Biggest combo", "indirect_max": "Longest rebound", "lifes_expend": "Lives lost",
    "time_expend": "Time",
}

# Movable effects: position, quantity, random dispersion, play time, speed y.
MOVABLE = [
    ((300, 200), 3, 0, 1.0, -30),
    ((400, 300), 0, 20, 1.0, 0),
    ((200, 150), 2, 40, 0.2, 10),
]


def add(fx):
    mc = "menu/mission-complete"
    fx.screen(mc, 560, 440, background=True)
    fx.node(mc + "/ok", position=(220, 380), type="box", text_path="ok")
    fx.node(mc + "/game-stage", color=(255, 224, 120), position=(0, 24))
    fx.font(mc + "/game-stage/font")
    fx.node(mc + "/titles", color=(200, 210, 230), position=(40, 80))
    fx.font(mc + "/titles/font")
    fx.node(mc + "/table", color=(232, 236, 244), position=(40, 110), string_height=20, column1=300,
            column2=420, tooltip_width=100)
    fx.font(mc + "/table/font")
    for key, text in STATS_TEXTS.items():
        fx.text("menu/stats-screen/" + key, text)
    fx.text(mc + "/game-stage-complete", "Stage %stage% complete")
    fx.text(mc + "/game-stage", "Stage %stage%")

    hp = "menu/help"
    fx.screen(hp, 600, 400, background=True)
    fx.node(hp, static_effects_size=2, movable_effects_size=len(MOVABLE))
    fx.node(hp + "/ok", position=(460, 340), type="box", text_path="ok")
    fx.node(hp + "/show-again", position=(40, 350), dimensions=(28, 28))
    for state in CHECK_STATES:
        fx.image(hp + "/show-again/" + state, 28, 28)
    for n, (position, play_time, start_time) in enumerate((((20, 20), 1.0, 0.5), ((100, 20), 0.4, 0))):
        path = hp + "/static_effect%d" % n
        fx.node(path, position=position, play_time=play_time, start_time=start_time)
        fx.image(path, 32, 32)
    for n, (position, quantity, dispersion, play_time, speed_y) in enumerate(MOVABLE):
        path = hp + "/movable_effect%d" % n
        fx.node(path, position=position, quantity=quantity, random_dispersion=dispersion, play_time=play_time,
                speed_y=speed_y)
        fx.image(path, 16, 16)
