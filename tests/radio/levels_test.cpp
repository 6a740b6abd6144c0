// Stepped levels: commands, limits and the "max"/"min" words of each control.
#include "radio/levels.hpp"

#include <gtest/gtest.h>

#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::join;
using test::Rig;

struct LevelsTest : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    void SetUp() override { rig.open_radio(); }

    struct Press {
        std::string words, sent;
    };
    Press up() { return step(level_up); }
    Press down() { return step(level_down); }
    Press step(void (*routine)(Context&)) {
        rig.clear();
        routine(rig.c);
        return {join(rig.words()), join(rig.sent())};
    }
};

// ---- filter width ----------------------------------------------------------

TEST_F(LevelsTest, WidthInUsbRepeatsMaxAndMinAtItsEnds) {
    s.key_state = 2;
    s.mode_code = 2;
    s.width_index = 21;
    for (int i = 0; i < 2; ++i) {
        auto p = up();
        EXPECT_EQ(p.words, "max");
        EXPECT_EQ(p.sent, "SH0021;");
    }
    EXPECT_EQ(s.ssb_width, 21);
    s.width_index = 9;
    for (int i = 0; i < 2; ++i) {
        auto p = down();
        EXPECT_EQ(p.words, "min");
        EXPECT_EQ(p.sent, "SH0009;");
    }
    EXPECT_EQ(s.ssb_width, 9);
    auto p = up();
    EXPECT_EQ(p.words, "");
    EXPECT_EQ(p.sent, "SH0010;");
}

TEST_F(LevelsTest, WidthInCwSwitchesTheNarrowFilterAtElevenAndTen) {
    s.key_state = 2;
    s.mode_code = 3;
    struct Case {
        int from;
        bool up;
        const char* words;
        const char* sent;
        int to;
    };
    const Case cases[] = {
        {10, true, "", "NA00; SH0011;", 11},
        {11, false, "", "NA01; SH0010;", 10},
        {12, true, "max", "SH0012;", 12},
        {11, true, "max", "SH0012;", 12},
        {1, false, "min", "SH0001;", 1},
        {2, false, "min", "SH0001;", 1},
        {5, true, "", "SH0006;", 6},
        {14, true, "max", "SH0012;", 12},  // an SSB index carried into CW
    };
    for (const Case& k : cases) {
        s.width_index = k.from;
        auto p = k.up ? up() : down();
        EXPECT_EQ(p.words, k.words) << k.from << (k.up ? " up" : " down");
        EXPECT_EQ(p.sent, k.sent) << k.from << (k.up ? " up" : " down");
        EXPECT_EQ(s.width_index, k.to);
        EXPECT_EQ(s.cw_width, k.to);
    }
}

TEST_F(LevelsTest, WidthQuietSuppressesTheLimitWordOnce) {
    s.mode_code = 2;
    s.width_index = 21;
    s.width_quiet = 1;
    rig.clear();
    send_width(rig.c);
    EXPECT_EQ(join(rig.words()), "");
    EXPECT_EQ(join(rig.sent()), "SH0021;");
    EXPECT_EQ(s.width_quiet, 0);
    rig.clear();
    send_width(rig.c);
    EXPECT_EQ(join(rig.words()), "max");
}

TEST_F(LevelsTest, WidthIsClampedPerModeAndSentUnchangedInAm) {
    s.width_quiet = 1;
    s.mode_code = 1;
    s.width_index = 3;
    rig.clear();
    send_width(rig.c);
    EXPECT_EQ(join(rig.sent()), "SH0009;");
    s.width_quiet = 1;
    s.mode_code = 4;
    s.width_index = 15;
    s.ssb_width = 14;
    rig.clear();
    send_width(rig.c);
    EXPECT_EQ(join(rig.sent()), "SH0015;");
    EXPECT_EQ(s.ssb_width, 14);
}

// ---- power ------------------------------------------------------------------

