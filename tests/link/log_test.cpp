// debug.dat: header, CR LF lines, the TX/RX trace, key lines.
#include "link/log.hpp"

#include <gtest/gtest.h>

#include <regex>

#include "link/cat.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

class DebugLog : public ::testing::Test {
protected:
    Rig rig;
    State& s = rig.st();
    void SetUp() override {
        s.version_text = "3.5c";
        s.radio_port = 3;
        s.port_speed = 4800;
        rig.radio = rig.serial.add_line(3);
        rig.open_radio();
    }
    void start_log() {
        s.debug_log_on = 1;
        open_debug_log(rig.c);
    }
    std::string log() const { return rig.dir.read("debug.dat"); }
    // The lines after the two header lines.
    std::string trace() const {
        std::string all = log();
        std::size_t first = all.find("\r\n");
        std::size_t second = all.find("\r\n", first + 2);
        return second == std::string::npos ? std::string() : all.substr(second + 2);
    }
};

TEST_F(DebugLog, HeaderLines) {
    start_log();
    const std::regex header(
        "VELORAN 3\\.5c  (0[1-9]|[12][0-9]|3[01])-(0[1-9]|1[0-2])-[0-9]{4}   "
        "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]\r\n"
        "Comport= 3  Speed= 4800 Baud\r\n");
    EXPECT_TRUE(std::regex_match(log(), header)) << log();
}

TEST_F(DebugLog, TraceOfCommandsAndReplies) {
    start_log();
    rig.radio->respond = [](const std::string& cmd) { return cmd == "ID;" ? "ID0840;" : ""; };
    s.vfo_b_selected = 1;
    s.cat_command = "FA007100000";
    send_command(rig.c);
    read_reply(rig.c);  // nothing comes back: no RX line
    s.vfo_b_selected = 0;
    s.cat_command = "ID";
    send_command(rig.c);
    read_reply(rig.c);
    rig.radio->incoming = "FA000500000;";
    read_reply(rig.c);
    EXPECT_EQ(s.log_line, "RX=FA001000000");
    // Simulated replies are logged too.
    s.simulate_radio = 1;
    s.cat_command = "TX1";
    send_command(rig.c);
    read_reply(rig.c);
    EXPECT_EQ(trace(), "TX=FB007100000;\r\nTX=ID;\r\nRX=ID0840;\r\nRX=FA001000000\r\nTX=TX1;\r\nRX=;\r\n");
}

TEST_F(DebugLog, LinesAreCutAt255) {
    start_log();
    write_log_line(rig.c, std::string(300, 'x'));
    write_log_line(rig.c, "*F");
    EXPECT_EQ(trace(), std::string(255, 'x') + "\r\n*F\r\n");
}

TEST_F(DebugLog, SwitchedOffNothingIsWritten) {
    rig.dir.write("debug.dat", "earlier run\r\n");
    s.debug_log_on = 0;
    s.cat_command = "ID";
    send_command(rig.c);
    rig.radio->incoming = "ID0840;";
    read_reply(rig.c);
    write_log_line(rig.c, "*F");  // the log was never opened
    EXPECT_EQ(log(), "earlier run\r\n");
}

TEST_F(DebugLog, ASecondStartLeavesOnlyItsOwnLog) {
    start_log();
    write_log_line(rig.c, "*A");
    close_debug_log(rig.c);
    s.port_speed = 9600;
    start_log();
    write_log_line(rig.c, "*B");
    close_debug_log(rig.c);
    close_debug_log(rig.c);
    EXPECT_EQ(log().find("*A"), std::string::npos);
    EXPECT_NE(log().find("Speed= 9600 Baud\r\n*B\r\n"), std::string::npos) << log();
    write_log_line(rig.c, "*C");  // after closing: nothing
    EXPECT_EQ(log().find("*C"), std::string::npos);
}

TEST_F(DebugLog, ALogThatCannotBeCreatedStopsNothing) {
    rig.c.paths.work_dir = rig.dir.path + "missing/";
    start_log();
    EXPECT_FALSE(s.debug_file.is_open());
    s.cat_command = "ID";
    send_command(rig.c);
    rig.radio->incoming = "ID0840;";
    read_reply(rig.c);
    EXPECT_EQ(rig.sent(), std::vector<std::string>{"ID;"});
    EXPECT_EQ(s.cat_reply, "ID0840;");
    EXPECT_FALSE(rig.dir.exists("missing"));
}

TEST(KeyLogText, EachKindOfKey) {
    struct Case {
        int code;
        const char* text;
    } cases[] = {{13, "*C/R"},    {190, "*."},     {110, "*."}, {96, "*` (0)"},
                 {101, "*e (5)"}, {105, "*i (9)"}, {70, "*F"},  {48, "*0"},
                 {32, "* "},      {95, "*_"},      {106, "*j"}};
    for (auto k : cases) EXPECT_EQ(key_log_text(k.code), k.text) << k.code;
}

}  // namespace
}  // namespace vlr::test
