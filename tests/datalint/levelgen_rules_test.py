#!/usr/bin/python3
"""levelgen refuses shapes that would break the game's way rules."""
import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "levelgen"))
import levelgen  # noqa: E402


def way(*pieces, crossings=()):
    return {"pieces": [{"type": "start", "at": [100, 100]}] + list(pieces), "crossings": list(crossings)}


class WayRules(unittest.TestCase):
    def test_good_way_has_entry_marks_and_hidden_run_out(self):
        points, finish = levelgen.build_way("t", way({"type": "line", "to": [400, 100]}))
        self.assertEqual(points[0][:2], [100, 100])
        self.assertEqual(points[finish][:2], [400, 100])
        self.assertTrue(all(p[2] == 100 and p[3] == 1 for p in points[:finish + 1]))
        run_out = points[finish + 1:]
        self.assertEqual(len(run_out), 5)
        self.assertTrue(all(p[2] == -1 and p[3] == 0 for p in run_out))
        self.assertAlmostEqual(run_out[-1][0], 430.0)

    def test_bad_shapes_are_refused_with_the_reason(self):
        cases = [
            ("sharp corner", way({"type": "line", "to": [400, 100]}, {"type": "line", "to": [400, 300]}),
             "turns"),
            ("passes too close", {"pieces": [{"type": "start", "at": [210, 265]},
                                             {"type": "spiral", "c": [390, 265], "r": [180, 140],
                                              "turns": 2, "hand": "cw", "a0": 180}]},
             "apart on different passes"),
            ("outside the field", way({"type": "line", "to": [700, 100]}, {"type": "arc", "r": 40, "turn": -90},
                                      {"type": "line", "to": [740, 20]}), "outside the field"),
            ("unknown piece", way({"type": "zigzag"}), "unknown piece type"),
            ("gap between pieces", way({"type": "sine", "x": [300, 400], "y": 100, "amplitude": 5,
                                        "periods": 1}), "does not start where"),
        ]
        for name, w, says in cases:
            with self.subTest(name):
                with self.assertRaises(levelgen.LevelError) as caught:
                    levelgen.build_way("t", w)
                self.assertIn(says, str(caught.exception))

    def test_declared_crossing_allows_the_loop(self):
        loop = {"type": "trochoid", "origin": [100, 250], "a": 40, "b": 105, "t": [0.5, 2.9]}
        with self.assertRaises(levelgen.LevelError):
            levelgen.build_way("t", {"pieces": [{"type": "start", "at": [57.8, 250]}, loop]})
        levelgen.build_way("t", {"pieces": [{"type": "start", "at": [57.8, 250]}, loop],
                                 "crossings": [[351, 309]]})

    def test_no_segment_shorter_than_one_unit(self):
        points = [[100, 100, 100, 1, -1], [100.5, 100, 100, 1, -1], [200, 100, 100, 1, -1]]
        with self.assertRaises(levelgen.LevelError) as caught:
            levelgen.check_way("t", points, 2, [])
        self.assertIn("shorter than one unit", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
