#!/usr/bin/env bash
# Makes tone440.ogg: half a second of a 440 Hz sine, mono at 22,050 Hz,
# half of full scale. Run once; the result is kept beside this script.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
/usr/bin/python3 - "$tmp/tone.wav" <<'PY'
import math, struct, sys, wave
rate, n = 22050, 11025
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(b"".join(struct.pack("<h", int(16384 * math.sin(2 * math.pi * 440 * i / rate))) for i in range(n)))
PY
oggenc --quiet --quality 2 --serial 1 --discard-comments -o tone440.ogg "$tmp/tone.wav"
