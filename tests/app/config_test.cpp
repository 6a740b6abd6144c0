#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/startup.hpp"

namespace vlr {
namespace {

// A configuration whose labels have the lengths the positions expect.
std::string sample(const std::string& line3 = "swr 1") {
    return "COM  5\r\n"
           "Speed 38400\r\n" +
           line3 +
           "\r\n"
           "tun 2\r\n"
           "PowOff 1\r\n"
           "10mof -100\r\n"
           "6mof -500\r\n"
           "2mof -600\r\n"
           "70mof +5000\r\n"
           "Pthru 7\r\n"
           "Debug 1\r\n";
}

TEST(Config, ReadsEveryLineByPosition) {
    State s;
    ASSERT_TRUE(read_config_text(s, sample()));
    EXPECT_EQ(s.radio_port, 5);
    EXPECT_EQ(s.port_speed, 38400);
    EXPECT_EQ(s.auto_swr, 1);
    EXPECT_EQ(s.tuner_mode, 2);
    EXPECT_EQ(s.power_off_on_exit, 1);
    EXPECT_EQ(s.passthru_port, 7);
    EXPECT_EQ(s.debug_log_on, 1);
    EXPECT_EQ(s.top_band, "7");
    EXPECT_EQ(s.dcs_allowed, 1);
    // Offsets go into the shift pair in use and into the entered pair.
    EXPECT_EQ(s.shift10_sign + s.shift10_digits, "-0100");
    EXPECT_EQ(s.offset10_sign + s.offset10_digits, "-0100");
    EXPECT_EQ(s.shift6_sign + s.shift6_digits, "-0500");
    EXPECT_EQ(s.offset6_sign + s.offset6_digits, "-0500");
    EXPECT_EQ(s.shift2_sign + s.shift2_digits, "-0600");
    EXPECT_EQ(s.offset2_sign + s.offset2_digits, "-0600");
    EXPECT_EQ(s.shift70_sign + s.shift70_digits, "+5000");
    EXPECT_EQ(s.offset70_sign + s.offset70_digits, "+5000");
}

TEST(Config, PortNumberFromTheLastOneOrTwoCharacters) {
    struct Case { const char* line; int port; };
    for (auto [line, port] : {Case{"COM 5", 5}, Case{"COM 12", 12}, Case{"COM 123", 3}, Case{"", 0},
                              Case{"COM  x", 0}}) {
        State s;
        ASSERT_TRUE(read_config_text(s, std::string(line) + "\n"));
        EXPECT_EQ(s.radio_port, port) << line;
    }
    // The pass-through port: the last two characters only when the line is 9 long.
    struct Pass { const char* line; int port; };
    for (auto [line, port] : {Pass{"Pthru 12", 2}, Pass{"Pthru  12", 12}, Pass{"Pthru 0", 0}}) {
        State s;
        ASSERT_TRUE(read_config_text(s, "\n\n\n\n\n\n\n\n\n" + std::string(line) + "\n"));
        EXPECT_EQ(s.passthru_port, port) << line;
    }
}

TEST(Config, OffsetLengthRules) {
    // Line 7/8: 10 characters take four digits, otherwise "0" and three.
    State a;
    ASSERT_TRUE(read_config_text(a, "\n\n\n\n\n\n6m of-0500\n2m o -600\n"));
    EXPECT_EQ(a.shift6_sign + a.shift6_digits, "-0500");
    EXPECT_EQ(a.shift2_sign + a.shift2_digits, "-0600");
    // Line 9: 11 characters take four digits.
    State b;
    ASSERT_TRUE(read_config_text(b, "\n\n\n\n\n\n\n\n70cm o+7600\n"));
    EXPECT_EQ(b.shift70_sign + b.shift70_digits, "+7600");
    State c;
    ASSERT_TRUE(read_config_text(c, "\n\n\n\n\n\n\n\n70cm o+760\n"));
    EXPECT_EQ(c.shift70_sign + c.shift70_digits, "+0760");
}

TEST(Config, PowOnLineThreeRejectsTheFile) {
    State s;
    EXPECT_FALSE(read_config_text(s, sample("pow 1")));
    EXPECT_TRUE(read_config_text(s, sample("Pow 1")));  // only the exact lower-case label
}

TEST(Config, LineEndsAndShortFiles) {
    for (const char* eol : {"\r", "\n", "\r\n"}) {
        State s;
        std::string text = std::string("COM  5") + eol + "Speed 4800" + eol;
        ASSERT_TRUE(read_config_text(s, text));
        EXPECT_EQ(s.radio_port, 5);
        EXPECT_EQ(s.port_speed, 4800);
        // Missing lines read empty and give 0 values.
        EXPECT_EQ(s.debug_log_on, 0);
        EXPECT_EQ(s.passthru_port, 0);
        EXPECT_EQ(s.shift10_digits, "0");
    }
}

TEST(Config, OverlongLinesAreCut) {
    State s;
    std::string longline = "Speed " + std::string(300, '9');
    ASSERT_TRUE(read_config_text(s, "COM 3\n" + longline + "\n"));
    EXPECT_EQ(s.radio_port, 3);
    EXPECT_EQ(s.port_speed, 2147483647);  // clamped, never wraps
}

}  // namespace
}  // namespace vlr

namespace vlr {
namespace {

TEST(Config, TheSampleFileOfTheReadmeIsValid) {
    std::ifstream in(std::string(std::getenv("VELORAN_SOURCE_DIR")) + "/veloran.cfg.sample");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    State s;
    ASSERT_TRUE(read_config_text(s, text));
    EXPECT_EQ(s.radio_port, 5);
    EXPECT_EQ(s.port_speed, 38400);
    EXPECT_EQ(s.shift70_sign + s.shift70_digits, "+5000");
    EXPECT_EQ(s.shift6_sign + s.shift6_digits, "-0500");
}

}  // namespace
}  // namespace vlr
