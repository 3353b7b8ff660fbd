#!/usr/bin/env bash
# Writes the Ogg Vorbis seeds of the player's fuzzer into fuzz/corpus/wav/seeds,
# which the host tests read as well (tests/player/track_reader_test.cpp): short
# sounds with clicks at known samples, encoded by Debian's oggenc with a fixed
# serial number, so that the files come out the same each time.
#   clicks-mono-22050.ogg     5513 frames, clicks at 1000, 2345, 4000 and 5500
#   clicks-stereo-44100.ogg   8821 frames, a 441 Hz tone on the left, clicks on
#                             the right at 777, 4444 and 8800
#   three-channels.ogg        2000 frames of 3 channels, which the player refuses
set -euo pipefail
cd "$(dirname "$0")/.."
out=fuzz/corpus/wav/seeds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work" <<'PY'
import sys, wave
import numpy as np

def write(name, rate, frames):
    with wave.open(f"{sys.argv[1]}/{name}.wav", "wb") as w:
        w.setnchannels(frames.shape[1])
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames.astype("<i2").tobytes())

mono = np.zeros((5513, 1))
mono[[1000, 2345, 4000, 5500], 0] = 20000
write("clicks-mono-22050", 22050, mono)
stereo = np.zeros((8821, 2))
stereo[:, 0] = 8000 * np.sin(2 * np.pi * 441 * np.arange(8821) / 44100)
stereo[[777, 4444, 8800], 1] = 20000
write("clicks-stereo-44100", 44100, stereo)
write("three-channels", 8000, np.zeros((2000, 3)) + 100)
PY
for name in clicks-mono-22050 clicks-stereo-44100 three-channels; do
    oggenc --quiet --quality 0 --serial 7 -o "$out/$name.ogg" "$work/$name.wav"
done
ls -l "$out"/*.ogg
