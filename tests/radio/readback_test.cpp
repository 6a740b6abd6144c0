// The start-up read-back against a fake radio that answers its queries.
#include "radio/readback.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "link/log.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::join;
using test::Rig;

bool starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The commands the read-back sends itself. Band stack, mode display, tone and
// repeater switching belong to other routines that it calls; their traffic is
// left out here (the first frequency command is the read-back's own, the
// later ones come from the mode display).
std::vector<std::string> own_commands(const std::vector<std::string>& sent) {
    std::vector<std::string> out;
    bool frequency_seen = false;
    for (const auto& cmd : sent) {
        if (starts(cmd, "BS") || starts(cmd, "MD") || starts(cmd, "NA") || starts(cmd, "SQ") ||
            starts(cmd, "SH") || starts(cmd, "CT") || starts(cmd, "CN") || starts(cmd, "EX086") ||
            cmd == "OS00;")
            continue;
        if (starts(cmd, "FA")) {
            if (frequency_seen) continue;
            frequency_seen = true;
        }
        out.push_back(cmd);
    }
    return out;
}

struct ReadbackTest : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    // What the fake radio answers to each query; a missing key is no answer.
    std::map<std::string, std::string> answers = {
        {"ID;", "ID0840;"}, {"GT0;", "GT03;"},   {"AG0;", "AG0120;"}, {"AG1;", "AG1090;"},
        {"ML0;", "ML01;"},  {"ML1;", "ML1045;"}, {"PC;", "PC2100;"},  {"PR0;", "PR01;"},
        {"AC;", "AC001;"},  {"VX;", "VX1;"},     {"BI;", "BI1;"},     {"SQ0;", "SQ0008;"},
    };

    void SetUp() override {
        rig.radio->respond = [this](const std::string& cmd) {
            auto it = answers.find(cmd);
            return it == answers.end() ? std::string() : it->second;
        };
        rig.open_radio();
        rig.window.start_timer(1, 50);
    }
    bool run() {
        rig.clear();
        return read_back_radio(rig.c);
    }
    std::string own() const { return join(own_commands(rig.sent())); }
};

TEST_F(ReadbackTest, AnsweringRadioGetsTheCommandsInOrderAndItsSettingsAreTaken) {
    s.band_index = 6;
    s.tuner_mode = 0;
    ASSERT_TRUE(run());
    EXPECT_EQ(
        own(),
        "ID; EX0307030; EX0307040; FA014200000; RA00; NL0000; CO000000; GT0; AG0; AG1; ML0; ML1; "
        "PC; PR0; AC; AC100; VX; BI;");
    EXPECT_EQ(s.radio_id, 840);
    EXPECT_EQ(s.mode_code, 2);
    EXPECT_EQ(s.saved_mode, 2);
    EXPECT_EQ(s.agc_setting, 3);
    EXPECT_EQ(s.main_af_gain, 120);
    EXPECT_EQ(s.second_af_gain, 90);
    EXPECT_EQ(s.monitor_on, 1);
    EXPECT_EQ(s.monitor_level, 45);
    EXPECT_EQ(s.radio_variant, 1);
    EXPECT_EQ(s.speech_proc_on, 1);
    EXPECT_EQ(s.vox_on, 1);
    EXPECT_EQ(s.break_in_on, 1);
    EXPECT_EQ(s.preamp, 1);  // the 20 m row's last digit; no PA command yet
    EXPECT_EQ(std::count_if(rig.sent().begin(), rig.sent().end(),
                            [](auto& c) { return starts(c, "PA"); }),
              0);
    EXPECT_EQ(s.tone_code, "999");
    EXPECT_EQ(s.tone_active, 0);
    EXPECT_EQ(s.tuner_engaged, 0);
}

TEST_F(ReadbackTest, EveryQueryWaitsOnePause) {
    s.band_index = 4;
    ASSERT_TRUE(run());
    // 11 queries plus the pause after the band stack; the mode display may
    // add its own pauses only in FM, and this row is LSB.
    EXPECT_EQ(std::count(rig.words().begin(), rig.words().end(), "delay"), 12);
}

