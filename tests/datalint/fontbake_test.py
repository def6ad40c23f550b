#!/usr/bin/python3
"""The font baker gives the same sheets and descriptors on every run.

    fontbake_test.py <fontbake>
"""
import filecmp
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
BAKER = None


class Reproducible(unittest.TestCase):
    def test_two_bakes_give_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as tmp:
            outs = []
            for run in ("a", "b"):
                out = os.path.join(tmp, run, "fonts")
                subprocess.run([sys.executable, os.path.join(ROOT, "tools", "fontbake", "fonts.py"), BAKER,
                                os.path.join(ROOT, "data", "fonts", "fonts.toml"), "/usr/share/fonts/truetype/dejavu",
                                out], check=True)
                outs.append(out)
            names = sorted(os.listdir(outs[0]))
            self.assertEqual(names, sorted(os.listdir(outs[1])))
            self.assertIn("mono-11.metrics", names)
            self.assertIn("sans-bold-20s.font", names)
            _, mismatch, errors = filecmp.cmpfiles(outs[0], outs[1], names, shallow=False)
            self.assertEqual((mismatch, errors), ([], []))
            self.assertTrue(os.path.exists(os.path.join(tmp, "a", "LICENSE-DejaVu.txt")))

    def test_a_face_without_the_file_fails_naming_it(self):
        with tempfile.TemporaryDirectory() as tmp:
            r = subprocess.run([BAKER, os.path.join(tmp, "none.ttf"), "12", os.path.join(tmp, "x.png")],
                               capture_output=True, text=True)
            self.assertNotEqual(r.returncode, 0)
            self.assertIn("none.ttf", r.stderr)


if __name__ == "__main__":
    BAKER = sys.argv.pop(1)
    unittest.main()
