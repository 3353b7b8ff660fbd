// record-calls FILE: writes the intro's drawing calls from frame 1 to the
// closing key, as the host stand-in logged them, for the Windows baseline
// program to replay. The file: "VTHCALLS", a 32-bit count, then the calls.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/frame_calls.h"
#include "intro/intro.h"

static bool WriteCalls(const char* path, const std::vector<FrameCalls>& frames)
{
    std::vector<DrawCall> calls;
    for (const FrameCalls& frame : frames)
        calls.insert(calls.end(), frame.calls.begin(), frame.calls.end());
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    int32_t count = (int32_t)calls.size();
    bool written = std::fwrite(kCallsFileMagic, 1, kCallsFileMagicBytes, file) == (size_t)kCallsFileMagicBytes && std::fwrite(&count, sizeof count, 1, file) == 1 &&
                   std::fwrite(calls.data(), sizeof(DrawCall), calls.size(), file) == calls.size();
    return std::fclose(file) == 0 && written;
}

int main(int argc, char** argv)
{
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::printf("usage: record-calls FILE\nWrites every drawing call of the whole sequence to FILE, "
                    "for the baseline program to replay.\n");
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: record-calls FILE\n");
        return 2;
    }
    std::string error;
    if (!StartHostIntro()) {
        std::fprintf(stderr, "record-calls: the intro does not start on the host\n");
        return 1;
    }
    std::vector<FrameCalls> frames = RecordFrames(1, kClosingFrame, &error);
    if (frames.empty() || !WriteCalls(argv[1], frames)) {
        std::fprintf(stderr, "record-calls: %s\n", error.empty() ? "cannot write the file" : error.c_str());
        return 1;
    }
    std::printf("record-calls: %s: %zu frames\n", argv[1], frames.size());
    return 0;
}
