// The CAT exchange: what goes on the wire, what is taken from the replies,
// the simulated radio, the debug.dat trace, and the ports on real pseudo-terminals.
#include <gtest/gtest.h>

#include <regex>

#include "app/startup.hpp"
#include "link/cat.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "radio/channels.hpp"
#include "radio/tone.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

struct Cat : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    void SetUp() override { rig.open_radio(); }
    void send(const std::string& command) { s.cat_command = command, send_command(rig.c); }
    std::string receive(const std::string& bytes) {
        rig.radio->incoming += bytes;
        read_reply(rig.c);
        return s.cat_reply + "|" + std::to_string(s.reply_count);
    }
    std::string trace() const {  // debug.dat after its two header lines
        const std::string all = rig.dir.read("debug.dat");
        const auto second = all.find("\r\n", all.find("\r\n") + 2);
        return second == std::string::npos ? "" : all.substr(second + 2);
    }
};

TEST_F(Cat, CommandsAreFramedFollowTheVfoAndOnlyWholeOnesAreRemembered) {
    const struct { int vfo_b; std::string command, wire, last_freq; } rows[] = {
        {1, "FA001000000", "FB001000000;", "FB001000000;"}, {1, "FA", "FB;", "FA028000000;"},
        {0, "FA007100000", "FA007100000;", "FA007100000;"}, {0, "FB007100000", "FB007100000;", "FB007100000;"},
        {1, "MD02", "MD02;", "FA028000000;"}, {0, "FA12", "FA12;", "FA028000000;"},
        {0, "FA123", "FA123;", "FA123;"}, {1, "AFA1", "AFA1;", "FA028000000;"},
        // Not CAT text: held back whole, never sent in part.
        {0, "FA014200000;PS0", "", "FA028000000;"}, {0, ";", "", "FA028000000;"},
        {0, std::string("FA\0\0\0", 5), "", "FA028000000;"}, {0, "MD02\r\n", "", "FA028000000;"},
        {0, "FA\xe9", "", "FA028000000;"}, {0, "EX010316\x7f", "", "FA028000000;"},
    };
    for (const auto& k : rows) {
        rig.clear();
        s.vfo_b_selected = k.vfo_b, s.last_freq_command = "FA028000000;";
        send(k.command);
        EXPECT_EQ(rig.radio->written + "|" + s.cat_command + "|" + s.last_freq_command, k.wire + "|" + k.wire + "|" + k.last_freq) << k.command;
    }
    std::string every;  // every printable character but the terminator passes
    for (char ch = ' '; ch <= '~'; ++ch) every += ch == ';' ? 'x' : ch;
    rig.clear();
    send(every), send(std::string(300, '0'));
    EXPECT_EQ(rig.radio->written, every + ";" + std::string(254, '0') + ";") << "the terminator survives the 255 limit";
}

TEST_F(Cat, RepliesAreTakenAsTheyArriveWithTheFrequencyFloor) {
    const std::pair<std::string, std::string> rows[] = {
        {"", "|0"}, {"FA014000000;", "FA014000000;|12"}, {"FA000500000;", "FA001000000|12"},
        {"FB000000001;MD02;", "FB001000000|17"}, {"FA000", "|5"}, {"FA00", "|4"},  // unfinished: they wait for their rest
        {"ID0840;FA007100000;", "ID0840;FA007100000;|19"}, {"MD0000;", "MD0000;|7"},
    };
    for (const auto& [in, want] : rows) EXPECT_EQ(receive(in), want) << in;
    const std::string burst = std::string(250, 'x') + "ID0840;" + std::string(43, 'y');
    EXPECT_EQ(receive(burst), "|300") << "the noise goes, the reply's rest is still unread";
    EXPECT_EQ(receive(""), "ID0840;|45");
    rig.c.ports[1].reset();  // no port: no reply and no failure
    EXPECT_EQ(receive("ID0840;"), "|0");
}

// The simulated radio's rules that depend on the state, and which rule wins.
TEST_F(Cat, SimulatedRadioAnswersFromTheStateWithoutReadingThePort) {
    const struct { std::string command; int band, mode, antenna2; std::string last_freq, reply; } rows[] = {
        {"EX0402011;", 4, 1, 0, "", "EX04020123.49;;"}, {"EX12;", 4, 1, 0, "", "EX12;19.234;;"}, {"EX0103191;", 4, 1, 0, "", "EX0103190100;"},
        {"EX030704;", 4, 1, 1, "", "EX0307041;"}, {"FA;", 4, 1, 0, "FA000500000;", "FA000500000;"}, {"FA;", 4, 1, 0, "", ";"},
        {"FB;", 4, 1, 0, "FB007100000;", ";"}, {"MD0;", 4, 7, 0, "", "MD07;"}, {"ID;", 4, 1, 0, "", "ID0840;"}, {"TX1;", 4, 1, 0, "", ";"},
        {"PC;", 10, 1, 0, "", "PC1005;"}, {"PC;", 11, 1, 0, "", "PC2030;"}, {"PC;", 12, 1, 0, "", "PC2020;"}, {"PC;", 13, 1, 0, "", "PC2015;"},
    };
    s.simulate_radio = 1;
    rig.radio->incoming = "ID0840;";
    for (const auto& k : rows) {
        s.cat_command = k.command, s.band_index = k.band, s.mode_code = k.mode, s.antenna2 = k.antenna2, s.last_freq_command = k.last_freq;
        read_reply(rig.c);
        EXPECT_EQ(s.cat_reply, k.reply) << k.command << " band " << k.band;
    }
    EXPECT_EQ(rig.radio->incoming, "ID0840;");
    send("FA014250000"), send("FA"), read_reply(rig.c);
    EXPECT_EQ(s.cat_reply + join(rig.sent()), "FA014250000;FA014250000; FA;") << "commands still go to the port";
}

