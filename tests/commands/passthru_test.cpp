// The CAT pass-through: another program's commands reach the radio one per
// poll, answers go back byte for byte, and the program keeps its own state in
// step with what the other program did.
#include "commands/passthru.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "base/text.hpp"
#include "commands/handler.hpp"
#include "commands/poll.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "platform/interfaces.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

constexpr int client_com = 2;

class Passthru : public ::testing::Test {
protected:
    Rig rig;
    State& s = rig.st();
    std::shared_ptr<FakeLine> client;
    // The radio's answers to queries; anything else is a setting and gets
    // no answer, as from the real radio.
    std::map<std::string, std::string> answers{
        {"FA;", "FA014250000;"}, {"FB;", "FB007050000;"}, {"ID;", "ID0840;"},
        {"MD0;", "MD02;"},       {"AI;", "AI0;"},         {"SQ0;", "SQ0008;"},
    };

    void SetUp() override {
        rig.open_radio();
        rig.radio->respond = [this](const std::string& cmd) {
            auto it = answers.find(cmd);
            return it == answers.end() ? std::string() : it->second;
        };
        client = rig.serial.add_line(client_com);
        s.passthru_port = client_com;
        open_serial(rig.c, client_com);
        s.radio_connected = 1;
        s.band_index = 6;
        s.vfo_frequency = 14200000;
    }
    void from_client(const std::string& bytes) { client->incoming += bytes; }
    void poll() { poll_passthru(rig.c); }
    // What the other program has received so far.
    const std::string& to_client() const { return client->written; }
    std::string sent() const { return join(rig.sent()); }
    void start_log() {
        s.debug_log_on = 1;
        open_debug_log(rig.c);
    }
    // The log without its two header lines.
    std::string trace() const {
        std::string all = rig.dir.read("debug.dat");
        std::size_t first = all.find("\r\n");
        std::size_t second = all.find("\r\n", first + 2);
        return second == std::string::npos ? std::string() : all.substr(second + 2);
    }
};

TEST_F(Passthru, CommandInTwoPiecesGoesOutWhenComplete) {
    poll();  // nothing waiting leaves everything alone
    from_client("F");
    poll();
    EXPECT_EQ(sent(), "");
    EXPECT_EQ(s.radio_initiated, 0);
    EXPECT_EQ(s.passthru_inbuf, "F");

    from_client("A;");
    poll();
    EXPECT_EQ(sent(), "FA;");
    EXPECT_EQ(s.radio_initiated, 1);
    EXPECT_EQ(to_client(), "FA014250000;");
    EXPECT_EQ(s.passthru_inbuf, "");
    // The answer was taken and shown, after the standard pause.
    EXPECT_EQ(s.vfo_frequency, 14250000);
    EXPECT_EQ(s.freq_text, " 14.250000");
    EXPECT_EQ(rig.window.text.at(285, 150).rfind(" 14.250000", 0), 0u)
        << rig.window.text.at(285, 150);
    EXPECT_EQ(s.vfo_a_text, "A014250000");
    EXPECT_EQ(join(rig.words()), "delay");
}

