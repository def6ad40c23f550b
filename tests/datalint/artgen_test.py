#!/usr/bin/python3
"""The picture generator: its catalogue rules, the same bytes on every run,
placeholders that keep every size and cel, and a tree that holds exactly
what the chosen set names."""
import os
import re
import struct
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(ROOT, "tools", "artgen"))
import artgen  # noqa: E402
import catalog  # noqa: E402

CATALOG = os.path.join(ROOT, "data", "art", "catalog.toml")
FONTS = os.path.join(ROOT, "data", "fonts", "fonts.toml")


def png_header(path):
    with open(path, "rb") as f:
        head = f.read(33)
    assert head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR", path
    return struct.unpack(">IIBBBBB", head[16:29])


def write(path, text):
    with open(path, "w", encoding="ascii") as f:
        f.write(text)


ENTRY = """
[[image]]
%s
family = "%s"
cel = [%d, %d]
rows = %d
cols = %d
required = %s
"""


class Catalogue(unittest.TestCase):
    def test_shipped_catalogue_is_consistent(self):
        pics = catalog.load(CATALOG)
        ids = [i for p in pics for i in p.ids]
        self.assertEqual(len(ids), len(set(ids)))
        for p in pics:
            self.assertIn(p.family, artgen.families.FAMILIES, p.file)
            self.assertEqual(p.file, p.file.strip())
            if p.manifest:
                self.assertTrue(p.file.startswith("images/") and p.file == p.file.lower(), p.file)
            w, h = p.size
            self.assertLessEqual(max(w, h), 2048, p.file)
        # Several ids behind one file load it once: the bonus shadows share one.
        shadow = [p for p in pics if p.file == "images/game/bonuses/shadow.png"]
        self.assertEqual(len(shadow[0].ids), 21)
        self.assertEqual(sum(1 for p in pics if p.file.startswith("images/medals/")), 72)

    def test_bad_catalogues_are_refused_naming_the_entry(self):
        cases = [
            (ENTRY % ('id = "a"\nfile = "images/a.png"', "ball", 8, 8, 1, 1, "true")
             + ENTRY % ('id = "b"\nfile = "images/a.png"', "ball", 8, 8, 1, 2, "true"),
             "images/a.png is shared"),
            (ENTRY % ('id = "a"\nfile = "images/a.png"', "ball", 8, 8, 1, 1, "true")
             + ENTRY % ('id = "a"\nfile = "images/b.png"', "ball", 8, 8, 1, 1, "true"),
             "id a is given to both"),
            (ENTRY % ('id = "a"\nfile = "images/a.png"', "ball", 8, 8, 0, 1, "true"), "rows and cols"),
            (ENTRY % ('id = "x-{c}"\nfile = "images/{c}.png"\neach = { c = "nope" }', "ball", 8, 8, 1, 1, "true"),
             "no list named nope"),
            (ENTRY % ('id = "a"\nfile = "images/A.png"', "ball", 8, 8, 1, 1, "true")
             + ENTRY % ('id = "b"\nfile = "images/a.png"', "ball", 8, 8, 1, 1, "true"),
             "differ only in case"),
            (ENTRY % ('file = "images/a.png"', "ball", 8, 8, 1, 1, "true"), "needs an id"),
        ]
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "catalog.toml")
            for text, message in cases:
                write(path, text)
                with self.assertRaises(catalog.CatalogError) as cm:
                    catalog.load(path)
                self.assertIn(message, str(cm.exception))


