// The timer step: one tick sends a poll, the next reads its answer.
#include "commands/poll.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/log.hpp"
#include "link/ports.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::join;
using test::Rig;

struct PollTest : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    // The fake radio's answer to each poll; empty = it stays silent.
    std::string fa = "FA014200000;", sm = "SM0100;", rm6 = "RM6040;", rm4 = "RM4120;";

    void SetUp() override {
        rig.radio->respond = [this](const std::string& cmd) {
            if (cmd == "FA;") return fa;
            if (cmd == "SM0;") return sm;
            if (cmd == "RM6;") return rm6;
            if (cmd == "RM4;") return rm4;
            return std::string();
        };
        rig.open_radio();
        // Past the first frequency reply, whose announcement is not this step's.
        s.radio_connected = 1;
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) timer_tick(rig.c);
    }
    bool heard_nothing() const { return rig.words().empty(); }
};

TEST_F(PollTest, SendsOnOneTickAndReadsOnTheNext) {
    ticks(1);
    EXPECT_EQ(join(rig.sent()), "FA;");
    EXPECT_EQ(s.poll_pending, 1);
    EXPECT_EQ(s.cat_reply, "");
    ticks(1);
    EXPECT_EQ(join(rig.sent()), "FA;");
    EXPECT_EQ(s.poll_pending, 0);
    EXPECT_EQ(s.reply_count, 12);
    EXPECT_EQ(s.vfo_frequency, 14200000) << "the answer went to the frequency reply";
    EXPECT_TRUE(rig.radio->incoming.empty());
}

TEST_F(PollTest, FrequencyAndMeterAlternate) {
    ticks(8);
    EXPECT_EQ(join(rig.sent()), "FA; SM0; FA; SM0;");
    EXPECT_EQ(s.s_meter_value, 100);
}

TEST_F(PollTest, TransmittingStopsTheFrequencyPollAndReadsTheSwrMeter) {
    s.transmit_state = 10;
    ticks(1);
    EXPECT_EQ(join(rig.sent()), "");
    EXPECT_EQ(s.poll_pending, 1);  // the empty poll still takes its tick
    EXPECT_EQ(s.poll_phase, 1);
    ticks(3);
    EXPECT_EQ(join(rig.sent()), "RM6;");
    EXPECT_EQ(s.swr_peak_text, "040");
}

TEST_F(PollTest, TuningReadsFrequencyAndSwrMeter) {
    s.tune_active = 1;
    s.transmit_state = 0;
    ticks(4);
    EXPECT_EQ(join(rig.sent()), "FA; RM6;");
}

TEST_F(PollTest, MicrophoneMonitorPollsTheAlcMeter) {
    s.mic_monitor = 1;
    s.mic_level_peak = 30;
    s.tick_count = 0;
    ticks(4);
    EXPECT_EQ(join(rig.sent()), "FA; RM4;");
    EXPECT_EQ(s.mic_level_peak, 120);
    EXPECT_TRUE(heard_nothing()) << "spoken only from the eleventh tick on";

    rm4 = "RM4090;";
    s.tick_count = 8;
    ticks(4);  // read at tick_count 12
    EXPECT_EQ(s.mic_level_peak, 120) << "the peak holds";
    EXPECT_FALSE(heard_nothing());
    EXPECT_EQ(s.tick_count, 0) << "the report restarts the count";
}

TEST_F(PollTest, AlcAnswerIsIgnoredWithoutTheMonitor) {
    s.mic_monitor = 0;
    s.mic_level_peak = 0;
    sm = "RM4120;";
    ticks(4);
    EXPECT_EQ(s.mic_level_peak, 0);
}

TEST_F(PollTest, FrequencyBelowOneMegahertzReadsAsOne) {
    s.vfo_frequency = 7100000;
    fa = "FA000500000;";
    ticks(2);
    EXPECT_EQ(s.vfo_frequency, 1000000) << "taken as exactly 1 MHz, not ignored";
    EXPECT_EQ(s.freq_text, "  1.000000");
    // A reply cut short is still no frequency.
    fa = "FA00050";
    ticks(4);
    EXPECT_EQ(s.vfo_frequency, 1000000);
}

TEST_F(PollTest, SilentRadioDropsThePollAndTheNextTickSendsTheNext) {
    fa = "";
    ticks(3);
    EXPECT_EQ(join(rig.sent()), "FA; SM0;");
    EXPECT_EQ(s.reply_count, 0);
}

TEST_F(PollTest, ReplyIsLoggedOnlyWhenSomethingArrived) {
    s.debug_log_on = 1;
    open_debug_log(rig.c);
    fa = "";
    ticks(4);
    close_debug_log(rig.c);
    const std::string log = rig.dir.read("debug.dat");
    EXPECT_NE(log.find("TX=FA;\r\n"), std::string::npos);
    EXPECT_NE(log.find("RX=SM0100;\r\n"), std::string::npos);
    EXPECT_EQ(log.find("RX="), log.rfind("RX=")) << "one RX line only:\n" << log;
}

