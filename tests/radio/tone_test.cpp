// Tone squelch codes, the repeater shift and the band of a typed frequency.
#include "radio/tone.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/radio/radio_checks.hpp"
#include "tests/support/fakes.hpp"

using vlr::test::join;
using vlr::test::Rig;

namespace {

struct Radio : Rig {
    Radio() {
        open_radio();
        st().radio_connected = 1;
        st().mode_code = 5;
    }
    // The operator typed `code` after I and pressed Enter.
    void typed(const std::string& code) {
        st().tone_active = 1;
        st().tone_code = code;
        vlr::complete_tone_entry(c);
    }
};

TEST(ToneEntry, AcceptedAndRefusedCodes) {
    struct Case {
        const char* code;
        const char* sent;
        const char* words;
        int dcs;
    };
    const Case table[] = {
        {"012", "CN00012; CT01;", "ctcss on", 0},
        {"000", "CN00000; CT01;", "ctcss on", 0},
        {"049", "CN00049; CT01;", "ctcss on", 0},
        {"500", "EX0860; CN01000;", "dcs on", 1},
        {"503", "EX0860; CN01003;", "dcs on", 1},
        {"700", "EX0863; CN01100;", "dcs on", 1},
        {"703", "EX0863; CN01003;", "dcs on", 1},
        {"754", "EX0863; CN01054;", "dcs on", 1},
        {"803", "EX0863; CN01103;", "dcs on", 1},
        {"050", "", "invalid", 0},
        {"088", "", "invalid", 0},
        {"499", "", "invalid", 0},
        {"504", "", "invalid", 0},
        {"699", "", "invalid", 0},
        {"804", "", "invalid", 0},
        {"0120", "", "invalid", 0},
        {"", "", "invalid", 0},
        {"12", "CN00012; CT01;", "ctcss on", 0},  // a short code is the tone number
    };
    for (const Case& k : table) {
        Radio rig;
        rig.typed(k.code);
        EXPECT_EQ(join(rig.sent()), k.sent) << k.code;
        EXPECT_EQ(join(rig.words()), k.words) << k.code;
        EXPECT_EQ(rig.st().tone_is_dcs, k.dcs) << k.code;
        EXPECT_EQ(rig.st().tone_say_on, 0) << k.code;
        const bool refused = std::string(k.words) == "invalid";
        EXPECT_EQ(rig.st().tone_active, refused ? 0 : 1) << k.code;
        const std::string code =
            std::string(3 - std::min<std::size_t>(3, strlen(k.code)), '0') + k.code;
        EXPECT_EQ(rig.st().tone_code, refused ? std::string("999") : code) << k.code;
    }
}

TEST(ToneEntry, DcsRefusedWhenNotAllowed) {
    Radio rig;
    rig.st().dcs_allowed = 0;
    rig.typed("754");
    EXPECT_EQ(join(rig.words()), "invalid");
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_EQ(rig.st().tone_active, 0);
    EXPECT_EQ(rig.st().tone_code, "999");
}

TEST(ApplyTone, RecallSaysTheDigitsAndSteppingSaysNothing) {
    Radio rig;
    rig.st().tone_code = "012";
    vlr::apply_tone(rig.c);
    EXPECT_EQ(join(rig.words()), "ctcss 0 1 2");
    EXPECT_EQ(join(rig.sent()), "CN00012; CT01;");
    rig.clear();
    rig.st().channel_step = 1;
    vlr::apply_tone(rig.c);
    EXPECT_TRUE(rig.words().empty());
    EXPECT_EQ(join(rig.sent()), "CN00012; CT01;");
    rig.clear();
    rig.st().tone_code = "754";
    rig.st().tone_is_dcs = 1;
    vlr::apply_tone(rig.c);
    EXPECT_TRUE(rig.words().empty());
    EXPECT_EQ(join(rig.sent()), "EX0863; CN01054;");
}

struct Offset {
    int band;
    const char* sign;
    const char* digits;
    const char* sent;
};

// The entered offset of the band, and the shift in use that was something else.
void set_offset(vlr::State& s, const Offset& k) {
    std::string* sign[] = {&s.offset10_sign, &s.offset6_sign, &s.offset2_sign, &s.offset70_sign};
    std::string* digits[] = {&s.offset10_digits, &s.offset6_digits, &s.offset2_digits,
                             &s.offset70_digits};
    *sign[k.band - 10] = k.sign;
    *digits[k.band - 10] = k.digits;
    s.shift10_sign = s.shift6_sign = s.shift2_sign = s.shift70_sign = "?";
    s.shift10_digits = s.shift6_digits = s.shift2_digits = s.shift70_digits = "9999";
}

std::string shift_in_use(const vlr::State& s, int band) {
    const std::string* sign[] = {&s.shift10_sign, &s.shift6_sign, &s.shift2_sign, &s.shift70_sign};
    const std::string* digits[] = {&s.shift10_digits, &s.shift6_digits, &s.shift2_digits,
                                   &s.shift70_digits};
    return *sign[band - 10] + *digits[band - 10];
}

TEST(RepeaterShift, OffsetMenuCommandsByBand) {
    const Offset table[] = {
        {10, "-", "0100", "EX0103160100; OS02;"},    {11, "-", "0500", "EX0103170500; OS02;"},
        {12, "+", "0600", "EX0103180012; OS01;"},    {12, "-", "0625", "EX0103180012.50; OS02;"},
        {12, "-", "0630", "EX0103180012.60; OS02;"}, {13, "-", "5000", "EX0103190100; OS02;"},
        {13, "+", "1600", "EX0103190032; OS01;"},    {13, "-", "7600", "EX0103190152; OS02;"},
    };
    for (const Offset& k : table) {
        Radio rig;
        rig.st().band_index = k.band;
        set_offset(rig.st(), k);
        vlr::toggle_repeater(rig.c);
        EXPECT_EQ(join(rig.sent()), k.sent) << k.band << k.sign << k.digits;
        EXPECT_EQ(join(rig.words()), "repeater on");
        EXPECT_EQ(rig.st().repeater_on, 1);
        // Switching on takes the entered offset into use.
        EXPECT_EQ(shift_in_use(rig.st(), k.band), std::string(k.sign) + k.digits) << k.band;
    }
}

TEST(RepeaterShift, ToneModeFollowsTheShift) {
    struct Case {
        int dcs;
        const char* ct;
    };
    for (const Case& k : std::vector<Case>{{0, "CT01;"}, {1, "CT03;"}}) {
        Radio rig;
        rig.st().band_index = 10;
        rig.st().offset10_sign = "-";
        rig.st().offset10_digits = "0100";
        rig.st().tone_active = 1;
        rig.st().tone_is_dcs = k.dcs;
        vlr::toggle_repeater(rig.c);
        ASSERT_FALSE(rig.sent().empty());
        EXPECT_EQ(rig.sent().back(), k.ct);
    }
}

TEST(RepeaterShift, BandWithoutOffsetGetsNoOffsetCommand) {
    for (int band : {3, 9, 14}) {
        Radio rig;
        rig.st().band_index = band;
        rig.st().cat_command = "EX0103180012";  // whatever went out before
        vlr::toggle_repeater(rig.c);
        EXPECT_EQ(join(rig.sent()), "OS02;") << band;
        EXPECT_EQ(join(rig.words()), "repeater on");
        EXPECT_EQ(rig.st().repeater_on, 1);
    }
}

TEST(RepeaterShift, SwitchingOff) {
    struct Case {
        int on, step;
        const char* words;
    };
    for (const Case& k : std::vector<Case>{{1, 0, "repeater off"}, {2, 0, ""}, {1, 1, ""}}) {
        Radio rig;
        rig.st().band_index = 12;
        rig.st().repeater_on = k.on;
        rig.st().channel_step = k.step;
        rig.st().vfo_b_selected = 1;
        vlr::toggle_repeater(rig.c);
        EXPECT_EQ(join(rig.words()), k.words);
        EXPECT_EQ(join(rig.sent()), "OS00;");
        EXPECT_EQ(rig.st().repeater_on, 0);
        EXPECT_EQ(rig.st().vfo_b_selected, 0);
    }
}

TEST(BandForFrequency, TypedMegahertzPicksTheBandAndDropsTheTone) {
    struct Case {
        int mhz, band;
    };
    for (const Case& k : std::vector<Case>{{29, 10}, {30, 14}, {7, 4}, {145, 12}, {0, 14}}) {
        Radio rig;
        rig.st().entry_value = k.mhz;
        rig.st().tone_active = 1;
        rig.st().tone_code = "012";
        rig.st().vfo_b_selected = 1;
        vlr::band_for_frequency(rig.c);
        EXPECT_EQ(rig.st().band_index, k.band) << k.mhz;
        EXPECT_EQ(join(rig.sent()), "CT00;");
        EXPECT_EQ(rig.st().tone_active, 0);
        EXPECT_EQ(rig.st().tone_code, "999");
        EXPECT_EQ(rig.st().vfo_b_selected, k.band == 14 ? 0 : 1) << k.mhz;
    }
}

}  // namespace