TEST_F(ReadbackTest, TunerModeChoosesTheTunerCommand) {
    for (int mode : {0, 1, 2, 3}) {
        s.tuner_mode = mode;
        ASSERT_TRUE(run());
        const auto& sent = rig.sent();
        auto ac = std::find(sent.begin(), sent.end(), "AC;");
        ASSERT_NE(ac, sent.end());
        ASSERT_NE(ac + 1, sent.end());
        EXPECT_EQ(*(ac + 1), mode == 0 || mode == 2 ? "AC100;" : "AC000;") << mode;
    }
}

TEST_F(ReadbackTest, SilentRadioAfterIdentityGetsTheDefaults) {
    answers = {{"ID;", "ID0840;"}};
    s.monitor_level = 20;
    s.vox_on = 0;
    s.break_in_on = 0;
    ASSERT_TRUE(run());
    EXPECT_EQ(
        own(),
        "ID; EX0307030; EX0307040; FA007100000; RA00; NL0000; CO000000; GT0; GT02; AG0; AG0030; "
        "AG1; AG1030; ML0; ML1; PC; PR0; AC; AC100; VX; BI;");
    EXPECT_EQ(s.agc_setting, 2);
    EXPECT_EQ(s.main_af_gain, 30);
    EXPECT_EQ(s.second_af_gain, 30);
    EXPECT_EQ(s.monitor_on, 0);
    EXPECT_EQ(s.monitor_level, 20);
    EXPECT_EQ(s.radio_variant, 1);
    EXPECT_EQ(s.speech_proc_on, 0);
    EXPECT_EQ(s.vox_on, 0);
    EXPECT_EQ(s.break_in_on, 0);
}

// One answer changed from the answering radio's: the setting it gives.
TEST_F(ReadbackTest, AnswersGiveTheSettingsAndGarbledOnesMeanOff) {
    struct Case {
        const char* query;
        const char* answer;
        int State::*setting;
        int expected;
    };
    const Case cases[] = {
        {"PC;", "PC2100;", &State::radio_variant, 1},
        {"PC;", "PC1005;", &State::radio_variant, 0},
        {"PC;", "", &State::radio_variant, 1},
        {"PC;", "FA007100000;PC1010;", &State::radio_variant, 0},
        {"VX;", "VX2;", &State::vox_on, 0},
        {"VX;", "VX0;", &State::vox_on, 0},
        {"BI;", "BI9;", &State::break_in_on, 0},
        {"BI;", "BI0;", &State::break_in_on, 0},
        {"PR0;", "PR00;", &State::speech_proc_on, 0},
        {"ML0;", "ML00;", &State::monitor_on, 0},
        {"ID;", "FA007100000;ID0840;", &State::radio_id, 840},  // identity behind other text
    };
    const auto answering = answers;
    for (const Case& k : cases) {
        answers = answering;
        answers[k.query] = k.answer;
        // Unset, so a setting not taken shows; the monitor answer only ever
        // switches the monitor on and otherwise keeps the start value.
        s.*k.setting = k.setting == &State::monitor_on ? 0 : -1;
        ASSERT_TRUE(run()) << k.answer;
        EXPECT_EQ(s.*k.setting, k.expected) << k.query << " answered " << k.answer;
    }
}

// ---- FM rows: repeater shift and tone -------------------------------------------

TEST_F(ReadbackTest, TwoMetreRepeaterRowSendsTheOffsetInFiftyKilohertzSteps) {
    s.band_index = 12;
    s.band_table[12] = "55A145000000B-000006009990";
    ASSERT_TRUE(run());
    EXPECT_EQ(own(),
              "ID; EX0307030; EX0307040; FA145000000; EX0103180012; OS02; RA00; NL0000; CO000000; "
              "GT0; AG0; "
              "AG1; ML0; ML1; PC; PR0; AC; AC100; VX; BI;");
    EXPECT_EQ(s.repeater_on, 1);
    EXPECT_EQ(s.shift2_sign, "-");
    EXPECT_EQ(s.shift2_digits, "0600");
    EXPECT_EQ(s.mode_code, 5);
    EXPECT_EQ(s.fm_wide, 0);
}

