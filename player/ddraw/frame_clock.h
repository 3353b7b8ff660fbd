// The frame clock of the player's ddraw.dll: each Flip returns on a steady
// clock of N frames a second (pace.h), waiting in a sleep of fine resolution
// and a spin of a fraction of a millisecond at its end. With the log set, each
// flip writes one line:
//
//   flip n=12 at=T frame=K fresh=0 present=P slept=S late=L drawn=D
//
// n counts the flips, T is the QueryPerformanceCounter value at which Flip
// returned, K the frame since the clock last started (fresh=1 when this flip
// started it afresh), P the ticks spent showing the picture, S the ticks
// slept, L how many ticks after its due time it returned, D whether the
// picture was drawn (0: the window showed that frame already). The first line says
// how many ticks make a second. The screen adds a line when its layout changes.
#ifndef INTRO_PLAYER_DDRAW_FRAME_CLOCK_H
#define INTRO_PLAYER_DDRAW_FRAME_CLOCK_H

#include <cstdint>
#include <string>

namespace player {

// The DirectDraw object is made: the clock starts at the first flip; the log,
// when a path is given, is opened anew.
void StartClock(int32_t framesPerSecond, const std::string& logPath);

// Now, in ticks of QueryPerformanceCounter.
int64_t ClockNow();

// A flip came in at `entered` and has shown its picture, drawn anew or not:
// returns at its due time.
void FlipShown(int64_t entered, bool drawn);

// The flips since the clock started, the one under way not counted.
int64_t FlipCount();

// The DirectDraw object is released: the log is closed.
void StopClock();

// One line of the log, if there is one.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace player

#endif
