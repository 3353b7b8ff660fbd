// The test kit's session: the real intro on the host stand-in, as the tests,
// the frame renderer and the benchmarks start it. The stand-in (host/) knows
// nothing of the program; this is where the two meet.
#ifndef INTRO_TESTKIT_SESSION_H
#define INTRO_TESTKIT_SESSION_H

#include <cstdint>
#include <string>
#include <vector>

namespace kit {

// The project's own sheet, resources/all.bmp.
std::string ProjectSheetPath();
// A file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// A new machine whose program carries this BMP file as its bitmap "ALL", and
// the intro's state as at process start.
void PrepareIntro(const std::vector<uint8_t>& sheetBmp);

// InitDisplay as WinMain calls it; its result. The sheet is labelled "sheet" in the log.
int StartIntro();

// WinMain as the platform's start-up calls it, to the end of the process: the
// status it returned, or the one ExitProcess was given.
int RunWinMain();

}  // namespace kit

#endif
