#include "run/RunNumbers.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zelto::run {
namespace {

TEST(RunNumbers, PassesReadTheLeadingNumberAndZeroForJunk) {
    for (const auto& [text, value] : std::vector<std::pair<std::string, long long>>{
             {" 7", 7},
             {"12abc", 12},
             {"abc", 0},
             {"", 0},
             {"-3", -3},
             {"99999999999999999999999", 999999999999999999}}) {
        EXPECT_EQ(passesValue(text), value) << '"' << text << '"';
        // What the box shows after one more run reads back as one more.
        EXPECT_EQ(passesValue(passesText(value + 1)), value + 1);
    }
}

// Whole seconds from 1 to 65; nonsense, 0, negatives and what rounds to 0 give 30.
TEST(RunNumbers, TheIntervalIsCorrectedToAUsableWholeNumberOfSeconds) {
    struct Case {
        std::string text, corrected;
        int seconds;
    };
    for (const Case& c : std::vector<Case>{{" 5 ", " 5 ", 5},
                                           {"1.5", "1.5", 2},
                                           {"2.5", "2.5", 2},
                                           {"0.5", "30", 30},
                                           {"65.4", "65", 65},
                                           {"1e3", "65", 65},
                                           {"1e400", "30", 30},
                                           {"-1", "30", 30},
                                           {"5s", "30", 30},
                                           {"0x10", "30", 30},
                                           {"nan", "30", 30},
                                           {"", "30", 30}}) {
        std::string text = c.text;
        EXPECT_EQ(correctRunInterval(text), c.seconds) << c.text;
        EXPECT_EQ(text, c.corrected);
    }
}

}  // namespace
}  // namespace zelto::run
