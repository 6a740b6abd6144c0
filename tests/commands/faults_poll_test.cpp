// The timer step against a radio line that misbehaves: meter replies cut
// short or mangled, a flood of noise in front of an answer, a quit that the
// radio never confirms.
#include <gtest/gtest.h>

#include "commands/poll.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

struct PollFaults : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    std::string fa = "FA014200000;", sm = "SM0100;", rm6 = "RM6040;";
    bool quiet = false;

    void SetUp() override {
        rig.radio->respond = [this](const std::string& cmd) {
            if (quiet) return std::string();
            if (cmd == "FA;") return fa;
            if (cmd == "SM0;") return sm;
            if (cmd == "RM6;") return rm6;
            return std::string();
        };
        connect(rig);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) timer_tick(rig.c);
    }
};

// A meter reading is three digits; anything else in their place would show
// (and for the SWR, speak) a value the radio never measured.
TEST_F(PollFaults, MeterRepliesWithoutThreeDigitsLeaveTheLastReading) {
    ticks(4);
    ASSERT_EQ(s.s_meter_value, 100);
    const std::string with_nul(
        "SM0\0\0"
        "9;",
        7);
    for (const std::string& bad : {std::string("SM01"), std::string("SM0"), std::string("SM0x7;"),
                                   std::string("SM0-1;"), with_nul}) {
        sm = bad;
        ticks(4);
        EXPECT_EQ(s.s_meter_value, 100) << "reply " << bad;
    }
    s.tuner_mode = 1;
    s.tune_active = 1;
    ticks(4);
    ASSERT_EQ(s.swr_peak_text, "040");
    for (const char* bad : {"RM6", "RM60", "RM6 1;", "RM6+40;"}) {
        rm6 = bad;
        rig.clear();
        ticks(4);
        EXPECT_EQ(s.swr_peak_text, "040") << "reply " << bad;
        EXPECT_TRUE(rig.words().empty()) << "nothing spoken for " << bad;
    }
}

TEST_F(PollFaults, FloodInFrontOfAnAnswerIsDroppedAndTheNextAnswerCounts) {
    std::string noise(10 * 1024, '7');
    for (std::size_t i = 0; i < noise.size(); i += 5) noise[i] = '\0';
    fa = noise + "FA007100000;";
    ticks(2);
    EXPECT_TRUE(rig.radio->incoming.empty()) << "the noise does not wait for later polls";
    EXPECT_EQ(s.vfo_frequency, 14200000);
    EXPECT_LE(s.cat_reply.size(), 255u);
    fa = "FA007100000;";
    ticks(4);
    EXPECT_EQ(s.vfo_frequency, 7100000);
    EXPECT_EQ(s.band_index, 4);
}

TEST_F(PollFaults, FrequencyReplyCutOrDirtyChangesNothing) {
    for (const char* bad : {"FA0142", "FA01420000;", "FA0142000000;", "FA01420x000;", "FA;"}) {
        fa = bad;
        ticks(4);
        EXPECT_EQ(s.vfo_frequency, 14200000) << "reply " << bad;
        EXPECT_EQ(s.band_index, 6) << "reply " << bad;
        EXPECT_EQ(s.freq_text, " 14.200000") << "reply " << bad;
    }
    fa = std::string(
        "FA0142\0"
        "0000;",
        12);
    ticks(4);
    EXPECT_EQ(s.vfo_frequency, 14200000);
}

TEST_F(PollFaults, QuitEndsAfterTwoFrequencyRepliesAsBefore) {
    press(rig, {'Q'});
    ticks(4);
    EXPECT_EQ(s.running, 1);
    ticks(4);
    EXPECT_EQ(s.running, 0);
}

TEST_F(PollFaults, QuitThatTheRadioNeverConfirmsStillEnds) {
    quiet = true;
    press(rig, {'Q'});
    ASSERT_EQ(s.quit_pending, 1);
    int ticks_taken = 0;
    while (s.running == 1 && ticks_taken < 1000) {
        timer_tick(rig.c);
        ++ticks_taken;
    }
    EXPECT_EQ(s.running, 0);
    EXPECT_GE(ticks_taken, 40) << "the radio gets a fair chance to answer first";
    EXPECT_LE(ticks_taken, 100);
}

TEST_F(PollFaults, QuitWhileTransmittingEnds) {
    // Transmitting keeps the frequency poll off, so no confirmation can come.
    press(rig, {vk::space});
    ASSERT_GT(s.transmit_state, 0);
    press(rig, {'Q'});
    for (int i = 0; i < 1000 && s.running == 1; ++i) timer_tick(rig.c);
    EXPECT_EQ(s.running, 0);
}

}  // namespace
}  // namespace vlr::test