TEST_F(LevelsTest, PowerUpStopsAtTheLimitOfVariantAndBand) {
    s.key_state = 3;
    struct Case {
        int variant, band, from;
        const char* words;
        const char* sent;
    };
    const Case cases[] = {
        {0, 6, 9, "max", "PC1010;"},   {0, 6, 10, "max", "PC1010;"},  {0, 6, 3, "", "PC1004;"},
        {1, 12, 40, "max", "PC2050;"}, {1, 12, 50, "max", "PC2050;"}, {1, 13, 50, "max", "PC2050;"},
        {1, 6, 50, "", "PC2060;"},     {1, 6, 90, "max", "PC2100;"},  {1, 6, 100, "max", "PC2100;"},
        {1, 6, 9, "", "PC2010;"},      {1, 6, 10, "", "PC2020;"},
    };
    for (const Case& k : cases) {
        s.radio_variant = k.variant;
        s.band_index = k.band;
        s.power_level = k.from;
        auto p = up();
        EXPECT_EQ(p.words, k.words) << k.variant << "/" << k.band << "/" << k.from;
        EXPECT_EQ(p.sent, k.sent) << k.variant << "/" << k.band << "/" << k.from;
    }
}

TEST_F(LevelsTest, PowerDownWalksToFiveAndSaysMinOnEveryFurtherPress) {
    s.key_state = 3;
    s.radio_variant = 1;
    s.band_index = 6;
    s.power_level = 20;
    const char* expected[][2] = {
        {"", "PC2010;"}, {"", "PC2009;"},    {"", "PC2008;"},    {"", "PC2007;"},
        {"", "PC2006;"}, {"min", "PC2005;"}, {"min", "PC2005;"}, {"min", "PC2005;"},
    };
    for (auto& e : expected) {
        auto p = down();
        EXPECT_EQ(p.words, e[0]);
        EXPECT_EQ(p.sent, e[1]);
    }
    EXPECT_EQ(s.power_level, 5);
}

TEST_F(LevelsTest, PowerDownOnTheTenWattRadioStopsAtOne) {
    s.key_state = 3;
    s.radio_variant = 0;
    s.power_level = 3;
    EXPECT_EQ(down().words, "");
    auto p = down();
    EXPECT_EQ(p.words, "min");
    EXPECT_EQ(p.sent, "PC1001;");
    p = down();
    EXPECT_EQ(p.words, "min");
    EXPECT_EQ(p.sent, "PC1001;");
}

// ---- receiver gains --------------------------------------------------------------

TEST_F(LevelsTest, RfGainTopsOutAt255AndClosesToZero) {
    s.key_state = 4;
    s.main_rf_gain = 240;
    auto p = up();
    EXPECT_EQ(p.sent, "RG0255;");
    EXPECT_EQ(p.words, "max");
    s.main_rf_gain = 200;
    p = up();
    EXPECT_EQ(p.sent, "RG0220;");
    EXPECT_EQ(p.words, "");
    s.main_rf_gain = 30;
    p = down();
    EXPECT_EQ(s.main_rf_gain, 0);
    EXPECT_EQ(p.sent, "RG0000;");
    EXPECT_EQ(p.words, "min");
    s.main_rf_gain = 60;
    p = down();
    EXPECT_EQ(p.sent, "RG0040;");
    EXPECT_EQ(p.words, "");
    s.main_rf_gain = 0;  // from closed back to the first open step
    p = up();
    EXPECT_EQ(p.sent, "RG0020;");
}

TEST_F(LevelsTest, AfGainIsSilentAtZeroAndSaysMaxAt250) {
    s.key_state = 7;
    s.main_af_gain = 10;
    auto p = down();
    EXPECT_EQ(p.sent, "AG0000;");
    EXPECT_EQ(p.words, "");
    p = down();
    EXPECT_EQ(p.sent, "AG0000;");
    EXPECT_EQ(p.words, "");
    s.main_af_gain = 245;
    p = up();
    EXPECT_EQ(p.sent, "AG0250;");
    EXPECT_EQ(p.words, "max");
    s.main_af_gain = 50;
    p = up();
    EXPECT_EQ(p.sent, "AG0060;");
    EXPECT_EQ(p.words, "");
}

