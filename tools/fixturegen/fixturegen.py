#!/usr/bin/python3
"""Writes the look fixture that the adapter and gui tests run on.

    fixturegen.py <out folder>

Writes <out>/data/: "Skin.xml" and "en.xml" (root element "menu"),
"resources.xml" (resource groups, "Common" first), flat-colour PNG images,
nine-part frame PNGs and one image font in the legacy metrics form (a strip
of block glyphs, so pictures drawn with it are exact). Paths in the manifest
are relative to the folder above "data/", as the game's are: a test links or
changes into <out> before it makes its skin.

What the fixture holds comes from the table modules in tables/, each a file
with a function add(fx) that calls the Fixture methods below; every module
is read, in file-name order. The same name added twice with the same content
is one entry; with different content it is an error naming both modules.
Every run gives the same bytes.
"""
import glob
import hashlib
import importlib.util
import os
import struct
import sys
import zlib

sys.dont_write_bytecode = True  # keep the source tree clean

HERE = os.path.dirname(os.path.abspath(__file__))

# The block font: every printable character but the blank is a block of
# GLYPH_BLOCK x FONT_ASCENT white pixels followed by GLYPH_GAP clear columns;
# the blank is as wide and draws nothing.
FONT_HEIGHT = 10
FONT_ASCENT = 8
GLYPH_BLOCK = 5
GLYPH_GAP = 1
GLYPH_WIDTH = GLYPH_BLOCK + GLYPH_GAP
FONT_CHARS = [chr(c) for c in range(33, 127)]
# The Windows-1251 letters (bytes 192..255) follow, so Cyrillic text can be typed and drawn.
FONT_LETTERS_1251 = list(range(192, 256))
FONT_IMAGE = "data/fonts/block.png"
FONT_METRICS = "data/fonts/block.txt"

# The nine parts of a frame, row by row (top-left, top, top-right, left,
# centre, right, bottom-left, bottom, bottom-right).
FRAME_COLOURS = [
    (255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255),
    (255, 255, 0, 255), (255, 0, 255, 255), (0, 255, 255, 255),
    (128, 0, 0, 255), (0, 128, 0, 255), (0, 0, 128, 255),
]


class FixtureError(Exception):
    pass


def colour_of(name):
    """A colour that depends only on the name, so adding names elsewhere never changes it."""
    d = hashlib.md5(name.encode("utf-8")).digest()
    return (d[0], d[1], d[2], 255)


