// The key rules driven through the real event handler.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.hpp"
#include "link/log.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

struct Connected : ::testing::Test {
    Rig rig;
    void SetUp() override { connect(rig); }
};

TEST(HandlerEvents, CloseTimerAndReleaseAreDispatched) {
    Rig rig;
    rig.st().running = 1;
    rig.st().key_busy = 1;
    rig.st().event_id = 257;
    handle_event(rig.c);
    EXPECT_EQ(rig.st().key_busy, 0);
    rig.st().event_id = 12345;  // unknown events change nothing
    handle_event(rig.c);
    EXPECT_EQ(rig.st().running, 1);
    rig.st().event_id = 32770;
    handle_event(rig.c);
    EXPECT_EQ(rig.st().running, 0);
}

TEST(HandlerEvents, EveryKeyButQuitIsNotConnectedBeforeTheFirstReply) {
    Rig rig;
    rig.open_radio();
    rig.st().running = 1;
    press(rig, {'F', vk::f(1), '7', vk::space});
    EXPECT_EQ(join(rig.words()), "nc nc nc nc");
    EXPECT_TRUE(rig.sent().empty());
}

TEST(HandlerEvents, QuitWithoutRadioEndsAtOnce) {
    Rig rig;
    rig.open_radio();
    rig.st().running = 1;
    press(rig, {'Q'});
    EXPECT_EQ(join(rig.words()), "quit");
    EXPECT_EQ(rig.st().running, 0);
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Connected, QuitWithRadioUnkeysAndWaitsForTwoReplies) {
    press(rig, {'Q'});
    EXPECT_EQ(join(rig.words()), "quit");
    EXPECT_EQ(join(rig.sent()), "TX0;");
    EXPECT_EQ(rig.st().quit_pending, 1);
    EXPECT_EQ(rig.st().running, 1);
}

TEST_F(Connected, HeldKeyActsOnceUntilReleased) {
    key_down(rig, 'C');
    key_down(rig, 'C');  // auto-repeat
    EXPECT_EQ(join(rig.words()), "sch");
    key_up(rig, 'C');
    key_down(rig, 'C');
    EXPECT_EQ(join(rig.words()), "sch sch");
}

TEST_F(Connected, KeyWithoutRuleResendsTheFrequency) {
    press(rig, {'Y'});
    EXPECT_EQ(join(rig.sent()), "FA014200000;");
    EXPECT_TRUE(rig.words().empty());
}

TEST_F(Connected, NoFrequencyResendOutsideTheTuningStates) {
    rig.st().key_state = 3;
    press(rig, {'Y'});
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Connected, WhileTuningOnlySAndTAreTaken) {
    rig.st().tune_active = 1;
    press(rig, {'Y', 'F', vk::space});
    EXPECT_EQ(join(rig.words()), "ton ton ton");
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_EQ(rig.st().transmit_state, 0);
}