// ---- the levels of state 10 ------------------------------------------------------

TEST_F(LevelsTest, LevelKeysFollowTheLevelTarget) {
    s.key_state = 10;
    struct Case {
        int target;
        int from;
        bool up;
        const char* words;
        const char* sent;
        int to;
    };
    const Case cases[] = {
        {1, 5, false, "min", "ML1001;", 1},
        {1, 10, false, "", "ML1005;", 5},
        {1, 95, true, "max", "ML1100;", 100},
        {1, 20, true, "", "ML1025;", 25},
        {2, 9, true, "max", "NL0010;", 10},
        {2, 2, false, "min", "NL0001;", 1},
        {2, 5, true, "", "NL0006;", 6},
        {3, 9, true, "max", "RL010;", 10},
        {3, 2, false, "min", "RL001;", 1},
        {3, 4, false, "", "RL003;", 3},
        {4, 110, false, "min", "CO010010;", 10},
        {4, 10, true, "", "CO010110;", 110},
        {4, 3150, true, "max", "CO013200;", 3200},
        {4, 1200, false, "", "CO011100;", 1100},
        {5, 95, true, "max", "PL100;", 100},
        {5, 5, false, "min", "PL000;", 0},
        {5, 40, true, "", "PL050;", 50},
    };
    for (const Case& k : cases) {
        s.level_target = k.target;
        int* value[] = {nullptr,     &s.monitor_level, &s.nb_level,
                        &s.nr_level, &s.contour_level, &s.proc_level};
        *value[k.target] = k.from;
        auto p = k.up ? up() : down();
        EXPECT_EQ(p.words, k.words) << "target " << k.target << " from " << k.from;
        EXPECT_EQ(p.sent, k.sent) << "target " << k.target << " from " << k.from;
        EXPECT_EQ(*value[k.target], k.to) << "target " << k.target << " from " << k.from;
    }
}

TEST_F(LevelsTest, LevelKeysWithoutTargetDoNothing) {
    s.key_state = 10;
    s.level_target = 0;
    EXPECT_EQ(up().sent, "");
    EXPECT_EQ(down().sent, "");
}

// ---- keyer and microphone ----------------------------------------------------------

TEST_F(LevelsTest, KeyerSpeedSaysMinAtFourEachTime) {
    s.key_state = 11;
    s.keyer_speed = 4;
    for (int i = 0; i < 2; ++i) {
        auto p = down();
        EXPECT_EQ(p.words, "min");
        EXPECT_EQ(p.sent, "KS004;");
    }
    s.keyer_speed = 59;
    auto p = up();
    EXPECT_EQ(p.words, "max");
    EXPECT_EQ(p.sent, "KS060;");
    s.keyer_speed = 24;
    EXPECT_EQ(up().sent, "KS025;");
}

TEST_F(LevelsTest, MicGainStepsRestartThePeak) {
    s.key_state = 12;
    s.mic_gain = 100;
    s.mic_level_peak = 77;
    auto p = up();
    EXPECT_EQ(p.words, "max");
    EXPECT_EQ(p.sent, "MG100;");
    EXPECT_EQ(s.mic_level_peak, 0);
    s.mic_gain = 0;
    p = down();
    EXPECT_EQ(p.words, "min");
    EXPECT_EQ(p.sent, "MG000;");
    s.mic_gain = 49;
    EXPECT_EQ(up().sent, "MG050;");
}

TEST_F(LevelsTest, EntryStatesIgnoreTheArrows) {
    for (int state : {5, 6, 8, 9, 14}) {
        s.key_state = state;
        auto before =
            s.width_index + s.power_level + s.main_rf_gain + s.main_af_gain + s.keyer_speed;
        EXPECT_EQ(up().sent, "") << state;
        EXPECT_EQ(down().sent, "") << state;
        EXPECT_EQ(s.width_index + s.power_level + s.main_rf_gain + s.main_af_gain + s.keyer_speed,
                  before);
    }
}

}  // namespace
}  // namespace vlr
