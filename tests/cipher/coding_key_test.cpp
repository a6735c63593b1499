#include "cipher/coding_key.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_bytes.h"

namespace zel::test {
namespace {

TEST(DrawCodingKey, NumbersAlwaysFrom50To255) {
    for (int i = 0; i < 2000; ++i) {
        const CodingKey key = drawCodingKey(fakeClock(i * 43.2));
        for (const int k : {key.k1, key.k2, key.k3}) {
            ASSERT_GE(k, 50) << i;
            ASSERT_LE(k, 255) << i;
        }
        const std::string text = formatKeyText(key);
        ASSERT_TRUE(isKeyText(text)) << text;
        ASSERT_EQ(parseKeyText(text), key) << text;
    }
}

TEST(DrawCodingKey, FailingReadingIsRetriedOnlyWithANewReading) {
    // Find one reading whose draw passes at once and one whose draw fails.
    double passing = -1, failing = -1;
    for (int i = 0; i < 1000 && (passing < 0 || failing < 0); ++i) {
        const double reading = 45000.0 + i * 0.001;
        int calls = 0;
        drawCodingKey(fakeClock(reading, 1, &calls));
        (calls == 1 ? passing : failing) = reading;
    }
    ASSERT_GE(passing, 0);
    ASSERT_GE(failing, 0);

    int calls = 0;
    const CodingKey once = drawCodingKey(fakeClock(passing, 1, &calls));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(drawCodingKey(fakeClock(passing, 1, &calls)), once) << "same reading, same key";

    // A failing reading that stays put five times is drawn five times and never taken; the
    // key then comes from the readings after it, one clock call per attempt.
    int referenceCalls = 0;
    const CodingKey moved = drawCodingKey(fakeClock(failing + 0.001, 1, &referenceCalls));
    EXPECT_EQ(drawCodingKey(fakeClock(failing, 5, &calls)), moved);
    EXPECT_EQ(calls, 5 + referenceCalls);
}

TEST(FormatKeyText, ThreeDigitsPerNumber) {
    EXPECT_EQ(formatKeyText({50, 99, 255}), "050099255");
    EXPECT_EQ(formatKeyText({100, 100, 100}), "100100100");
    EXPECT_EQ(formatKeyText({255, 50, 51}), "255050051");
    EXPECT_EQ(formatKeyText({99, 200, 60}), "099200060");
}

TEST(ParseKeyText, GroupsOfThreeAsCLibraryNumbers) {
    const std::pair<std::string, CodingKey> cases[] = {
        {"123045255", {123, 45, 255}},  {"050099255", {50, 99, 255}},
        {"abcdefghi", {0, 0, 0}},       {"000000000", {0, 0, 0}},
        {"-12-34-56", {-12, -34, -56}}, {"999999999", {999, 999, 999}},
        {" 1\t 2+3 x", {1, 2, 3}},      {" 1\t\n+7-5 ", {1, 7, -5}},
        {"+12 -5\t\t9", {12, -5, 9}},   {"1 21x2-x5", {1, 1, 0}},
        {"12a+-1--1", {12, 0, 0}},      {std::string{'1', 0, 0, '2', 0, 0, '3', 0, 0}, {1, 2, 3}},
    };
    for (const auto& [text, key] : cases) {
        EXPECT_EQ(parseKeyText(text), key) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace zel::test
