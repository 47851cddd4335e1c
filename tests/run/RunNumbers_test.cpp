#include "run/RunNumbers.h"

#include <gtest/gtest.h>

#include <string>

namespace zelto::run {
namespace {

struct ValueCase {
    std::string text;
    long long value;
};

class PassesValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(PassesValue, ReadsTheLeadingNumberAndZeroForJunk) {
    EXPECT_EQ(passesValue(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
    // What the box shows after one more run reads back as one more.
    EXPECT_EQ(passesValue(passesText(GetParam().value + 1)), GetParam().value + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PassesValue,
    ::testing::Values(ValueCase{" 7", 7}, ValueCase{"12abc", 12}, ValueCase{"abc", 0},
                      ValueCase{"", 0}, ValueCase{"-3", -3}, ValueCase{"\t 42 ", 42},
                      ValueCase{"99999999999999999999999", 999999999999999999}));

struct IntervalCase {
    std::string text;
    std::string corrected;
    int seconds;
};

class Interval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(Interval, IsCorrectedToAUsableWholeNumberOfSeconds) {
    std::string text = GetParam().text;
    EXPECT_EQ(correctRunInterval(text), GetParam().seconds);
    EXPECT_EQ(text, GetParam().corrected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Interval,
    ::testing::Values(
        IntervalCase{"20", "20", 20}, IntervalCase{" 5 ", " 5 ", 5}, IntervalCase{"+7", "+7", 7},
        IntervalCase{"1.5", "1.5", 2}, IntervalCase{"2.5", "2.5", 2}, IntervalCase{"0.5", "30", 30},
        IntervalCase{"65", "65", 65}, IntervalCase{"65.4", "65", 65}, IntervalCase{"1e3", "65", 65},
        IntervalCase{"1e400", "30", 30}, IntervalCase{"0", "30", 30}, IntervalCase{"-1", "30", 30},
        IntervalCase{"ten", "30", 30}, IntervalCase{"5s", "30", 30}, IntervalCase{"0x10", "30", 30},
        IntervalCase{"inf", "30", 30}, IntervalCase{"nan", "30", 30}, IntervalCase{"", "30", 30}));

}  // namespace
}  // namespace zelto::run
