#!/usr/bin/python3
"""Bakes every sheet of the font table with fontbake.

    fonts.py <fontbake> <fonts.toml> <DejaVu folder> <output folder>

A font named with a trailing "s" gets the drop-shadow layer; the legacy
sheet gets the old metrics file instead of a descriptor. The DejaVu
licence is copied beside the sheets.
"""
import os
import shutil
import subprocess
import sys
import tomllib

LICENCE = "/usr/share/doc/fonts-dejavu-core/copyright"


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    baker, table, faces, out = argv
    with open(table, "rb") as f:
        data = tomllib.load(f)
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    for sheet in data["sheet"]:
        cmd = [baker, os.path.join(faces, sheet["face"]), str(sheet["size"]),
               os.path.join(out, sheet["name"] + ".png")]
        if sheet.get("cyrillic"):
            cmd.append("--cyrillic")
        for name in sheet["fonts"]:
            if sheet.get("legacy"):
                cmd += ["--legacy", os.path.join(out, name + ".metrics")]
            elif name == sheet["name"] + "s":
                cmd += ["--shadow", os.path.join(out, name + ".font")]
            else:
                cmd += ["--font", os.path.join(out, name + ".font")]
        r = subprocess.run(cmd)
        if r.returncode != 0:
            print("fonts.py: baking %s failed" % sheet["name"], file=sys.stderr)
            return 1
    shutil.copyfile(LICENCE, os.path.join(os.path.dirname(os.path.abspath(out)), "LICENSE-DejaVu.txt"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
