#!/usr/bin/python3
"""Renders a music score to a stereo WAV file.

    musicgen.py <score.toml> <out.wav>

A small additive synthesiser: a square-ish bass, a soft pad on the chords,
a lead on the melody and a noise hat, each with its own envelope and place
in the stereo field. The noise comes from a seeded generator, so a score
always renders to the same bytes. The piece ends on silence.
"""
import array
import math
import operator
import random
import sys
import tomllib
import wave

RATE = 44100
NOTE_NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


class ScoreError(Exception):
    pass


def midi(name):
    """"A4" -> 69; sharps as "#", flats as "b"."""
    try:
        n = NOTE_NAMES[name[0]]
        rest = name[1:]
        if rest[:1] == "#":
            n, rest = n + 1, rest[1:]
        elif rest[:1] == "b":
            n, rest = n - 1, rest[1:]
        return n + 12 * (int(rest) + 1)
    except (KeyError, ValueError, IndexError):
        raise ScoreError("bad note '%s'" % name)


def freq(m):
    return 440.0 * 2.0 ** ((m - 69) / 12.0)


def chord(name):
    """"Am" -> root pitch class and the triad's intervals."""
    minor = name.endswith("m")
    root = name[:-1] if minor else name
    pc = midi(root + "0") - 12
    return pc, (0, 3, 7) if minor else (0, 4, 7)


def envelope(n, attack, decay, sustain, release):
    a = max(1, int(attack * RATE))
    d = max(1, int(decay * RATE))
    r = max(1, int(release * RATE))
    env = []
    for i in range(n):
        if i < a:
            e = i / a
        elif i < a + d:
            e = 1.0 - (1.0 - sustain) * (i - a) / d
        else:
            e = sustain
        if i >= n - r:
            e *= (n - i) / r
        env.append(e)
    return env


class Voice:
    def __init__(self, partials, adsr, gain, pan):
        self.partials = partials  # (harmonic, amplitude)
        self.adsr = adsr
        self.gain = gain
        self.left = gain * math.cos((pan + 1) * math.pi / 4)
        self.right = gain * math.sin((pan + 1) * math.pi / 4)
        self.cache = {}

    def note(self, m, seconds):
        key = (m, seconds)
        if key not in self.cache:
            n = int(seconds * RATE)
            env = envelope(n, *self.adsr)
            f = freq(m)
            w = [2 * math.pi * f * h / RATE for h, _ in self.partials]
            amps = [a for _, a in self.partials]
            samples = [env[i] * sum(a * math.sin(wk * i) for wk, a in zip(w, amps)) for i in range(n)]
            self.cache[key] = (array.array("d", (s * self.left for s in samples)),
                               array.array("d", (s * self.right for s in samples)))
        return self.cache[key]


def add(mix, start, buf):
    end = min(len(mix), start + len(buf))
    if end <= start:
        return
    mix[start:end] = array.array("d", map(operator.add, mix[start:end], buf[:end - start]))


def render(score):
    tempo = score["tempo"]
    beat = 60.0 / tempo
    per_bar = score.get("beats_per_bar", 4)
    bars = score["chords"]
    melody = score["melody"]
    if len(melody) != len(bars):
        raise ScoreError("%d bars of chords but %d of melody" % (len(bars), len(melody)))
    tail = score.get("tail_seconds", 2.0)
    total = int((len(bars) * per_bar * beat + tail) * RATE)
    left = array.array("d", bytes(8 * total))
    right = array.array("d", bytes(8 * total))

    bass = Voice([(1, 1.0), (3, 0.33), (5, 0.2), (7, 0.14)], (0.01, 0.15, 0.6, 0.08), 0.30, -0.2)
    pad = Voice([(1, 1.0), (2, 0.3), (3, 0.1)], (0.25, 0.3, 0.7, 0.4), 0.10, 0.3)
    lead = Voice([(1, 1.0), (2, 0.4), (3, 0.15), (4, 0.05)], (0.02, 0.1, 0.7, 0.1), 0.26, 0.0)
    rng = random.Random(score.get("seed", 1))
    hat_n = int(0.05 * RATE)
    hat_raw = [rng.uniform(-1.0, 1.0) * (1.0 - i / hat_n) ** 3 for i in range(hat_n)]
    # A crude high-pass: the difference of neighbours.
    hat_samples = [hat_raw[i] - hat_raw[i - 1] if i else 0.0 for i in range(hat_n)]
    hat = (array.array("d", (s * 0.05 for s in hat_samples)),
           array.array("d", (s * 0.07 for s in hat_samples)))
    hat_from, hat_to = score.get("hat_bars", [0, len(bars)])

    def put(voice_buf, t):
        s = int(round(t * RATE))
        add(left, s, voice_buf[0])
        add(right, s, voice_buf[1])

    for b, (name, line) in enumerate(zip(bars, melody)):
        t0 = b * per_bar * beat
        if name != "-":
            pc, triad = chord(name)
            for k in range(0, per_bar, 2):
                put(bass.note(36 + pc, beat * 1.9), t0 + k * beat)
            for iv in triad:
                put(pad.note(60 + (pc + iv) % 12 - (12 if (pc + iv) % 12 > 7 else 0), per_bar * beat),
                    t0)
        if hat_from <= b < hat_to:
            for k in range(per_bar * 2):
                if k % 2 == 1:
                    put(hat, t0 + k * beat / 2)
        t = t0
        for word in line.split():
            note, _, length = word.partition(":")
            beats = float(length) if length else 1.0
            if note != "r":
                put(lead.note(midi(note), beats * beat * 0.95), t)
            t += beats * beat
        if abs(t - t0 - per_bar * beat) > 1e-6:
            raise ScoreError("bar %d of the melody holds %g beats" % (b + 1, (t - t0) / beat))

    peak = max(max(map(abs, left)), max(map(abs, right)), 1e-9)
    scale = 0.8 * 32767 / peak
    out = array.array("h", bytes(4 * total))
    out[0::2] = array.array("h", (int(round(v * scale)) for v in left))
    out[1::2] = array.array("h", (int(round(v * scale)) for v in right))
    return out


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "rb") as f:
        score = tomllib.load(f)
    frames = render(score)
    if sys.byteorder != "little":
        frames.byteswap()
    with wave.open(argv[2], "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames.tobytes())
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (ScoreError, KeyError, tomllib.TOMLDecodeError) as e:
        sys.stderr.write("musicgen: %s: %s\n" % (sys.argv[1] if len(sys.argv) > 1 else "", e))
        sys.exit(1)
