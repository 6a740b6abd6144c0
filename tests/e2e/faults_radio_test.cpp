// The program's timer step and keys against the emulated radio over a real
// pseudo-terminal, through the real serial backend, while the radio or its
// cable misbehave: silence, late and broken answers, stray bytes, bursts of
// noise with and without NUL bytes, and the cable pulled out and put back.
// Whatever happens, the state stays sane, keys are answered, the memory
// channels stay, and the poll goes on. Waits are bounded by tick counts and a
// generous clock limit; nothing here measures time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "commands/poll.hpp"
#include "emulator/pty_radio.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "platform/posix/posix_serial.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

using emu::Fault;

constexpr auto clock_limit = std::chrono::seconds(30);

struct RadioFaults : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    std::unique_ptr<platform::SerialSystem> serial = platform::make_posix_serial(rig.dir.path);
    emu::PtyRadio radio{emu::RadioModel{}, emu::PtyOptions{115200, 2, 5}};
    std::array<std::string, 100> channels_before{};
    int last_frequency = 0;

    void SetUp() override {
        ASSERT_TRUE(radio.ok());
        ASSERT_TRUE(radio.link_com(rig.dir.path, 1));
        rig.c.serial = serial.get();
        s.memory_channels[23] = "0206A014250000B0142500009991";
        channels_before = s.memory_channels;
        // The diagnostic log is the program's own account of what it sent,
        // whether or not a busy radio has read it yet.
        s.debug_log_on = 1;
        open_debug_log(rig.c);
        rig.open_radio();
        ASSERT_EQ(port_alive(rig.c, 1), 1);
        s.running = 1;
        s.radio_connected = 1;  // past the first answer's announcement
        ASSERT_TRUE(ticks_until([&] { return s.vfo_frequency == 7'100'000; }));
        rig.clear();
    }

    // One timer tick, then a nap as long as the rest of a 50 ms period would
    // be, so the radio (another thread) can answer the poll.
    void tick() {
        timer_tick(rig.c);
        check_sane();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) tick();
    }
    // Ticks until `done`, at most `limit` ticks or the clock limit.
    bool ticks_until(const std::function<bool()>& done, int limit = 400) {
        const auto end = std::chrono::steady_clock::now() + clock_limit;
        for (int i = 0; i < limit && !done() && std::chrono::steady_clock::now() < end; ++i) tick();
        return done();
    }

    // What must hold after every tick, whatever came over the line.
    void check_sane() {
        if (s.vfo_frequency != last_frequency) {
            EXPECT_GE(s.vfo_frequency, 1'000'000);
            EXPECT_LE(s.vfo_frequency, 470'000'000);
            last_frequency = s.vfo_frequency;
        }
        EXPECT_GE(s.band_index, 1);
        EXPECT_LE(s.band_index, 14);
        for (const std::string* t : {&s.cat_reply, &s.freq_text, &s.last_freq_reply, &s.vfo_a_text,
                                     &s.swr_peak_text, &s.passthru_inbuf, &s.log_line})
            EXPECT_LE(t->size(), 255u);
        if (s.vfo_frequency != 0) {
            EXPECT_EQ(s.freq_text.size(), 10u) << s.freq_text;
        }
        EXPECT_GE(s.s_meter_value, 0);
        EXPECT_LE(s.s_meter_value, 255);
        for (int band = 1; band <= 14; ++band)
            EXPECT_EQ(s.band_table[static_cast<std::size_t>(band)].size(), 26u) << "band " << band;
        EXPECT_EQ(s.memory_channels, channels_before);
        EXPECT_EQ(s.running, 1);
    }

    int polls_received(const char* command) {
        auto rec = radio.record();
        return static_cast<int>(std::count(rec.begin(), rec.end(), std::string(command)));
    }
    // Polls the program has sent (from its log).
    int polls_sent(const std::string& command) {
        const std::string log = rig.dir.read("debug.dat");
        const std::string line = "\r\nTX=" + command + "\r\n";
        int n = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
        return n;
    }
    int times_said(const std::string& word) {
        return static_cast<int>(std::count(rig.words().begin(), rig.words().end(), word));
    }
    // The radio's dial moves; the program must follow it.
    bool follows_the_dial(long long hz) {
        radio.turn_dial(hz);
        const long long want = radio.with_model([](emu::RadioModel& m) { return m.frequency_a(); });
        return ticks_until([&] { return s.vfo_frequency == want; });
    }
    int frequency_sets_received() {
        auto rec = radio.record();
        return static_cast<int>(std::count_if(rec.begin(), rec.end(), [](const std::string& cmd) {
            return cmd.size() == 12 && cmd.rfind("FA", 0) == 0;
        }));
    }
    // A key that needs the radio is answered with words. Like most keys it
    // ends by sending the program's frequency again; the radio takes it in
    // its own time (a busy radio later still), and only then is its dial
    // where the test expects it: settle_key waits for that.
    int sets_before_key = 0;
    void key_is_answered() {
        rig.clear();
        const int preamp = s.preamp;
        sets_before_key = frequency_sets_received();
        press(rig, {vk::f(1)});
        EXPECT_FALSE(rig.words().empty());
        EXPECT_NE(s.preamp, preamp);
    }
    void settle_key() {
        EXPECT_TRUE(ticks_until([&] { return frequency_sets_received() > sets_before_key; }));
    }
};

