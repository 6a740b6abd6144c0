// On/off functions: the words, the one command and the kept state of each switch.
#include "radio/functions.hpp"

#include <gtest/gtest.h>

#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::join;
using test::Rig;

struct FunctionsTest : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    void SetUp() override { rig.open_radio(); }
    // One key press's worth of traffic: words and commands, then cleared.
    std::pair<std::string, std::string> press(void (*routine)(Context&)) {
        rig.clear();
        routine(rig.c);
        auto out = std::make_pair(join(rig.words()), join(rig.sent()));
        return out;
    }
};

// The preamp key steps preamp and wraps by row before apply_preamp runs.
void preamp_key(Context& c) {
    State& s = c.st;
    s.preamp += 1;
    if (s.preamp > (s.band_index >= 12 ? 1 : 2)) s.preamp = 0;
    apply_preamp(c);
}

TEST_F(FunctionsTest, PreampCyclesThroughTwoStagesOnTwentyMetres) {
    s.band_index = 6;
    struct Step {
        const char* words;
        const char* sent;
        int preamp;
    };
    const Step steps[] = {
        {"preamp 1 on", "PA01;", 1},
        {"preamp 2 on", "PA02;", 2},
        {"preamp off", "PA00;", 0},
    };
    for (const auto& step : steps) {
        auto [words, sent] = press(preamp_key);
        EXPECT_EQ(words, step.words);
        EXPECT_EQ(sent, step.sent);
        EXPECT_EQ(s.preamp, step.preamp);
    }
}

TEST_F(FunctionsTest, PreampOnVhfAndUhfRowsUsesTheirOwnCommand) {
    s.band_index = 12;
    EXPECT_EQ(press(preamp_key), std::make_pair(std::string("preamp 1 on"), std::string("PA11;")));
    EXPECT_EQ(press(preamp_key), std::make_pair(std::string("preamp off"), std::string("PA10;")));

    // A second stage from a memory row still goes out as the one UHF stage.
    s.band_index = 13;
    s.preamp = 2;
    EXPECT_EQ(press(apply_preamp),
              std::make_pair(std::string("preamp 2 on"), std::string("PA21;")));
    s.preamp = 0;
    EXPECT_EQ(press(apply_preamp).second, "PA20;");

    // The general-coverage row shares the HF receiver.
    s.band_index = 14;
    s.preamp = 1;
    EXPECT_EQ(press(apply_preamp).second, "PA01;");
}

TEST_F(FunctionsTest, AttenuatorTogglesOnHfAndIsRefusedAboveSixMetres) {
    s.band_index = 11;
    EXPECT_EQ(press(toggle_attenuator), std::make_pair(std::string("at on"), std::string("RA01;")));
    EXPECT_EQ(s.att_on, 1);
    EXPECT_EQ(press(toggle_attenuator),
              std::make_pair(std::string("at off"), std::string("RA00;")));
    EXPECT_EQ(s.att_on, 0);

    for (int band : {12, 13, 14}) {
        s.band_index = band;
        s.att_on = 0;
        EXPECT_EQ(press(toggle_attenuator), std::make_pair(std::string("at na"), std::string()));
        EXPECT_EQ(s.att_on, 0) << "band " << band;
    }
}

TEST_F(FunctionsTest, NoiseBlankerSendsItsLevelAndTakesTheLevelKeys) {
    struct Case {
        int level;
        const char* sent;
    };
    for (const Case& k : {Case{10, "NL0010;"}, Case{5, "NL0005;"}, Case{1, "NL0001;"}}) {
        s.nb_on = 0;
        s.level_target = 0;
        s.nb_level = k.level;
        EXPECT_EQ(press(toggle_noise_blanker),
                  std::make_pair(std::string("nb on"), std::string(k.sent)));
        EXPECT_EQ(s.nb_on, 1);
        EXPECT_EQ(s.level_target, 2);
    }
    EXPECT_EQ(press(toggle_noise_blanker),
              std::make_pair(std::string("nb off"), std::string("NL0000;")));
    EXPECT_EQ(s.nb_on, 0);
    EXPECT_EQ(s.level_target, 0);
}