// A command built from a damaged configuration never carries a second command
// (a damaged channel line: a row of cases.txt).
TEST_F(Cat, DamagedConfigurationCannotSwitchTheRadioOff) {
    s.radio_connected = 1;
    ASSERT_TRUE(read_config_text(s, "COM  1\nSpeed 38400\nswr 1\ntun 0\nPowOff 0\n10mof -1;0\n"));
    s.band_index = 10, s.mode_code = 5, s.repeater_on = 0;
    toggle_repeater(rig.c);
    EXPECT_EQ(join(rig.sent()), "OS02;");
}

TEST_F(Cat, DebugLogHasAHeaderTheTraceAndKeyLinesCutAt255) {
    s.radio_port = 3, s.port_speed = 4800, s.debug_log_on = 1;
    rig.radio = rig.serial.add_line(3);
    rig.open_radio(), open_debug_log(rig.c);
    EXPECT_TRUE(std::regex_match(rig.dir.read("debug.dat"),
                                 std::regex("VELORAN 3\\.5c  (0[1-9]|[12][0-9]|3[01])-(0[1-9]|1[0-2])-[0-9]{4}   "
                                            "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]\r\nComport= 3  Speed= 4800 Baud\r\n")));
    rig.radio->respond = [](const std::string& cmd) { return cmd == "ID;" ? "ID0840;" : ""; };
    s.vfo_b_selected = 1;
    send("FA007100000"), read_reply(rig.c);  // nothing came back: no RX line
    s.vfo_b_selected = 0;
    send("ID"), read_reply(rig.c), receive("FA000500000;");
    s.simulate_radio = 1;
    send("TX1"), read_reply(rig.c);
    write_log_line(rig.c, std::string(300, 'x')), write_log_line(rig.c, key_log_text(101));
    EXPECT_EQ(trace(), "TX=FB007100000;\r\nTX=ID;\r\nRX=ID0840;\r\nRX=FA001000000\r\nTX=TX1;\r\nRX=;\r\n" + std::string(255, 'x') + "\r\n*e (5)\r\n");
    // A second start leaves only its own log; after closing nothing is written.
    s.port_speed = 9600;
    open_debug_log(rig.c), write_log_line(rig.c, "*B");
    close_debug_log(rig.c), close_debug_log(rig.c), write_log_line(rig.c, "*C");
    EXPECT_EQ(trace(), "*B\r\n");
    EXPECT_NE(rig.dir.read("debug.dat").find("Speed= 9600 Baud\r\n"), std::string::npos);
}

TEST_F(Cat, ADebugLogSwitchedOffOrNotCreatableStopsNothing) {
    rig.dir.write("debug.dat", "earlier run\r\n");
    send("ID"), write_log_line(rig.c, "*F");
    EXPECT_EQ(rig.dir.read("debug.dat"), "earlier run\r\n");
    rig.c.paths.work_dir = rig.dir.path + "missing/";
    s.debug_log_on = 1;
    open_debug_log(rig.c), send("ID");
    EXPECT_EQ(receive("ID0840;") + join(rig.sent()), "ID0840;|7ID; ID;");
    EXPECT_FALSE(rig.dir.exists("missing"));
}

// The port table: numbers outside it, empty slots and a second open do nothing.
TEST_F(Cat, PortTableSlotsAndLineFormat) {
    EXPECT_EQ(rig.radio->speed * 10 + rig.radio->stop_bits, 384002) << "8N2 at the port speed";
    EXPECT_EQ(open_port(rig.c, 1, 38400) + write_port(rig.c, 1, "ID;") + read_port(rig.c, 1, 0).size(), 3u) << "the slot keeps its port";
    rig.serial.add_line(2)->incoming = "ID0840;";
    for (int com : {0, 2, 9, 257, -1}) {
        EXPECT_EQ(write_port(rig.c, com, "FA;") + bytes_waiting(rig.c, com) + set_line_format(rig.c, com, 8, 0, 2) + port_open(rig.c, com), 0);
        EXPECT_EQ(read_port(rig.c, com, 255), "") << com;
    }
    EXPECT_EQ(open_port(rig.c, 2, 4800) + read_port(rig.c, 2, 3).size() + read_port(rig.c, 2, -5).size() + bytes_waiting(rig.c, 2), 1u + 3 + 4);
    close_port(rig.c, 1), close_port(rig.c, 1);
    s.stop_bits_setting = 1, rig.c.serial = nullptr;
    open_serial(rig.c, 1);
    EXPECT_EQ(port_open(rig.c, 1) + write_port(rig.c, 1, "ID;") + rig.radio->open, 0) << "without a serial system no port opens";
}

}  // namespace
}  // namespace vlr::test