// The offset and direction commands of the read-back itself, and the shift
// taken into use, for each kind of FM row.
TEST_F(ReadbackTest, RepeaterRowsOfEachBand) {
    struct Case {
        int band;
        const char* row;  // nullptr: the initial row (FM without the repeater flag)
        const char* repeater_commands;
        int repeater_on;
        std::string State::*sign;  // nullptr: a band without an offset item
        std::string State::*digits;
    };
    const Case cases[] = {
        {10, "57A029620000B-000001009990", "EX0103160100; OS02;", 1, &State::shift10_sign,
         &State::shift10_digits},
        {11, "57A051810000B+000005009990", "EX0103170500; OS01;", 1, &State::shift6_sign,
         &State::shift6_digits},
        {13, "55A438000000B+000076009990", "EX0103190152; OS01;", 1, &State::shift70_sign,
         &State::shift70_digits},
        {14, "57A029620000B+000006009990", "OS01;", 1, nullptr, nullptr},
        {12, nullptr, "", 0, nullptr, nullptr},
    };
    for (const Case& k : cases) {
        s.band_index = k.band;
        if (k.row) s.band_table[static_cast<std::size_t>(k.band)] = k.row;
        s.repeater_on = s.fm_wide = 0;
        ASSERT_TRUE(run());
        std::vector<std::string> repeater;
        for (const auto& cmd : own_commands(rig.sent()))
            if (starts(cmd, "EX0103") || starts(cmd, "OS0")) repeater.push_back(cmd);
        EXPECT_EQ(join(repeater), k.repeater_commands) << k.band;
        EXPECT_EQ(s.repeater_on, k.repeater_on) << k.band;
        if (!k.sign) continue;
        EXPECT_EQ(s.*k.sign, std::string(1, k.row[13])) << k.band;
        EXPECT_EQ(s.*k.digits, std::string(k.row + 18, 4)) << k.band;
        EXPECT_EQ(s.fm_wide, k.row[1] == '7' ? 1 : 0) << k.band;  // mode 7: FM wide
    }
}

TEST_F(ReadbackTest, NonFmRowLeavesTheShiftAndToneAlone) {
    s.band_index = 6;  // USB
    ASSERT_TRUE(run());
    EXPECT_EQ(s.repeater_on, 0);
    EXPECT_EQ(std::count_if(rig.sent().begin(), rig.sent().end(),
                            [](auto& c) {
                                return starts(c, "EX0103") || starts(c, "OS") || starts(c, "CN");
                            }),
              0);
}

TEST_F(ReadbackTest, RowToneIsTakenAndDcsRecognised) {
    struct Case {
        const char* tone;
        int active, dcs;
        const char* kept;
    };
    const Case cases[] = {
        {"754", 1, 1, "754"}, {"503", 1, 1, "503"}, {"012", 1, 0, "012"},
        {"999", 0, 0, "999"}, {"1x3", 0, 0, "999"},  // a damaged row tone is no tone
    };
    for (const Case& k : cases) {
        s.band_index = 12;
        s.band_table[12] = std::string("05A145000000B145000000") + k.tone + "0";
        ASSERT_TRUE(run());
        EXPECT_EQ(s.tone_active, k.active) << k.tone;
        EXPECT_EQ(s.tone_is_dcs, k.dcs) << k.tone;
        EXPECT_EQ(s.tone_code, k.kept) << k.tone;
    }
}

