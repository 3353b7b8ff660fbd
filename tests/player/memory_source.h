// Memory as a track's file, for the tests of the readers: it notes how it is
// read, and gives nothing past its end.
#ifndef INTRO_TESTS_PLAYER_MEMORY_SOURCE_H
#define INTRO_TESTS_PLAYER_MEMORY_SOURCE_H

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "player/winmm/wav_reader.h"

using Bytes = std::vector<unsigned char>;

class MemorySource : public winmm::ByteSource {
public:
    explicit MemorySource(Bytes bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, void* into, size_t bytes) override
    {
        ++reads;
        largestRead = std::max(largestRead, bytes);
        if (offset >= bytes_.size())
            return 0;
        size_t n = std::min<uint64_t>(bytes, bytes_.size() - offset);
        std::memcpy(into, bytes_.data() + offset, n);
        return n;
    }
    int reads = 0;
    size_t largestRead = 0;

private:
    Bytes bytes_;
};

inline Bytes FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#endif
