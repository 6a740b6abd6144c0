// The mode display on a band row damaged in savmem.dat: the mode still goes
// out, the frequency does not, and the program keeps the one it had.
#include <gtest/gtest.h>

#include "panel/front_panel.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

TEST(DamagedBandRow, ModeGoesOutButNoFrequencyFromDigitsThatAreNotNine) {
    const std::string rows[] = {
        "55A-00000600B0501500009990",  // a sign among the digits
        "02A0501X0000B0501500009990",  // a letter
        "02A05015",                    // cut short
        "",                            // a missing line
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.open_radio();
        rig.st().band_index = 6;
        rig.st().band_table[6] = row;
        rig.st().vfo_frequency = 14'200'000;
        rig.st().mode_code = 2;
        show_mode(rig.c);
        EXPECT_EQ(rig.st().vfo_frequency, 14'200'000) << row;
        for (const auto& cmd : rig.sent()) EXPECT_NE(cmd.rfind("FA", 0), 0u) << row << ": " << cmd;
        ASSERT_FALSE(rig.sent().empty());
        EXPECT_EQ(rig.sent().front(), "MD02;") << row;
    }
}

}  // namespace
}  // namespace vlr::test
