// Number and code entries typed through the real handler: frequency, tone
// code, repeater offset, radio menu, next channel and the F read-outs.
#include <gtest/gtest.h>

#include "commands/poll.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

struct Entry : ::testing::Test {
    Rig rig;
    void SetUp() override { connect(rig); }
};

struct FrequencyCase {
    const char* keys;     // after E
    const char* command;  // "" when refused
};

TEST(FrequencyEntry, TypedFrequenciesBecomeNineDigitCommands) {
    const FrequencyCase cases[] = {
        {"14.25\r", "FA014250000;"},
        {"7\r", "FA007000000;"},
        {"144.8\r", "FA144800000;"},
        {"449.9\r", "FA449900000;"},
        {"28\r", "FA028000000;"},
        {"3.6\r", "FA003600000;"},
        {"007\r", "FA007000000;"},  // leading zeros keep the MHz where they are
        {"014.25\r", "FA014250000;"},
        {"0007\r", "FA007000000;"},
        {"14250\r", ""},       // five MHz digits
        {"14.2500001\r", ""},  // more than nine digits of Hz
        {"\r", ""},            // nothing typed: no frequency below 1 MHz
        {"0\r", ""},
        // Whole MHz obey the 450 MHz limit too. Found by the soak run: "6 4 1
        // Enter" sent FA641000000, which the radio refused, and the
        // general-coverage row kept it for every later band select.
        {"449\r", "FA449000000;"},
        {"450\r", ""},
        {"641\r", ""},
        {"470\r", ""},
    };
    for (const auto& tc : cases) {
        Rig rig;
        connect(rig);
        press(rig, {'E'});
        EXPECT_EQ(rig.sent().back(), "FA014200000;");  // E re-sends the current frequency
        rig.clear();
        type(rig, tc.keys);
        SCOPED_TRACE(tc.keys);
        EXPECT_EQ(rig.st().freq_entry_active, 0);
        if (*tc.command) {
            EXPECT_EQ(last_sent(rig, "FA"), tc.command);
            EXPECT_EQ(rig.words().back(), "ok");
        } else {
            EXPECT_EQ(rig.words().back(), "invalid");
            for (const auto& cmd : sent_with(rig, "FA")) {
                EXPECT_EQ(cmd.find("1425"), std::string::npos) << cmd;
                EXPECT_NE(cmd, "FA000000000;");
                EXPECT_LT(cmd, "FA450000000;");
            }
            for (int band = 1; band <= 14; ++band)
                EXPECT_LT(rig.st().band_table[static_cast<std::size_t>(band)].substr(3, 9),
                          "450000000")
                    << "band " << band;
        }
    }
}

TEST_F(Entry, PointAtOrAbove450IsRefusedAtOnce) {
    press(rig, {'E'});
    type(rig, "450.");
    EXPECT_EQ(rig.words().back(), "invalid");
    EXPECT_EQ(rig.st().freq_entry_active, 0);
    EXPECT_EQ(rig.st().key_state, 0);
    rig.clear();
    type(rig, "5\r");  // the entry is gone: the digit means nothing now
    EXPECT_TRUE(sent_with(rig, "BS").empty());
}

TEST_F(Entry, PointWithoutAnEntryIsRefused) {
    type(rig, ".");
    EXPECT_EQ(join(rig.words()), "invalid");
    // Not even after an entry that was completed before.
    press(rig, {'E'});
    type(rig, "7\r");
    rig.clear();
    type(rig, ".");
    EXPECT_EQ(join(rig.words()), "invalid");
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Entry, EnterAfterACompletedEntryDoesNothing) {
    press(rig, {'E'});
    type(rig, "7\r");
    rig.clear();
    type(rig, "\r");
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_TRUE(rig.words().empty());
}

TEST_F(Entry, EntrySelectsTheBandAndItsMode) {
    press(rig, {'E'});
    type(rig, "144.8\r");
    EXPECT_EQ(rig.st().band_index, 12);
    EXPECT_EQ(rig.st().mode_code, 5);  // the 2 m row's FMN
    EXPECT_EQ(last_sent(rig, "BS"), "BS015;");
    EXPECT_EQ(rig.st().tick_count, 0);  // F waits for the radio's report
}

TEST_F(Entry, FmBelow25MhzBecomesAm) {
    rig.st().band_table[9] = "05A024890000B0248900009991";  // 12 m row left in FMN
    press(rig, {'E'});
    type(rig, "24\r");
    EXPECT_EQ(rig.st().band_index, 9);
    EXPECT_EQ(rig.st().mode_code, 4);
}

