// sheet-check FILE.bmp: tells whether an artwork sheet can be used by the intro as it is.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sheet_rules.h"

namespace {

constexpr int kUsable = 0;
constexpr int kViolations = 1;
constexpr int kBadInput = 2;

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: sheet-check FILE.bmp\n"
                 "Checks an artwork sheet (320x1728, 8-bit, 256 colours) against every rule\n"
                 "of the intro's sheet format. Exit 0: usable; 1: violations; 2: bad argument\n"
                 "or unreadable file.\n");
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;  // a directory reads as an error
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return false;
    }
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        PrintUsage(stdout);
        return kUsable;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "sheet-check: expected exactly one sheet file\n");
        PrintUsage(stderr);
        return kBadInput;
    }
    std::vector<uint8_t> bytes;
    if (!ReadFile(argv[1], bytes)) {
        std::fprintf(stderr, "sheet-check: cannot read '%s'\n", argv[1]);
        PrintUsage(stderr);
        return kBadInput;
    }
    std::vector<sheet::Violation> found = sheet::CheckFileBytes(bytes);
    for (const sheet::Violation& v : found)
        std::printf("%s\n", sheet::ToString(v).c_str());
    if (found.empty()) {
        std::printf("%s: no violations; the sheet is usable\n", argv[1]);
        return kUsable;
    }
    std::printf("%s: %zu violation%s; the sheet is not usable\n", argv[1], found.size(),
                found.size() == 1 ? "" : "s");
    return kViolations;
}
