#!/usr/bin/python3
"""Builds the sound effects from their recipes.

    soundgen.py <recipes.toml> <sounds folder> <work folder>

Each recipe is a sox effect chain on silence (sox -R, so the dither and
noise are the same on every run), normalised, then encoded with oggenc under
a serial number taken from the sound's name, so a rebuild gives the same
bytes. Any clipping warning from sox fails the build.
"""
import array
import concurrent.futures
import os
import shlex
import subprocess
import sys
import tomllib
import wave
import zlib

RATE = 44100


class SoundError(Exception):
    pass


def run(cmd, name):
    res = subprocess.run(cmd, capture_output=True, text=True)
    if res.returncode != 0:
        raise SoundError("%s: %s failed: %s" % (name, cmd[0], res.stderr.strip()))
    if "clipped" in res.stderr:
        raise SoundError("%s: sox clipped: %s" % (name, res.stderr.strip()))


def loop_crossfade(path, seconds):
    """Cuts `seconds` off the end and fades that tail into the start, so the
    last sample runs on into the first."""
    with wave.open(path, "rb") as w:
        params = w.getparams()
        samples = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        samples.byteswap()
    f = int(seconds * RATE)
    n = len(samples) - f
    if n <= f:
        raise SoundError("%s: too short to loop" % path)
    out = samples[:n]
    for i in range(f):
        t = i / f
        out[i] = int(round(samples[i] * t + samples[n + i] * (1.0 - t)))
    if sys.byteorder != "little":
        out.byteswap()
    with wave.open(path, "wb") as w:
        w.setparams(params)
        w.writeframes(out.tobytes())


def make(group, name, recipe, out_dir, work_dir):
    key = "%s/%s" % (group, name)
    raw = os.path.join(work_dir, "%s-%s.raw.wav" % (group, name))
    wav = os.path.join(work_dir, "%s-%s.wav" % (group, name))
    ogg = os.path.join(out_dir, group, name + ".ogg")
    source = ["-n"] if "input" not in recipe else shlex.split(recipe["input"]) + ["-n"]
    effects = shlex.split(recipe["effects"])
    run(["sox", "-R"] + source + ["-r", str(RATE), "-c", "1", "-b", "16", raw] + effects, key)
    if "loop" in recipe:
        loop_crossfade(raw, recipe["loop"])
    run(["sox", "-R", raw, wav, "norm", str(recipe["norm"])], key)
    serial = zlib.crc32(key.encode("ascii")) & 0x7FFFFFFF
    os.makedirs(os.path.dirname(ogg), exist_ok=True)
    run(["oggenc", "-Q", "-q", "4", "--serial", str(serial), "-o", ogg + ".tmp", wav], key)
    os.replace(ogg + ".tmp", ogg)
    return key


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    recipes_path, out_dir, work_dir = argv[1:]
    with open(recipes_path, "rb") as f:
        recipes = tomllib.load(f)
    os.makedirs(work_dir, exist_ok=True)
    jobs = [(g, n, r) for g, group in sorted(recipes.items()) for n, r in sorted(group.items())]
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        futures = [pool.submit(make, g, n, r, out_dir, work_dir) for g, n, r in jobs]
        for fut in futures:
            fut.result()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (SoundError, KeyError, tomllib.TOMLDecodeError) as e:
        sys.stderr.write("soundgen: %s\n" % e)
        sys.exit(1)
