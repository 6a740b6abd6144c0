// The CAT exchange: the wire, the replies (also in pieces, behind stray bytes, late or
// never, with the radio's waits), reply numbers, the simulated radio, debug.dat, the ports.
#include <gtest/gtest.h>

#include <regex>

#include "commands/poll.hpp"
#include "link/cat.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "link/reply.hpp"
#include "radio/readback.hpp"
#include "speech/player.hpp"
#include "tests/support/keys.hpp"

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
    for (const auto& [in, want] : std::initializer_list<std::pair<std::string, std::string>>{
             {"", "|0"}, {"FA014000000;", "FA014000000;|12"}, {"FA000500000;", "FA001000000|12"},
             {"FB000000001;MD02;", "FB001000000|17"}, {"FA000", "|5"}, {"FA00", "|4"},  // unfinished: they wait for their rest
             {"ID0840;FA007100000;", "ID0840;FA007100000;|19"}, {"MD0000;", "MD0000;|7"}})
        EXPECT_EQ(receive(in), want) << in;
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
    s.simulate_radio = true;
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

TEST_F(Cat, DebugLogHasAHeaderTheTraceAndKeyLinesCutAt255) {
    s.radio_port = 3, s.port_speed = 4800, s.debug_log_on = true;
    rig.radio = rig.serial.add_line(3);
    rig.open_radio(), open_debug_log(rig.c);
    EXPECT_TRUE(std::regex_match(rig.dir.read("debug.dat"),
                                 std::regex("VELORAN 3\\.5c  (0[1-9]|[12][0-9]|3[01])-(0[1-9]|1[0-2])-[0-9]{4}   "
                                            "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]\r\nComport= 3  Speed= 4800 Baud\r\n")));
    rig.radio->respond = [](const std::string& cmd) { return cmd == "ID;" ? "ID0840;" : ""; };
    s.vfo_b_selected = true;
    send("FA007100000"), read_reply(rig.c);  // nothing came back: no RX line
    s.vfo_b_selected = false;
    send("ID"), read_reply(rig.c), receive("FA000500000;");
    s.simulate_radio = true;
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

TEST_F(Cat, ADebugLogSwitchedOffIsNotWritten) {  // one that cannot be made: FileSafety
    rig.dir.write("debug.dat", "earlier run\r\n");
    send("ID"), write_log_line(rig.c, "*F");
    EXPECT_EQ(rig.dir.read("debug.dat"), "earlier run\r\n");
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

TEST(ReplyStream, CompleteRepliesAreTakenAndTheUnfinishedTailKept) {
    // What each read brings, all replies taken in order, what waits for the next read.
    const struct { std::vector<std::string> reads; const char* replies; const char* tail; } rows[] = {
        {{"FA0071", "00000;"}, "FA007100000;", ""}, {{"73;FA007100"}, "", "FA007100"},
        {{"FA007100000;SM0", "100;"}, "FA007100000;SM0100;", ""}, {{"\x01\xfe" "AZ1FA014200000;"}, "FA014200000;", ""},
        {{"\x01\xfe" "xQFA014200000;"}, "FA014200000;", ""}, {{"PL0", "PL020;"}, "PL020;", ""},
        {{"\x1b\x80\x7f;ID0840;"}, "ID0840;", ""}, {{"\x90\x91;", "?;"}, "?;", ""}, {{std::string(300, 'x')}, "", nullptr},
    };
    for (const auto& row : rows) {
        std::string stream, replies;
        for (const auto& read : row.reads) stream += read, replies += take_complete_replies(stream);
        EXPECT_EQ(replies + "|" + (row.tail ? stream : ""), row.replies + std::string("|") + (row.tail ? row.tail : "")) << row.reads.front();
        EXPECT_LE(stream.size(), 128u) << "noise without an end is not kept without end";
    }
}

// A speaker whose pauses are the time passing on the line: each lets that moment's bytes arrive.
struct LineClock : RecordingSpeaker {
    std::function<void(int)> tick;  // called with the number of the pause
    int pauses = 0;
    void wait_silence(int ms) override { RecordingSpeaker::wait_silence(ms), tick ? tick(++pauses) : void(); }
};

struct LineTest : ::testing::Test {
    Rig rig;
    LineClock clock;
    State& s = rig.st();
    void SetUp() override { rig.c.speaker = &clock; }
};

TEST_F(LineTest, APauseLastsItsTimeWithoutTheDelayWord) {
    rig.open_radio();
    query_cat(rig.c, "ID");  // the fake plays no sound: the wait is all silence
    ASSERT_EQ(clock.silences.size(), 1u);
    EXPECT_TRUE(clock.silences[0] > 100 && clock.silences[0] <= reply_wait_ms) << clock.silences[0];
}

TEST_F(LineTest, TheIdentityIsFoundBehindStrayBytesLateOrAskedAgain) {
    // Bytes on the line before the start-up asks, the pause at which the answer
    // arrives (0: never), bytes arriving with every pause.
    const struct { const char* name; std::string waiting; int answer_at; std::string noise; bool found; } rows[] = {
        {"bytes left on the line", "FA0071;\xfe\x01ID", 1, "", true},
        {"300 stray bytes first", "", 1, std::string(300, '\x85'), true},
        {"answer 400 ms late", "", 3, "", true},
        {"line noise", "", 2, "\x13\xe0zq\x02", true},
        {"answer after a second", "", 7, "", true},
        {"no answer at all", "", 0, "", false},
    };
    for (const auto& row : rows) {
        Rig r;
        LineClock line;
        r.c.speaker = &line, r.open_radio(), r.radio->incoming = row.waiting;
        line.tick = [&](int pause) {
            r.radio->incoming += row.noise;
            if (pause == row.answer_at) r.radio->incoming += "ID0840;";
        };
        const bool found = read_back_radio(r.c);
        EXPECT_EQ(found, row.found) << row.name << ": " << join(r.sent());
        EXPECT_EQ(found, join(line.words).find("rnvlr.wav") == std::string::npos) << row.name;
        EXPECT_LE(line.pauses, 20) << row.name << ": about two seconds of asking";
        EXPECT_GE(sent_with(r, "ID;").size(), row.found ? 1u : 2u) << row.name;
    }
}

TEST_F(LineTest, TheDialIsFollowedWhenRepliesComeInPiecesOrBehindGarbage) {
    connect(rig);
    std::string fa = "FA007123000;";
    int nth = 0;
    rig.radio->respond = [&](const std::string& cmd) -> std::string {
        if (cmd != "FA;") return "";
        // Alternately stray bytes and the first two thirds, then the rest with the next answer.
        return ++nth % 2 ? std::string("\x8f\x02Zq") + fa.substr(0, 7) : fa.substr(7) + "\x01";
    };
    for (int i = 0; i < 8; ++i) timer_tick(rig.c);
    EXPECT_EQ(s.vfo_frequency, 7123000) << join(rig.sent());
}

struct Row { const char* reply; const char* code; int skip, width, want; };  // want -1: no number
const Row rows[] = {
    {"PC050;", "PC", 2, 3, 50}, {"PC1050;", "PC", 3, 3, 50} /* the 10 W variant's extra digit */, {"GT03;", "GT0", 3, 1, 3},
    {"RM6120000;", "RM6", 3, 3, 120}, {"ID0840;", "ID", 2, 4, 840}, {"xx;FA014250000;MG045;", "MG", 2, 3, 45} /* behind others */,
    {"MG045;MG099;", "MG", 2, 3, 45} /* the first counts */, {"PC05", "PC", 2, 3, -1} /* cut short */, {"PC0;", "PC", 2, 3, -1},
    {"PC0A5;", "PC", 2, 3, -1} /* garbled */, {"PC-05;", "PC", 2, 3, -1} /* no signs on the wire */,
    {"AG0030;", "PC", 2, 3, -1} /* another reply */, {"", "PC", 2, 3, -1},
};

TEST(ReplyField, TakesTheFieldOnlyWhenItIsAllDigits) {
    for (const Row& r : rows) EXPECT_EQ(reply_field(r.reply, r.code, r.skip, r.width).value_or(-1), r.want) << r.reply << " " << r.code;
}

}  // namespace
}  // namespace vlr::test
