#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/app/SeedScan.h"

namespace quorvel {
namespace {

struct SeedCase {
    std::string field;
    std::optional<std::int32_t> seed;
};

TEST(SeedScanTest, ReadsLikePercentD) {
    const SeedCase cases[] = {
        {"42", 42},
        {"  42", 42},
        {"\t\r\n\v\f 42", 42},
        {"+42", 42},
        {"-42", -42},
        {"42abc", 42},
        {"4 2", 4},
        {"0", 0},
        {"-0", 0},
        {"0x10", 0},
        {"00042", 42},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"+-42", std::nullopt},
        {"- 42", std::nullopt},
        {"\x82\x53\x82\x51", std::nullopt},  // full-width "４２" in CP932 is not a number
    };
    for (const SeedCase& c : cases) {
        EXPECT_EQ(ScanSeed(c.field), c.seed) << '"' << c.field << '"';
    }
}

TEST(SeedScanTest, RefusesNumbersOutsideThirtyTwoBits) {
    const SeedCase cases[] = {
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"4294967296", std::nullopt},  // would wrap to 0, the "seed from the clock" value
        {"99999999999999999999999999999", std::nullopt},
        {"0000000000000000000000000000000000000000042", 42},  // zeros never overflow
    };
    for (const SeedCase& c : cases) {
        EXPECT_EQ(ScanSeed(c.field), c.seed) << '"' << c.field << '"';
    }
}

TEST(SeedScanTest, ReadsOnlyTheFirstSixtyThreeBytes) {
    EXPECT_EQ(ScanSeed(std::string(61, ' ') + "42"), 42);
    EXPECT_EQ(ScanSeed(std::string(62, ' ') + "42"), 4);
    EXPECT_EQ(ScanSeed(std::string(63, ' ') + "42"), std::nullopt);
}

TEST(SeedScanTest, FieldTextOutsideAsciiNeverMakesANumber) {
    struct TextCase {
        const char* utf8;
        std::optional<std::int32_t> seed;
    };
    const TextCase cases[] = {
        {" -17", -17},
        {"42番", 42},                // trailing text ignored
        {"４２", std::nullopt},      // full-width digits are not digits
        {"　42", std::nullopt},      // nor is the ideographic space white space
        {"\u00a042", std::nullopt},  // nor a no-break space
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(ScanSeedText(QString::fromUtf8(c.utf8)), c.seed) << c.utf8;
    }
}

}  // namespace
}  // namespace quorvel
