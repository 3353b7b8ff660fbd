#!/usr/bin/python3
"""How far apart, in a recording of scripts/run.sh --record, the first frame of the
logo and the first sound of track 5 are, for bench/sections/recording.sh (Debian's python3 and python3-numpy).

  sync.py VIDEO FRAME1500.png FRAME1501.png TRACK.wav

The logo's moment: the first video frame nearer to intro-frames' frame 1501 than to
its frame 1500, after one nearer to 1500. The track's: where its first half second
fit the recording's sound best (no longer: a busy machine may let the sound server
run dry for a moment, and what follows comes that much later). Prints "measure NAME VALUE" lines, the last of them
sync_ms (the track's moment less the logo's, in milliseconds).
"""
import subprocess
import sys

import numpy as np

W, H, RATE = 80, 60, 44100


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def gray(path):
    """Each frame of a picture or video at W x H in grey, as rows of floats."""
    # Every frame as recorded, none repeated to fill a steady rate, so that frame i has time i.
    raw = run("ffmpeg", "-v", "error", "-i", path, "-fps_mode", "passthrough", "-vf", f"scale={W}:{H}:flags=area,format=gray",
              "-f", "rawvideo", "-")
    return np.frombuffer(raw, np.uint8).reshape(-1, H * W)


def distances(frames, picture):
    """The mean difference of each frame from one picture, a block of frames at a time."""
    picture = picture.astype(np.int16)
    return np.concatenate([np.abs(frames[i:i + 500].astype(np.int16) - picture).mean(axis=1)
                           for i in range(0, len(frames), 500)])


def logo_time(video, before, logo):
    frames = gray(video)
    times = [float(t.split(b",")[0]) for t in run("ffprobe", "-v", "error", "-select_streams", "v:0",
             "-show_entries", "frame=best_effort_timestamp_time", "-of", "csv=p=0", video).split()]
    to_before = distances(frames, gray(before)[0])
    to_logo = distances(frames, gray(logo)[0])
    seen_before = False
    for i, t in enumerate(times[: len(frames)]):
        if to_before[i] < to_logo[i]:
            seen_before = True
        elif seen_before:
            print(f"measure logo_frame_difference {to_logo[i]:.2f}")
            return t
    sys.exit("FAIL no frame of the logo after one of frame 1500 in the video")


def track_time(video, track):
    start = float(run("ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=start_time",
                      "-of", "csv=p=0", video).split()[0])
    sound = np.frombuffer(run("ffmpeg", "-v", "error", "-i", video, "-map", "0:a", "-ac", "1", "-ar", str(RATE),
                              "-f", "s16le", "-"), "<i2").astype(np.float64)
    template = np.frombuffer(run("ffmpeg", "-v", "error", "-i", track, "-t", "0.5", "-ac", "1", "-ar", str(RATE),
                                 "-f", "s16le", "-"), "<i2").astype(np.float64)
    n = 1 << int(np.ceil(np.log2(len(sound) + len(template))))
    corr = np.fft.irfft(np.fft.rfft(sound, n) * np.conj(np.fft.rfft(template, n)), n)[: len(sound) - len(template)]
    # Normalised by the sound's energy under the template at each lag.
    # Silence scores nothing, however it is divided.
    squares = np.concatenate(([0.0], np.cumsum(sound ** 2)))
    energy = (squares[len(template):] - squares[:-len(template)])[: len(corr)]
    template_energy = np.sum(template ** 2)
    score = corr / np.sqrt(np.maximum(energy, 1e-3 * template_energy) * template_energy)
    at = int(np.argmax(score))
    print(f"measure track_match {score[at]:.4f}")
    if score[at] < 0.8:
        sys.exit("FAIL track 5 is not in the recording's sound")
    return start + at / RATE


def main():
    video, before, logo, track = sys.argv[1:5]
    shown = logo_time(video, before, logo)
    heard = track_time(video, track)
    print(f"measure logo_s {shown:.3f}")
    print(f"measure track_s {heard:.3f}")
    print(f"measure sync_ms {(heard - shown) * 1000:.1f}")


if __name__ == "__main__":
    main()
