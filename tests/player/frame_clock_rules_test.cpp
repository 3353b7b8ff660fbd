// The frame clock on a fake clock: due times from the start, late frames let
// through, a fresh start after a stall and no racing to catch up; and the
// margin a sleep leaves for its spin.
#include <gtest/gtest.h>

#include <vector>

#include "player/ddraw/frame_clock_rules.h"

namespace {

// A clock of microseconds: 60 frames a second are 16666.67 ticks apart.
const int64_t kMicroseconds = 1000000;

// The due times of frames that each come in as soon as the one before returned.
std::vector<int64_t> DueTimes(player::Pace& pace, int64_t start, int frames)
{
    std::vector<int64_t> due;
    int64_t now = start;
    for (int i = 0; i < frames; ++i) {
        now = pace.Due(now);
        due.push_back(now);
    }
    return due;
}

TEST(Pace, DueTimesAreTakenFromTheStartSoRoundingNeverAddsUp)
{
    player::Pace pace(kMicroseconds, 60);
    const std::vector<int64_t> due = DueTimes(pace, 1000, 601);
    const std::vector<int64_t> first = {1000, 17666, 34333, 51000, 67666, 84333, 101000};
    EXPECT_EQ(std::vector<int64_t>(due.begin(), due.begin() + 7), first);
    EXPECT_EQ(due[60], 1000 + kMicroseconds) << "60 frames are one second exactly";
    EXPECT_EQ(due[600], 1000 + 10 * kMicroseconds) << "600 frames are ten seconds exactly";
    EXPECT_TRUE(pace.Due(due[600] + 1) > due[600]);
    EXPECT_EQ(pace.Frame(), 601);
    EXPECT_FALSE(pace.Fresh());
}

TEST(Pace, TheFirstFrameStartsTheClockAndGoesAtOnce)
{
    player::Pace pace(kMicroseconds, 60);
    EXPECT_EQ(pace.Due(5000), 5000);
    EXPECT_TRUE(pace.Fresh());
    EXPECT_EQ(pace.Frame(), 0);
    EXPECT_EQ(pace.Due(5001), 21666);
    EXPECT_FALSE(pace.Fresh());
    EXPECT_EQ(pace.Frame(), 1);
}

TEST(Pace, AFrameLateByUpToAPeriodGoesAtOnceAndTheNextNoSoonerThanNineteenTwentieths)
{
    struct Case {
        int64_t late;  // past frame 1's due time of 16666
        bool fresh;
        int64_t next;  // when frame 2, ready at once, is let through
    };
    const Case cases[] = {
        {0, false, 33333},      // on time: the next on its own time
        {1, false, 33333},      // 16667 + 15833 is sooner than its time
        {5000, false, 37499},   // 21666 + 15833
        {16666, false, 49165},  // a whole period late still counts as late
        {16667, true, 49999},   // more than that: a fresh start, a period on
        {40000, true, 73332},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.late);
        player::Pace pace(kMicroseconds, 60);
        pace.Due(0);
        const int64_t now = 16666 + c.late;
        EXPECT_EQ(pace.Due(now), now) << "a late frame is let through when it comes";
        EXPECT_EQ(pace.Fresh(), c.fresh);
        EXPECT_EQ(pace.Due(now), c.next);
    }
}

TEST(Pace, AFrameShownLateIsMadeUpATwentiethOfAPeriodAFrame)
{
    player::Pace pace(kMicroseconds, 60);
    pace.Due(0);
    EXPECT_EQ(pace.Due(0), 16666);
    pace.Shown(21666);  // the sleep woke five milliseconds late
    std::vector<int64_t> due;
    int64_t shown = 21666;
    for (int i = 0; i < 7; ++i) {
        shown = pace.Due(shown);
        pace.Shown(shown);
        due.push_back(shown);
    }
    // 15833 apart until the frames are on their times (116666, 133333) again.
    EXPECT_EQ(due, (std::vector<int64_t>{37499, 53332, 69165, 84998, 100831, 116666, 133333}));
    EXPECT_FALSE(pace.Fresh());
    EXPECT_EQ(pace.Frame(), 8);
}

