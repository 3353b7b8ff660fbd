// Malformed files must come back as violations: the checker never reads past the bytes it has.
#include <gtest/gtest.h>

#include "sheet_test_support.h"

using sheet_test::encode;
using sheet_test::minimal_sheet;
using sheet_test::of_rule;

namespace {

const std::vector<uint8_t>& valid_file() {
  static const std::vector<uint8_t> f = encode(minimal_sheet());
  return f;
}

TEST(HostileFile, EmptyAndTinyFilesAreTooShort) {
  for (size_t n : {0u, 1u, 2u, 13u, 14u, 53u}) {
    std::vector<uint8_t> f(valid_file().begin(), valid_file().begin() + long(n));
    std::vector<sheet::Violation> found = sheet::check_file_bytes(f);
    ASSERT_EQ(found.size(), 1u) << n;
    EXPECT_EQ(found[0].rule, "bmp-size");
    EXPECT_NE(found[0].detail.find("the file is " + std::to_string(n) + " bytes"), std::string::npos);
  }
}

TEST(HostileFile, TruncatedAnywhereGivesAViolation) {
  // Cuts inside the colour table, on its end, inside the pixels and one byte short.
  for (uint32_t n : {54u, 60u, 1077u, 1078u, 1079u, 300000u, sheet::kFileBytes - 1}) {
    std::vector<uint8_t> f(valid_file().begin(), valid_file().begin() + long(n));
    std::vector<sheet::Violation> found = sheet::check_file_bytes(f);
    EXPECT_FALSE(of_rule(found, "bmp-size").empty()) << n;
    EXPECT_FALSE(of_rule(found, "file-header").empty()) << n;  // bfSize no longer matches
  }
}

TEST(HostileFile, TrailingBytesAreReported) {
  std::vector<uint8_t> f = valid_file();
  f.resize(f.size() + 10, 0);
  sheet_test::put_u32(f, 2, uint32_t(f.size()));
  std::vector<sheet::Violation> found = sheet::check_file_bytes(f);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].rule, "bmp-size");
}

TEST(HostileFile, HugeOrNegativeHeaderValuesDoNotSteerReads) {
  const uint32_t hostile[] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0u};
  for (size_t at : {2u, 10u, 14u, 18u, 22u, 34u, 46u})
    for (uint32_t v : hostile) {
      std::vector<uint8_t> f = valid_file();
      sheet_test::put_u32(f, at, v);
      EXPECT_FALSE(sheet::check_file_bytes(f).empty()) << "offset " << at << " value " << v;
    }
}

TEST(HostileFile, ScrambledBytesAreReportedAndNeverReadPast) {
  // A fixed walk of byte flips over the headers, the colour table and the pixels,
  // most files cut short too. Each sits in a block of exactly its size, so the
  // sanitizers see any read past it; a flip may leave a usable sheet, a cut never.
  uint32_t state = 12345;
  int cut = 0;
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> f = valid_file();
    for (int k = 0; k < 6; ++k) {
      state = state * 1664525u + 1013904223u;
      size_t at = (state >> 8) % (round % 2 ? 1078u : f.size());
      f[at] = uint8_t(f[at] ^ (state >> 3 | 1));
    }
    f.resize(f.size() - (state % 3) * (state % 997));
    const std::vector<uint8_t> exact(f.begin(), f.end());
    std::vector<sheet::Violation> found = sheet::check_file_bytes(exact);
    if (exact.size() != sheet::kFileBytes) {
      EXPECT_FALSE(of_rule(found, "bmp-size").empty()) << "round " << round << ": cut short, not reported";
      cut += 1;
    }
  }
  EXPECT_GT(cut, 100);  // most rounds cut the file as well
}

TEST(HostileFile, ShortHeaderPixelsAreNotChecked) {
  std::vector<uint8_t> f(valid_file().begin(), valid_file().begin() + 2000);
  std::vector<sheet::Violation> found = sheet::check_file_bytes(f);
  EXPECT_EQ(of_rule(found, "pixels").size(), 1u);
  EXPECT_TRUE(of_rule(found, "content").empty());
}

}  // namespace
