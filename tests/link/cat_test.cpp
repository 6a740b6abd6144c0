// Framing, VFO B rewriting, replies and the simulated radio. Only CAT text
// reaches the radio: commands built from damaged files or from another
// program's bytes are held back whole, never sent in part.
#include "link/cat.hpp"

#include <gtest/gtest.h>

#include "app/startup.hpp"
#include "app/text.hpp"
#include "radio/channels.hpp"
#include "radio/tone.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

class CatExchange : public ::testing::Test {
protected:
    Rig rig;
    State& s = rig.st();
    void SetUp() override { rig.open_radio(); }
    void send(const std::string& command) {
        s.cat_command = command;
        send_command(rig.c);
    }
    void receive(const std::string& bytes) {
        rig.radio->incoming = bytes;
        read_reply(rig.c);
    }
};

TEST_F(CatExchange, CommandsAreFramedRewrittenAndRemembered) {
    struct Case {
        int vfo_b;
        std::string command, wire;
        bool becomes_last_freq;
    } cases[] = {
        {1, "FA001000000", "FB001000000;", true},
        {1, "FA", "FB;", false},  // the bare query never replaces the last setting
        {0, "FA", "FA;", false},
        {0, "FA007100000", "FA007100000;", true},
        {0, "FB007100000", "FB007100000;", true},  // never rewritten back to FA
        {1, "FB014000000", "FB014000000;", true},
        {0, "MD02", "MD02;", false},
        {1, "MD02", "MD02;", false},
        {0, "FA12", "FA12;", false},   // 5 characters: too short for a frequency
        {0, "FA123", "FA123;", true},  // 6 characters: counts
        {1, "AFA1", "AFA1;", false},   // FA only at the start
    };
    for (const auto& k : cases) {
        rig.clear();
        s.vfo_b_selected = k.vfo_b;
        s.last_freq_command = "FA028000000;";
        send(k.command);
        EXPECT_EQ(rig.radio->written, k.wire) << k.command;
        EXPECT_EQ(s.cat_command, k.wire);
        EXPECT_EQ(s.last_freq_command, k.becomes_last_freq ? k.wire : "FA028000000;") << k.command;
    }
}

TEST_F(CatExchange, OverlongCommandKeepsItsTerminatorWithin255) {
    send(std::string(300, '0'));
    EXPECT_EQ(s.cat_command.size(), 255u);
    EXPECT_EQ(s.cat_command.back(), ';');
    EXPECT_EQ(rig.radio->written, s.cat_command);
}

TEST_F(CatExchange, RepliesAreTakenAsTheyArrive) {
    struct Case {
        std::string incoming, reply;
    } cases[] = {
        {"", ""},
        {"FA014000000;", "FA014000000;"},
        {"FA000500000;", "FA001000000"},  // below 1 MHz: exactly 1 MHz, ";" dropped
        {"FB000000001;MD02;", "FB001000000"},
        {"FA000", ""},  // unfinished: waits for its rest
        {"FA00", ""},
        {"F", ""},
        {"ID0840;FA007100000;", "ID0840;FA007100000;"},
        {"MD0000;", "MD0000;"},
        {"FA0009", ""},
    };
    for (const auto& k : cases) {
        s.reply_count = 99;
        s.cat_reply = "old";
        receive(k.incoming);
        EXPECT_EQ(s.cat_reply, k.reply) << k.incoming;
        EXPECT_EQ(s.reply_count, static_cast<int>(k.incoming.size())) << k.incoming;
    }
    receive("ID0840;FA007100000;");
    EXPECT_EQ(instr(s.cat_reply, "FA"), 8);
}

TEST_F(CatExchange, OneReadTakesAtMost255BytesAndLeavesTheRest) {
    const std::string burst = std::string(250, 'x') + "ID0840;" + std::string(43, 'y');
    receive(burst);
    EXPECT_EQ(s.cat_reply, "") << "the reply's rest is still unread";
    EXPECT_EQ(s.reply_count, 300);
    read_reply(rig.c);
    EXPECT_EQ(s.cat_reply, "ID0840;");
}

TEST_F(CatExchange, NoPortMeansNoReplyAndNoFailure) {
    rig.c.ports[1].reset();
    send("FA007100000");
    EXPECT_EQ(s.last_freq_command, "FA007100000;");
    receive("ID0840;");
    EXPECT_EQ(s.cat_reply, "");
    EXPECT_EQ(s.reply_count, 0);
}

