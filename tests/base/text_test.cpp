#include "base/text.hpp"

#include <gtest/gtest.h>

namespace vlr {
namespace {

TEST(TextRules, NumberToTextHasLeadingBlankWhenNotNegative) {
    EXPECT_EQ(num_text(50), " 50");
    EXPECT_EQ(num_text(0), " 0");
    EXPECT_EQ(num_text(-7), "-7");
}

TEST(TextRules, TextToNumberTakesTheLeadingNumber) {
    struct Case { const char* text; int value; };
    for (auto [text, value] : {Case{"123abc", 123}, Case{"  42", 42}, Case{"abc", 0}, Case{"", 0},
                               Case{"7.9", 7}, Case{"-12x", -12}, Case{"0840", 840}, Case{"+5", 5}}) {
        EXPECT_EQ(text_num(text), value) << text;
    }
    EXPECT_EQ(text_num_rounded("2.5"), 2);
    EXPECT_EQ(text_num_rounded("3.5"), 4);
    EXPECT_EQ(text_num_rounded("4.6"), 5);
    EXPECT_EQ(text_num("99999999999999"), 2147483647);
}

TEST(TextRules, PositionsCountFromOne) {
    EXPECT_EQ(mid("FA014250000;", 3, 9), "014250000");
    EXPECT_EQ(mid("abc", 3), "c");
    EXPECT_EQ(mid("abc", 4), "");
    EXPECT_EQ(mid("abc", 2, 10), "bc");
    EXPECT_EQ(instr("ID0840;FA007100000;", "FA"), 8);
    EXPECT_EQ(instr("ID0840;", "FA"), 0);
    EXPECT_EQ(right("abcdef", 2), "ef");
    EXPECT_EQ(right("ab", 5), "ab");
    EXPECT_EQ(zero_pad(5, 3), "005");
    EXPECT_EQ(zero_pad(1234, 3), "1234");
}

TEST(TextRules, TextsAreCutAt255) {
    EXPECT_EQ(cut(std::string(300, 'x')).size(), 255u);
    EXPECT_EQ(cut("short"), "short");
}

}  // namespace
}  // namespace vlr
