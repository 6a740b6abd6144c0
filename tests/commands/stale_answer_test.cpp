// A frequency poll answered only after the next key's commands: the answer
// tells where the radio was before the key, so it must neither be announced
// as a recalled channel's frequency, nor be filed in a band row with the
// key's mode, nor take a tuning key's frequency back; and an entry that is
// refused must not move the radio at all.
#include <gtest/gtest.h>

#include "commands/poll.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

constexpr const char* row40 = "01A007100000B0071000009990";

struct StaleCase {
    const char* keys;   // '^' Page Up; '|' the held answer is read here (else after the keys),
                        // '~' it is lost
    const char* heard;  // words once the answers are in
    const char* sent;   // what the keys sent after their first key; nullptr: not checked
    const char* row4;   // the 40 m row at the end
    int hz;             // the frequency the program holds at the end
};

// On 40 m LSB at 7.1 MHz; the radio follows every frequency command, and the
// answer to the "FA" poll that went out just before the keys is held back.
struct StaleRun {
    Rig rig;
    State& s = rig.st();
    std::string radio_digits = "007100000", held;
    bool holding = true;
    int band_after_keys = 0;

    StaleRun() {
        rig.radio->respond = [this](const std::string& cmd) -> std::string {
            if (cmd.size() == 12 && cmd.rfind("FA", 0) == 0) radio_digits = cmd.substr(2, 9);
            if (cmd == "SM0;") return "SM0100;";
            if (cmd != "FA;") return "";
            if (!holding) return "FA" + radio_digits + ";";
            held += "FA" + radio_digits + ";";
            return "";
        };
        connect(rig);
        tune_to(rig, 4, 1, 7'100'000);
        s.band_table[4] = row40;
        s.freq_text = "  7.100000";
        s.memory_channels[0] = "0206A014250000B0142500009991";  // 20 m, USB, preamp 1
        for (int i = 0; i < 4 && !(s.poll_pending == 1 && rig.sent().back() == "FA;"); ++i)
            timer_tick(rig.c);
        rig.clear();
    }
    void release() {
        if (!holding) return;
        holding = false;
        rig.radio->incoming += held;
        timer_tick(rig.c);
    }
    void run(const std::string& keys) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (i == 1) rig.radio->commands.clear();
            const char k = keys[i];
            if (k == '|')
                release();
            else if (k == '~')
                holding = false;
            else
                press(rig, {k == '^'    ? vk::page_up
                            : k == '\r' ? vk::enter
                            : k == '.'  ? vk::point
                                        : k});
        }
        const std::vector<std::string> sent = rig.sent();
        band_after_keys = s.band_index;
        rig.speaker.clear();
        release();
        for (int i = 0; i < 8; ++i) timer_tick(rig.c);
        rig.radio->commands = sent;
    }
};

TEST(StaleAnswer, AnswerAskedBeforeAKeyNeverUndoesIt) {
    const StaleCase cases[] = {
        // A recall is announced with the channel's frequency, not the old one.
        {"G0", "1 4 point 2 5 mhz usb.wav preamp 1 on", nullptr, row40, 14'250'000},
        // The band left keeps its own mode and preamp.
        {"E14.25\r", "", nullptr, row40, 14'250'000},
        {"E14\r", "", nullptr, row40, 14'000'000},
        // An answer that never comes does not hold back the first one after it.
        {"G0~", "1 4 point 2 5 mhz usb.wav preamp 1 on", nullptr, row40, 14'250'000},
        // Refused entries: nothing goes out after the E (which re-sends the
        // frequency, as every tuning key does).
        {"E14250\r", "", "", row40, 7'100'000},
        {"E\r", "", "", row40, 7'100'000},
        {"E1.2345678\r", "", "", row40, 7'100'000},
        // The band select keeps its own guard.
        {"B6", "", nullptr, row40, 14'200'000},
        // A second step after the old answer starts from the first step.
        {"^|^", "", nullptr, "01A007120000B0071000009990", 7'120'000},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.keys);
        StaleRun r;
        r.run(tc.keys);
        EXPECT_EQ(r.held, "FA007100000;") << "the old answer was held back";
        EXPECT_EQ(join(r.rig.words()), tc.heard);
        if (tc.sent) {
            EXPECT_EQ(join(r.rig.sent()), tc.sent);
        }
        EXPECT_EQ(r.s.band_table[4], tc.row4);
        EXPECT_EQ(r.s.vfo_frequency, tc.hz);
        if (tc.hz == 7'100'000) {
            EXPECT_EQ(r.band_after_keys, 4);
            EXPECT_EQ(r.s.band_index, 4);
        }
    }
}

}  // namespace
}  // namespace vlr::test
