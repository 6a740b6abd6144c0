// Values turned into words: frequency, width, power, band, levels, meters.
#include <gtest/gtest.h>

#include "speech/player.hpp"
#include "speech/values.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

struct ValuesTest : ::testing::Test {
    test::Rig rig;
    State& s = rig.st();
    void SetUp() override { s.wave_folder = default_wave_folder(); }
    std::string spoken() const { return test::join(rig.words()); }
    // The words one routine says, from a clean start.
    std::string say_with(void (*routine)(Context&)) {
        rig.clear();
        routine(rig.c);
        return spoken();
    }
};

TEST_F(ValuesTest, FrequencySpeaksDigitsUpToTheLastNonZeroDecimal) {
    const struct {
        const char* text;
        const char* words;
    } cases[] = {
        {"14.250000", "1 4 point 2 5 mhz"},
        {"7.074000", "7 point 0 7 4 mhz"},
        {"14.000000", "1 4 mhz"},
        {"145.500000", "1 4 5 point 5 mhz"},
        {"14.000010", "1 4 point 0 0 0 0 1 mhz"},
        {"7.004000", "7 point 0 0 4 mhz"},
        {"14.000001", "1 4 point 0 0 0 0 0 1 mhz"},
        // Right-aligned read-out texts: the blanks in front are never heard.
        {"  7.074000", "7 point 0 7 4 mhz"},
        {" 14.250000", "1 4 point 2 5 mhz"},
        {" 28.000000", "2 8 mhz"},
        {"  1.800001", "1 point 8 0 0 0 0 1 mhz"},
        {"432.100000", "4 3 2 point 1 mhz"},
        {"", "nc"},
    };
    for (const auto& fc : cases) {
        s.freq_text = fc.text;
        EXPECT_EQ(say_with(say_frequency), fc.words) << '"' << fc.text << '"';
        for (const auto& p : rig.speaker.paths) EXPECT_NE(p, "wave/ ") << "a blank is never played";
    }
}

TEST_F(ValuesTest, FrequencyPrefixWords) {
    const struct {
        int vfo_b, repeater, tx;
        const char* prefix;
    } cases[] = {
        {0, 0, 0, ""},
        {0, 1, 0, "repeater "},
        {0, 1, 1, "repeater tx "},
        {1, 1, 1, "tx "},
        {1, 0, 0, "vfob "},
        {1, 0, 1, ""},
        {0, 0, 1, ""},
    };
    for (const auto& k : cases) {
        s.freq_text = "145.500000";
        s.vfo_b_selected = k.vfo_b, s.repeater_on = k.repeater, s.tx_announce = k.tx;
        EXPECT_EQ(say_with(say_frequency), std::string(k.prefix) + "1 4 5 point 5 mhz")
            << k.vfo_b << k.repeater << k.tx;
    }
}

TEST_F(ValuesTest, ChannelSteppingSilencesModeAndFrequency) {
    s.channel_step = 1;
    s.freq_text = "14.250000";
    s.mode_code = 2;
    say_frequency(rig.c);
    say_mode(rig.c);
    EXPECT_EQ(spoken(), "");
}

TEST_F(ValuesTest, ModeWords) {
    const char* expected[] = {"", "lsb.wav", "usb.wav", "cw.wav", "am.wav", "fm.wav nar.wav",
                              "c4fm.wav", "fm.wav", ""};
    for (int m = 0; m <= 8; ++m) {
        s.mode_code = m;
        EXPECT_EQ(say_with(say_mode), expected[m]) << m;
    }
}

TEST_F(ValuesTest, SidebandWidthInKilohertz) {
    const char* expected[] = {"1.wav point 8.wav", "1.wav point 9.wav", "2.wav point 1",
                              "2.wav point 2",     "2.wav point 3",     "2.wav point 4",
                              "2.wav point 5",     "2.wav point 6",     "2.wav point 7",
                              "2.wav point 8",     "2.wav point 9",     "3.wav point 0.wav",
                              "3.wav point 1.wav"};
    for (int mode : {1, 2}) {
        for (int w = 9; w <= 21; ++w) {
            s.mode_code = mode, s.width_index = w;
            EXPECT_EQ(say_with(say_width), std::string("bw ") + expected[w - 9] + " khz") << mode << '/' << w;
        }
    }
}

TEST_F(ValuesTest, CwWidthInHertz) {
    const char* expected[] = {"5 0", "1 0 0", "1 5 0", "2 0 0", "2 5 0", "3 0 0",
                              "3 5 0", "4 0 0", "4 5 0", "5 0 0", "8 0 0", "1 2 0 0"};
    for (int w = 1; w <= 12; ++w) {
        s.mode_code = 3, s.width_index = w;
        EXPECT_EQ(say_with(say_width), std::string("bw ") + expected[w - 1] + " hz") << w;
    }
}

TEST_F(ValuesTest, PowerAndKeyerSpeedAreDigitsThenTheirUnit) {
    const std::pair<int, const char*> watts[] = {
        {5, "5 watts"}, {50, "5 0 watts"}, {100, "1 0 0 watts"}, {0, "0 watts"}, {999, "9 9 9 watts"}};
    for (const auto& [p, words] : watts) {
        s.power_level = p;
        EXPECT_EQ(say_with(say_power), words) << p;
    }
    const std::pair<int, const char*> wpm[] = {{5, "5 wpm"}, {25, "2 5 wpm"}, {10, "1 0 wpm"}, {60, "6 0 wpm"}};
    for (const auto& [k, words] : wpm) {
        s.keyer_speed = k;
        EXPECT_EQ(say_with(say_keyer_speed), words) << k;
    }
}

