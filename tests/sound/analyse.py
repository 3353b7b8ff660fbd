#!/usr/bin/python3
"""The sound checks' recorder and judge (Debian's python3 and python3-numpy).

  analyse.py record BASE
      Records the private sound server's null sink through parec into BASE.raw
      (44100 Hz, 16-bit, stereo) until it gets SIGTERM, and notes in BASE.times
      when each piece arrived ("wall-seconds total-bytes"), so that every sample
      of the recording can be put on the wall clock the DLL's log uses.

  analyse.py check BASE LOG WAV
      Lines the recording up with the DLL's log and the track's WAV file:
      prints each measurement as "measure NAME VALUE" and each check as
      "ok ..." or "FAIL ..."; exits 1 when a check failed.

What is checked holds whatever the timing: the recording is track 5 from its
first sample at the right speed, silent before the play command, still the
track just before the stop, and silent from soon after the stop to its end.
How long the sound took to start and to stop is measured, not judged.
"""
import re
import signal
import subprocess
import sys
import time
import wave

import numpy as np

RATE = 44100
# A sample this far from zero is sound; the null sink's silence is exact zeros.
SOUND = 2.0 / 32768


def record(base):
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    parec = subprocess.Popen(
        ["parec", "--raw", "--format=s16le", f"--rate={RATE}", "--channels=2", "--latency-msec=10",
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
    parec.terminate()
    parec.wait()


def mono_of_wav(path):
    with wave.open(path, "rb") as w:
        if w.getframerate() != RATE or w.getsampwidth() != 2:
            sys.exit(f"analyse: {path} is not 44100 Hz 16-bit")
        frames = np.frombuffer(w.readframes(w.getnframes()), "<i2").reshape(-1, w.getnchannels())
    return frames.astype(np.float64).mean(axis=1) / 32768


def recording(base):
    raw = np.fromfile(base + ".raw", "<i2")
    raw = raw[: len(raw) // 2 * 2].reshape(-1, 2).astype(np.float64)
    arrivals = np.loadtxt(base + ".times", ndmin=2)
    # Sample n was taken at origin + n / RATE; a piece arrives after its last
    # sample was taken, so the earliest arrival for its count is the best bound.
    origin = np.min(arrivals[:, 0] - arrivals[:, 1] / 4 / RATE)
    return raw.mean(axis=1) / 32768, origin


def log_times(log):
    """Wall times of the commands and the DLL's own events in its log."""
    events = {}
    for line in open(log, encoding="latin-1"):
        m = re.match(r"(\d+\.\d+) (.*)", line.strip())
        if not m:
            continue
        when, what = float(m.group(1)), m.group(2)
        for key, pattern in (("play", 'mci call "play cdaudio'), ("stop", 'mci call "stop cdaudio'),
                             ("queued", "sound started"), ("silenced", "sound silenced")):
            if what.startswith(pattern):
                events.setdefault(key, []).append(when)
    return events


def best_match(signal_, template, first, last):
    """The offset in [first, last] where template best matches the signal, and
    the correlation coefficient there (1 is the same sound)."""
    first, last = max(first, 0), min(last, len(signal_) - len(template))
    if last < first:
        return None, 0.0
    region = signal_[first:last + len(template)]
    n = len(region) + len(template)
    size = 1 << (n - 1).bit_length()
    corr = np.fft.irfft(np.fft.rfft(region, size) * np.conj(np.fft.rfft(template, size)), size)[: last - first + 1]
    energy = np.convolve(region ** 2, np.ones(len(template)), "valid")[: last - first + 1]
    norm = np.sqrt(np.maximum(energy, 1e-20) * np.sum(template ** 2))
    coefficients = corr / norm
    at = int(np.argmax(coefficients))
    return first + at, float(coefficients[at])


def check(base, log, wav_path):
    failures = []

    def verdict(ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            failures.append(what)

    rec, origin = recording(base)
    track = mono_of_wav(wav_path)
    events = log_times(log)
    wall = lambda n: origin + n / RATE
    index = lambda t: int(round((t - origin) * RATE))
    if "play" not in events or "stop" not in events:
        verdict(False, "the DLL's log has the play and the stop command")
        return 1
    play, stop = events["play"][0], events["stop"][-1]
    print(f"measure recorded_seconds {len(rec) / RATE:.3f}")

    # Track 5 from its first sample: three seconds of it found near the play command.
    start, coefficient = best_match(rec, track[: 3 * RATE], index(play) - RATE // 2, index(play) + 3 * RATE)
    verdict(start is not None and coefficient > 0.9,
            f"the first 3 s of track 5 are in the recording (correlation {coefficient:.4f})")
    if start is None:
        return 1
    print(f"measure start_latency_ms {(wall(start) - play) * 1000:.1f}")
    if "queued" in events:
        print(f"measure first_buffer_ms {(events['queued'][0] - play) * 1000:.1f}")
    verdict(wall(start) > play, "the track begins after the play command")
    verdict(np.max(np.abs(rec[:start]), initial=0) < SOUND, "the recording is silent before the track begins")

    # The right speed: one-second windows from 0 to 4 s of the track lie 1 s apart.
    # A machine too busy for Wine's sound thread lets the server's short buffer
    # run dry, and the server plays silence meanwhile: such a gap moves what
    # follows later (a window that holds it matches less well, and is left out),
    # so each window is looked for within half a second, and the speed is the
    # median of the steps between the windows found, which one gap does not move.
    found = []
    for k in range(5):
        at, c = best_match(rec, track[k * RATE:(k + 1) * RATE], start + k * RATE - RATE // 2,
                           start + k * RATE + RATE // 2)
        if at is not None and c > 0.9:
            found.append((k, at))
    if len(found) < 3:
        verdict(False, f"at least three of the track's first five seconds are found ({len(found)})")
    else:
        steps = [(b - a, (j - i) * RATE) for (i, a), (j, b) in zip(found, found[1:])]
        speed = float(np.median([got / wanted for got, wanted in steps]))
        print(f"measure speed {speed:.6f}")
        verdict(abs(speed - 1) < 0.001, f"the track plays at its own speed ({speed:.5f})")
        verdict(all(got >= wanted - 2 for got, wanted in steps), "no sound of its first five seconds is left out")

    # Up to the stop: the track goes on in order, and is still sounding. The
    # server's gaps up to there are measured, not judged.
    # As for the speed, a gap the server filled may fall in a window: four
    # quarter-second windows from 2.25 s to 1.5 s before the stop are looked
    # for, and the one found nearest to the stop is judged and measured.
    at, c = None, 0.0
    for lead in (1.5, 1.75, 2.0, 2.25):
        before_stop = index(stop) - start - int(lead * RATE)
        if before_stop <= RATE:
            continue
        at, c = best_match(rec, track[before_stop:before_stop + RATE // 4], start + before_stop - RATE // 2,
                           start + before_stop + RATE // 2)
        if at is not None and c > 0.9:
            break
    if before_stop > RATE:
        verdict(at is not None and c > 0.9,
                f"{lead} s before the stop the track is where it should be (correlation {c:.4f})")
        if at is not None:
            print(f"measure gaps_before_stop_ms {(at - start - before_stop) * 1000 / RATE:.1f}")
            verdict(at - start - before_stop >= -2, "no sound of the track up to there is left out")
    stop_at = index(stop)
    tail = rec[stop_at - RATE // 2:stop_at]
    verdict(np.sqrt(np.mean(tail ** 2)) > 10 * SOUND, "the track is sounding just before the stop")

    # After the stop: the last sound, and nothing after it to the end of the recording.
    loud = np.nonzero(np.abs(rec) >= SOUND)[0]
    end = int(loud[-1]) if len(loud) else 0
    print(f"measure stop_latency_ms {(wall(end) - stop) * 1000:.1f}")
    if "silenced" in events:
        print(f"measure silenced_in_dll_ms {(events['silenced'][-1] - stop) * 1000:.1f}")
    verdict(wall(len(rec)) - stop > 1.0, "the recording goes on for a second after the stop")
    verdict(wall(end) < wall(len(rec)) - 0.5, "the recording falls silent after the stop and stays silent")
    return 1 if failures else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "record":
        record(sys.argv[2])
        return 0
    if len(sys.argv) == 5 and sys.argv[1] == "check":
        return check(*sys.argv[2:])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main())
