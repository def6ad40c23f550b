"""The game's reactions to its actions: one short sound per game sound name
(each its own length), the points pop-up's font and line texts, the ball
colours' text colours, the bonus-name and level-complete texts' fonts and
colours (the effects' art is in playart.py)."""
import struct

SOUNDS = ["shoot", "ball_consuming", "catch_bonus", "sequence_roll_in_complete", "lightning",
          "lightning_intensive", "intensify", "ballfree_hit", "bomb", "bomb_intensive",
          "sequences_connection", "complete_effect", "complete_effect_start", "aiming_hit",
          "aiming_hit_intensive", "medal_start_fly", "medal_arrive", "sequence_roll"]

POINTS = {"chain": "Chain", "combo": "Combo", "indirect": "Indirect", "sniper_shot": "Sniper",
          "high-speed": "Speed"}

# Index 1..9 of the ball colours, then the two texts' own colours.
TEXT_COLOURS = {"red": (255, 0, 0), "green": (0, 255, 0), "blue": (0, 0, 255), "yellow": (255, 255, 0),
                "black": (0, 0, 0), "grey": (128, 128, 128), "purple": (128, 0, 128),
                "white": (255, 255, 255), "wild": (255, 128, 0),
                "bonus_catch": (255, 255, 0), "level_complete_effect_points": (0, 255, 255)}



def wav(frames):
    """A mono 16-bit 22050 Hz square wave."""
    data = b"".join(struct.pack("<h", 0x1000 if (i // 8) % 2 else -0x1000) for i in range(frames))
    fmt = struct.pack("<HHIIHH", 1, 1, 22050, 44100, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def add(fx):
    for i, name in enumerate(SOUNDS):
        fx.file("data/sounds/game/%s.wav" % name, wav(64 + i))
        fx.skin.set("menu/game/sounds/" + name, "path", "sounds/game/%s.wav" % name, fx.module)
    for font in ("Points", "BonusName", "level_complete_effect_points"):
        fx.font(font)
    for key, text in POINTS.items():
        fx.text("menu/points/" + key, text)
    for name, colour in TEXT_COLOURS.items():
        fx.node("menu/game/text_colors/" + name, color=colour)
