// The text rules every file line and command is built with.
#include <gtest/gtest.h>

#include "base/text.hpp"

namespace vlr {
namespace {

TEST(Text, Rules) {
    EXPECT_EQ(num_text(50) + num_text(0) + num_text(-7), " 50 0-7");
    const std::pair<const char*, int> numbers[] = {{"123abc", 123}, {"  42", 42}, {"abc", 0}, {"", 0}, {"7.9", 7},
                                                   {"-12x", -12}, {"0840", 840}, {"+5", 5}, {"99999999999999", 2147483647}};
    for (auto [text, value] : numbers)
        EXPECT_EQ(text_num(text), value) << text;
    EXPECT_EQ(text_num_rounded("2.5") * 100 + text_num_rounded("3.5") * 10 + text_num_rounded("4.6"), 245);
    EXPECT_EQ(mid("FA014250000;", 3, 9) + "|" + mid("abc", 3) + "|" + mid("abc", 4) + "|" + mid("abc", 2, 10), "014250000|c||bc");
    EXPECT_EQ(instr("ID0840;FA007100000;", "FA") * 10 + instr("ID0840;", "FA"), 80);
    EXPECT_EQ(right("abcdef", 2) + right("ab", 5) + zero_pad(5, 3) + zero_pad(1234, 3), "efab0051234");
    EXPECT_EQ(cut(std::string(300, 'x')).size() + cut("short").size(), 260u);
}

}  // namespace
}  // namespace vlr
