// The program's timer step and keys against the emulated radio over a real
// pseudo-terminal and the real serial backend, while the radio misbehaves. Whatever happens the state stays sane, keys are answered, the
// channels stay and the poll goes on.
#include <gtest/gtest.h>

#include "commands/poll.hpp"
#include "emulator/pty_radio.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "platform/posix/posix_serial.hpp"
#include "tests/support/e2e_harness.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

using e2e::eventually;
using emu::Fault;

struct RadioFaults : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    std::unique_ptr<platform::SerialSystem> serial = platform::make_posix_serial(rig.dir.path);
    emu::PtyRadio radio{emu::RadioModel{}, emu::PtyOptions{115200, 2, 5}};
    std::array<std::string, 100> channels_before{};

    void SetUp() override {
        ASSERT_TRUE(radio.link_com(rig.dir.path, 1));
        rig.c.serial = serial.get();
        s.memory_channels[23] = "0206A014250000B0142500009991";
        channels_before = s.memory_channels;
        // The log is the program's own account of what it sent, whether or
        // not a busy radio has read it yet.
        s.debug_log_on = true;
        open_debug_log(rig.c);
        rig.open_radio();
        ASSERT_EQ(port_alive(rig.c, 1), 1);
        s.running = s.radio_connected = true;  // past the first answer's announcement
        ASSERT_TRUE(ticks_until([&] { return s.vfo_frequency == 7'100'000; }));
        rig.clear();
    }

    // Timer ticks, each followed by the rest of a 50 ms period for the radio's thread.
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            timer_tick(rig.c);
            check_sane();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    bool ticks_until(const std::function<bool()>& done, int limit = 400) {
        const auto end = std::chrono::steady_clock::now() + e2e::patience;
        for (int i = 0; i < limit && !done() && std::chrono::steady_clock::now() < end; ++i) ticks(1);
        return done();
    }
    // What must hold after every tick, whatever came over the line.
    void check_sane() {
        if (s.vfo_frequency != 0) {
            EXPECT_TRUE(s.vfo_frequency >= 1'000'000 && s.vfo_frequency <= 470'000'000)
                << s.vfo_frequency;
            EXPECT_EQ(s.freq_text.size(), 10u) << s.freq_text;
        }
        EXPECT_TRUE(s.band_index >= 1 && s.band_index <= 14) << s.band_index;
        for (const std::string* t : {&s.cat_reply, &s.freq_text, &s.last_freq_reply, &s.vfo_a_text,
                                     &s.swr_peak_text, &s.passthru_inbuf, &s.log_line})
            EXPECT_LE(t->size(), 255u);
        EXPECT_TRUE(s.s_meter_value >= 0 && s.s_meter_value <= 255);
        for (int band = 1; band <= 14; ++band)
            EXPECT_EQ(s.band_table[static_cast<std::size_t>(band)].size(), 26u);
        EXPECT_EQ(s.memory_channels, channels_before);
        EXPECT_EQ(s.running, 1);
    }
    bool received(const char* command, std::size_t n) {
        return eventually([&] { return e2e::count_of(radio.record(), command) >= n; });
    }
    int polls_sent() {  // from the program's log
        const std::string log = rig.dir.read("debug.dat"), line = "\r\nTX=FA;\r\n";
        int n = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
        return n;
    }
    // The radio's dial moves; the program must follow it.
    bool follows_the_dial(long long hz) {
        radio.turn_dial(hz);
        const long long want = radio.with_model([](emu::RadioModel& m) { return m.frequency_a(); });
        return ticks_until([&] { return s.vfo_frequency == want; });
    }
    int frequency_sets() {
        auto rec = radio.record();
        return static_cast<int>(std::count_if(rec.begin(), rec.end(), [](const std::string& c) {
            return c.size() == 12 && c.rfind("FA", 0) == 0;
        }));
    }
    // A key needing the radio is answered with words. It ends by sending the
    // frequency again, which a busy radio takes in its own time: settle_key
    // waits for that before the dial is turned.
    int sets_before_key = 0;
    void key_is_answered() {
        rig.clear();
        const int preamp = s.preamp;
        sets_before_key = frequency_sets();
        press(rig, {vk::f(1)});
        EXPECT_FALSE(rig.words().empty());
        EXPECT_NE(s.preamp, preamp);
    }
    void settle_key() {
        EXPECT_TRUE(ticks_until([&] { return frequency_sets() > sets_before_key; }));
    }
};

// The cable pulled and put back, on the real serial backend: spoken of once,
// looked for at longer and longer waits, then followed again from its first
// answer, the dial turned meanwhile included.
TEST_F(RadioFaults, TheCablePulledAndPutBack) {
    radio.hang_up();
    ASSERT_TRUE(ticks_until([&] { return s.link_lost; }, 20));
    EXPECT_EQ(port_open(rig.c, 1), 0) << "the dead port is let go";
    ticks(200);  // ten seconds of program time without the radio
    EXPECT_EQ(e2e::join(rig.words()), "nc");
    EXPECT_GE(s.reopen_attempts, 3) << "it keeps looking for the device";
    EXPECT_LE(s.reopen_attempts, 6) << "but waits longer each time: never a busy loop";
    rig.clear();
    radio.turn_dial(1'000);
    ASSERT_TRUE(radio.come_back());
    ASSERT_TRUE(ticks_until([&] { return !s.link_lost && s.vfo_frequency == 7'101'000; }));
    EXPECT_EQ(e2e::join(rig.words()), "connected");
    key_is_answered();
}

// Each fault for a while, then none: the radio is followed again.
TEST_F(RadioFaults, StateStaysSaneAndTheRadioIsFollowedAgainAfterEachFault) {
    const struct { const char* name; Fault fault; std::size_t burst; bool nul; } rows[] = {
        {"silent", Fault::silent, 0, false},     {"late", Fault::late, 0, false},
        {"pieces", Fault::pieces, 0, false},     {"garbage", Fault::garbage, 0, false},
        {"garbage_only", Fault::garbage_only, 0, false},
        {"burst_10k", Fault::burst, 10 * 1024, false}, {"burst_10k_nul", Fault::burst, 10 * 1024, true},
    };
    for (const auto& f : rows) {
        SCOPED_TRACE(f.name);
        radio.set_burst(f.burst, f.nul);
        radio.set_fault(f.fault);
        radio.clear_record();
        const long long heard_before = s.vfo_frequency;
        radio.turn_dial(500);  // something to report while the fault lasts
        const int before = polls_sent();
        ticks(60);
        EXPECT_GE(polls_sent() - before, 10) << "the poll goes on";
        if (f.fault == Fault::silent)
            EXPECT_TRUE(received("FA;", 5) && received("SM0;", 5)) << "the poll never stops asking";
        key_is_answered();
        if (f.fault == Fault::silent) EXPECT_EQ(s.vfo_frequency, heard_before);
        const std::size_t key_words = rig.words().size();
        radio.set_fault(Fault::none);
        settle_key();
        EXPECT_TRUE(follows_the_dial(3'000));
        EXPECT_EQ(rig.words().size(), key_words) << "nothing but the key's words was spoken";
    }
}

}  // namespace
}  // namespace vlr::test
