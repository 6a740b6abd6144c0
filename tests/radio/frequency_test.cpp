// Frequency replies, frequency commands, kHz snap, arrow steps and split.
#include "radio/frequency.hpp"

#include <gtest/gtest.h>

#include "tests/support/keys.hpp"

using vlr::test::Rig;

namespace {

// A rig past the "connected" announcement, with the radio port open.
struct Connected : Rig {
    Connected() {
        open_radio();
        st().radio_connected = 1;
        st().freq_text = "7.100000";
    }
    void reply(const std::string& text) {
        st().cat_reply = text;
        vlr::take_frequency_reply(c);
    }
    // Every text drawn on the frequency line, left to right, since `from`.
    std::string frequency_line(std::size_t from = 0) const {
        std::string line;
        for (std::size_t i = from; i < window.text.drawn.size(); ++i)
            if (window.text.drawn[i].y == 150) line += window.text.drawn[i].text + "|";
        return line;
    }
};

TEST(FrequencyReply, FirstReplyOnlyAnnouncesConnected) {
    Rig rig;
    rig.open_radio();
    rig.st().freq_text = "7.100000";
    rig.st().cat_reply = "FA014200000;";
    vlr::take_frequency_reply(rig.c);
    EXPECT_EQ(rig.st().radio_connected, 1);
    ASSERT_FALSE(rig.words().empty());
    EXPECT_EQ(rig.words().back(), "connected");
    EXPECT_NE(std::find(rig.words().begin(), rig.words().end(), "preamp"), rig.words().end());
    // The reply itself is not taken: the start band's frequency stays.
    EXPECT_EQ(rig.st().vfo_frequency, 0);
    EXPECT_EQ(rig.st().freq_text, "7.100000");
    EXPECT_EQ(rig.st().band_table[6], "02A014200000B0142000009991");
}

TEST(FrequencyReply, OnlyCompleteRepliesCount) {
    struct Case {
        std::string reply;
        int hz;
    };
    for (const Case& k : std::vector<Case>{{"FA014200000;FA014200000;", 14200000},
                                           {"FA0142;", 0},
                                           {"FA014200000", 0},
                                           {"FA0142000001;", 0},
                                           {"FA01420000X;", 0}}) {
        Connected rig;
        rig.reply(k.reply);
        EXPECT_EQ(rig.st().vfo_frequency, k.hz) << k.reply;
        // An ignored reply is left for the caller, a taken one is consumed.
        EXPECT_EQ(rig.st().cat_reply.empty(), k.hz != 0) << k.reply;
    }
}

TEST(FrequencyReply, FrequencyTextIsRightAlignedInTenCharacters) {
    struct Case {
        std::string reply;
        std::string text;
    };
    for (const Case& k : std::vector<Case>{{"FA014200000;", " 14.200000"},
                                           {"FA145000000;", "145.000000"},
                                           {"FA001900000;", "  1.900000"},
                                           {"FB007100000;", "  7.100000"}}) {
        Connected rig;
        rig.st().poll_pending = 1;
        rig.reply(k.reply);
        EXPECT_EQ(rig.st().freq_text, k.text);
        EXPECT_EQ(rig.window.text.at(285, 150), k.text + std::string(13, ' '));
        EXPECT_EQ(rig.st().poll_pending, 0);
    }
}

TEST(FrequencyReply, VfoMarkerShowsSplitOrRepeater) {
    struct Case {
        int vfo_b, repeater;
        std::string marker;
    };
    for (const Case& k : std::vector<Case>{
             {0, 0, "    |    |"}, {1, 0, "B   |    |"}, {0, 1, "R   |    |"}, {1, 1, "R   |"}}) {
        Connected rig;
        rig.st().vfo_b_selected = k.vfo_b;
        rig.st().repeater_on = k.repeater;
        rig.st().mode_code = 5;
        rig.reply("FA145000000;");
        EXPECT_EQ(rig.frequency_line(), k.marker + "145.000000             |")
            << k.vfo_b << k.repeater;
        // The marker starts at 80 and its pieces follow one another.
        EXPECT_EQ(rig.window.text.drawn.front().x, 80);
    }
}

TEST(FrequencyReply, EachVfoKeepsItsLastReportedFrequencyAndTheRowIsFiled) {
    Connected rig;
    rig.st().band_index = 4;
    rig.st().mode_code = 2;
    rig.st().preamp = 1;
    rig.reply("FA014250000;");
    EXPECT_EQ(rig.st().band_index, 6);
    EXPECT_EQ(rig.st().band_table[6], "02A014250000B0142000009991");
    rig.st().vfo_b_selected = 1;
    rig.reply("FB014260000;");
    EXPECT_EQ(rig.st().vfo_a_text, "A014250000");
    EXPECT_EQ(rig.st().vfo_b_text, "B014260000");
    EXPECT_EQ(rig.st().last_freq_reply, "FB014260000");
    EXPECT_EQ(rig.st().vfo_frequency, 14260000);
}

TEST(FrequencyReply, SkipFlagDropsExactlyOneReply) {
    Connected rig;
    rig.st().skip_freq_reply = 1;
    rig.st().vfo_frequency = 7100000;
    rig.reply("FA014200000;");
    EXPECT_EQ(rig.st().skip_freq_reply, 0);
    EXPECT_EQ(rig.st().cat_reply, "");
    EXPECT_EQ(rig.st().vfo_frequency, 7100000);
    EXPECT_EQ(rig.st().band_table[6], "02A014200000B0142000009991");
    rig.reply("FA014200000;");
    EXPECT_EQ(rig.st().vfo_frequency, 14200000);
}

TEST(FrequencyReply, QuitEndsAfterTheSecondReplyAndSavesTheBanks) {
    Connected rig;
    rig.st().running = 1;
    rig.st().quit_pending = 1;
    rig.reply("FA007100000;");
    EXPECT_EQ(rig.st().running, 1);
    EXPECT_EQ(rig.st().quit_pending, 2);
    EXPECT_EQ(rig.st().vfo_frequency, 7100000);
    EXPECT_FALSE(rig.dir.exists("savmem.dat"));
    rig.reply("FA007100000;");
    EXPECT_EQ(rig.st().running, 0);
    EXPECT_EQ(rig.st().quit_pending, 0);
    EXPECT_TRUE(rig.dir.exists("savmem.dat"));
}

TEST(FrequencyReply, RecalledChannelIsAnnouncedOnce) {
    Connected rig;
    rig.st().channel_recalled = 1;
    rig.st().preamp = 2;
    rig.reply("FA014200000;");
    EXPECT_EQ(rig.st().channel_recalled, 0);
    ASSERT_GE(rig.words().size(), 3u);
    EXPECT_EQ(vlr::test::join({rig.words().end() - 3, rig.words().end()}), "preamp 2 on");
    rig.clear();
    rig.reply("FA014200000;");
    EXPECT_TRUE(rig.words().empty());
}

TEST(FrequencyReply, SteppedChannelSaysNoPreamp) {
    Connected rig;
    rig.st().channel_recalled = 1;
    rig.st().channel_step = 1;
    rig.reply("FA014200000;");
    // Frequency and mode are silent while stepping through channels, and the
    // preamp is not announced at all.
    EXPECT_EQ(std::count(rig.words().begin(), rig.words().end(), "preamp"), 0);
    EXPECT_EQ(rig.st().channel_recalled, 0);
}

TEST(FrequencyCommand, AlwaysNineDigitsToTheOperatingVfo) {
    struct Case {
        int hz, vfo_b;
        std::string command;
    };
    for (const Case& k : std::vector<Case>{{7100000, 0, "FA007100000"},
                                           {14200000, 0, "FA014200000"},
                                           {432000000, 0, "FA432000000"},
                                           {967000, 0, "FA000967000"},
                                           {0, 0, "FA000000000"},
                                           {432000000, 1, "FB432000000"}}) {
        EXPECT_EQ(vlr::frequency_command(k.hz), "FA" + k.command.substr(2));
        Connected rig;
        rig.st().vfo_frequency = k.hz;
        rig.st().vfo_b_selected = k.vfo_b;
        vlr::send_vfo_frequency(rig.c);
        EXPECT_EQ(vlr::test::join(rig.sent()), k.command + ";");
    }
}

TEST(SnapToKhz, MovesToTheKilohertzByModeAndStaysInRangeAtEitherEnd) {
    struct Case {
        int hz, mode, result;
    };
    for (const Case& k : std::vector<Case>{{7100300, 1, 7100000},
                                           {7100300, 2, 7101000},
                                           {7100000, 1, 7099000},
                                           {7100000, 2, 7101000},
                                           {7100000, 3, 7099000},
                                           // Nothing above within nine digits, nothing below 1 MHz.
                                           {999'999'999, 2, 999'999'000},
                                           {999'999'000, 2, 999'999'000},
                                           {1'000'000, 1, 1'000'000},
                                           {1'000'400, 1, 1'000'000}}) {
        Connected rig;
        rig.st().vfo_frequency = k.hz;
        rig.st().mode_code = k.mode;
        vlr::snap_to_khz(rig.c);
        EXPECT_EQ(rig.st().vfo_frequency, k.result) << k.hz;
        EXPECT_EQ(vlr::test::join(rig.sent()), vlr::frequency_command(k.result) + ";") << k.hz;
    }
}

TEST(FrequencyStep, HalfKilohertzInCwOtherwiseOneAndNeverBelowOneMegahertz) {
    Connected rig;
    rig.st().vfo_frequency = 7100000;
    rig.st().mode_code = 3;
    vlr::step_frequency_up(rig.c);
    EXPECT_EQ(rig.st().vfo_frequency, 7100500);
    rig.st().mode_code = 2;
    vlr::step_frequency_down(rig.c);
    EXPECT_EQ(rig.st().vfo_frequency, 7099500);
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_TRUE(rig.words().empty());
    rig.st().vfo_frequency = 1000500;
    vlr::step_frequency_down(rig.c);
    EXPECT_EQ(rig.st().vfo_frequency, 1000000);
}

// The arrow keys at the top of the range: the command keeps its nine digits
// and the program believes what it sent.
TEST(FrequencyStep, UpArrowAtTheTopStaysOnTheLastNineDigitFrequency) {
    Rig rig;
    vlr::test::connect(rig);
    for (int mode : {2, 3}) {  // steps of 1 kHz and of 500 Hz
        rig.clear();
        rig.st().mode_code = mode;
        rig.st().vfo_frequency = 999'999'700;
        vlr::test::press(rig, {vlr::test::vk::up});
        EXPECT_EQ(rig.st().vfo_frequency, 999'999'999) << mode;
        EXPECT_EQ(vlr::test::last_sent(rig, "FA"), "FA999999999;") << mode;
        vlr::test::press(rig, {vlr::test::vk::up});
        EXPECT_EQ(vlr::test::last_sent(rig, "FA"), "FA999999999;") << "and again, mode " << mode;
    }
}

TEST(Split, StartPutsVfoBOnTheCurrentFrequencyAndKeepsTheRowLayout) {
    Connected rig;
    rig.st().band_index = 6;
    rig.st().mode_code = 2;
    rig.st().last_freq_command = "FA014250000;";
    vlr::start_split(rig.c);
    EXPECT_EQ(rig.st().vfo_b_selected, 1);
    EXPECT_EQ(vlr::test::join(rig.words()), "split");
    EXPECT_EQ(rig.st().saved_vfo_a, "A014250000");
    EXPECT_EQ(vlr::test::join(rig.sent()), "ST1; FB014250000;");
    EXPECT_EQ(rig.st().band_table[6], "12A014250000B0142500009991");
}

TEST(Split, EndReturnsVfoAAndKeepsWhereVfoBEnded) {
    Connected rig;
    rig.st().band_index = 6;
    rig.st().mode_code = 2;
    rig.st().preamp = 1;
    rig.st().last_freq_command = "FA014200000;";
    vlr::start_split(rig.c);
    rig.reply("FB014230000;");  // the operator tuned VFO B
    EXPECT_EQ(rig.st().band_table[6], "12A014200000B0142300009991");
    rig.clear();
    vlr::end_split(rig.c);
    EXPECT_EQ(rig.st().vfo_b_selected, 0);
    EXPECT_EQ(vlr::test::join(rig.sent()), "ST0; FA014200000;");
    EXPECT_EQ(rig.st().band_table[6], "02A014200000B0142300009991");
}

TEST(Split, StartAndEndLeaveTheRowAloneForAnotherProgram) {
    Connected rig;
    rig.st().band_index = 6;
    rig.st().radio_initiated = 1;
    rig.st().last_freq_command = "FA014250000;";
    vlr::start_split(rig.c);
    EXPECT_EQ(rig.st().band_table[6], "02A014200000B0142000009991");
    EXPECT_EQ(vlr::test::join(rig.sent()), "ST1; FB014250000;");
    rig.st().band_table[6] = "12A014200000B0142300009991";
    vlr::end_split(rig.c);
    EXPECT_EQ(rig.st().band_table[6], "12A014200000B0142300009991");
}

}  // namespace
