#!/usr/bin/python3
"""The sound checks' judge (Debian's python3 and python3-numpy), over a
recording made by scripts/sound_recorder.py.

  analyse.py check BASE LOG WAV
      Lines the recording up with the DLL's log and the track's WAV file:
      prints each measurement as "measure NAME VALUE" and each check as
      "ok ..." or "FAIL ..."; exits 1 when a check failed.

  analyse.py twice BASE WAV
      Whether the recording holds the track of WAV (a sweep, so that each
      part of it is told apart) played twice, one play after the other, and
      no third time: the start, a late part and the end of the track are
      found wherever they are, and must come in the order of two plays.
      Where they lie is measured, not judged.

  analyse.py level BASE
      Prints the level of the sound in the recording, in dB below full scale:
      the median of the RMS levels of its 50 ms windows that hold sound, so
      that the server's gaps (silence it fills in) do not move it.

What is judged holds however busy the machine is: the DLL queued the track
from its first sample without a break, and kept queueing it up to the stop;
the recording is track 5, its sound in order and never twice, at its own
speed, silent before the play command and silent from a second after the stop.
What a busy machine changes is measured, not judged: the silence the server
put in when Wine's sound thread ran late, the sound Wine's pulse driver
dropped meanwhile (at the opening too), and how long the sound took to start
and to stop. Whether the DLL left anything out is read from its own log,
which names every sample it queued.
"""
import re
import sys
import wave

import numpy as np

RATE = 44100
# A sample this far from zero is sound; the null sink's silence is exact zeros.
SOUND = 2.0 / 32768
# A run of this many silent samples (2 ms) is a gap the server filled; the
# track's own quiet runs are shorter (33 samples at most in its first minute).
GAP = 88
# Yet the server's gaps may be shorter, down to a few samples: where the
# track is followed window by window, a run of this many silent samples is
# taken for a gap. A quiet run of the track's own taken for one only makes
# the sound left out seem a little larger.
SHORT_GAP = 8
# The track is followed in windows of 50 ms, each looked for up to SEARCH
# past where it would be if nothing was lost (which bounds the sound Wine's
# driver may drop at once) and SEARCH_BACK before it (to tell sound played twice).
WINDOW = RATE // 20
SEARCH = RATE // 2
SEARCH_BACK = RATE // 10
# At least this share of the windows that hold no gap must be found as the
# track. Wine's driver drops sound at splices and each costs one window: in
# runs on an idle machine no window held a splice, and with three busy loops on
# two cores one in 336 did. Other sound, or the track out of order or at
# another speed, is found in none.
MUST_FIND = 0.5
# The longest stretch of windows found one after another, with no jump, over
# which the speed is measured: a track 0.2 % fast jumps at every window.
STRETCH = RATE // 2
# The recorder asks for a latency of 10 ms (scripts/sound_recorder.py), and the
# null sink then renders about as far ahead of the wall clock, so a sample's
# wall time, taken from when its piece arrived, comes out early: in five runs on
# both paths the track's first sample came out 11 to 14 ms before the DLL's log
# had even queued it. A start is judged with twice that room; the intro's CD
# commands come within 1 ms of one another, so no finer judgement would tell
# them apart anyway. A busy machine only delays the pieces, which makes a
# sample's time come out later, never earlier.
EARLY = 0.030
# The opening may be lost on the way (Wine's driver, the server): the first
# sound is looked for this far into the track.
OPENING = 3 * RATE
# The DLL's last buffer before the stop came at most this long before it. It
# queues 50 ms buffers as each plays out, on a thread above normal priority.
LAST_BUFFER = 1.0
# Silence is judged from this long after the stop to the recording's end. The
# sound stopped within 7 ms of the stop in every run measured (docs/performance.md).
SILENT_AFTER = 1.0


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
    """Wall times of the commands and the DLL's own events in its log, and the
    buffers it queued as (segment, first sample, end) under "buffers"."""
    events = {"buffers": []}
    for line in open(log, encoding="latin-1"):
        m = re.match(r"(\d+\.\d+) (.*)", line.strip())
        if not m:
            continue
        when, what = float(m.group(1)), m.group(2)
        queued = re.match(r"buffer queued: segment (\d+), samples (\d+) to (\d+)$", what)
        if queued:
            events["buffers"].append(tuple(int(n) for n in queued.groups()))
            events.setdefault("buffer_times", []).append(when)
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
    coefficients = likeness(signal_[first:last + len(template)], template)
    at = int(np.argmax(coefficients))
    return first + at, float(coefficients[at])


