// The arrow keys and the Z key at the two ends of the frequency range: the
// frequency command keeps its nine digits and the program believes what it
// sent.
#include <gtest/gtest.h>

#include "radio/frequency.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

TEST(FrequencyEnds, UpArrowAtTheTopStaysOnTheLastNineDigitFrequency) {
    Rig rig;
    connect(rig);
    for (int mode : {2, 3}) {  // steps of 1 kHz and of 500 Hz
        rig.clear();
        rig.st().mode_code = mode;
        rig.st().vfo_frequency = 999'999'700;
        press(rig, {vk::up});
        EXPECT_EQ(rig.st().vfo_frequency, 999'999'999) << mode;
        EXPECT_EQ(last_sent(rig, "FA"), "FA999999999;") << mode;
        press(rig, {vk::up});
        EXPECT_EQ(last_sent(rig, "FA"), "FA999999999;") << "and again, mode " << mode;
    }
}

TEST(FrequencyEnds, SnapStaysOnTheLastWholeKilohertzAtEitherEnd) {
    struct Case {
        int mode, from, to;
    } cases[] = {
        {2, 999'999'999, 999'999'000},  // USB snaps up: nothing above within nine digits
        {2, 999'999'000, 999'999'000},
        {1, 1'000'000, 1'000'000},  // LSB moves down from a whole kHz: not below 1 MHz
        {1, 1'000'400, 1'000'000},
        {2, 14'200'300, 14'201'000},  // inside the range as always
    };
    for (const auto& k : cases) {
        Rig rig;
        connect(rig);
        rig.st().mode_code = k.mode;
        rig.st().vfo_frequency = k.from;
        snap_to_khz(rig.c);
        EXPECT_EQ(rig.st().vfo_frequency, k.to) << k.from;
        EXPECT_EQ(join(rig.sent()), frequency_command(k.to) + ";") << k.from;
    }
}

}  // namespace
}  // namespace vlr::test