// One request from the other program: what reaches the radio, what goes
// back, and which frequency the program ends up holding.
TEST_F(Passthru, AnswersGoBackAsTheyCameAndOnlyAWholeFrequencyReplyIsTaken) {
    const struct {
        const char* what;
        std::function<void()> setup;
        std::string request, radio_got, client_got;
        int frequency;
    } cases[] = {
        {"split: passed back, not taken",
         [&] { s.vfo_b_selected = 1, s.vfo_b_text = "B014000000"; }, "FA;", "FB;", "FB007050000;", 14200000},
        {"frequency behind other text", [&] { answers["ID;"] = "ID0840;FA014250000;"; }, "ID;", "ID;",
         "ID0840;FA014250000;", 14250000},
        {"late answer to our own poll", [&] { rig.radio->incoming = "SM0069;"; }, "AI;", "AI;", "AI0;", 14200000},
        {"below 1 MHz goes back untouched", [&] { answers["FA;"] = "FA000500000;"; }, "FA;", "FA;",
         "FA000500000;", 1000000},
        {"mode query answered, not followed", [&] { s.mode_code = 3; }, "MD0;", "MD0;", "MD02;", 14200000},
        {"bare terminator not passed back", [&] { answers["XX;"] = ";"; }, "XX;", "XX;", "", 14200000},
        {"a setting gets no answer", [] {}, "FA014250000;", "FA014250000;", "", 14200000},
        // A cut-off reply must not count as the radio's first answer either.
        {"cut-off reply", [&] { answers["FA;"] = "FA0142;", s.radio_connected = 0; }, "FA;", "FA;", "FA0142;",
         14200000},
    };
    for (const auto& k : cases) {
        s.vfo_b_selected = 0, s.radio_connected = 1, s.mode_code = 2, s.vfo_frequency = 14200000;
        client->written.clear();
        rig.clear();
        k.setup();
        from_client(k.request);
        poll();
        EXPECT_EQ(sent(), k.radio_got) << k.what;
        EXPECT_EQ(to_client(), k.client_got) << k.what;
        EXPECT_EQ(s.vfo_frequency, k.frequency) << k.what;
        EXPECT_EQ(s.passthru_inbuf, "") << k.what;
        if (k.request == "MD0;") { EXPECT_EQ(s.mode_code, 3) << k.what; }
        if (s.vfo_b_selected) { EXPECT_EQ(s.vfo_b_text, "B014000000") << k.what; }
    }
    EXPECT_EQ(s.radio_connected, 0) << "a cut-off reply is no first answer";
}

TEST_F(Passthru, RequestRepeatedWhileWaitingGetsOneAnswer) {
    // The client gave up waiting and asked again while the radio was asked.
    rig.radio->respond = [this](const std::string& cmd) {
        if (cmd == "ID;") from_client("ID;");
        return cmd == "ID;" ? std::string("ID0840;") : std::string();
    };
    from_client("ID;");
    poll();
    poll();
    EXPECT_EQ(sent(), "ID;");
    EXPECT_EQ(to_client(), "ID0840;");

    // Asked again while the first request still waited behind a setting.
    rig.radio->respond = [](const std::string& cmd) {
        return cmd == "ID;" ? std::string("ID0840;") : std::string();
    };
    client->written.clear();
    rig.clear();
    from_client("FA014250000;ID;");
    poll();
    from_client("ID;");
    poll();
    poll();
    EXPECT_EQ(sent(), "FA014250000; ID;");
    EXPECT_EQ(to_client(), "ID0840;");

    // Asked twice at once, it is answered twice.
    client->written.clear();
    from_client("ID;ID;");
    poll();
    poll();
    EXPECT_EQ(to_client(), "ID0840;ID0840;");
}

TEST_F(Passthru, RadioModeCodesBecomeTheProgramsModesWithoutAModeCommandOfOurOwn) {
    // The radio numbers its modes otherwise than the program does.
    const struct {
        const char* command;
        int mode_code;
        const char* label;
    } cases[] = {
        {"MD01;", 1, "LSB    "},  {"MD02;", 2, "USB    "}, {"MD03;", 3, "CW      "},
        {"MD04;", 7, "FM      "}, {"MD05;", 4, "AM     "}, {"MD0B;", 5, "FMN     "},
        {"MD0H;", 6, "C4FM  "},   {"MD0C;", 0, nullptr},   {"MD09;", 0, nullptr},
    };
    for (const auto& k : cases) {
        s.mode_code = k.mode_code == 1 ? 2 : 1;
        rig.window.text.drawn.clear();
        rig.clear();
        from_client(k.command);
        poll();
        EXPECT_EQ(s.mode_code, k.mode_code) << k.command;
        EXPECT_EQ(rig.window.text.at(50, 45), k.label ? k.label : "") << k.command;
        EXPECT_EQ(to_client(), "") << k.command;
        // The radio gets the client's mode command and what goes with it; no
        // second mode command, and not the frozen band row's frequency, which
        // would pull the radio off the client's frequency.
        ASSERT_FALSE(rig.sent().empty()) << k.command;
        EXPECT_EQ(rig.sent().front(), k.command);
        for (std::size_t i = 1; i < rig.sent().size(); ++i) {
            EXPECT_NE(rig.sent()[i].rfind("MD", 0), 0u) << k.command << ": " << sent();
            EXPECT_NE(rig.sent()[i].rfind("FA", 0), 0u) << k.command << ": " << sent();
        }
    }
}

