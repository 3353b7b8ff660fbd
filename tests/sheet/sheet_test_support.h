// Hand-made sheets for the checker's tests, encoded independently of make-sheet.
#ifndef INTRO_TESTS_SHEET_SHEET_TEST_SUPPORT_H
#define INTRO_TESTS_SHEET_SHEET_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/sheet/sheet_rules.h"

namespace sheet {
// Names a zone in test listings instead of dumping its bytes.
inline void PrintTo(const Region& z, std::ostream* os)
{
    *os << z.name << " rows " << z.rect.top << "-" << z.rect.bottom;
}
}  // namespace sheet

namespace sheet_test {

struct Entry {
    uint8_t r, g, b, reserved;
};

struct HandSheet {
    std::vector<Entry> palette;   // 256 entries
    std::vector<uint8_t> pixels;  // top row first
    uint8_t& At(int row, int col)
    {
        return pixels[size_t(row) * sheet::kWidth + col];
    }
};

constexpr uint8_t kDark = 1;  // a dark, non-black entry: fit for the edge column
constexpr uint8_t kBright = 200;

// The smallest sheet that passes: black, a dark edge column, one dot in each panel.
HandSheet MinimalSheet();
std::vector<uint8_t> Encode(const HandSheet& s);

void PutU32(std::vector<uint8_t>& file, size_t at, uint32_t value);
void PutU16(std::vector<uint8_t>& file, size_t at, uint16_t value);

std::vector<uint8_t> ReadFile(const std::string& path);
std::vector<std::string> Lines(const std::vector<sheet::Finding>& found);

testing::AssertionResult Contains(const std::string& text, const std::string& piece);

// The violations of one rule, as printed lines.
std::vector<std::string> OfRule(const std::vector<sheet::Finding>& found, const std::string& rule);

}  // namespace sheet_test

#endif
