// sheet-check FILE.bmp: tells whether an artwork sheet can be used by the intro as it is.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sheet_rules.h"

namespace {

constexpr int kUsable = 0;
constexpr int kRefused = 1;
constexpr int kBadInput = 2;

constexpr char kUsageLine[] = "usage: sheet-check FILE.bmp (--help tells more)\n";

void PrintHelp()
{
    std::printf(
        "usage: sheet-check FILE.bmp\n"
        "Checks an artwork sheet (320x1728, 8-bit, 256 colours) against every rule the\n"
        "intro relies on, and warns where the file only differs from the original\n"
        "layout (header fields the intro never reads). Each rule's findings are listed\n"
        "up to five, then counted.\n"
        "Exit 0: usable (warnings may remain); 1: the intro cannot use it; 2: a bad\n"
        "argument, a file that cannot be read, or one that is no BMP file.\n");
}

// The whole file; false with the system's reason when it cannot be read.
bool ReadFile(const char* path, std::vector<uint8_t>& bytes, std::string& reason)
{
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    bool failed = std::ferror(file) != 0;
    reason = failed ? std::strerror(errno) : "";
    std::fclose(file);
    return !failed;
}

void PrintSummary(const char* path, const std::vector<sheet::Finding>& found)
{
    int warnings = 0, refusals = 0;
    for (const sheet::Finding& f : found)
        (f.severity == sheet::Severity::kWarning ? warnings : refusals) += f.count;
    std::string hint = sheet::Hint(found);
    if (!hint.empty())
        std::printf("hint: %s\n", hint.c_str());
    if (sheet::NotABitmap(found))
        std::printf("%s: no BMP file; the sheet is not usable\n", path);
    else if (refusals)
        std::printf("%s: %d problem%s the intro cannot take; the sheet is not usable\n", path, refusals,
                    refusals == 1 ? "" : "s");
    else if (warnings)
        std::printf("%s: usable; %d warning%s about what the intro does not read\n", path, warnings,
                    warnings == 1 ? "" : "s");
    else
        std::printf("%s: no problems; the sheet is usable\n", path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        PrintHelp();
        return kUsable;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "sheet-check: expected exactly one sheet file\n%s", kUsageLine);
        return kBadInput;
    }
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadFile(argv[1], bytes, reason)) {
        std::fprintf(stderr, "sheet-check: cannot read '%s': %s\n", argv[1], reason.c_str());
        return kBadInput;
    }
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(bytes);
    for (const sheet::Finding& f : found)
        std::printf("%s\n", sheet::ToString(f).c_str());
    PrintSummary(argv[1], found);
    if (sheet::NotABitmap(found))
        return kBadInput;
    return sheet::Refused(found) ? kRefused : kUsable;
}