TEST_F(Passthru, SeveralCommandsInOneWriteAreAllForwardedInOrder) {
    const struct {
        std::string write;
        std::vector<std::string> forwarded;
        std::string answered;
    } cases[] = {
        {"FA014250000;FA;", {"FA014250000;", "FA;"}, "FA014250000;"},
        {"MD02;MD0;", {"MD02;", "MD0;"}, "MD02;"},
        {"AI0;AI;", {"AI0;", "AI;"}, "AI0;"},
        {"ID;FA;", {"ID;", "FA;"}, "ID0840;FA014250000;"},
    };
    for (const auto& k : cases) {
        client->written.clear();
        from_client(k.write);
        std::vector<std::string> forwarded;
        // One command per poll, and none left over afterwards.
        for (std::size_t i = 0; i < k.forwarded.size() + 1; ++i) {
            rig.clear();
            poll();
            for (const auto& cmd : rig.sent())
                if (cmd != "NA00;") forwarded.push_back(cmd);
        }
        EXPECT_EQ(join(forwarded), join(k.forwarded)) << k.write;
        EXPECT_EQ(to_client(), k.answered) << k.write;
        EXPECT_EQ(s.passthru_inbuf, "") << k.write;
    }
}

TEST_F(Passthru, LongBurstLosesNoCommand) {
    std::string burst;
    for (int i = 0; i < 100; ++i) burst += "ID;";  // 300 bytes, more than one buffer
    from_client(burst);
    for (int i = 0; i < 100; ++i) {
        poll();
        EXPECT_LE(s.passthru_inbuf.size(), max_text);
    }
    EXPECT_EQ(rig.sent().size(), 100u);
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += "ID0840;";
    EXPECT_EQ(to_client(), expected);
}

TEST_F(Passthru, UnterminatedGarbageDoesNotBlockThePort) {
    from_client(std::string(300, 'x'));
    poll();
    EXPECT_LE(s.passthru_inbuf.size(), max_text);
    for (int i = 0; i < 3; ++i) poll();
    // The garbage's tail cannot be told from the start of the next command;
    // that one is lost, the one after it goes through clean.
    from_client("FA;");
    for (int i = 0; i < 3; ++i) poll();
    from_client("FA;");
    poll();
    ASSERT_FALSE(rig.sent().empty());
    EXPECT_EQ(rig.sent().back(), "FA;");
    EXPECT_EQ(to_client(), "FA014250000;");
}

TEST_F(Passthru, TrafficIsLogged) {
    start_log();
    from_client("FA014250000;FA;");
    poll();
    poll();
    EXPECT_EQ(trace(),
              "***VRX1=FA014250000;FA;\r\n"
              "TX=FA014250000;\r\n"
              "***VRX1=FA;\r\n"
              "TX=FA;\r\n"
              "RX=FA014250000;\r\n"
              "***VTX1=FA014250000;\r\n");
}

TEST_F(Passthru, BandRowsStayUntilTheNextKey) {
    const std::string row = s.band_table[6];
    from_client("FA;");
    poll();
    EXPECT_EQ(s.vfo_frequency, 14250000);
    EXPECT_EQ(s.band_table[6], row);

    // The program's own polls do not store the band either while the other
    // program is in control.
    for (int i = 0; i < 4; ++i) {
        s.event_id = platform::event_timer;
        handle_event(rig.c);
    }
    EXPECT_EQ(s.band_table[6], row);
    EXPECT_EQ(s.radio_initiated, 1);

    // A key hands the band memory back to the operator.
    s.event_id = platform::event_key_down;
    s.event_param = 'F';
    handle_event(rig.c);
    s.event_id = platform::event_key_up;
    handle_event(rig.c);
    EXPECT_EQ(s.radio_initiated, 0);
    for (int i = 0; i < 4; ++i) {
        s.event_id = platform::event_timer;
        handle_event(rig.c);
    }
    EXPECT_EQ(mid(s.band_table[6], 4, 9), "014250000");
}

}  // namespace
}  // namespace vlr::test
