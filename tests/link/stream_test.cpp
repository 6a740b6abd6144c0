// Replies as a real line delivers them: in pieces, behind stray bytes, late,
// or not at all; and the waits that give the radio its time.
#include <gtest/gtest.h>

#include "commands/poll.hpp"
#include "link/cat.hpp"
#include "radio/readback.hpp"
#include "speech/player.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

TEST(ReplyStream, CompleteRepliesAreTakenAndTheUnfinishedTailKept) {
    // What each read brings, all replies taken in order, what waits for the next read.
    const struct { std::vector<std::string> reads; const char* replies; const char* tail; } rows[] = {
        {{"FA0071", "00000;"}, "FA007100000;", ""},
        {{"73;FA007100"}, "", "FA007100"},
        {{"FA007100000;SM0", "100;"}, "FA007100000;SM0100;", ""},
        {{"\x01\xfe" "AZ1FA014200000;"}, "FA014200000;", ""},
        {{"\x01\xfe" "xQFA014200000;"}, "FA014200000;", ""},
        {{"PL0", "PL020;"}, "PL020;", ""},
        {{"\x1b\x80\x7f;ID0840;"}, "ID0840;", ""},
        {{"\x90\x91;", "?;"}, "?;", ""},
        {{std::string(300, 'x')}, "", nullptr},
    };
    for (const auto& row : rows) {
        std::string stream, replies;
        for (const auto& read : row.reads) {
            stream += read;
            replies += take_complete_replies(stream);
        }
        EXPECT_EQ(replies + "|" + (row.tail ? stream : ""), row.replies + std::string("|") + (row.tail ? row.tail : "")) << row.reads.front();
        EXPECT_LE(stream.size(), 128u) << "noise without an end is not kept without end";
    }
}

// A speaker whose waits are the time passing on the line: each pause lets
// the radio's bytes for that moment arrive.
struct LineClock : RecordingSpeaker {
    std::function<void(int)> tick;  // called with the number of the pause
    int pauses = 0;
    void wait_silence(int ms) override {
        RecordingSpeaker::wait_silence(ms);
        if (tick) tick(++pauses);
    }
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
        r.c.speaker = &line;
        r.open_radio();
        r.radio->incoming = row.waiting;
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
        // Alternately the first two thirds now and the rest with the next
        // answer, and stray bytes in front.
        ++nth;
        return nth % 2 ? std::string("\x8f\x02Zq") + fa.substr(0, 7) : fa.substr(7) + "\x01";
    };
    for (int i = 0; i < 8; ++i) timer_tick(rig.c);
    EXPECT_EQ(s.vfo_frequency, 7123000) << join(rig.sent());
}

}  // namespace
}  // namespace vlr::test
