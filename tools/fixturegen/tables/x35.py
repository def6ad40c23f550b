"""A level the real-window medal test wins with one hit, and the norm that turns
a first completed sub-level into a medal."""


def add(fx):
    # One colour, won by the first ball consumed; two sub-levels, so the win
    # is not the campaign's last and the map comes back after the statistics.
    fx.table("hud").level(fx, "data/levels-x35", ("x35_1", "x35_2"), True, "red", 1)
    fx.node("menu/trophy-room/medals/completing_sublevels/norm", value="1;2;3")