TEST(Pace, AfterAStallTheFramesComeAPeriodApartWithoutCatchingUp)
{
    player::Pace pace(kMicroseconds, 60);
    const std::vector<int64_t> before = DueTimes(pace, 0, 100);
    // The intro was in the background for a second and a half.
    const int64_t back = before.back() + 1500000;
    const std::vector<int64_t> after = DueTimes(pace, back, 30);
    EXPECT_EQ(after[0], back);
    EXPECT_EQ(pace.Frame(), 29);
    for (size_t i = 1; i < after.size(); ++i) {
        const int64_t apart = after[i] - after[i - 1];
        EXPECT_TRUE(apart == 16666 || apart == 16667) << "frame " << i << " came " << apart << " after the one before";
    }
}

TEST(Pace, AFreshStartAfterAFrameShownFarTooLateKeepsItsDistanceFromIt)
{
    player::Pace pace(kMicroseconds, 60);
    pace.Due(0);
    EXPECT_EQ(pace.Due(0), 16666);
    pace.Shown(56666);  // the machine held the sleep 40 ms past its time
    EXPECT_EQ(pace.Due(56766), 72499) << "more than a period behind: a fresh start, but 15833 after the last";
    EXPECT_TRUE(pace.Fresh());
    EXPECT_EQ(pace.Frame(), 0);
    EXPECT_EQ(pace.Due(72499), 89165) << "and the new clock runs from there";
}

TEST(Pace, HighRatesAndTheSystemCounterOfTenMegahertz)
{
    player::Pace fast(10000000, 2000);
    const std::vector<int64_t> due = DueTimes(fast, 40, 5);
    EXPECT_EQ(due, (std::vector<int64_t>{40, 5040, 10040, 15040, 20040}));
    player::Pace zero(10000000, 0);  // a rate of nothing is taken as one a second
    zero.Due(0);
    EXPECT_EQ(zero.Due(1), 10000000);
}

TEST(SleepMargin, SleepsEndAMarginEarlyAndTheMarginSettlesOnTheUsualLateness)
{
    player::SleepMargin margin(10000000);  // ticks of 100 ns, a millisecond is 10000
    EXPECT_EQ(margin.Margin(), 10000) << "a millisecond to begin with";
    EXPECT_EQ(margin.SleepTicks(0, 166667), 156667);
    EXPECT_EQ(margin.SleepTicks(160000, 166667), 0) << "less than the margin left: only the spin";
    EXPECT_EQ(margin.SleepTicks(170000, 166667), 0) << "past due: no sleep at all";

    // Wine's sleeps wake some 50 microseconds late: the margin comes down to that and a tenth more.
    for (int i = 0; i < 200; ++i)
        margin.Woke(100000, 100500);
    EXPECT_GE(margin.Margin(), 1493);
    EXPECT_LE(margin.Margin(), 1507);
    EXPECT_EQ(margin.SleepTicks(0, 166667), 166667 - margin.Margin());
}

TEST(SleepMargin, ARareLateWakeUpMovesTheMarginAnEighthOfTheWay)
{
    player::SleepMargin margin(10000000);
    for (int i = 0; i < 200; ++i)
        margin.Woke(100000, 100500);
    const int64_t settled = margin.Margin();
    margin.Woke(100000, 150000);  // five milliseconds late: the machine was busy
    EXPECT_EQ(margin.Margin(), settled + (20000 - settled) / 8) << "the spike counts up to two milliseconds";
    for (int i = 0; i < 40; ++i)
        margin.Woke(100000, 100500);
    EXPECT_LE(margin.Margin(), settled + 8) << "and the usual wake-ups bring it back";
}

TEST(SleepMargin, TheMarginStaysWithinATenthOfAMillisecondAndTwo)
{
    player::SleepMargin margin(10000000);
    for (int i = 0; i < 200; ++i)
        margin.Woke(100000, 900000);  // woke 80 ms late each time: stalls, not the timer
    EXPECT_LE(margin.Margin(), 20000);
    EXPECT_GE(margin.Margin(), 19990);
    for (int i = 0; i < 200; ++i)
        margin.Woke(100000, 99000);  // woke early
    EXPECT_GE(margin.Margin(), 1000);
    EXPECT_LE(margin.Margin(), 1008);
}

}  // namespace
