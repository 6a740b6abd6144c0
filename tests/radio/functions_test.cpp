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

TEST_F(FunctionsTest, PreampStagesAndTheCommandOfEachRow) {
    struct Case {
        int band, from;
        bool key;  // the preamp key, or a row's preamp applied as it stands
        const char* words;
        const char* sent;
        int to;
    };
    const Case cases[] = {
        {6, 0, true, "preamp 1 on", "PA01;", 1},
        {6, 1, true, "preamp 2 on", "PA02;", 2},
        {6, 2, true, "preamp off", "PA00;", 0},
        {12, 0, true, "preamp 1 on", "PA11;", 1},  // VHF and UHF have their own command
        {12, 1, true, "preamp off", "PA10;", 0},
        {13, 2, false, "preamp 2 on", "PA21;",
         2},  // a memory row's second stage: the one UHF stage
        {13, 0, false, "preamp off", "PA20;", 0},
        {14, 1, false, "preamp 1 on", "PA01;", 1},  // general coverage shares the HF receiver
    };
    for (const Case& k : cases) {
        s.band_index = k.band;
        s.preamp = k.from;
        auto [words, sent] = press(k.key ? preamp_key : apply_preamp);
        EXPECT_EQ(words, k.words) << k.band << "/" << k.from;
        EXPECT_EQ(sent, k.sent) << k.band << "/" << k.from;
        EXPECT_EQ(s.preamp, k.to) << k.band << "/" << k.from;
    }
}

TEST_F(FunctionsTest, SwitchesToggleWithTheirWordsCommandsAndLevelKeys) {
    struct Case {
        void (*routine)(Context&);
        int State::*flag;
        const char* on_words;
        const char* on_sent;
        const char* off_words;
        const char* off_sent;
        int level_target;  // the function the level keys set while it is on
    };
    s.band_index = 11;
    s.nb_level = 10;
    s.nr_level = 10;
    const Case cases[] = {
        {toggle_attenuator, &State::att_on, "at on", "RA01;", "at off", "RA00;", 0},
        {toggle_noise_blanker, &State::nb_on, "nb on", "NL0010;", "nb off", "NL0000;", 2},
        {toggle_noise_reduction, &State::nr_on, "nr on", "RL010;", "nr off", "RL000;", 3},
        {toggle_break_in, &State::break_in_on, "bkin on", "BI1;", "bkin off", "BI0;", 0},
        {toggle_vox, &State::vox_on, "vox on", "VX1;", "vox off", "VX0;", 0},
    };
    for (const Case& k : cases) {
        s.level_target = 0;
        EXPECT_EQ(press(k.routine),
                  std::make_pair(std::string(k.on_words), std::string(k.on_sent)));
        EXPECT_EQ(s.*k.flag, 1) << k.on_words;
        EXPECT_EQ(s.level_target, k.level_target) << k.on_words;
        EXPECT_EQ(press(k.routine),
                  std::make_pair(std::string(k.off_words), std::string(k.off_sent)));
        EXPECT_EQ(s.*k.flag, 0) << k.off_words;
        EXPECT_EQ(s.level_target, 0) << k.off_words;
    }
}

TEST_F(FunctionsTest, AttenuatorIsRefusedAboveSixMetres) {
    for (int band : {12, 13, 14}) {
        s.band_index = band;
        EXPECT_EQ(press(toggle_attenuator), std::make_pair(std::string("at na"), std::string()));
        EXPECT_EQ(s.att_on, 0) << "band " << band;
    }
}

TEST_F(FunctionsTest, NoiseLevelsGoOutWellFormed) {
    struct Case {
        void (*routine)(Context&);
        int State::*level;
        int value;
        const char* sent;
    };
    const Case cases[] = {
        {toggle_noise_blanker, &State::nb_level, 5, "NL0005;"},
        {toggle_noise_blanker, &State::nb_level, 1, "NL0001;"},
        {toggle_noise_blanker, &State::nb_level, 250, "NL0010;"},  // out of range
        {toggle_noise_reduction, &State::nr_level, 4, "RL004;"},
    };
    for (const Case& k : cases) {
        s.nb_on = s.nr_on = 0;
        s.*k.level = k.value;
        EXPECT_EQ(press(k.routine).second, k.sent) << k.value;
    }
}

TEST_F(FunctionsTest, NoiseBlankerOffKeepsAnotherFunctionsLevelKeys) {
    s.nb_on = 1;
    s.level_target = 3;
    press(toggle_noise_blanker);
    EXPECT_EQ(s.level_target, 3);
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

}  // namespace
}  // namespace vlr
