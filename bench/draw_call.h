// The file of recorded drawing calls that record-calls writes on the host and
// the Windows baseline program replays: "VTHCALLS", a 32-bit count, then the calls.
#ifndef INTRO_BENCH_DRAW_CALL_H
#define INTRO_BENCH_DRAW_CALL_H

#include <cstdint>

// The file's first eight bytes.
const char kCallsFileMagic[] = "VTHCALLS";
const int kCallsFileMagicBytes = 8;

// One drawing call, in the layout the baseline program reads: little-endian
// 32-bit fields, rectangles as left, top, right, bottom.
struct DrawCall {
    int32_t kind;         // kBltFast, kBlt or kFlip
    int32_t flags;
    int32_t source[4];    // on the sheet
    int32_t target[4];    // on the back buffer (for BltFast: x, y and the size of the source)
};
enum : int32_t { kBltFast = 1, kBlt = 2, kFlip = 3 };

#endif