class Drawing(unittest.TestCase):
    def test_every_family_draws_the_same_bytes_twice_at_its_size(self):
        # One picture of each family, and its placeholder, drawn twice.
        seen, chosen = set(), []
        for p in catalog.load(CATALOG):
            if p.family not in seen:
                seen.add(p.family)
                chosen.append(p)
        with tempfile.TemporaryDirectory() as tmp:
            for p in chosen:
                for placeholder in (False, True):
                    outs = []
                    for run in ("a", "b"):
                        svg = os.path.join(tmp, run + ".svg")
                        write(svg, artgen.sheet_svg(p, placeholder))
                        png = os.path.join(tmp, run + ".png")
                        artgen.render(svg, png)
                        with open(png, "rb") as f:
                            outs.append(f.read())
                    self.assertEqual(outs[0], outs[1], p.file)
                    w, h, depth, colour, _, _, interlace = png_header(png)
                    self.assertEqual((w, h), p.size, p.file)
                    self.assertEqual((depth, interlace), (8, 0), p.file)
                    self.assertIn(colour, (2, 6), p.file)  # RGB only when every pixel is opaque

    def test_manifest_lists_every_id_with_its_cels_and_every_font(self):
        pics = catalog.load(CATALOG)
        text = artgen.manifest_text(pics, artgen.font_entries(FONTS))
        self.assertEqual(text, artgen.manifest_text(catalog.load(CATALOG), artgen.font_entries(FONTS)))
        images = dict(re.findall(r'<Image id="([^"]+)" path="([^"]+)" rows="\d+" cols="\d+"/>', text))
        self.assertEqual(len(images), sum(len(p.ids) for p in pics if p.manifest))
        self.assertIn('<Image id="ball-red" path="images/game/balls/ball-red.png" rows="4" cols="4"/>', text)
        self.assertIn('<Font id="DebugFont" path="mono-11.metrics" image="data/fonts/mono-11.png"/>', text)
        self.assertIn('<Font id="Points" path="sans-bold-16s.font"/>', text)
        # Every SetDefaults carries both attributes; nothing asks for no palette.
        for m in re.findall(r"<SetDefaults[^>]*>", text):
            self.assertIn('path="', m)
            self.assertIn('idprefix="', m)
        self.assertNotIn("nopal", text)


class Track(unittest.TestCase):
    def test_backgrounds_draw_the_visible_points_of_each_way_in_pixels(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "level1-1.txt")
            write(path, "ways 2\nway 3\n128 256 100 1 -1\n256 256 100 1 -1\n300 300 -1 1 -1\n"
                  "mark 0 128 256\nway 1\n10 10 100 1 -1\n")
            # A way of one visible point draws nothing; hidden points run under the scenery.
            self.assertEqual(artgen.read_track(path), [[(100.0, 200.0), (200.0, 200.0)]])


class Sets(unittest.TestCase):
    def test_minimum_after_full_leaves_only_the_required_pictures(self):
        with tempfile.TemporaryDirectory() as tmp:
            cat = os.path.join(tmp, "catalog.toml")
            write(cat, "[lists]\nc = [\"red\", \"blue\"]\n"
                  + ENTRY % ('id = "ball-{c}"\nfile = "images/ball-{c}.png"\neach = { c = "c" }', "ball", 26, 26, 4, 4,
                             "true")
                  + ENTRY % ('id = "menu/x/background"\nfile = "images/bg.png"', "backdrop", 40, 30, 1, 1, "false")
                  + ENTRY % ('file = "Gui/Sprites/pit.png"\nmanifest = false\nparams = { pit = true }', "hole", 64,
                             64, 1, 1, "true"))
            out, work = os.path.join(tmp, "data"), os.path.join(tmp, "work")
            drawn, total = artgen.build(cat, FONTS, out, work)
            self.assertEqual((drawn, total), (4, 4))
            # An unchanged catalogue draws nothing again.
            self.assertEqual(artgen.build(cat, FONTS, out, work), (0, 4))
            artgen.build(cat, FONTS, out, work, placeholder=True, minimum=True)
            self.assertFalse(os.path.exists(os.path.join(out, "images", "bg.png")))
            self.assertEqual(png_header(os.path.join(out, "images", "ball-red.png"))[:2], (104, 104))
            with open(os.path.join(out, "resources.xml"), encoding="ascii") as f:
                manifest = f.read()
            self.assertIn('id="ball-blue"', manifest)
            self.assertNotIn("background", manifest)
            self.assertNotIn("pit", manifest)


if __name__ == "__main__":
    unittest.main()
