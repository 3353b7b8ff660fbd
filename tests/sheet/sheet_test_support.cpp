#include "sheet_test_support.h"

#include <fstream>
#include <iterator>

namespace sheet_test {

HandSheet MinimalSheet()
{
    HandSheet s;
    for (int i = 0; i < 256; ++i)
        s.palette.push_back({uint8_t(i), uint8_t(i * 7), 30, 0});
    s.palette[0] = {0, 0, 0, 0};
    s.palette[255] = {255, 255, 255, 0};
    s.pixels.assign(sheet::kPixelBytes, 0);
    for (int row = 0; row <= sheet::kEdgeLastRow; ++row)
        s.At(row, sheet::kEdgeColumn) = kDark;
    for (int row : {100, 350, 550, 620, 745, 830, sheet::RollLine(0).top, sheet::RollLine(5).top})
        s.At(row, 160) = kBright;
    return s;
}

void PutU16(std::vector<uint8_t>& f, size_t at, uint16_t v)
{
    f[at] = uint8_t(v), f[at + 1] = uint8_t(v >> 8);
}

void PutU32(std::vector<uint8_t>& f, size_t at, uint32_t v)
{
    PutU16(f, at, uint16_t(v)), PutU16(f, at + 2, uint16_t(v >> 16));
}

std::vector<uint8_t> Encode(const HandSheet& s)
{
    std::vector<uint8_t> f(1078, 0);
    f[0] = 'B', f[1] = 'M';
    PutU32(f, 2, 554038), PutU32(f, 10, 1078);
    PutU32(f, 14, 40), PutU32(f, 18, 320), PutU32(f, 22, 1728);
    PutU16(f, 26, 1), PutU16(f, 28, 8), PutU32(f, 30, 0), PutU32(f, 34, 552960);
    PutU32(f, 38, 3779), PutU32(f, 42, 3779), PutU32(f, 46, 256), PutU32(f, 50, 256);
    for (size_t i = 0; i < s.palette.size(); ++i) {
        const Entry& e = s.palette[i];
        f[54 + i * 4] = e.b, f[55 + i * 4] = e.g, f[56 + i * 4] = e.r, f[57 + i * 4] = e.reserved;
    }
    for (int row = 1727; row >= 0; --row)
        f.insert(f.end(), s.pixels.begin() + row * 320, s.pixels.begin() + (row + 1) * 320);
    return f;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::vector<sheet::Finding>& found)
{
    std::vector<std::string> out;
    for (const sheet::Finding& v : found)
        out.push_back(sheet::ToString(v));
    return out;
}

testing::AssertionResult Contains(const std::string& text, const std::string& piece)
{
    if (text.find(piece) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << text << "\" does not contain \"" << piece << "\"";
}

std::vector<std::string> OfRule(const std::vector<sheet::Finding>& found, const std::string& rule)
{
    std::vector<std::string> out;
    for (const sheet::Finding& v : found)
        if (v.rule == rule)
            out.push_back(sheet::ToString(v));
    return out;
}

}  // namespace sheet_test
