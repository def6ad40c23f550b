"""The menus: the best-results table with its two default entries, and the
credits picture with its button."""

NAME_COLOUR = (255, 255, 0)
SCORE_COLOUR = (0, 255, 255)


def add(fx):
    br = "menu/best-results"
    fx.screen(br, background=True)
    fx.node(br + "/cancel", position=(600, 540), type="box", text_path="cancel")
    fx.node(br + "/clear", position=(80, 540), type="box", text_path="clear")
    fx.text("menu/buttons/clear", "Clear")
    fx.node(br + "/name", position=(100, 100), offset=(0, 40), color=NAME_COLOUR)
    fx.font(br + "/name/font")
    fx.node(br + "/score", position=(500, 100), offset=(0, 40), color=SCORE_COLOUR)
    fx.font(br + "/score/font")
    fx.node(br + "/game-stage", position=(650, 100), offset=(0, 40))
    for i, (name, score) in enumerate((("Mira", 5000), ("Tomo", 2500)), 1):
        fx.node(br + "/default/player%d" % i, score=score)
        fx.text(br + "/default/player%d" % i, name)

    cr = "menu/credits"
    fx.screen(cr, background=True)
    fx.node(cr + "/ok", position=(340, 540), type="box", text_path="ok")

    # The game screen's section: the whole window.
    fx.screen("menu/game")
