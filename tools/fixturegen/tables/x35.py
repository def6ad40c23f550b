"""A level the real-window medal test wins with one hit, and the norm that turns
a first completed sub-level into a medal."""
import importlib.util
import os


def _hud():
    """The play levels' writer of hud.py, loaded as the generator loads tables."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hud.py")
    spec = importlib.util.spec_from_file_location("fixture_table_hud_for_x35", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def add(fx):
    # One colour, won by the first ball consumed; two sub-levels, so the win
    # is not the campaign's last and the map comes back after the statistics.
    _hud().level(fx, "data/levels-x35", ("x35_1", "x35_2"), True, "red", 1)
    fx.node("menu/trophy-room/medals/completing_sublevels/norm", value="1;2;3")