struct ToneCase {
    const char* code;
    bool accepted;
    const char* first;  // first tone command sent when accepted
};

TEST(ToneEntry, CodesAreCheckedOnEnter) {
    const ToneCase cases[] = {
        {"012", true, "CN00012;"}, {"049", true, "CN00049;"}, {"754", true, "EX0863;"},
        {"503", true, "EX0860;"},  {"088", false, ""},        {"050", false, ""},
        {"699", false, ""},        {"804", false, ""},        {"0123", false, ""},
    };
    for (const auto& tc : cases) {
        Rig rig;
        connect(rig);
        tune_to(rig, 12, 5, 145'000'000);
        press(rig, {'I'});
        rig.clear();
        type(rig, std::string(tc.code) + "\r");
        SCOPED_TRACE(tc.code);
        EXPECT_EQ(rig.st().tone_active, tc.accepted ? 1 : 0);
        if (tc.accepted) {
            ASSERT_FALSE(rig.sent().empty());
            EXPECT_EQ(rig.sent().front(), tc.first);
            EXPECT_EQ(rig.st().tone_code, tc.code);
        } else {
            EXPECT_EQ(rig.words().back(), "invalid");
            EXPECT_EQ(rig.st().tone_code, "999");
        }
    }
}

TEST_F(Entry, EnterResendsAToneThatIsOn) {
    tune_to(rig, 12, 5, 145'000'000);
    press(rig, {'I'});
    type(rig, "012\r");
    rig.clear();
    type(rig, "\r");
    EXPECT_EQ(join(rig.sent()), "CN00012; CT01;");
}

TEST_F(Entry, OffsetsOfThreeAndFourDigitsStoreTheSame) {
    for (const char* typed : {"-0600\r", "-600\r"}) {
        Rig r;
        connect(r);
        tune_to(r, 12, 5, 145'000'000);
        r.st().offset2_sign = "+", r.st().offset2_digits = "1000";
        press(r, {'X', 'O'});
        EXPECT_EQ(r.st().key_state, 5);
        r.clear();
        type(r, typed);
        SCOPED_TRACE(typed);
        EXPECT_EQ(r.st().offset2_sign, "-");
        EXPECT_EQ(r.st().offset2_digits, "0600");
        EXPECT_EQ(r.st().key_state, 0);
        ASSERT_GE(r.words().size(), 4u);
        EXPECT_EQ(r.words()[0], "minus");
        EXPECT_EQ(r.words().back(), "khz");
    }
}

TEST_F(Entry, OffsetOfWrongLengthIsRefused) {
    tune_to(rig, 12, 5, 145'000'000);
    rig.st().offset2_sign = "+", rig.st().offset2_digits = "0600";
    press(rig, {'X', 'O'});
    type(rig, "-60\r");
    EXPECT_EQ(rig.words().back(), "invalid");
    EXPECT_EQ(rig.words()[rig.words().size() - 2], "ofs");
    EXPECT_EQ(rig.st().offset2_sign, "+");
    EXPECT_EQ(rig.st().offset2_digits, "0600");
    EXPECT_TRUE(sent_with(rig, "FA").empty());  // refusal ends the key
}

TEST_F(Entry, OffsetNeedsTenMetresOrUp) {
    press(rig, {'X', 'O'});
    EXPECT_EQ(rig.st().key_state, 14);
    EXPECT_EQ(join(rig.words()), "extcm on");
}

TEST_F(Entry, EnterInsteadOfASignReadsTheStandardOffset) {
    tune_to(rig, 12, 5, 145'000'000);
    rig.st().offset2_sign = "-", rig.st().offset2_digits = "0600";
    press(rig, {'X', 'O'});
    rig.clear();
    type(rig, "\r");
    std::string words = join(rig.words());
    EXPECT_NE(words.find("std minus 6 0 0 khz"), std::string::npos) << words;
    EXPECT_EQ(rig.st().key_state, 0);

    rig.st().repeater_on = 1;
    press(rig, {'X', 'O'});
    rig.clear();
    type(rig, "\r");
    EXPECT_EQ(join(rig.words()), "rio");
}

TEST_F(Entry, MenuReadSpeaksTheValueWithPoint) {
    rig.radio->respond = [](const std::string& cmd) {
        return cmd == "EX010319;" ? std::string("EX01031923.49;") : std::string();
    };
    rig.radio->incoming = "FA014200000;";  // an old answer the read must not take
    press(rig, {'N'});
    type(rig, "010319\r\r");
    EXPECT_EQ(join(rig.sent()), "EX010319;");
    std::string words = join(rig.words());
    EXPECT_NE(words.find("delay 2 3 point 4 9"), std::string::npos) << words;
    EXPECT_EQ(rig.st().key_state, 0);
    EXPECT_EQ(rig.st().menu_busy, 0);
}

