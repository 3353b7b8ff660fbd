// Malformed files must come back as violations: the checker never reads past the bytes it has.
#include <gtest/gtest.h>

#include "sheet_test_support.h"

using sheet_test::Encode;
using sheet_test::MinimalSheet;
using sheet_test::OfRule;

namespace {

const std::vector<uint8_t>& ValidFile()
{
    static const std::vector<uint8_t> kF = Encode(MinimalSheet());
    return kF;
}

TEST(HostileFile, EmptyAndTinyFilesAreTooShort)
{
    for (size_t n : {0u, 1u, 2u, 13u, 14u, 53u}) {
        std::vector<uint8_t> f(ValidFile().begin(), ValidFile().begin() + long(n));
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
        ASSERT_EQ(found.size(), 1u) << n;
        EXPECT_EQ(found[0].rule, "bmp-size");
        EXPECT_NE(found[0].detail.find("the file is " + std::to_string(n) + " bytes"), std::string::npos);
    }
}

TEST(HostileFile, TruncatedAnywhereGivesAViolation)
{
    // Cuts inside the colour table, on its end, inside the pixels and one byte short.
    for (uint32_t n : {54u, 60u, 1077u, 1078u, 1079u, 300000u, sheet::kFileBytes - 1}) {
        std::vector<uint8_t> f(ValidFile().begin(), ValidFile().begin() + long(n));
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
        ASSERT_EQ(found.size(), 1u) << n;  // not bfSize, which no longer matches either
        EXPECT_EQ(found[0].rule, "bmp-size");
        EXPECT_TRUE(sheet_test::Contains(found[0].detail, "bytes, cut short")) << n;
    }
}

TEST(HostileFile, TrailingBytesAreReported)
{
    std::vector<uint8_t> f = ValidFile();
    f.resize(f.size() + 10, 0);
    sheet_test::PutU32(f, 2, uint32_t(f.size()));
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].rule, "bmp-size");
}

TEST(HostileFile, HugeOrNegativeHeaderValuesDoNotSteerReads)
{
    const uint32_t hostile[] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0u};
    for (size_t at : {2u, 10u, 14u, 18u, 22u, 34u, 46u})
        for (uint32_t v : hostile) {
            std::vector<uint8_t> f = ValidFile();
            sheet_test::PutU32(f, at, v);
            EXPECT_FALSE(sheet::CheckFileBytes(f).empty()) << "offset " << at << " value " << v;
        }
}

TEST(HostileFile, ScrambledBytesAreReportedAndNeverReadPast)
{
    // A fixed walk of byte flips over the headers, the colour table and the pixels,
    // most files cut short too. Each sits in a block of exactly its size, so the
    // sanitizers see any read past it; a flip may leave a usable sheet, a cut never:
    // the checker stops at the first cause, which is the size or an earlier break.
    uint32_t state = 12345;
    int cut = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> f = ValidFile();
        for (int k = 0; k < 6; ++k) {
            state = state * 1664525u + 1013904223u;
            size_t at = (state >> 8) % (round % 2 ? 1078u : f.size());
            f[at] = uint8_t(f[at] ^ (state >> 3 | 1));
        }
        f.resize(f.size() - (state % 3) * (state % 997));
        const std::vector<uint8_t> exact(f.begin(), f.end());
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(exact);
        if (exact.size() != sheet::kFileBytes) {
            // Cut short: refused, by its size or by what a flip broke before it.
            EXPECT_TRUE(sheet::Refused(found)) << "round " << round << ": cut short, not refused";
            for (const sheet::Finding& finding : found)
                EXPECT_EQ(finding.severity, sheet::Severity::kRefusal) << "round " << round << ": " << finding.rule;
            cut += 1;
        }
    }
    EXPECT_GT(cut, 100);  // most rounds cut the file as well
}

TEST(HostileFile, ShortHeaderPixelsAreNotChecked)
{
    std::vector<uint8_t> f(ValidFile().begin(), ValidFile().begin() + 2000);
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].rule, "bmp-size");
}

}  // namespace
