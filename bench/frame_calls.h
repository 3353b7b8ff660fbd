// The drawing calls the intro makes, frame by frame, as the host stand-in
// logged them: what the memory-copy bound copies and what the Windows
// baseline program replays.
#ifndef INTRO_BENCH_FRAME_CALLS_H
#define INTRO_BENCH_FRAME_CALLS_H

#include <cstdint>
#include <string>
#include <vector>

// One drawing call, in the layout the baseline program reads: little-endian
// 32-bit fields, rectangles as left, top, right, bottom.
struct DrawCall {
    int32_t kind;         // kBltFast, kBlt or kFlip
    int32_t flags;
    int32_t source[4];    // on the sheet
    int32_t target[4];    // on the back buffer (for BltFast: x, y and the size of the source)
};
enum : int32_t { kBltFast = 1, kBlt = 2, kFlip = 3 };

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

// Bytes a call writes into the back buffer (0 for a flip, which swaps).
long BytesWritten(const DrawCall& call);

#endif
