"""The heads-up display of the game screen and the debug overlay's font and colour."""

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

    fx.font("DebugFont")
    fx.node("menu/game/text_colors/debug", color=DEBUG)