TEST_F(Entry, MenuSetSendsTheValueWhateverScratchHolds) {
    rig.st().scratch_i = 500;  // a leftover position from an earlier reply
    press(rig, {'N'});
    type(rig, "030704\r1\r");
    EXPECT_EQ(join(rig.sent()), "EX0307041;");
    EXPECT_EQ(rig.words().back(), "ok");
}

TEST_F(Entry, MenuRefusesBadNumbersAndOverlongValues) {
    press(rig, {'N'});
    type(rig, "03070\r");
    EXPECT_EQ(rig.words().back(), "invalid");
    EXPECT_EQ(rig.st().key_state, 0);
    rig.clear();
    press(rig, {'N'});
    type(rig, "030704\r123456789\r");
    EXPECT_EQ(rig.words().back(), "invalid");
    EXPECT_TRUE(sent_with(rig, "EX").empty());
}

TEST_F(Entry, NextChannelWithoutRecallIsNoChannel) {
    press(rig, {'U'});
    EXPECT_EQ(join(rig.words()), "ncs");
}

TEST_F(Entry, NextChannelInAnEmptyBankStops) {
    rig.st().bank_index = 3;  // as if a recall had just happened
    press(rig, {'U'});
    EXPECT_EQ(join(rig.words()), "ncs");
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Entry, NextChannelStepsToTheNextStoredOne) {
    rig.st().memory_channels[32] = "0206A014250000B0142500009990";
    rig.st().memory_channels[37] = "0206A014300000B0143000009990";
    rig.st().bank_index = 3;
    rig.st().bank_digit = 3;
    rig.st().channel_index = 2;
    press(rig, {'U'});
    EXPECT_EQ(rig.st().channel_index, 7);
    EXPECT_EQ(rig.words().front(), "channel");
    EXPECT_EQ(rig.st().bank_index, 3);
    EXPECT_FALSE(sent_with(rig, "FA014300000;").empty());
    press(rig, {'U'});  // wraps round to channel 2
    EXPECT_EQ(rig.st().channel_index, 2);
}

TEST_F(Entry, FrequencyReadOutWaitsForTheFirstTick) {
    rig.st().tick_count = 0;
    press(rig, {'F'});
    EXPECT_TRUE(rig.words().empty());
    rig.st().tick_count = 3;
    press(rig, {'F'});
    EXPECT_EQ(join(rig.words()), "1 4 point 2 mhz usb.wav");
    EXPECT_TRUE(rig.sent().empty());
}

TEST_F(Entry, FrequencyReadOutAnswersAtEveryTickOnceRunning) {
    rig.st().tick_count = 5;
    for (int tick = 0; tick < 45; ++tick) {
        timer_tick(rig.c);
        rig.clear();
        press(rig, {'F'});
        ASSERT_FALSE(rig.words().empty()) << "F unanswered at tick_count " << rig.st().tick_count;
    }
}

TEST_F(Entry, RepeaterTransmitFrequencyUsesTheShiftInUse) {
    tune_to(rig, 12, 5, 145'600'000);
    rig.st().freq_text = "145.600000";
    rig.st().repeater_on = 1;
    rig.st().shift2_sign = "-", rig.st().shift2_digits = "0600";
    rig.st().offset2_sign = "+", rig.st().offset2_digits = "1000";  // being edited: not used
    press(rig, {'X'});
    rig.clear();
    press(rig, {'F'});
    std::string words = join(rig.words());
    EXPECT_NE(words.find("tx 1 4 5 mhz"), std::string::npos) << words;
    EXPECT_EQ(rig.st().freq_text, "145.600000");
    EXPECT_EQ(rig.st().tx_announce, 0);
    EXPECT_EQ(rig.st().key_state, 0);
}

TEST_F(Entry, SplitReadOutGivesTheRowsVfoA) {
    rig.st().vfo_b_selected = 1;
    rig.st().band_table[6] = "12A014250000B0143000009991";
    press(rig, {'X'});
    rig.clear();
    press(rig, {'F'});
    std::string words = join(rig.words());
    EXPECT_EQ(words.rfind("vfoa 1 4 point 2 5 mhz", 0), 0u) << words;
}

}  // namespace
}  // namespace vlr::test
