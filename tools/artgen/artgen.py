#!/usr/bin/python3
"""Draws every picture of the catalogue and writes the resource manifest.

    artgen.py <catalog.toml> <fonts.toml> <data folder> <work folder>
              [--placeholder] [--minimum] [--jobs N] [--ways <folder>]

Each file becomes one SVG sheet of rows x cols cels, rasterised by
rsvg-convert; the same run writes <data>/resources.xml from the very same
records (image ids, files, rows, cols) and the font list, so a sheet and
its manifest entry cannot disagree. --placeholder draws every picture as
labelled flat blocks of the final size and cels; --minimum keeps only the
pictures the game cannot run without. A sheet whose SVG has not changed
since the last run is not rasterised again; files of earlier runs that
this run does not make are removed.
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tomllib

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import catalog  # noqa: E402
import families  # noqa: E402

RSVG = shutil.which("rsvg-convert") or "/usr/bin/rsvg-convert"
_ID = re.compile(r'id="([^"]+)"')
_URL = re.compile(r"url\(#([^)]+)\)")
AUTHORING_TO_PIXELS = 0.78125  # way files hold authoring units


class ArtError(Exception):
    pass


def read_track(path):
    """The visible polylines of a way text file, in background pixels."""
    lines, current = [], None
    with open(path, encoding="ascii") as f:
        for row in f:
            parts = row.split()
            if not parts:
                continue
            if parts[0] == "way":
                current = []
                lines.append(current)
            elif len(parts) == 5 and current is not None:
                x, y, order = float(parts[0]), float(parts[1]), int(parts[2])
                if order >= 0:  # hidden points run into the pit under the scenery
                    current.append((x * AUTHORING_TO_PIXELS, y * AUTHORING_TO_PIXELS))
    return [line for line in lines if len(line) >= 2]


def sheet_svg(pic, placeholder):
    draw = families.placeholder if placeholder else families.FAMILIES.get(pic.family)
    if draw is None:
        raise ArtError("%s: no family named %s" % (pic.file, pic.family))
    w, h = pic.cel
    sw, sh = pic.size
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">' % (sw, sh, sw, sh)]
    for k in range(pic.rows * pic.cols):
        x, y = (k % pic.cols) * w, (k // pic.cols) * h
        body = draw(pic, k, w, h)
        # Names inside a cel are made unique to it, so cels never share a gradient by accident.
        body = _ID.sub(lambda m: 'id="c%d_%s"' % (k, m.group(1)), body)
        body = _URL.sub(lambda m: "url(#c%d_%s)" % (k, m.group(1)), body)
        out.append('<clipPath id="clip%d"><rect width="%d" height="%d"/></clipPath>' % (k, w, h))
        out.append('<g transform="translate(%d %d)"><g clip-path="url(#clip%d)">%s</g></g>' % (x, y, k, body))
    out.append("</svg>\n")
    return "\n".join(out)


def xml_attr(v):
    return v.replace("&", "&amp;").replace('"', "&quot;").replace("<", "&lt;")


def manifest_text(pictures, fonts):
    lines = ['<?xml version="1.0" encoding="windows-1251"?>', "<ResourceManifest>", '  <Resources id="Common">',
             '    <SetDefaults path="data" idprefix=""/>']
    for pic in pictures:
        if not pic.manifest:
            continue
        for i in pic.ids:
            lines.append('    <Image id="%s" path="%s" rows="%d" cols="%d"/>' % (xml_attr(i), xml_attr(pic.file),
                                                                                 pic.rows, pic.cols))
    lines.append('    <SetDefaults path="data/fonts" idprefix=""/>')
    for font_id, path, image in fonts:
        extra = ' image="%s"' % xml_attr(image) if image else ""
        lines.append('    <Font id="%s" path="%s"%s/>' % (xml_attr(font_id), xml_attr(path), extra))
    lines += ["  </Resources>", "</ResourceManifest>", ""]
    return "\n".join(lines)


def font_entries(path):
    """(id, descriptor path under data/fonts, image for the legacy form) per font id."""
    with open(path, "rb") as f:
        data = tomllib.load(f)
    files = {}
    for sheet in data.get("sheet", []):
        for name in sheet["fonts"]:
            if sheet.get("legacy"):
                files[name] = (name + ".metrics", "data/fonts/%s.png" % sheet["name"])
            else:
                files[name] = (name + ".font", "")
    out = []
    for name, ids in data.get("ids", {}).items():
        if name not in files:
            raise ArtError("%s: ids name the font %s, which no sheet bakes" % (path, name))
        for font_id in ids:
            out.append((font_id,) + files[name])
    return out


def write_if_changed(path, text):
    data = text.encode("ascii")
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return True


def render(svg, png):
    os.makedirs(os.path.dirname(png), exist_ok=True)
    tmp = png + ".tmp"
    r = subprocess.run([RSVG, "--format", "png", "-o", tmp, svg], capture_output=True, text=True)
    if r.returncode != 0:
        raise ArtError("rsvg-convert failed on %s: %s" % (svg, r.stderr.strip()))
    os.replace(tmp, png)


def build(catalog_path, fonts_path, out, work, placeholder=False, minimum=False, jobs=2, ways=None):
    pictures = catalog.load(catalog_path)
    if minimum:
        pictures = [p for p in pictures if p.required]
    if ways:
        # Level backgrounds draw the track from the very polylines of their way files.
        for pic in pictures:
            if pic.family == "level":
                name = os.path.basename(pic.file).rsplit(".", 1)[0] + ".txt"
                pic.params = dict(pic.params, track=read_track(os.path.join(ways, name)))
    fonts = font_entries(fonts_path)
    mode = "placeholder" if placeholder else "art"
    todo = []
    for pic in pictures:
        svg = os.path.join(work, "svg", pic.file + ".svg")
        png = os.path.join(out, pic.file)
        changed = write_if_changed(svg, "<!-- %s -->\n" % mode + sheet_svg(pic, placeholder))
        if changed or not os.path.exists(png):
            todo.append((svg, png))
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, jobs)) as pool:
        for f in [pool.submit(render, s, p) for s, p in todo]:
            f.result()
    # Files an earlier run made and this one does not are removed, so the
    # tree holds exactly what the manifest and the levels name.
    listing = os.path.join(work, "files.txt")
    now = sorted(p.file for p in pictures)
    if os.path.exists(listing):
        with open(listing, encoding="ascii") as f:
            for old in f.read().split("\n"):
                if old and old not in now:
                    for gone in (os.path.join(out, old), os.path.join(work, "svg", old + ".svg")):
                        if os.path.exists(gone):
                            os.remove(gone)
    write_if_changed(listing, "\n".join(now) + "\n")
    write_if_changed(os.path.join(out, "resources.xml"), manifest_text(pictures, fonts))
    return len(todo), len(pictures)


def main(argv):
    ap = argparse.ArgumentParser(description="Draws the game's pictures and writes the resource manifest.")
    ap.add_argument("catalog")
    ap.add_argument("fonts")
    ap.add_argument("out")
    ap.add_argument("work")
    ap.add_argument("--placeholder", action="store_true", help="flat labelled blocks instead of the art")
    ap.add_argument("--minimum", action="store_true", help="only the pictures the game needs")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--ways", help="folder of the way polylines the level backgrounds draw")
    a = ap.parse_args(argv)
    try:
        drawn, total = build(a.catalog, a.fonts, a.out, a.work, a.placeholder, a.minimum, a.jobs, a.ways)
    except (catalog.CatalogError, ArtError, OSError, KeyError, ValueError, tomllib.TOMLDecodeError) as e:
        print("artgen: %s" % e, file=sys.stderr)
        return 1
    print("artgen: %d of %d pictures drawn" % (drawn, total))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