// Every row of the simulated radio, with its overwrites, through read_reply.
TEST_F(CatExchange, SimulatedRadioAnswersFromItsTable) {
    struct Case {
        std::string command;
        int band, mode, antenna2;
        std::string last_freq, reply;
    } cases[] = {
        {"EX0402011;", 4, 1, 0, "", "EX04020123.49;;"}, {"EX12;", 4, 1, 0, "", "EX12;19.234;;"},
        {"EX;", 4, 1, 0, "", "EX;19.234;;"},
        {"EX0103191;", 4, 1, 0, "", "EX0103190100;"},  // rule 8 overrides rule 1
        {"EX010319;", 4, 1, 0, "", "EX0103190100;"},
        {"EX030704;", 4, 1, 1, "", "EX0307041;"},  // rule 9, antenna 2
        {"EX0307040;", 4, 1, 0, "", "EX0307040;"},
        {"AG0;", 4, 1, 0, "", "AG0090;"},   {"AG1;", 4, 1, 0, "", "AG1080;"},
        {"SQ0;", 4, 1, 0, "", "SQ0008;"},   {"NR0;", 4, 1, 0, "", "NR01;"},
        {"NL0;", 4, 1, 0, "", "NL0005;"},   {"RL0;", 4, 1, 0, "", "RL008;"},
        {"ML0;", 4, 1, 0, "", "ML0130;"},   {"ML1;", 4, 1, 0, "", "ML1040;"},
        {"SM0;", 4, 1, 0, "", "SM00199;"},  {"PR0;", 4, 1, 0, "", "PR01;"},
        {"FA;", 4, 1, 0, "FA007100000;", "FA007100000;"},
        {"FA;", 4, 1, 0, "FA000500000;", "FA000500000;"},  // no frequency floor here
        {"FA;", 4, 1, 0, "", ";"},
        {"FB;", 4, 1, 0, "FB007100000;", ";"},  // only FA is simulated
        {"MD0;", 4, 3, 0, "", "MD03;"},     {"MD0;", 4, 7, 0, "", "MD07;"},
        {"PL;", 4, 1, 0, "", "PL050;"},     {"ID;", 4, 1, 0, "", "ID0840;"},
        {"BI;", 4, 1, 0, "", "BI1;"},       {"VX;", 4, 1, 0, "", "VX0;"},
        {"PC;", 1, 1, 0, "", "PC1005;"},    {"PC;", 10, 1, 0, "", "PC1005;"},
        {"PC;", 11, 1, 0, "", "PC2030;"},  // rule 23 overrides rule 20
        {"PC;", 12, 1, 0, "", "PC2020;"},   {"PC;", 13, 1, 0, "", "PC2015;"},
        {"PC;", 14, 1, 0, "", ";"},         {"MG;", 4, 1, 0, "", "MG040;"},
        {"AC;", 4, 1, 0, "", "AC000;"},     {"RM6;", 4, 1, 0, "", "RM6100000;"},
        {"GT0;", 4, 1, 0, "", "GT02;"},     {"TX1;", 4, 1, 0, "", ";"},
        {"", 4, 1, 0, "", ";"},
    };
    s.simulate_radio = 1;
    rig.radio->incoming = "ID0840;";
    for (const auto& k : cases) {
        s.cat_command = k.command;
        s.band_index = k.band;
        s.mode_code = k.mode;
        s.antenna2 = k.antenna2;
        s.last_freq_command = k.last_freq;
        read_reply(rig.c);
        EXPECT_EQ(s.cat_reply, k.reply) << k.command << " band " << k.band;
        EXPECT_EQ(simulated_reply(s), k.reply);
    }
    EXPECT_EQ(rig.radio->incoming, "ID0840;") << "the simulation never reads the port";

    // The simulated frequency follows the last frequency sent.
    send("FA014250000");
    send("FA");
    read_reply(rig.c);
    EXPECT_EQ(s.cat_reply, "FA014250000;");
    EXPECT_EQ(rig.sent(), (std::vector<std::string>{"FA014250000;", "FA;"}))
        << "commands still go to the port";
}

TEST_F(CatExchange, CommandsThatAreNotCatTextAreNotWritten) {
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

TEST_F(CatExchange, DamagedChannelRecordCannotSwitchTheRadioOff) {
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

TEST_F(CatExchange, ConfiguredOffsetWithASemicolonSendsNoSecondCommand) {
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
