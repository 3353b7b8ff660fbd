// The bitmap fuzzer: every input runs through the loaders on a new machine of
// the host stand-in (fuzz/bitmap_input.h says how its bytes are read); a broken
// promise aborts, so the input is kept as a crash.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/bitmap_input.h"

// The one file the file roads write, unique to this process.
static std::string filePath;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* folder = std::getenv("TMPDIR");
    filePath = std::string(folder ? folder : "/tmp") + "/bitmap-fuzz-" + std::to_string(::getpid()) + ".bmp";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string broken = fuzz::RunBitmapInput(data, size, filePath);
    if (!broken.empty()) {
        std::fprintf(stderr, "bitmap fuzzer: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