def png(width, height, pixel_at):
    """An 8-bit RGBA PNG; pixel_at(x, y) gives (r, g, b, a)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel_at(x, y))
    return flat_rows_png(width, height, bytes(rows))


def flat_png(width, height, rgba):
    row = b"\0" + bytes(rgba) * width
    return flat_rows_png(width, height, row * height)


def flat_rows_png(width, height, raw):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def xml_escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;"))


class Element:
    def __init__(self, name):
        self.name = name
        self.attrs = {}
        self.text = None
        self.children = {}

    def write(self, out, depth):
        pad = "  " * depth
        attrs = "".join(' %s="%s"' % (k, xml_escape(v)) for k, v in sorted(self.attrs.items()))
        if self.text is not None:
            out.append("%s<%s%s>%s</%s>\n" % (pad, self.name, attrs, xml_escape(self.text), self.name))
        elif not self.children:
            out.append("%s<%s%s/>\n" % (pad, self.name, attrs))
        else:
            out.append("%s<%s%s>\n" % (pad, self.name, attrs))
            for key in sorted(self.children):
                self.children[key].write(out, depth + 1)
            out.append("%s</%s>\n" % (pad, self.name))


class Tree:
    """One XML file under the single root element "menu", filled by paths."""

    def __init__(self, what):
        self.what = what
        self.root = Element("menu")
        self.origin = {}  # (path, attribute or None for text) -> module

    def element(self, path):
        parts = path.split("/")
        if parts[0] != "menu" or any(not p or not all(c.isalnum() or c in "-_." for c in p) for p in parts):
            raise FixtureError("%s path %r: must be menu/... of plain element names" % (self.what, path))
        e = self.root
        for p in parts[1:]:
            e = e.children.setdefault(p, Element(p))
        return e

    def set(self, path, attr, value, module):
        e = self.element(path)
        key = (path, attr)
        old = e.text if attr is None else e.attrs.get(attr)
        if old is not None and old != value:
            raise FixtureError("%s %s%s: %r from %s, %r from %s" % (
                self.what, path, "" if attr is None else "/@" + attr, old, self.origin[key], value, module))
        self.origin.setdefault(key, module)
        if attr is None:
            e.text = value
        else:
            e.attrs[attr] = value

    def render(self):
        def check(e, path):
            if e.text is not None and e.children:
                raise FixtureError("%s %s: an element with text has no children" % (self.what, path))
            for name, c in e.children.items():
                check(c, path + "/" + name)
        check(self.root, "menu")
        out = []
        self.root.write(out, 0)
        return "".join(out).encode("cp1251")


class Fixture:
    """What the table modules add to. Ids and paths are skin paths ("menu/...")."""

    @staticmethod
    def table(name):
        """Another table module by name, for its writers."""
        return load_table(os.path.join(HERE, "tables", name + ".py"))

    # The picture writers, for the tables' own files.
    png = staticmethod(png)
    flat_png = staticmethod(flat_png)

    def __init__(self):
        self.skin = Tree("skin")
        self.language = Tree("language")
        self.groups = ["Common"]
        self.resources = {}  # id -> (kind, group, attributes, module)
        self.files = {}      # relative path -> (bytes, module)
        self.colours = {}    # colour -> id
        self.module = "?"
        self._font_written = False

    # ---- the entries ----

    def group(self, name):
        """A resource group; groups keep the order of their first mention."""
        if name not in self.groups:
            self.groups.append(name)

    def image(self, id, width, height, colour=None, group="Common", cols=1, rows=1, disc=False):
        """A flat-colour image resource; the colour follows from the id unless given.
        cols x rows cut it into cels; with disc, each cel is a disc of the colour on
        clear pixels, as the game's round art is. Returns the colour."""
        colour = tuple(colour) if colour else colour_of(id)
        self._distinct(colour, id)
        path = "data/images/%s.png" % id
        if disc:
            cw, ch = width // cols, height // rows
            r2 = (min(cw, ch) / 2.0) ** 2

            def pixel(x, y):
                dx, dy = x % cw + 0.5 - cw / 2.0, y % ch + 0.5 - ch / 2.0
                return colour if dx * dx + dy * dy <= r2 else (0, 0, 0, 0)
            self._file(path, lambda: png(width, height, pixel))
        else:
            self._file(path, lambda: flat_png(width, height, colour))
        attrs = {"path": path}
        if cols != 1 or rows != 1:
            attrs.update(cols=str(cols), rows=str(rows))
        self._resource(id, "Image", group, attrs)
        return colour

    def missing_image(self, id, group):
        """An image resource whose file is never written: its group fails to load."""
        self._resource(id, "Image", group, {"path": "data/images/%s.png" % id})

    def frame(self, id, width=9, height=9, border=(3, 3, 3, 3), group="Common"):
        """A nine-part frame image (FRAME_COLOURS) cut by border (left, top, right, bottom),
        and the skin node id/border."""
        l, t, r, b = border
        if l + r > width or t + b > height:
            raise FixtureError("frame %s: borders %r larger than %dx%d" % (id, border, width, height))

        def part(x, y):
            col = 0 if x < l else (2 if x >= width - r else 1)
            row = 0 if y < t else (2 if y >= height - b else 1)
            return FRAME_COLOURS[row * 3 + col]
        path = "data/images/%s.png" % id
        self._file(path, lambda: png(width, height, part))
        self._resource(id, "Image", group, {"path": path})
        self.node(id + "/border", left=l, top=t, right=r, bottom=b)

    # ---- buttons, widget bridges and sounds ----

    def mask(self, id, width, height, opaque, group="Common"):
        """An input mask image: white and opaque inside opaque (x0, y0, x1, y1, end
        exclusive), fully transparent elsewhere."""
        x0, y0, x1, y1 = opaque

        def pixel(x, y):
            return (255, 255, 255, 255) if x0 <= x < x1 and y0 <= y < y1 else (0, 0, 0, 0)
        path = "data/images/%s.png" % id
        self._file(path, lambda: png(width, height, pixel))
        self._resource(id, "Image", group, {"path": path})

    def file(self, path, data):
        """A file of the given bytes under the output folder ("data/...")."""
        self._file(path, lambda: data)

    def font(self, id, group="Common", node=None):
        """The block font under this id, and, for a skin path (or when node is true), a
        skin element at the id whose "id" names it (for the readers that take a node)."""
        self._write_font()
        self._resource(id, "Font", group, {"path": FONT_METRICS, "image": FONT_IMAGE})
        if node if node is not None else id.startswith("menu/"):
            self.node(id, id=id)

    def node(self, path, **attrs):
        """Skin attributes of a node; numbers are written as given, lists as "a,b"."""
        for k, v in attrs.items():
            self.skin.set(path, k, self._value(v), self.module)

    def text(self, key, value):
        """A text of the language file (the content of the element at key)."""
        self.language.set(key, None, value, self.module)

    def text_attrs(self, path, **attrs):
        """Attributes of an element of the language file (keys path/@name)."""
        for k, v in attrs.items():
            self.language.set(path, k, self._value(v), self.module)

    def screen(self, path, width=800, height=600, x=0, y=0, background=None):
        """A screen section; background: None for none, True for an image of the
        screen's size, or (w, h)."""
        self.node(path, position=(x, y), dimensions=(width, height))
        if background:
            w, h = (width, height) if background is True else background
            self.image(path + "/background", w, h)

    # ---- writing ----

    def write(self, out):
        files = dict((p, make()) for p, (make, _) in sorted(self.files.items()))
        files["data/Skin.xml"] = b'<?xml version="1.0" encoding="windows-1251"?>\n' + self.skin.render()
        files["data/en.xml"] = b'<?xml version="1.0" encoding="windows-1251"?>\n' + self.language.render()
        files["data/resources.xml"] = self._manifest()
        for rel, data in sorted(files.items()):
            target = os.path.join(out, rel)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)

    def _manifest(self):
        lines = ['<?xml version="1.0" encoding="windows-1251"?>', "<ResourceManifest>"]
        for g in self.groups:
            lines.append('  <Resources id="%s">' % g)
            for id, (kind, group, attrs, _) in sorted(self.resources.items(), key=lambda i: (i[1][0], i[0])):
                if group != g:
                    continue
                a = "".join(' %s="%s"' % (k, xml_escape(v)) for k, v in [("id", id)] + sorted(attrs.items()))
                lines.append("    <%s%s/>" % (kind, a))
            lines.append("  </Resources>")
        lines.append("</ResourceManifest>")
        return ("\n".join(lines) + "\n").encode("cp1251")

    def _value(self, v):
        if isinstance(v, (tuple, list)):
            return ",".join(str(x) for x in v)
        return str(v)

    def _distinct(self, colour, id):
        other = self.colours.get(colour)
        if other is not None and other != id:
            raise FixtureError("image %s: colour %r is already %s's; give one explicitly" % (id, colour, other))
        self.colours[colour] = id

    def _file(self, path, make):
        self.files.setdefault(path, (make, self.module))

    def _resource(self, id, kind, group, attrs):
        self.group(group)
        entry = (kind, group, attrs)
        old = self.resources.get(id)
        if old is not None and old[:3] != entry:
            raise FixtureError("resource %s: %r from %s, %r from %s" % (id, old[:3], old[3], entry, self.module))
        self.resources[id] = entry + (self.module,)

    def _write_font(self):
        if self._font_written:
            return
        self._font_written = True
        width = GLYPH_WIDTH * (len(FONT_CHARS) + len(FONT_LETTERS_1251))

        def pixel(x, y):
            on = x % GLYPH_WIDTH < GLYPH_BLOCK and y < FONT_ASCENT
            return (255, 255, 255, 255) if on else (0, 0, 0, 0)
        self._file(FONT_IMAGE, lambda: png(width, FONT_HEIGHT, pixel))
        metrics = "%d %d\n" % (GLYPH_WIDTH, FONT_ASCENT) + "".join("%s %d\n" % (c, GLYPH_WIDTH) for c in FONT_CHARS)
        metrics = metrics.encode("ascii") + b"".join(b"%c %d\n" % (c, GLYPH_WIDTH) for c in FONT_LETTERS_1251)
        self._file(FONT_METRICS, lambda: metrics)


def load_table(path):
    """A table module, loaded once; tables may use each other's writers through
    Fixture.table."""
    name = os.path.splitext(os.path.basename(path))[0]
    if name not in _tables:
        found = importlib.util.spec_from_file_location("fixture_table_" + name, path)
        module = importlib.util.module_from_spec(found)
        found.loader.exec_module(module)
        _tables[name] = module
    return _tables[name]


_tables = {}


def load_tables(fx, folder):
    for path in sorted(glob.glob(os.path.join(folder, "*.py"))):
        module = load_table(path)
        fx.module = os.path.basename(path)
        module.add(fx)
    fx.module = "?"


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    fx = Fixture()
    try:
        load_tables(fx, os.path.join(HERE, "tables"))
        fx.write(argv[1])
    except FixtureError as e:
        sys.stderr.write("fixturegen: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
