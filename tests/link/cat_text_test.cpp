// Only CAT text reaches the radio: commands built from damaged files or from
// another program's bytes are held back whole, never sent in part.
#include <gtest/gtest.h>

#include "app/startup.hpp"
#include "link/cat.hpp"
#include "radio/channels.hpp"
#include "radio/tone.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

struct CatText : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    void SetUp() override { rig.open_radio(); }
    void send(const std::string& command) {
        s.cat_command = command;
        send_command(rig.c);
    }
};

TEST_F(CatText, CommandsThatAreNotCatTextAreNotWritten) {
    const std::string refused[] = {
        "FA014200000;PS0",           // a second command hidden inside
        ";",                         // a terminator before the end
        std::string("FA\0\0\0", 5),  // NUL bytes from a damaged file line
        "MD02\r\n",                  // line ends from a terminal program
        "FA\xe9",                    // not ASCII
        "EX010316\x7f",              // DEL
    };
    for (const auto& command : refused) {
        rig.clear();
        s.last_freq_command = "FA007100000;";
        send(command);
        EXPECT_EQ(rig.radio->written, "") << command;
        EXPECT_EQ(s.cat_command, "") << command;
        EXPECT_EQ(s.last_freq_command, "FA007100000;") << "a frequency that never went out";
    }
    send("FA014200000");
    EXPECT_EQ(rig.radio->written, "FA014200000;") << "the next good command goes out as usual";
    // Every printable character but the terminator passes.
    std::string every;
    for (char ch = ' '; ch <= '~'; ++ch)
        if (ch != ';') every += ch;
    rig.clear();
    send(every);
    EXPECT_EQ(rig.radio->written, every + ";");
}

TEST_F(CatText, DamagedChannelRecordCannotSwitchTheRadioOff) {
    // savmem.dat line with a ";" where the VFO A digits belong.
    s.radio_connected = 1;
    s.memory_channels[5] = "0206A0142;PS0B0142000009990";
    s.channel_op = 2;
    s.bank_digit = 0;
    s.key_code = '5';
    digit_key(rig.c);
    for (const auto& cmd : rig.sent()) {
        EXPECT_NE(cmd, "PS0;");
        EXPECT_EQ(cmd.find(';'), cmd.size() - 1) << cmd;
    }
    EXPECT_FALSE(rig.sent().empty()) << "the rest of the recall still reaches the radio";
}

TEST_F(CatText, ConfiguredOffsetWithASemicolonSendsNoSecondCommand) {
    // A 10 m offset line whose digits hold "1;0": the repeater menu command
    // built from it is held back, the direction command still goes out.
    ASSERT_TRUE(read_config_text(s, "COM  1\nSpeed 38400\nswr 1\ntun 0\nPowOff 0\n10mof -1;0\n"));
    s.band_index = 10;
    s.mode_code = 5;
    s.repeater_on = 0;
    toggle_repeater(rig.c);
    EXPECT_EQ(join(rig.sent()), "OS02;");
}

}  // namespace
}  // namespace vlr::test
