#include "player/ddraw/frame_clock_rules.h"

#include <algorithm>

namespace player {

Pace::Pace(int64_t ticksPerSecond, int32_t framesPerSecond)
    : ticksPerSecond_(std::max<int64_t>(1, ticksPerSecond)), framesPerSecond_(std::max<int32_t>(1, framesPerSecond))
{
}

int64_t Pace::DueTime(int64_t frame) const
{
    return start_ + frame * ticksPerSecond_ / framesPerSecond_;
}

int64_t Pace::Due(int64_t now)
{
    if (started_) {
        const int64_t due = DueTime(frame_ + 1);
        // Later than one whole period past its time: the frames had stopped.
        if (now - due <= Period()) {
            frame_ += 1;
            fresh_ = false;
            shown_ = std::max(std::max(due, shown_ + Spacing()), now);
            return shown_;
        }
    }
    // A fresh start, but no sooner after the frame before than any other frame:
    // frames that stopped for a while go at once; one late because the frame
    // before was shown very late keeps its distance from it.
    const int64_t start = started_ ? std::max(now, shown_ + Spacing()) : now;
    started_ = true;
    fresh_ = true;
    start_ = start;
    frame_ = 0;
    shown_ = start;
    return start;
}

void Pace::Shown(int64_t at)
{
    shown_ = std::max(shown_, at);
}

// A tenth of a millisecond at least, two at most: past that a late wake-up is
// taken as lateness, not spun away.
SleepMargin::SleepMargin(int64_t ticksPerSecond)
    : least_(ticksPerSecond / 10000), most_(ticksPerSecond / 500), margin_(ticksPerSecond / 1000)
{
}

int64_t SleepMargin::SleepTicks(int64_t now, int64_t due) const
{
    return std::max<int64_t>(0, due - now - margin_);
}

void SleepMargin::Woke(int64_t asked, int64_t took)
{
    const int64_t late = std::max<int64_t>(0, took - asked);
    const int64_t wanted = std::min(most_, late + least_);
    margin_ += (wanted - margin_) / 8;  // some five sleeps to come halfway
}

}  // namespace player
