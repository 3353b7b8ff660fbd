// The clock that paces the intro's flips, apart from the platform's clock and
// sleep: times are ticks of a counter (QueryPerformanceCounter in the DLL, a
// fake one in the tests).
#ifndef INTRO_PLAYER_DDRAW_FRAME_CLOCK_RULES_H
#define INTRO_PLAYER_DDRAW_FRAME_CLOCK_RULES_H

#include <cstdint>

namespace player {

// Frame k after a start at s is due at s + k / N seconds, each due time taken
// from the start, not from the frame before, so rounding and late wake-ups do
// not add up. A frame that comes in after its due time is let through at once;
// one that comes in more than a whole period late means the frames had stopped
// (the intro was in the background, or held): the clock starts afresh from
// that frame, so the intro never races to catch up on the frames it missed.
// Nor does it race after a frame shown late (a loaded machine woke it late):
// no two frames come closer than 19/20 of a period, a fresh start included, so
// the lost time is made up a twentieth of a period a frame until the frames
// are on time again.
class Pace {
public:
    Pace(int64_t ticksPerSecond, int32_t framesPerSecond);

    // A frame is ready at `now`: the time it is to be let through, `now` itself
    // when it is due already. The first frame starts the clock.
    int64_t Due(int64_t now);
    // The frame was let through at `at`, its due time or later.
    void Shown(int64_t at);

    // Whether the last Due started the clock afresh (the first frame included).
    bool Fresh() const { return fresh_; }
    // Frames since the clock last started: 0 for the frame that started it.
    int64_t Frame() const { return frame_; }
    int64_t Period() const { return ticksPerSecond_ / framesPerSecond_; }
    // The least time between two frames.
    int64_t Spacing() const { return ticksPerSecond_ * 19 / 20 / framesPerSecond_; }

private:
    int64_t DueTime(int64_t frame) const;

    int64_t ticksPerSecond_;
    int32_t framesPerSecond_;
    bool started_ = false;
    bool fresh_ = false;
    int64_t start_ = 0;
    int64_t frame_ = 0;
    int64_t shown_ = 0;  // when the last frame was let through
};

// How long before a due time a sleep should end, so that a short spin finishes
// the wait on time: the platform's sleeps wake late by an amount of their own
// (a tenth of a millisecond under Wine, up to the timer's resolution on
// Windows). The margin follows the lateness seen, smoothed: each sleep moves
// it an eighth of the way to its own lateness (and a tenth of a millisecond
// more), within its bounds. It settles where the sleeps usually wake; a rare
// late wake-up of a loaded machine moves it a little, not to the spike, so
// the spin (processor time) stays short.
class SleepMargin {
public:
    explicit SleepMargin(int64_t ticksPerSecond);

    // Ticks to sleep from `now` towards `due`: 0 when the margin or less is left.
    int64_t SleepTicks(int64_t now, int64_t due) const;
    // A sleep of `asked` ticks took `took` ticks.
    void Woke(int64_t asked, int64_t took);
    int64_t Margin() const { return margin_; }
    int64_t Least() const { return least_; }
    int64_t Most() const { return most_; }

private:
    int64_t least_, most_, margin_;
};

}  // namespace player

#endif