TEST_F(PollTest, SMeterUpdatesThePanelWithoutAWord) {
    sm = "SM0100;";
    ticks(4);
    EXPECT_EQ(s.s_meter_value, 100);
    EXPECT_TRUE(
        std::none_of(rig.words().begin(), rig.words().end(), [](auto& w) { return w == "s.wav"; }));
    EXPECT_TRUE(rig.speaker.paths.empty()) << "the S-meter routine ran muted";
    EXPECT_EQ(s.wave_folder, "wave/");
    EXPECT_EQ(rig.window.text.at(750, 45), "S7  ");
}

TEST_F(PollTest, SwrPeakHoldsAfterTheSettlingReplies) {
    s.transmit_state = 10;  // transmitting, auto_swr 0 parked
    s.auto_swr = 0;
    s.tx_settle_count = 2;
    struct Step {
        const char* reading;
        const char* kept;
    };
    const Step steps[] = {{"RM6090;", "090"},
                          {"RM6030;", "030"},
                          {"RM6060;", "060"},
                          {"RM6040;", "060"},
                          {"RM6120;", "120"}};
    for (const Step& step : steps) {
        rm6 = step.reading;
        ticks(4);  // the empty frequency poll, then the meter
        EXPECT_EQ(s.swr_peak_text, step.kept) << step.reading;
    }
    EXPECT_EQ(s.tx_settle_count, 0);
    EXPECT_TRUE(heard_nothing()) << "no SWR announcement of its own while transmitting";
}

TEST_F(PollTest, SwrIsSpokenWithAutoSwrOrWhenNotTransmitting) {
    // The tune carrier with automatic SWR: every reply is announced.
    s.tune_active = 1;
    s.transmit_state = 1;
    s.tuner_mode = 3;
    s.auto_swr = 1;
    ticks(2);
    rig.clear();
    ticks(2);
    EXPECT_EQ(join(rig.sent()), "RM6;");
    EXPECT_FALSE(heard_nothing());
    EXPECT_EQ(s.swr_peak_text, "040");

    // Tuning without a carrier of the program's (transmit_state 0).
    s.transmit_state = 0;
    s.auto_swr = 0;
    s.tuner_mode = 1;
    rig.clear();
    ticks(4);
    EXPECT_FALSE(heard_nothing());
}

TEST_F(PollTest, MenuBusyFreezesTheStep) {
    s.menu_busy = 1;
    s.tick_count = 7;
    ticks(5);
    EXPECT_EQ(s.tick_count, 7);
    EXPECT_EQ(join(rig.sent()), "");
    EXPECT_EQ(s.poll_pending, 0);
    s.menu_busy = 0;
    ticks(1);
    EXPECT_EQ(s.tick_count, 8);
    EXPECT_EQ(join(rig.sent()), "FA;");
}

TEST_F(PollTest, TickCountRunsToTwentyAndWrapsPastZero) {
    s.tick_count = 19;
    ticks(1);
    EXPECT_EQ(s.tick_count, 20);
    ticks(1);
    EXPECT_EQ(s.tick_count, 1) << "0 is kept for a frequency still on its way";
    ticks(20);
    EXPECT_EQ(s.tick_count, 1);
}

TEST_F(PollTest, PassThroughIsServedOnlyOnSendingTicksBeforeThePoll) {
    auto other = rig.serial.add_line(2);
    s.passthru_port = 2;
    open_serial(rig.c, 2);
    other->incoming = "ID;";
    ticks(1);
    EXPECT_EQ(join(rig.sent()), "ID; FA;");
    other->incoming = "BI;";
    ticks(1);  // reading the frequency answer: the other program waits
    EXPECT_EQ(join(rig.sent()), "ID; FA;");
    ticks(1);
    EXPECT_EQ(join(rig.sent()), "ID; FA; BI; SM0;");

    rig.clear();
    s.passthru_port = 0;
    other->incoming = "VX;";
    ticks(2);
    EXPECT_EQ(join(rig.sent()), "FA;");

    // Configured on the radio's own port, the radio's answers would go back
    // to it as commands: such a pass-through is not served.
    s.passthru_port = s.radio_port;
    ASSERT_EQ(s.poll_pending, 1);
    ticks(1);  // the answer is read; the next tick sends
    rig.clear();
    rig.radio->incoming = "ID;";  // something the radio sent unasked
    ticks(1);
    ASSERT_EQ(rig.sent().size(), 1u);
    EXPECT_NE(rig.sent()[0], "ID;") << "the radio's own bytes went back to it";
}

TEST_F(PollTest, SimulatedRadioAnswersThePolls) {
    s.simulate_radio = 1;
    rig.radio->respond = nullptr;
    s.band_index = 4;
    ticks(2);
    EXPECT_EQ(s.vfo_frequency, 7100000) << "the band row's frequency before any was set";
    s.last_freq_command = "FA014250000;";
    ticks(2);
    EXPECT_EQ(s.s_meter_value, 100);
    ticks(2);
    EXPECT_EQ(s.vfo_frequency, 14250000);
    s.transmit_state = 10;
    s.swr_peak_text = "";
    ticks(4);
    EXPECT_EQ(s.swr_peak_text, "100");
    EXPECT_EQ(join(rig.sent()), "FA; SM0; FA; RM6;") << "the polls still go out on the line";
}

}  // namespace
}  // namespace vlr