TEST_F(ValuesTest, BandNames) {
    const char* names[] = {"160", "80", "60", "40", "30", "20", "17", "15", "12", "10", "6", "2", "70"};
    for (int b = 1; b <= 14; ++b) {
        s.band_index = b;
        EXPECT_EQ(say_with(say_band), b == 14 ? "un" : std::string(names[b - 1]) + " metres") << b;
    }
}

TEST_F(ValuesTest, MicLevelOpensWithAlcOnlyOnTheFirstReport) {
    s.mic_monitor = 1, s.mic_level_peak = 57, s.tick_count = 9;
    EXPECT_EQ(say_with(say_mic_level), "alc 5 7");
    EXPECT_EQ(s.mic_monitor, 2);
    EXPECT_EQ(s.tick_count, 0);
    s.mic_level_peak = 100, s.tick_count = 4;
    EXPECT_EQ(say_with(say_mic_level), "1 0 0");
    EXPECT_EQ(s.tick_count, 0);
    s.mic_monitor = -1, s.mic_level_peak = 0;
    EXPECT_EQ(say_with(say_mic_level), "0");
    EXPECT_EQ(s.mic_monitor, -1);
}

TEST_F(ValuesTest, SMeterUnitAndPanelText) {
    const struct {
        int reading;
        const char* words;
        const char* panel;
    } cases[] = {
        {0, "s.wav 0.wav", "S0  "},    {10, "s.wav 0.wav", "S0  "},   {11, "s.wav 1.wav", "S1  "},
        {20, "s.wav 1.wav", "S1  "},   {21, "s.wav 2.wav", "S2  "},   {41, "s.wav 3.wav", "S3  "},
        {55, "s.wav 4.wav", "S4  "},   {69, "s.wav 5.wav", "S5  "},   {83, "s.wav 6.wav", "S6  "},
        {97, "s.wav 7.wav", "S7  "},   {108, "s.wav 7.wav", "S7  "},  {109, "s.wav 8.wav", "S8  "},
        {122, "s.wav 8.wav", "S8  "},  {123, "s.wav 9.wav", "S9  "},  {156, "s.wav 9.wav", "S9  "},
        {157, "s.wav 9.wav plus.wav", "S9+"}, {255, "s.wav 9.wav plus.wav", "S9+"},
    };
    for (const auto& k : cases) {
        rig.window.text.drawn.clear();
        s.s_meter_value = k.reading;
        EXPECT_EQ(say_with(say_s_meter), k.words) << k.reading;
        std::string panel;
        for (const auto& d : rig.window.text.drawn) panel += d.text;
        EXPECT_EQ(panel, k.panel) << k.reading;
        ASSERT_FALSE(rig.window.text.drawn.empty());
        EXPECT_EQ(rig.window.text.drawn.front().x, 750);
        EXPECT_EQ(rig.window.text.drawn.front().y, 45);
    }
}

TEST_F(ValuesTest, MutedSMeterStillWritesThePanel) {
    s.wave_folder = "xx";
    s.s_meter_value = 130;
    say_s_meter(rig.c);
    EXPECT_TRUE(rig.words().empty());
    EXPECT_EQ(rig.window.text.at(750, 45), "S9");
}

TEST_F(ValuesTest, SwrReadingsFirstFramedThenBare) {
    const struct {
        const char* text;
        const char* value;
    } cases[] = {
        {"0", "1 point 0"},     {"49", "1 point 0"},    {"50", "1 point 0"},    {"56", "1 point 0"},
        {"57", "1 point 1"},    {"119", "1 point 9"},   {"120", "2 point 0"},   {"159", "2 point 3"},
        {"160", "3 point 0"},   {"179", "3 point 9"},   {"180", "4 point 0"},   {"181", "4 point 0"},
        {"182", "4 point 1"},   {"184", "4 point 2"},   {"190", "4 point 4"},   {"199", "4 point 8"},
        {"200", "gt5 point 0"}, {"255", "gt5 point 0"}, {"119.6", "2 point 0"}, {"", "1 point 0"},
    };
    for (const auto& k : cases) {
        s.tuner_mode = 1, s.transmit_state = 0, s.ant_check = 0, s.auto_swr = 1;
        s.swr_peak_text = k.text;
        EXPECT_EQ(say_with(say_swr), std::string("swr ") + k.value + " 21") << k.text;
        EXPECT_EQ(s.ant_check, 1);
        EXPECT_EQ(s.auto_swr, 2);
        EXPECT_EQ(say_with(say_swr), k.value) << "second reading of " << k.text;
    }
}

TEST_F(ValuesTest, SwrSilentWithTunerOnUntilTransmittingAndBareAfterAntennaSwitch) {
    s.tuner_mode = 0, s.transmit_state = 0, s.ant_check = 0, s.auto_swr = 1;
    s.swr_peak_text = "120";
    EXPECT_EQ(say_with(say_swr), "");
    EXPECT_EQ(s.ant_check, 0);
    EXPECT_EQ(s.auto_swr, 1);
    s.transmit_state = 1;
    EXPECT_EQ(say_with(say_swr), "swr 2 point 0 21");
    // After an antenna switch the reading is bare; auto_swr only moves from 1.
    s.tuner_mode = 1, s.ant_check = 2, s.auto_swr = 0;
    s.swr_peak_text = "50";
    EXPECT_EQ(say_with(say_swr), "1 point 0");
    EXPECT_EQ(s.ant_check, 1);
    EXPECT_EQ(s.auto_swr, 0);
}

}  // namespace
}  // namespace vlr
