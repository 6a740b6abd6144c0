// Digit routing, storing and recalling memory channels, applying a band row.
#include "radio/channels.hpp"

#include <gtest/gtest.h>

#include "tests/radio/radio_checks.hpp"
#include "tests/support/fakes.hpp"

using vlr::test::count_of;
using vlr::test::in_order;
using vlr::test::join;
using vlr::test::Rig;
using vlr::test::starting_with;

namespace {

// A connected radio that answers the squelch query of the FM mode display.
struct Radio : Rig {
    Radio() {
        open_radio();
        radio->respond = [](const std::string& cmd) {
            return cmd == "SQ0;" ? std::string("SQ0008;") : std::string();
        };
        st().radio_connected = 1;
        st().vfo_frequency = 7100000;
    }
    void key(char digit) {
        st().key_code = digit;
        vlr::digit_key(c);
    }
    // Recall of bank `bank`, channel `channel` holding `record`.
    void recall(int bank, int channel, const std::string& record) {
        st().memory_channels[static_cast<std::size_t>(bank * 10 + channel)] = record;
        st().channel_op = 2;
        st().bank_digit = bank;
        key(static_cast<char>('0' + channel));
    }
    void store(int bank, int channel) {
        st().channel_op = 1;
        st().bank_digit = bank;
        key(static_cast<char>('0' + channel));
    }
};

TEST(DigitKey, IgnoredWhileNothingWaitsForADigit) {
    Radio rig;
    rig.key('5');
    EXPECT_TRUE(rig.words().empty());
    EXPECT_TRUE(rig.sent().empty());
    rig.st().key_state = 2;
    rig.key('A');  // not a digit
    EXPECT_TRUE(rig.words().empty());
}

TEST(DigitKey, CollectsTheOpenEntry) {
    struct Case {
        int vlr::State::*flag;
        int value;
        std::string vlr::State::*text;
    };
    for (const Case& k :
         std::vector<Case>{{&vlr::State::key_state, 8, &vlr::State::menu_number_text},
                           {&vlr::State::key_state, 9, &vlr::State::menu_value_text},
                           {&vlr::State::key_state, 6, &vlr::State::offset_entry},
                           {&vlr::State::tone_active, 1, &vlr::State::tone_code}}) {
        Radio rig;
        rig.st().*k.flag = k.value;
        rig.st().*k.text = "-0";
        rig.key('6');
        EXPECT_EQ(rig.st().*k.text, "-06") << k.value;
        EXPECT_EQ(join(rig.words()), "6") << k.value;
    }
}

TEST(DigitKey, BankDigitComesFirst) {
    Radio rig;
    rig.st().channel_op = 1;
    rig.st().bank_digit = -1;
    rig.st().key_state = 8;
    rig.key('3');
    EXPECT_EQ(rig.st().bank_digit, 3);
    EXPECT_EQ(join(rig.words()), "3 channel");
    EXPECT_EQ(rig.st().menu_number_text, "");
    EXPECT_EQ(rig.st().memory_channels[3], "9");
}

TEST(DigitKey, FrequencyDigitsCountBeforeThePointAndNeverWrap) {
    Radio rig;
    rig.st().freq_entry_active = 1;
    rig.st().entry_value = 0;
    rig.key('1');
    rig.key('4');
    rig.st().entry_point_typed = 1;
    rig.key('2');
    EXPECT_EQ(rig.st().entry_value, 142);
    EXPECT_EQ(rig.st().entry_int_digits, 2);
    EXPECT_EQ(join(rig.words()), "1 4 2");
    rig.st().entry_point_typed = 0;
    for (int i = 0; i < 13; ++i) rig.key('9');  // endless digits
    EXPECT_EQ(rig.st().entry_value, 2147483647);
    EXPECT_EQ(rig.st().entry_int_digits, 15);
}

TEST(DigitKey, BandDigitSelectsTheBand) {
    struct Case {
        char digit;
        int band;
        const char* stack;
    };
    for (const Case& k : std::vector<Case>{{'0', 10, "BS009;"}, {'3', 3, "BS002;"}}) {
        Radio rig;
        rig.st().key_state = 1;
        rig.st().vfo_b_selected = 1;
        rig.st().last_freq_reply = "FA007100000";
        rig.key(k.digit);
        EXPECT_EQ(rig.st().band_index, k.band);
        EXPECT_EQ(rig.st().key_state, 0);
        EXPECT_EQ(rig.st().vfo_b_selected, 0);
        // VFO B was already given up: no "ST0" goes out.
        EXPECT_EQ(count_of(rig.sent(), "ST0;"), 0);
        EXPECT_EQ(rig.sent().at(0), k.stack);
    }
}

TEST(StoreChannel, RecordByBandModeToneSplitAndRepeater) {
    struct Case {
        int band, mode, preamp, vfo_b, repeater;
        const char* tone;  // "" for no tone
        const char* record;
    };
    const Case table[] = {
        {14, 4, 0, 0, 0, "", "0414A007100000B0071000009990"},  // the operating frequency
        {12, 5, 0, 0, 0, "", "0512A145000000B1450000009990"},
        {9, 2, 1, 0, 0, "", "0209A024890000B0248900009991"},
        {12, 5, 1, 0, 0, "754", "0512A145000000B1450000007541"},
        {6, 2, 1, 1, 0, "", "1206A014200000B0142500009991"},      // split: the reported VFO B
        {12, 5, 0, 0, 1, "012", "5512A145000000B-000006000120"},  // the shift in use
        {14, 7, 0, 0, 1, "", "5714A009670000B-000000009990"},     // band without offset
    };
    for (const Case& k : table) {
        Radio rig;
        vlr::State& s = rig.st();
        s.band_index = k.band;
        s.mode_code = k.mode;
        s.preamp = k.preamp;
        s.vfo_b_selected = k.vfo_b;
        s.vfo_b_text = "B014250000";
        s.repeater_on = k.repeater;
        s.shift2_sign = "-";
        s.shift2_digits = "0600";
        s.tone_active = *k.tone ? 1 : 0;
        s.tone_code = *k.tone ? k.tone : "999";
        rig.store(9, 9);
        EXPECT_EQ(s.memory_channels[99], k.record);
        EXPECT_EQ(join(rig.words()), "9 ok");
        EXPECT_EQ(s.channel_op, 0);
        // Saved at once.
        EXPECT_NE(rig.dir.read("savmem.dat").find(k.record + std::string("\r\n")),
                  std::string::npos);
    }
}

TEST(RecallChannel, EmptyChannelIsRefused) {
    for (const char* record : {"9", ""}) {
        Radio rig;
        rig.recall(3, 4, record);
        EXPECT_EQ(join(rig.words()), "4 invalid");
        EXPECT_TRUE(rig.sent().empty());
        EXPECT_EQ(rig.st().bank_index, 99);
        EXPECT_EQ(rig.st().channel_op, 0);
    }
}

TEST(RecallChannel, PlainChannelGoesToTheRadio) {
    Radio rig;
    rig.recall(1, 2, "0206A014200000B0142000009991");
    EXPECT_TRUE(in_order(rig.sent(), {"ST0;", "BS005;", "FA014200000;", "MD02;", "CT00;", "PA01;"}))
        << join(rig.sent());
    EXPECT_EQ(rig.st().band_index, 6);
    EXPECT_EQ(rig.st().mode_code, 2);
    EXPECT_EQ(rig.st().saved_vfo_a, "A014200000");
    EXPECT_EQ(rig.st().preamp, 1);
    EXPECT_EQ(rig.st().bank_index, 1);
    EXPECT_EQ(rig.st().channel_index, 2);
    EXPECT_EQ(rig.st().recall_slot, 12);
    EXPECT_EQ(rig.st().channel_recalled, 1);
    EXPECT_EQ(rig.st().channel_op, 0);
    EXPECT_EQ(rig.st().tone_code, "999");
    ASSERT_FALSE(rig.words().empty());
    EXPECT_EQ(rig.words().front(), "2");
}

TEST(RecallChannel, SplitChannelSendsVfoAAsVfoB) {
    for (int step : {0, 1}) {
        Radio rig;
        rig.st().channel_step = step;
        rig.recall(0, 5, "1206A014200000B0142500009991");
        EXPECT_EQ(rig.st().vfo_b_selected, 1);
        EXPECT_TRUE(in_order(rig.sent(), {"ST1;", "BS005;", "FB014200000;"})) << join(rig.sent());
        EXPECT_EQ(count_of(rig.words(), "split"), step == 1 ? 0 : 1);
    }
}

TEST(RecallChannel, RepeaterOffsetMenuByBand) {
    struct Case {
        const char* record;
        const char* offset;  // "" for a band without an offset item
        const char* os;
    };
    const Case table[] = {
        {"5512A145650000B-000006000120", "EX0103180012;", "OS02;"},
        {"5512A145650000B+000006000120", "EX0103180012;", "OS01;"},
        {"5511A051000000B+000005009990", "EX0103170500;", "OS01;"},
        {"5714A220000000B-000000009990", "", "OS02;"},
    };
    for (const Case& k : table) {
        Radio rig;
        rig.st().cat_command = "EX0103180012";  // whatever went out before
        rig.recall(0, 0, k.record);
        const std::string sent = join(rig.sent());
        if (*k.offset) {
            EXPECT_TRUE(in_order(rig.sent(), {k.offset, k.os})) << sent;
            EXPECT_EQ(count_of(rig.sent(), k.offset), 1) << sent;
        } else {
            EXPECT_TRUE(starting_with(rig.sent(), "EX").empty()) << sent;
            EXPECT_TRUE(in_order(rig.sent(), {"BS011;", "FA220000000;", "OS02;"})) << sent;
        }
        EXPECT_TRUE(in_order(rig.words(), {"repeater", "on"})) << join(rig.words());
        EXPECT_EQ(rig.st().repeater_on, 1) << k.record;
        EXPECT_EQ(rig.st().vfo_b_selected, 0) << k.record;
    }
    // The channel's shift is taken into use, its tone with it.
    Radio rig;
    rig.recall(0, 0, "5512A145650000B+000006000120");
    EXPECT_EQ(rig.st().shift2_sign + rig.st().shift2_digits, "+0600");
    EXPECT_TRUE(in_order(rig.sent(), {"OS01;", "CN00012;", "CT01;"})) << join(rig.sent());
}

TEST(RecallChannel, RepeaterOffsetNeedsTheSquelchAnswer) {
    Radio rig;
    rig.radio->respond = nullptr;  // the radio does not answer SQ
    rig.recall(0, 0, "5512A145650000B-000006000120");
    EXPECT_TRUE(starting_with(rig.sent(), "EX01031").empty()) << join(rig.sent());
    EXPECT_TRUE(in_order(rig.sent(), {"OS02;"}));
}

TEST(RecallChannel, CtcssAfterDcsIsCtcssAgain) {
    Radio rig;
    rig.recall(0, 0, "0512A145000000B1450000007540");
    EXPECT_EQ(rig.st().tone_is_dcs, 1);
    EXPECT_TRUE(in_order(rig.sent(), {"EX0863;", "CN01054;"})) << join(rig.sent());
    rig.clear();
    rig.recall(0, 1, "0512A145000000B1450000000120");
    EXPECT_EQ(rig.st().tone_is_dcs, 0);
    EXPECT_TRUE(in_order(rig.sent(), {"CN00012;", "CT01;"})) << join(rig.sent());
    EXPECT_TRUE(starting_with(rig.sent(), "EX086").empty());
    EXPECT_TRUE(in_order(rig.words(), {"ctcss", "0", "1", "2"})) << join(rig.words());
    EXPECT_EQ(rig.st().tone_active, 1);
}

TEST(RecallChannel, ToneOnlyInFm) {
    Radio rig;
    rig.recall(0, 0, "0406A014200000B0142000000120");
    EXPECT_EQ(rig.st().tone_active, 0);
    EXPECT_EQ(rig.st().tone_code, "999");
    EXPECT_TRUE(starting_with(rig.sent(), "CN").empty());
    EXPECT_EQ(count_of(rig.sent(), "CT00;"), 1);
}

TEST(RecallChannel, DamagedBandNumberStaysInsideTheRows) {
    for (const char* record : {"0499A009670000B0096700009990", "04xxA009670000B0096700009990"}) {
        Radio rig;
        rig.recall(0, 0, record);
        EXPECT_EQ(rig.st().band_index, 14) << record;
        EXPECT_TRUE(in_order(rig.sent(), {"BS011;", "FA009670000;"})) << join(rig.sent());
    }
}

TEST(SelectBand, KeepsTheBandAmongTheRadiosBands) {
    struct Case {
        int from, to;
        const char* stack;
        const char* text;
    };
    for (const Case& k : std::vector<Case>{{14, 1, "BS000;", "1.900000"},
                                           {15, 14, "BS011;", "9.670000"},
                                           {0, 13, "BS016;", "432.000000"},
                                           {99, 14, "BS011;", "9.670000"},
                                           {4, 4, "BS003;", "7.100000"},
                                           {12, 12, "BS015;", "145.000000"}}) {
        Radio rig;
        rig.st().band_index = k.from;
        vlr::select_band(rig.c);
        EXPECT_EQ(rig.st().band_index, k.to) << k.from;
        EXPECT_EQ(rig.sent().at(0), k.stack) << k.from;
        EXPECT_EQ(rig.st().freq_text, k.text) << k.from;
    }
}

TEST(SelectBand, AppliesTheRow) {
    Radio rig;
    rig.st().band_index = 6;
    rig.st().vfo_b_selected = 1;
    rig.st().tone_active = 1;
    rig.st().tone_code = "012";
    rig.st().width_quiet = 0;
    vlr::select_band(rig.c);
    EXPECT_TRUE(in_order(rig.sent(), {"ST0;", "CT00;", "BS005;", "FB014200000;", "MD02;"}))
        << join(rig.sent());
    EXPECT_EQ(rig.st().freq_text, "14.200000");
    EXPECT_EQ(rig.st().saved_vfo_a, "A014200000");
    EXPECT_EQ(rig.st().mode_code, 2);
    EXPECT_EQ(rig.st().preamp, 1);
    EXPECT_EQ(rig.st().tone_active, 0);
    EXPECT_EQ(rig.st().skip_freq_reply, 1);
    EXPECT_EQ(rig.st().width_quiet, 1);
    // VFO B stays the operating VFO after the band change.
    EXPECT_EQ(rig.st().vfo_b_selected, 1);
}

TEST(SelectBand, FmRowBringsItsTone) {
    struct Case {
        const char* tone;
        const char* cn;  // "" for no tone at all
        const char* word;
        int dcs;
    };
    for (const Case& k : std::vector<Case>{{"012", "CN00012;", "ctcss", 0},
                                           {"754", "CN01054;", "dcs", 1},
                                           {"654", "CN01154;", "dcs", 1},
                                           {"999", "", "", 0},
                                           {"000", "", "", 0}}) {
        Radio rig;
        rig.st().band_index = 12;
        rig.st().band_table[12] = std::string("05A145500000B145500000") + k.tone + "0";
        vlr::select_band(rig.c);
        EXPECT_EQ(rig.st().tone_active, *k.cn ? 1 : 0) << k.tone;
        if (!*k.cn) {
            EXPECT_TRUE(starting_with(rig.sent(), "CN").empty()) << k.tone;
            continue;
        }
        EXPECT_TRUE(in_order(rig.sent(), {k.cn, "CT01;"})) << join(rig.sent());
        EXPECT_TRUE(in_order(rig.words(), {k.word, std::string(1, k.tone[0]),
                                           std::string(1, k.tone[1]), std::string(1, k.tone[2])}))
            << join(rig.words());
        EXPECT_EQ(rig.st().tone_code, k.tone);
        EXPECT_EQ(rig.st().tone_is_dcs, k.dcs);
    }
}

TEST(SelectBand, RepeaterRowSwitchesTheShiftOn) {
    Radio rig;
    rig.st().band_index = 12;
    rig.st().offset2_sign = "-";
    rig.st().offset2_digits = "0600";
    rig.st().band_table[12] = "55A145650000B-000006009990";
    vlr::select_band(rig.c);
    EXPECT_TRUE(in_order(rig.sent(), {"BS015;", "FA145650000;", "MD0B;", "EX0103180012;", "OS02;"}))
        << join(rig.sent());
    EXPECT_EQ(rig.st().repeater_on, 1);
}

}  // namespace