TEST_F(FunctionsTest, NoiseBlankerOffKeepsAnotherFunctionsLevelKeys) {
    s.nb_on = 1;
    s.level_target = 3;
    press(toggle_noise_blanker);
    EXPECT_EQ(s.level_target, 3);
}

TEST_F(FunctionsTest, NoiseBlankerLevelOutOfRangeStillGivesAWellFormedCommand) {
    s.nb_level = 250;
    EXPECT_EQ(press(toggle_noise_blanker).second, "NL0010;");
}

TEST_F(FunctionsTest, NoiseReductionSendsItsLevel) {
    struct Case {
        int level;
        const char* sent;
    };
    for (const Case& k : {Case{10, "RL010;"}, Case{4, "RL004;"}}) {
        s.nr_on = 0;
        s.nr_level = k.level;
        EXPECT_EQ(press(toggle_noise_reduction),
                  std::make_pair(std::string("nr on"), std::string(k.sent)));
        EXPECT_EQ(s.nr_on, 1);
        EXPECT_EQ(s.level_target, 3);
    }
    EXPECT_EQ(press(toggle_noise_reduction),
              std::make_pair(std::string("nr off"), std::string("RL000;")));
    EXPECT_EQ(s.nr_on, 0);
    EXPECT_EQ(s.level_target, 0);
}

TEST_F(FunctionsTest, SpeechProcessorOnAsksForItsLevel) {
    rig.radio->respond = [](const std::string& cmd) {
        return cmd == "PL;" ? std::string("PL075;") : std::string();
    };
    auto [words, sent] = press(toggle_speech_processor);
    EXPECT_EQ(words, "spc on delay");
    EXPECT_EQ(sent, "PR01; PL;");
    EXPECT_EQ(s.speech_proc_on, 1);
    EXPECT_EQ(s.level_target, 5);
    EXPECT_EQ(s.proc_level, 75);

    std::tie(words, sent) = press(toggle_speech_processor);
    EXPECT_EQ(words, "spc off");
    EXPECT_EQ(sent, "PR00;");
    EXPECT_EQ(s.speech_proc_on, 0);
    EXPECT_EQ(s.level_target, 0);
    EXPECT_EQ(s.proc_level, 75);
}

TEST_F(FunctionsTest, ProcessorLevelFoundAfterOtherTextAndKeptWhenGarbled) {
    s.proc_level = 40;
    struct Case {
        const char* answer;
        int level;
    };
    const Case cases[] = {
        {"FA007100000;PL100;", 100},  // a late poll answer in front
        {"", 100},                    // no answer
        {"PL;", 100},                 // cut short
        {"PL0", 100},                 // only partly arrived
        {"PL020;", 20},
    };
    for (const Case& k : cases) {
        std::string answer = k.answer;
        rig.radio->respond = [answer](const std::string&) { return answer; };
        read_processor_level(rig.c);
        EXPECT_EQ(s.proc_level, k.level) << k.answer;
    }
}

TEST_F(FunctionsTest, BreakInAndVoxToggle) {
    EXPECT_EQ(press(toggle_break_in), std::make_pair(std::string("bkin on"), std::string("BI1;")));
    EXPECT_EQ(s.break_in_on, 1);
    EXPECT_EQ(press(toggle_break_in), std::make_pair(std::string("bkin off"), std::string("BI0;")));
    EXPECT_EQ(s.break_in_on, 0);

    EXPECT_EQ(press(toggle_vox), std::make_pair(std::string("vox on"), std::string("VX1;")));
    EXPECT_EQ(s.vox_on, 1);
    EXPECT_EQ(press(toggle_vox), std::make_pair(std::string("vox off"), std::string("VX0;")));
    EXPECT_EQ(s.vox_on, 0);
    EXPECT_EQ(s.break_in_on, 0);
}

}  // namespace
}  // namespace vlr
