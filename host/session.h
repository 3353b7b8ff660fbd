// Running the real intro on the host stand-in: what the tests and the frame
// renderer share to put the sheet among the program's resources and start it.
#ifndef INTRO_HOST_SESSION_H
#define INTRO_HOST_SESSION_H

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// The project's own sheet, resources/all.bmp.
std::string DefaultSheetPath();
// A file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// A new machine whose program carries this BMP file as its bitmap "ALL", and
// the intro's state as at process start.
void PrepareIntro(const std::vector<uint8_t>& sheetBmp);

// InitDisplay as WinMain calls it; its result.
int StartIntro();

// WinMain as the platform's start-up calls it, to the end of the process: the
// status it returned, or the one ExitProcess was given.
int RunWinMain();

}  // namespace host

#endif