TEST_F(RadioFaults, SilentRadioKeepsKeysAnsweredAndThePollGoing) {
    radio.set_fault(Fault::silent);
    radio.clear_record();
    ticks(40);
    EXPECT_GE(polls_sent("FA;"), 10);
    EXPECT_GE(polls_received("FA;"), 5) << "the poll never stops asking";
    EXPECT_GE(polls_received("SM0;"), 5);
    key_is_answered();
    EXPECT_EQ(s.vfo_frequency, 7'100'000);
    radio.set_fault(Fault::none);
    settle_key();
    EXPECT_TRUE(follows_the_dial(2'000));
}

struct LineFault {
    const char* name;
    Fault fault;
    std::size_t burst;
    bool nul;
};

void PrintTo(const LineFault& f, std::ostream* os) { *os << f.name; }

class LineFaults : public RadioFaults, public ::testing::WithParamInterface<LineFault> {};

TEST_P(LineFaults, StateStaysSaneAndTheRadioIsFollowedAgainAfterwards) {
    const LineFault f = GetParam();
    radio.set_burst(f.burst, f.nul);
    radio.set_fault(f.fault);
    radio.turn_dial(500);  // something to report while the fault lasts
    const int before = polls_sent("FA;");
    ticks(60);
    EXPECT_GE(polls_sent("FA;") - before, 10) << f.name << ": the poll goes on";
    key_is_answered();
    const std::size_t key_words = rig.words().size();
    radio.set_fault(Fault::none);
    settle_key();
    EXPECT_TRUE(follows_the_dial(3'000)) << f.name;
    EXPECT_EQ(rig.words().size(), key_words) << "nothing but the key's words was spoken";
}

INSTANTIATE_TEST_SUITE_P(Faults, LineFaults,
                         ::testing::Values(LineFault{"late", Fault::late, 0, false},
                                           LineFault{"pieces", Fault::pieces, 0, false},
                                           LineFault{"garbage", Fault::garbage, 0, false},
                                           LineFault{"garbage_only", Fault::garbage_only, 0, false},
                                           LineFault{"burst_10k", Fault::burst, 10 * 1024, false},
                                           LineFault{"burst_10k_nul", Fault::burst, 10 * 1024,
                                                     true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RadioFaults, UnaskedBurstsWithNulBytesPassWithoutHarm) {
    radio.send_burst(10 * 1024, true);
    ticks(10);
    radio.send_unasked(
        std::string("FA\0\0"
                    "14200000;SM",
                    15));
    radio.send_burst(10 * 1024, false);
    ticks(10);
    EXPECT_TRUE(follows_the_dial(-1'000));
}

TEST_F(RadioFaults, CablePulledAndPutBack) {
    radio.hang_up();
    ASSERT_TRUE(ticks_until([&] { return s.link_lost == 1; }, 20));
    EXPECT_EQ(port_open(rig.c, 1), 0) << "the dead port is let go";
    ticks(200);  // ten seconds of program time without the radio
    EXPECT_EQ(times_said("nc"), 1);
    EXPECT_GE(s.reopen_attempts, 3) << "it keeps looking for the device";
    EXPECT_LE(s.reopen_attempts, 6) << "but waits longer each time: never a busy loop";

    rig.clear();
    press(rig, {vk::f(1)});
    EXPECT_EQ(join(rig.words()), "nc") << "keys are answered while the radio is away";

    rig.clear();
    radio.clear_record();
    radio.turn_dial(1'000);  // the operator turned the dial meanwhile
    ASSERT_TRUE(radio.come_back());
    ASSERT_TRUE(ticks_until([&] { return s.link_lost == 0; }, 100));
    EXPECT_EQ(port_alive(rig.c, 1), 1);
    EXPECT_TRUE(ticks_until([&] { return polls_received("FA;") >= 1; }, 20));
    EXPECT_TRUE(ticks_until([&] { return s.vfo_frequency == 7'101'000; }));
    EXPECT_TRUE(follows_the_dial(1'000));
    ticks(20);
    EXPECT_EQ(times_said("connected"), 1);
    EXPECT_EQ(times_said("nc"), 0);
    key_is_answered();
}

TEST_F(RadioFaults, CablePulledTwiceIsFoundTwice) {
    for (int round = 1; round <= 2; ++round) {
        rig.clear();
        radio.hang_up();
        ASSERT_TRUE(ticks_until([&] { return s.link_lost == 1; }, 20)) << "round " << round;
        ticks(15);
        ASSERT_TRUE(radio.come_back());
        ASSERT_TRUE(ticks_until([&] { return s.link_lost == 0; }, 100)) << "round " << round;
        EXPECT_TRUE(follows_the_dial(1'000)) << "round " << round;
        EXPECT_EQ(join(rig.words()), "nc connected") << "round " << round;
    }
}

TEST_F(RadioFaults, CablePulledWhileTheRadioChattersAndSitsSilentAfterwards) {
    radio.set_fault(Fault::burst);
    radio.set_burst(10 * 1024, true);
    ticks(10);
    radio.hang_up();
    ASSERT_TRUE(ticks_until([&] { return s.link_lost == 1; }, 20));
    radio.set_fault(Fault::silent);
    ASSERT_TRUE(radio.come_back());
    ASSERT_TRUE(ticks_until([&] { return s.link_lost == 0; }, 100));
    radio.clear_record();
    ticks(20);
    EXPECT_GE(polls_received("FA;"), 3) << "a silent radio is polled on";
    radio.set_fault(Fault::none);
    EXPECT_TRUE(follows_the_dial(1'000));
    EXPECT_EQ(times_said("nc"), 1);
    EXPECT_EQ(times_said("connected"), 1);
}

}  // namespace
}  // namespace vlr::test
