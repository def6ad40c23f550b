#!/usr/bin/python3
"""The generators give the same bytes on every run, and refuse bad sources."""
import filecmp
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
PY = sys.executable


def tool(*parts):
    return os.path.join(ROOT, "tools", *parts)


def same_trees(a, b):
    cmp = filecmp.dircmp(a, b)
    stack = [cmp]
    while stack:
        c = stack.pop()
        if c.left_only or c.right_only:
            return False
        _, mismatch, errors = filecmp.cmpfiles(c.left, c.right, c.common_files, shallow=False)
        if mismatch or errors:
            return False
        stack.extend(c.subdirs.values())
    return True


class Reproducible(unittest.TestCase):
    def run_twice(self, make):
        with tempfile.TemporaryDirectory() as tmp:
            outs = []
            for n in ("a", "b"):
                out = os.path.join(tmp, n)
                make(out, os.path.join(tmp, n + "-work"))
                outs.append(out)
            self.assertTrue(same_trees(*outs))

    def test_levels(self):
        self.run_twice(lambda out, work: subprocess.run(
            [PY, tool("levelgen", "levelgen.py"), os.path.join(ROOT, "data", "levels"), out, out + "/ways"],
            check=True))

    def test_sounds(self):
        self.run_twice(lambda out, work: subprocess.run(
            [PY, tool("soundgen", "soundgen.py"), os.path.join(ROOT, "data", "sounds", "recipes.toml"), out, work],
            check=True))

    def test_music(self):
        with tempfile.TemporaryDirectory() as tmp:
            score = os.path.join(tmp, "s.toml")
            with open(score, "w") as f:
                f.write('tempo = 120\nchords = ["Am", "-"]\nmelody = ["A4:2 C5:2", "r:4"]\ntail_seconds = 0.5\n')
            for n in ("a", "b"):
                subprocess.run([PY, tool("musicgen", "musicgen.py"), score, os.path.join(tmp, n + ".wav")], check=True)
            self.assertTrue(filecmp.cmp(os.path.join(tmp, "a.wav"), os.path.join(tmp, "b.wav"), shallow=False))

    def test_fixture(self):
        self.run_twice(lambda out, work: subprocess.run([PY, tool("fixturegen", "fixturegen.py"), out], check=True))


class BadSources(unittest.TestCase):
    def test_fixture_names_given_twice_differently_are_refused(self):
        sys.dont_write_bytecode = True
        sys.path.insert(0, tool("fixturegen"))
        import fixturegen
        fx = fixturegen.Fixture()
        fx.module = "a.py"
        fx.node("menu/x", position=(1, 2))
        fx.image("menu/x/background", 4, 4)
        fx.module = "b.py"
        fx.node("menu/x", position=(1, 2))  # the same again is one entry
        with self.assertRaisesRegex(fixturegen.FixtureError, r"menu/x/@position: '1,2' from a.py, '3,4' from b.py"):
            fx.node("menu/x", position=(3, 4))
        with self.assertRaisesRegex(fixturegen.FixtureError, "resource menu/x/background"):
            fx.image("menu/x/background", 4, 4, group="Other")
        with self.assertRaisesRegex(fixturegen.FixtureError, "must be menu/"):
            fx.text("other/x", "t")

    def test_music_bar_of_wrong_length_is_refused(self):
        with tempfile.TemporaryDirectory() as tmp:
            score = os.path.join(tmp, "s.toml")
            with open(score, "w") as f:
                f.write('tempo = 120\nchords = ["Am"]\nmelody = ["A4:3"]\n')
            res = subprocess.run([PY, tool("musicgen", "musicgen.py"), score, os.path.join(tmp, "o.wav")],
                                 capture_output=True, text=True)
            self.assertEqual(res.returncode, 1)
            self.assertIn("bar 1 of the melody holds 3 beats", res.stderr)

    def test_clipping_sound_is_refused(self):
        with tempfile.TemporaryDirectory() as tmp:
            recipes = os.path.join(tmp, "r.toml")
            with open(recipes, "w") as f:
                f.write('[game.loud]\neffects = "synth 0.1 sine 440 gain 12"\nnorm = -1\n')
            res = subprocess.run([PY, tool("soundgen", "soundgen.py"), recipes, tmp + "/out", tmp + "/work"],
                                 capture_output=True, text=True)
            self.assertEqual(res.returncode, 1)
            self.assertIn("clipped", res.stderr)


if __name__ == "__main__":
    unittest.main()