def silent_runs(rec, first, last, shortest):
    """The runs of at least `shortest` silent samples in rec[first:last], as
    (begin, end) pairs."""
    quiet = np.abs(rec[first:last]) < SOUND
    edges = np.diff(np.concatenate(([0], quiet.astype(np.int8), [0])))
    return [(first + int(begin), first + int(end))
            for begin, end in zip(np.nonzero(edges == 1)[0], np.nonzero(edges == -1)[0]) if end - begin >= shortest]


def pieces(rec, first, last):
    """The runs of sound in rec[first:last] between the server's gaps (runs of
    at least GAP silent samples), as (begin, end) pairs."""
    gaps = silent_runs(rec, first, last, GAP)
    bounds = [first] + [edge for gap in gaps for edge in gap] + [last]
    return [(begin, end) for begin, end in zip(bounds[::2], bounds[1::2]) if end > begin]


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
    stop_at = index(stop)
    print(f"measure recorded_seconds {len(rec) / RATE:.3f}")

    # The sound from just before the play command to the stop, in the pieces
    # the server's gaps cut it into.
    near = max(index(play) - RATE // 2, 0)
    runs = pieces(rec, near, stop_at)
    if not runs:
        verdict(False, "the recording holds sound between the play command and the stop")
        return 1

    # Track 5 from its opening: the first piece lies at the track's first
    # sound, unless Wine's driver dropped some of it (measured with the rest
    # of the sound left out, below); `start` is where the track's first
    # sample would have sounded.
    first, end = runs[0]
    lead = int(np.argmax(np.abs(track) >= SOUND))  # the track's own quiet start
    # As long a stretch as matches: a second tells the place for sure, and a
    # shorter one still does where Wine's driver dropped sound inside it.
    for length in (RATE, RATE // 4, WINDOW):
        opening_at, coefficient = best_match(track, rec[first:first + min(end - first, length)], 0, lead + OPENING)
        if coefficient > 0.9:
            break
    verdict(opening_at is not None and coefficient > 0.9 and opening_at >= lead - GAP,
            f"the first sound is track 5 from its opening (correlation {coefficient:.4f}, "
            f"{((opening_at or 0) - lead) * 1000 / RATE:.1f} ms into it)")
    if opening_at is None:
        return 1
    print(f"measure opening_left_out_ms {max(opening_at - lead, 0) * 1000 / RATE:.1f}")
    print(f"measure first_sound_ms {(wall(first) - play) * 1000:.1f}")
    start = first - opening_at
    print(f"measure start_latency_ms {(wall(start) - play) * 1000:.1f}")
    if "queued" in events:
        print(f"measure first_buffer_ms {(events['queued'][0] - play) * 1000:.1f}")
    verdict(wall(start) > play - EARLY, "the track begins after the play command, as near as the recording tells")
    verdict(np.max(np.abs(rec[:start]), initial=0) < SOUND, "the recording is silent before the track begins")

    # What the DLL handed the system: the track from its first sample, each
    # buffer where the one before it ended. What the recording lost beyond
    # that was lost on the way (below).
    buffers = events["buffers"]
    breaks = [b for a, b in zip(buffers, buffers[1:]) if b[0] != a[0] or b[1] != a[2]]
    verdict(bool(buffers) and buffers[0][:2] == (0, 0) and not breaks,
            f"the DLL queued the track from its first sample, each buffer where the one before ended "
            f"({len(buffers)} buffers" + (f", breaks at {breaks[:3]})" if breaks else ")"))
    before_stop = [t for t in events.get("buffer_times", []) if t <= stop]
    last_gap = stop - before_stop[-1] if before_stop else float("inf")
    verdict(last_gap < LAST_BUFFER,
            f"the DLL kept queueing the track up to the stop (its last buffer {last_gap * 1000:.0f} ms before it)")

    # Then the track up to the stop, window by window, each looked for near
    # where it would be if nothing was lost. A machine too busy for Wine's sound
    # thread lets the server's short buffer run dry: the server plays silence
    # meanwhile (a gap), and Wine's driver, whose clock runs on regardless,
    # drops what it could not hand over in time, at a gap or between two
    # windows. So the windows found must be the track in order, never heard
    # twice; a window that holds a gap or a splice is not found, and a few of
    # those are allowed; what was left out is measured, and allowed up to a
    # small share of the track.
    in_gap = np.zeros(stop_at, bool)
    for begin, end in silent_runs(rec, near, runs[-1][1], SHORT_GAP):
        in_gap[begin:end] = True
    found, unfound, gap_windows, repeated, left_out = [], 0, 0, [], max(opening_at - lead, 0)
    missed_in_a_row = longest_miss = 0
    heard_to, track_to = first, opening_at  # where the last window found ends, in both
    for at in range(first, runs[-1][1] - WINDOW, WINDOW):
        if in_gap[at:at + WINDOW].any():
            gap_windows += 1
            continue
        expected = track_to + (at - heard_to) - int(np.count_nonzero(in_gap[heard_to:at]))
        t, c = best_match(track, rec[at:at + WINDOW], expected - SEARCH_BACK, expected + SEARCH)
        if t is None or c <= 0.9:
            unfound += 1
            missed_in_a_row += 1
            longest_miss = max(longest_miss, missed_in_a_row)
            continue
        missed_in_a_row = 0
        if t < expected - GAP:
            repeated.append(f"{(expected - t) * 1000 / RATE:.1f} ms at {(at - start) / RATE:.2f} s")
        left_out += max(t - expected, 0)
        found.append((at, t))
        heard_to, track_to = at + WINDOW, t + WINDOW
    gaps = int(np.count_nonzero(in_gap[start:]))
    played = found[-1][1] + WINDOW if found else 0
    print(f"measure gaps_ms {gaps * 1000 / RATE:.1f}")
    print(f"measure left_out_ms {left_out * 1000 / RATE:.1f}")
    print(f"measure windows_found {len(found)} of {len(found) + unfound} ({gap_windows} more hold a gap)")
    print(f"measure longest_miss_windows {longest_miss}")
    print(f"measure left_out_share {left_out / max(played, 1):.4f}")
    verdict(len(found) > 0 and len(found) >= (len(found) + unfound) * MUST_FIND,
            f"the track's windows up to the stop are found in order ({len(found)} of {len(found) + unfound})")
    verdict(not repeated, "no sound of the track is heard twice" + (f" ({', '.join(repeated[:5])})" if repeated else ""))

    # The right speed: over the longest stretch of windows found one after
    # another without a jump, the track moves on as fast as the recording.
    stretch, best = [], []
    for at, t in found:
        if stretch and (at - stretch[-1][0] != WINDOW or abs((t - stretch[-1][1]) - WINDOW) > 3):
            stretch = []
        stretch.append((at, t))
        best = max(best, stretch, key=len)
    if len(best) < STRETCH // WINDOW:
        verdict(False, "half a second of the track plays without a jump, to measure its speed by")
    else:
        speed = (best[-1][1] - best[0][1]) / (best[-1][0] - best[0][0])
        print(f"measure speed {speed:.6f}")
        verdict(abs(speed - 1) < 0.001, f"the track plays at its own speed ({speed:.5f})")

    tail = rec[stop_at - RATE // 2:stop_at]
    print(f"measure level_before_stop_dbfs {20 * np.log10(max(np.sqrt(np.mean(tail ** 2)), 1e-9)):.1f}")

    # After the stop: the last sound, and nothing after it to the end of the recording.
    loud = np.nonzero(np.abs(rec) >= SOUND)[0]
    end = int(loud[-1]) if len(loud) else 0
    print(f"measure stop_latency_ms {(wall(end) - stop) * 1000:.1f}")
    if "silenced" in events:
        print(f"measure silenced_in_dll_ms {(events['silenced'][-1] - stop) * 1000:.1f}")
    after = index(stop + SILENT_AFTER)
    verdict(len(rec) - after >= RATE // 2, "the recording goes on for half a second past a second after the stop")
    verdict(np.max(np.abs(rec[after:]), initial=0) < SOUND,
            f"the recording is silent from {SILENT_AFTER:.0f} s after the stop to its end")
    return 1 if failures else 0


# The parts of a track looked for by "twice": 200 ms windows, each its own
# place in a sweep; a window a dropped piece of sound spoiled still matches
# far better than this, and any other place of the sweep far worse.
PART = RATE // 5
LIKE = 0.7


def likeness(signal_, template):
    """The correlation coefficient of template at every offset of the signal."""
    n = len(signal_) + len(template)
    size = 1 << (n - 1).bit_length()
    last = len(signal_) - len(template)
    corr = np.fft.irfft(np.fft.rfft(signal_, size) * np.conj(np.fft.rfft(template, size)), size)[: last + 1]
    # Each offset's energy under the template, from running sums (a direct sum per
    # offset costs the template's length each time).
    sums = np.concatenate(([0.0], np.cumsum(signal_ ** 2)))
    energy = (sums[len(template):] - sums[:-len(template)])[: last + 1]
    return np.nan_to_num(corr / np.sqrt(np.maximum(energy, 1e-20) * np.sum(template ** 2)))


def occurrences(signal_, template, apart):
    """The offsets where template is found (LIKE or better), at least `apart` from each other."""
    coefficients = likeness(signal_, template)
    found = []
    while True:
        at = int(np.argmax(coefficients))
        if coefficients[at] < LIKE:
            return sorted(found)
        found.append(at)
        coefficients[max(at - apart, 0):at + apart] = 0


def twice(base, wav_path):
    rec, _ = recording(base)
    track = mono_of_wav(wav_path)
    n = len(track)
    parts = {"start": track[:PART], "late": track[n * 3 // 4:n * 3 // 4 + PART], "end": track[n - PART:]}
    events = sorted((at, name) for name, part in parts.items() for at in occurrences(rec, part, n // 2))
    for at, name in events:
        print(f"measure {name}_at_s {at / RATE:.3f}")
    order = [name for _, name in events]
    # The opening of the first play may be missing from a recording (the
    # server's start), and so may the second play's last fifth of a second: the
    # program stops and ends once the device says the play is done, and on a busy
    # machine the server still holds that much then. Every part between must be
    # there, in the order of two plays.
    heard = order[1:] if order[:1] == ["start"] else order
    ok = heard in (["late", "end", "start", "late", "end"], ["late", "end", "start", "late"])
    print(("ok   " if ok else "FAIL ") + f"the recording holds the track twice, in order: {' '.join(order)}")
    return 0 if ok else 1


def level(base):
    rec, _ = recording(base)
    window = RATE // 20
    windows = rec[: len(rec) // window * window].reshape(-1, window)
    rms = np.sqrt(np.mean(windows ** 2, axis=1))
    # Only windows of sound throughout: the server's silence is a run of exact zeros,
    # while music crosses zero now and then.
    sounding = rms[np.count_nonzero(windows, axis=1) >= window * 0.99]
    if len(sounding) == 0:
        sys.exit("analyse: the recording holds no sound")
    print(f"{20 * np.log10(np.median(sounding)):.3f}")
    return 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "record":
        record(sys.argv[2])
        return 0
    if len(sys.argv) == 3 and sys.argv[1] == "level":
        return level(sys.argv[2])
    if len(sys.argv) == 4 and sys.argv[1] == "twice":
        return twice(*sys.argv[2:])
    if len(sys.argv) == 5 and sys.argv[1] == "check":
        return check(*sys.argv[2:])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main())
