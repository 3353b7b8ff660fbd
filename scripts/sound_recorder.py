#!/usr/bin/python3
"""Records the private sound server's null sink (scripts/sound_server.sh).

  sound_recorder.py BASE
      Records the sink's monitor through parec into BASE.raw (44100 Hz, 16-bit,
      stereo) until it gets SIGTERM, and notes in BASE.times when each piece
      arrived ("wall-seconds total-bytes"), so that every sample of the
      recording can be put on the wall clock the player's log uses.
"""
import signal
import subprocess
import sys
import time

RATE = 44100
# The latency asked of the server. The null sink then renders about this far
# ahead of the wall clock, so a sample's wall time, taken from when its piece
# arrived, comes out early by as much (tests/sound/analyse.py allows for it).
LATENCY_MS = 10


def record(base):
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    parec = subprocess.Popen(
        ["parec", "--raw", "--format=s16le", f"--rate={RATE}", "--channels=2", f"--latency-msec={LATENCY_MS}",
         "--device=intro_music.monitor"], stdout=subprocess.PIPE)
    total = 0
    with open(base + ".raw", "wb") as raw, open(base + ".times", "w") as times:
        while not stopping:
            try:
                chunk = parec.stdout.read1(16384)
            except InterruptedError:
                continue
            if not chunk:
                break
            now = time.time()
            raw.write(chunk)
            total += len(chunk)
            times.write(f"{now:.6f} {total}\n")
            # Each line whole on disk at once: a waiting script reads the last one.
            times.flush()
    parec.terminate()
    parec.wait()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    record(sys.argv[1])
