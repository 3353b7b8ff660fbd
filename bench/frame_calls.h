// The drawing calls the intro makes, frame by frame, as the host stand-in
// logged them: what the Windows baseline program replays.
#ifndef INTRO_BENCH_FRAME_CALLS_H
#define INTRO_BENCH_FRAME_CALLS_H

#include <string>
#include <vector>

#include "bench/draw_call.h"

struct FrameCalls {
    long frame = 0;
    std::vector<DrawCall> calls;
};

// Starts the intro on a new host machine with the project's sheet, recording
// off; false when it does not start.
bool StartHostIntro();

// Renders frames up to `last` from where the intro stands and returns the
// drawing calls of frames `first` to `last` as the stand-in logged them. Empty
// with a message in `error` when a logged call cannot be read.
std::vector<FrameCalls> RecordFrames(long first, long last, std::string* error);

#endif