TEST_F(ReadbackTest, PreampDigitOfTheRow) {
    struct Case {
        char digit;
        int preamp;
    };
    for (const Case& k : {Case{'1', 1}, Case{'2', 2}, Case{'0', 0}, Case{'7', 0}}) {
        s.band_index = 4;
        s.band_table[4] = std::string("01A007100000B007100000999") + k.digit;
        s.preamp = 1;
        ASSERT_TRUE(run());
        EXPECT_EQ(s.preamp, k.preamp) << k.digit;
    }
}

TEST_F(ReadbackTest, DamagedRowSendsNoFrequencyCommand) {
    s.band_index = 4;
    s.band_table[4] = "01A007";
    ASSERT_TRUE(run());
    // The read-back's own frequency command comes before the mode display's traffic.
    const auto& sent = rig.sent();
    auto mode = std::find_if(sent.begin(), sent.end(), [](auto& c) { return starts(c, "MD"); });
    EXPECT_TRUE(std::none_of(sent.begin(), mode, [](auto& c) { return starts(c, "F"); }))
        << join(sent);
    EXPECT_EQ(s.preamp, 0);
}

// ---- the wrong radio -----------------------------------------------------------

TEST_F(ReadbackTest, WrongOrMissingRadioEndsAfterTheRefusalWord) {
    for (const char* id : {"ID0650;", ""}) {
        Rig fresh;
        State& st = fresh.st();
        std::string answer = id;
        fresh.radio->respond = [answer](const std::string& cmd) {
            return cmd == "ID;" ? answer : std::string();
        };
        fresh.open_radio();
        fresh.window.start_timer(1, 50);
        st.power_off_on_exit = 0;
        EXPECT_FALSE(read_back_radio(fresh.c)) << id;
        // No answer at all: asked four times, three pauses each.
        const std::string waits = answer.empty() ? join(std::vector<std::string>(12, "delay")) : "delay";
        EXPECT_EQ(join(fresh.words()), waits + " rnvlr.wav") << id;
        EXPECT_EQ(join(fresh.sent()), answer.empty() ? "ID; ID; ID; ID;" : "ID;") << id;
        EXPECT_EQ(fresh.window.timer_id, 0);
        EXPECT_FALSE(fresh.window.is_open);
        EXPECT_FALSE(st.main_window.open);
        EXPECT_FALSE(fresh.radio->open);
        EXPECT_TRUE(fresh.dir.exists("savmem.dat")) << "memory banks saved";
    }
}

TEST_F(ReadbackTest, WrongRadioIsSwitchedOffWhenConfiguredAndTheLogClosed) {
    answers["ID;"] = "ID0650;";
    s.power_off_on_exit = 1;
    s.debug_log_on = 1;
    open_debug_log(rig.c);
    ASSERT_TRUE(s.debug_file.is_open());
    EXPECT_FALSE(run());
    EXPECT_EQ(join(rig.sent()), "ID; PS0;");
    EXPECT_EQ(join(rig.words()), "delay rnvlr.wav delay");
    EXPECT_FALSE(rig.radio->open);
    EXPECT_FALSE(s.debug_file.is_open());
    EXPECT_EQ(s.radio_id, 650);
    const std::string log = rig.dir.read("debug.dat");
    EXPECT_NE(log.find("TX=PS0;"), std::string::npos);
}

// ---- the pass-through port --------------------------------------------------------

TEST_F(ReadbackTest, PassThroughPortIsReopenedAtTheEnd) {
    auto other = rig.serial.add_line(3);
    s.passthru_port = 3;
    ASSERT_TRUE(run());
    EXPECT_TRUE(other->open);
    EXPECT_EQ(other->speed, s.port_speed);
    EXPECT_EQ(other->stop_bits, 2);

    Rig plain;
    auto unused = plain.serial.add_line(3);
    plain.radio->respond = [](const std::string& cmd) {
        return cmd == "ID;" ? std::string("ID0840;") : std::string();
    };
    plain.open_radio();
    ASSERT_TRUE(read_back_radio(plain.c));
    EXPECT_FALSE(unused->open);
}

}  // namespace
}  // namespace vlr