TEST_F(Connected, KeyLogLineWhenTheLogIsOn) {
    rig.st().debug_log_on = 1;
    open_debug_log(rig.c);
    press(rig, {'F', vk::enter, 101});
    close_debug_log(rig.c);
    std::string log = rig.dir.read("debug.dat");
    EXPECT_NE(log.find("*F\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("*C/R\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("*e (5)\r\n"), std::string::npos) << log;
}

TEST_F(Connected, ExtendedStateTogglesAndIsLeftSilentlyByOtherKeys) {
    press(rig, {'X'});
    EXPECT_EQ(rig.st().key_state, 14);
    press(rig, {'X'});
    EXPECT_EQ(rig.st().key_state, 0);
    EXPECT_EQ(join(rig.words()), "extcm on extcm off");
    press(rig, {'X', 'Y'});
    EXPECT_EQ(rig.st().key_state, 0);
    EXPECT_TRUE(rig.sent().empty());  // rule 19 ends before the frequency re-send
}

TEST_F(Connected, AgcStepsThroughFourSettingsAndStaysExtended) {
    rig.st().agc_setting = 1;
    press(rig, {'X'});
    rig.clear();
    press(rig, {'A', 'A', 'A', 'A'});
    EXPECT_EQ(join(rig.sent()), "GT02; GT03; GT04; GT01;");
    EXPECT_EQ(join(rig.words()), "agc mid agc slow agc auto agc fast");
    EXPECT_EQ(rig.st().key_state, 14);
}

TEST_F(Connected, AntennaSwitchNeedsTheVariantAndNotTheVhfBands) {
    rig.st().radio_variant = 0;
    press(rig, {'X', 'C'});
    EXPECT_EQ(rig.words().back(), "na");
    EXPECT_EQ(rig.st().key_state, 0);

    rig.st().radio_variant = 1;
    rig.clear();
    press(rig, {'X', 'C'});
    EXPECT_EQ(join(rig.sent()), "EX0307041;");
    EXPECT_EQ(rig.words().back(), "ant2");
    EXPECT_EQ(rig.st().antenna2, 1);
    press(rig, {'C'});  // still extended: back to antenna 1
    EXPECT_EQ(last_sent(rig, "EX"), "EX0307040;");
    EXPECT_EQ(rig.st().antenna2, 0);
    press(rig, {'Y'});  // not S: the antenna check ends state 14
    EXPECT_EQ(rig.st().key_state, 0);
}

struct SecondGainCase {
    int state, key, start, expected;
    const char* command;
    const char* word;
};

TEST(HandlerSecondReceiver, LeftRightStepTheSecondReceiverGains) {
    const SecondGainCase cases[] = {
        {7, vk::right, 245, 255, "AG1255;", "max"}, {7, vk::right, 240, 250, "AG1250;", "max"},
        {7, vk::right, 100, 110, "AG1110;", ""},    {7, vk::left, 5, 0, "AG1000;", "min"},
        {7, vk::left, 15, 0, "AG1000;", "min"},     {7, vk::left, 255, 245, "AG1245;", ""},
        {4, vk::right, 250, 255, "RG1255;", "max"}, {4, vk::left, 10, 0, "RG1000;", "min"},
        {4, vk::left, 120, 110, "RG1110;", ""},
    };
    for (const auto& tc : cases) {
        Rig rig;
        connect(rig);
        rig.st().key_state = tc.state;
        (tc.state == 7 ? rig.st().second_af_gain : rig.st().second_rf_gain) = tc.start;
        press(rig, {tc.key});
        SCOPED_TRACE(tc.command);
        EXPECT_EQ((tc.state == 7 ? rig.st().second_af_gain : rig.st().second_rf_gain), tc.expected);
        EXPECT_EQ(join(rig.sent()), tc.command);
        EXPECT_EQ(join(rig.words()), tc.word);
        EXPECT_EQ(rig.st().key_state, tc.state);
    }
}

struct TuningCase {
    const char* name;
    int band, mode, start, key, repeater;
    const char* command;
};

TEST(HandlerTuning, TuningKeysStepAndResendTheFrequency) {
    const TuningCase cases[] = {
        {"page down 2 m AM: 10 kHz", 12, 4, 145'000'000, vk::page_down, 0, "FA144990000;"},
        {"page up 2 m AM: 12.5 kHz", 12, 4, 145'000'000, vk::page_up, 0, "FA145012500;"},
        {"page down 2 m FMN: 12.5 kHz", 12, 5, 145'000'000, vk::page_down, 0, "FA144987500;"},
        {"page up 20 m: 10 kHz", 6, 2, 14'200'000, vk::page_up, 0, "FA014210000;"},
        {"page down floor", 1, 1, 1'005'000, vk::page_down, 0, "FA001000000;"},
        {"left USB floor", 1, 2, 1'000'050, vk::left, 0, "FA001000000;"},
        {"left USB 100 Hz", 6, 2, 14'200'000, vk::left, 0, "FA014199900;"},
        {"right USB 100 Hz", 6, 2, 14'200'000, vk::right, 0, "FA014200100;"},
        {"right CW 10 Hz", 6, 3, 14'200'000, vk::right, 0, "FA014200010;"},
        {"left CW 10 Hz", 6, 3, 14'200'000, vk::left, 0, "FA014199990;"},
        {"plus 1 MHz", 6, 2, 14'200'000, vk::plus, 0, "FA015200000;"},
        {"minus floor", 1, 1, 1'500'000, vk::minus, 0, "FA001000000;"},
        {"up arrow 1 kHz", 6, 2, 14'200'000, vk::up, 0, "FA014201000;"},
        {"down arrow CW 500 Hz", 6, 3, 14'200'000, vk::down, 0, "FA014199500;"},
    };
    for (const auto& tc : cases) {
        Rig rig;
        connect(rig);
        tune_to(rig, tc.band, tc.mode, tc.start);
        press(rig, {tc.key});
        SCOPED_TRACE(tc.name);
        EXPECT_EQ(last_sent(rig, "FA"), tc.command);
        EXPECT_EQ("FA" + zero_pad(rig.st().vfo_frequency, 9) + ";", tc.command);
    }
}

TEST_F(Connected, OneMegahertzStepSwitchesTheRepeaterShiftOff) {
    tune_to(rig, 12, 5, 145'600'000);
    rig.st().repeater_on = 1;
    press(rig, {vk::plus});
    EXPECT_EQ(rig.st().repeater_on, 0);
    EXPECT_EQ(last_sent(rig, "OS"), "OS00;");
    EXPECT_EQ(rig.sent().back(), "FA146600000;");
}

TEST_F(Connected, TuningKeysDoNothingInOtherStates) {
    rig.st().key_state = 3;
    press(rig, {vk::page_up});
    EXPECT_EQ(rig.st().vfo_frequency, 14'200'000);
    EXPECT_TRUE(rig.sent().empty());
}

struct SquelchCase {
    int start, key, expected;
    const char* word;
};

TEST(HandlerSquelch, LeftRightSetTheSquelchInFm) {
    const SquelchCase cases[] = {
        {8, vk::right, 9, ""},        {19, vk::right, 20, ""},      {20, vk::right, 30, ""},
        {250, vk::right, 255, "max"}, {255, vk::right, 255, "max"}, {255, vk::left, 245, ""},
        {245, vk::left, 230, ""},     {30, vk::left, 20, ""},       {29, vk::left, 28, ""},
        {1, vk::left, 0, "0"},        {0, vk::left, 0, "0"},
    };
    for (int mode : {5, 7}) {
        for (const auto& tc : cases) {
            Rig rig;
            connect(rig);
            tune_to(rig, 12, mode, 145'000'000);
            rig.st().squelch_level = tc.start;
            press(rig, {tc.key});
            SCOPED_TRACE(std::to_string(tc.start) + (tc.key == vk::right ? " up" : " down"));
            EXPECT_EQ(rig.st().squelch_level, tc.expected);
            EXPECT_EQ(join(rig.sent()), "SQ0" + zero_pad(tc.expected, 3) + ";");  // no FA re-send
            EXPECT_EQ(join(rig.words()), tc.word);
        }
    }
}

TEST_F(Connected, ModeCycleSkipsFmBelowTenMetres) {
    std::vector<int> modes;
    for (int i = 0; i < 4; ++i) {
        press(rig, {'M'});
        modes.push_back(rig.st().mode_code);
    }
    EXPECT_EQ(modes, (std::vector<int>{3, 4, 1, 2}));
}

TEST_F(Connected, ModeCycleReachesFmNarrowOrWideOnTwoMetres) {
    tune_to(rig, 12, 4, 145'000'000);
    press(rig, {'M'});
    EXPECT_EQ(rig.st().mode_code, 5);
    press(rig, {'M'});
    EXPECT_EQ(rig.st().mode_code, 1);

    tune_to(rig, 12, 4, 145'000'000);
    rig.st().fm_wide = 1;
    press(rig, {'M'});
    EXPECT_EQ(rig.st().mode_code, 7);
    press(rig, {'X', 'M'});  // X M switches between FM and FM narrow
    EXPECT_EQ(rig.st().mode_code, 5);
    EXPECT_EQ(rig.st().fm_wide, 0);
    EXPECT_EQ(rig.st().key_state, 0);
}

TEST_F(Connected, PowerKeyQueriesAndEntersThePowerState) {
    rig.radio->respond = [](const std::string& cmd) { return cmd == "PC;" ? "PC1005;" : ""; };
    press(rig, {'P'});
    EXPECT_EQ(rig.sent().front(), "PC;");
    EXPECT_EQ(rig.st().power_level, 5);
    EXPECT_EQ(rig.st().key_state, 3);
    ASSERT_GE(rig.words().size(), 2u);
    EXPECT_EQ(rig.words()[0], "delay");
    EXPECT_EQ(rig.words()[1], "Power");
}

TEST_F(Connected, OptionsReadOutNamesWhatIsOn) {
    State& s = rig.st();
    s.preamp = 2, s.nb_on = 1, s.speech_proc_on = 1, s.break_in_on = 1;  // break-in only in CW
    s.tone_code = "012", s.antenna2 = 1, s.tuner_mode = 2;
    press(rig, {'O'});
    EXPECT_EQ(join(rig.words()), "options preamp 2 on nb on spc on ctcss 0 1 2 ant2 tuner is both");
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Connected, MonitorKeyTogglesAndStillResendsTheFrequency) {
    press(rig, {vk::f(9)});
    EXPECT_EQ(join(rig.sent()), "ML01; FA014200000;");
    EXPECT_EQ(rig.st().level_target, 1);
    press(rig, {vk::f(9)});
    EXPECT_EQ(rig.st().monitor_on, 0);
    EXPECT_EQ(rig.st().level_target, 0);
    EXPECT_EQ(join(rig.words()), "mon on mon off");
}

TEST_F(Connected, ModifierKeysDoNothing) {
    press(rig, {vk::shift, 17, 45, 91});
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_TRUE(rig.words().empty());
}

TEST_F(Connected, NotchAndTunerKeys) {
    press(rig, {vk::f(5)});
    EXPECT_EQ(join(rig.sent()), "BC01; FA014200000;");
    rig.clear();
    rig.st().tuner_mode = 0;
    press(rig, {vk::f(12), vk::f(12), vk::f(12)});
    EXPECT_EQ(join(rig.sent()), "AC100; AC000; AC100;");
    EXPECT_EQ(join(rig.words()), "tuner both tuner off tuner on");
    EXPECT_EQ(rig.st().tuner_mode, 0);
}

TEST_F(Connected, ContourAndProcessorAreRefusedWhereNotAvailable) {
    rig.st().mode_code = 3;
    press(rig, {vk::f(6), vk::f(7)});
    EXPECT_EQ(join(rig.words()), "na na");
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Connected, ToneKeyOnlyInFm) {
    press(rig, {'I'});
    EXPECT_EQ(join(rig.words()), "wrong mode");
    tune_to(rig, 12, 5, 145'000'000);
    rig.clear();
    press(rig, {'I'});
    EXPECT_EQ(join(rig.words()), "ecd");
    EXPECT_EQ(rig.st().tone_active, 1);
    EXPECT_EQ(rig.st().tone_code, "");
}

TEST_F(Connected, SplitOffBandFourteenIsInvalid) {
    tune_to(rig, 14, 4, 9'670'000);
    press(rig, {'V'});
    EXPECT_EQ(join(rig.words()), "split invalid");
    EXPECT_EQ(rig.st().vfo_b_selected, 0);
}

TEST_F(Connected, SplitOnSendsVfoBTheCurrentFrequency) {
    press(rig, {'V'});
    EXPECT_EQ(rig.st().vfo_b_selected, 1);
    EXPECT_EQ(rig.st().saved_vfo_a, "A014200000");
    EXPECT_EQ(join(rig.sent()), "ST1; FB014200000;");
    press(rig, {'V'});
    EXPECT_EQ(rig.st().vfo_b_selected, 0);
    EXPECT_EQ(last_sent(rig, "ST"), "ST0;");
    EXPECT_EQ(rig.sent().back(), "FA014200000;");
    EXPECT_EQ(rig.words().back(), "off");
}

TEST_F(Connected, ZeroKeySnapsOrZeroesIn) {
    rig.st().vfo_frequency = 14'200'300;
    press(rig, {'Z'});
    EXPECT_EQ(join(rig.words()), "0 ok");
    EXPECT_EQ(rig.sent().back(), "FA014201000;");
    rig.clear();
    rig.st().mode_code = 3;
    press(rig, {'Z'});
    EXPECT_EQ(join(rig.sent()), "ZI;");
}

TEST_F(Connected, PreampKeyWrapsByBandGroup) {
    press(rig, {vk::f(1), vk::f(1), vk::f(1)});
    EXPECT_EQ(join(sent_with(rig, "PA")), "PA01; PA02; PA00;");
    tune_to(rig, 12, 5, 145'000'000);
    rig.clear();
    press(rig, {vk::f(1), vk::f(1)});
    EXPECT_EQ(join(sent_with(rig, "PA")), "PA11; PA10;");
}

TEST_F(Connected, KeyerPracticeForcesCwAndGivesTheModeBack) {
    rig.radio->respond = [](const std::string& cmd) { return cmd == "KS;" ? "KS025;" : ""; };
    rig.st().break_in_on = 1;
    press(rig, {'K'});
    EXPECT_EQ(rig.st().mode_code, 3);
    EXPECT_EQ(rig.st().key_state, 11);
    EXPECT_EQ(rig.st().keyer_speed, 25);
    EXPECT_EQ(rig.sent().back(), "BI0;");
    rig.clear();
    press(rig, {vk::up});  // arrows stay in the keyer
    EXPECT_EQ(rig.st().key_state, 11);
    press(rig, {'Y'});  // any other key leaves it
    EXPECT_EQ(rig.st().key_state, 0);
    EXPECT_EQ(rig.st().mode_code, 2);
    EXPECT_FALSE(sent_with(rig, "BI1").empty());
}

TEST_F(Connected, MicMonitorStopsOnTheNextKey) {
    rig.radio->respond = [](const std::string& cmd) { return cmd == "MG;" ? "MG050;" : ""; };
    press(rig, {vk::f(11)});
    EXPECT_EQ(rig.st().mic_monitor, 1);
    EXPECT_EQ(rig.st().mic_gain, 50);
    EXPECT_EQ(rig.st().key_state, 12);
    rig.clear();
    press(rig, {vk::f(11)});  // F11 only stops it
    EXPECT_EQ(rig.st().mic_monitor, 0);
    EXPECT_EQ(rig.words().front(), "micgain");
    EXPECT_EQ(rig.words().back(), "off");
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Connected, C4fmKeyRestoresTheSavedTone) {
    tune_to(rig, 12, 5, 145'000'000);
    rig.st().tone_active = 1;
    rig.st().tone_code = "012";
    press(rig, {'D'});
    EXPECT_EQ(rig.st().mode_code, 6);
    rig.clear();
    press(rig, {'D'});
    EXPECT_EQ(rig.st().mode_code, 5);
    EXPECT_EQ(rig.st().tone_code, "012");
    EXPECT_EQ(rig.st().tone_active, 1);
    auto cn = sent_with(rig, "CN");
    ASSERT_FALSE(cn.empty());
    EXPECT_EQ(cn.back(), "CN00012;");
    EXPECT_EQ(last_sent(rig, "CT"), "CT01;");
}

TEST_F(Connected, NumericPadDigitsCountAsDigits) {
    press(rig, {'E', vk::pad0 + 7, vk::enter});
    EXPECT_EQ(last_sent(rig, "FA"), "FA007000000;");
}

TEST_F(Connected, BandKeyThenLetterPicksTheVhfBands) {
    const std::pair<int, int> cases[] = {{'X', 11}, {'T', 12}, {'S', 13}, {'U', 14}};
    for (auto [key, band] : cases) {
        Rig r;
        connect(r);
        r.st().tone_code = "012";
        press(r, {'B', key});
        EXPECT_EQ(r.st().band_index, band) << char(key);
        EXPECT_EQ(r.st().key_state, 0);
        EXPECT_NE(r.st().tone_code, "012");
        EXPECT_EQ(r.words()[0], "band");
        // U says "band" once more before general coverage.
        auto bands = std::count(r.words().begin(), r.words().end(), "band");
        EXPECT_EQ(bands, key == 'U' ? 2 : 1) << join(r.words());
    }
}

TEST_F(Connected, BandKeyThenDigitPicksAnHfBand) {
    rig.st().vfo_b_selected = 1;
    press(rig, {'B', '0'});
    EXPECT_EQ(rig.st().band_index, 10);
    EXPECT_EQ(rig.st().vfo_b_selected, 0);
    EXPECT_EQ(rig.st().key_state, 0);
}

}  // namespace
}  // namespace vlr::test
