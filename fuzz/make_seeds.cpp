// Writes the fuzzer's seed corpus: well-formed bitmaps of every kind the
// loaders meet, each behind the road bytes that send it down one road.
//   bitmap-seeds DIR
#include <cstdio>
#include <string>
#include <vector>

#include "testkit/dib_bytes.h"

// One seed: where it goes and what it holds.
struct Seed {
    const char* name;
    dib::Shape shape;
};

// A header of each version, each depth, short and long colour counts.
static std::vector<Seed> Shapes()
{
    dib::Shape base;
    std::vector<Seed> seeds;
    auto add = [&](const char* name, auto change) {
        dib::Shape shape = base;
        change(shape);
        seeds.push_back(Seed{name, shape});
    };
    add("8bit-256", [](dib::Shape&) {});
    add("8bit-used20", [](dib::Shape& s) { s.colorsUsed = 20; });
    add("4bit", [](dib::Shape& s) { s.bitCount = 4, s.width = 5; });
    add("1bit", [](dib::Shape& s) { s.bitCount = 1, s.width = 9; });
    add("8bit-header108", [](dib::Shape& s) { s.headerSize = 108; });
    add("8bit-core12", [](dib::Shape& s) { s.headerSize = 12; });
    add("8bit-topdown", [](dib::Shape& s) { s.height = -3; });
    add("16bit", [](dib::Shape& s) { s.bitCount = 16, s.width = 3; });
    add("24bit", [](dib::Shape& s) { s.bitCount = 24, s.width = 3; });
    add("32bit-used4", [](dib::Shape& s) { s.bitCount = 32, s.colorsUsed = 4; });
    return seeds;
}

// Road byte 0 as fuzz/bitmap_input.h reads it.
static std::vector<uint8_t> Road(bool file, bool surface, int depthChoice, bool sized)
{
    uint8_t choice = (uint8_t)((file ? 1 : 0) | (surface ? 2 : 0) | depthChoice << 2 | (sized ? 16 : 0));
    return {choice, 6, 2};
}

// The seed's bytes into a file; false when they could not all be written.
static bool Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bitmap-seeds DIR\n");
        return 2;
    }
    int written = 0;
    for (const Seed& seed : Shapes()) {
        for (int road = 0; road < 4; ++road) {
            bool file = road & 1, surface = road & 2;
            // Depths and asked sizes spread over the seeds, so that each is met.
            std::vector<uint8_t> bytes = Road(file, surface, written % 4, surface && written % 3 == 0);
            std::vector<uint8_t> bitmap = file ? dib::File(seed.shape) : dib::Packed(seed.shape);
            bytes.insert(bytes.end(), bitmap.begin(), bitmap.end());
            static const char* kRoads[] = {"palette-resource", "palette-file", "surface-resource",
                                           "surface-file"};
            std::string path = std::string(argv[1]) + "/" + kRoads[road] + "-" + seed.name;
            if (!Write(path, bytes)) {
                std::fprintf(stderr, "bitmap-seeds: cannot write %s\n", path.c_str());
                return 1;
            }
            ++written;
        }
    }
    std::printf("bitmap-seeds: %d seeds in %s\n", written, argv[1]);
    return 0;
}
