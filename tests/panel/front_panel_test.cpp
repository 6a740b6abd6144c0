#include "panel/front_panel.hpp"
#include "radio/mode.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::Rig;

const std::string row6 = "01A050150000B0501500009990";
const std::string row12 = "05A145500000B1455000000120";

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// A rig on band 6 with its radio port open.
std::unique_ptr<Rig> panel_rig() {
    auto rig = std::make_unique<Rig>();
    rig->open_radio();
    rig->st().band_table[6] = row6;
    rig->st().band_table[12] = row12;
    rig->st().band_index = 6;
    return rig;
}

bool was_sent(const Rig& rig, const std::string& command) {
    const auto& sent = rig.radio->commands;
    return std::find(sent.begin(), sent.end(), command) != sent.end();
}

// ---- show_mode ---------------------------------------------------------------

TEST(ShowMode, EachModeDrawsItsLabelSendsItsCommandAndRestoresItsWidth) {
    struct Case {
        int mode;
        const char* label;
        const char* command;
        int width_after;
    } cases[] = {
        {1, "LSB    ", "MD01;", 9},  {2, "USB    ", "MD02;", 9},  {3, "CW      ", "MD03;", 12},
        {4, "AM     ", "MD05;", 5},  {5, "FMN     ", "MD0B;", 5}, {6, "C4FM  ", "MD0H;", 5},
        {7, "FM      ", "MD04;", 5},
    };
    std::vector<std::string> labels;
    for (const auto& k : cases) {
        auto rig = panel_rig();
        rig->st().mode_code = k.mode;
        rig->st().ssb_width = 9;
        rig->st().cw_width = 12;
        rig->st().width_index = 5;
        rig->st().width_quiet = 0;
        show_mode(rig->c);

        const auto& drawn = rig->window.text.drawn;
        auto label = std::find_if(drawn.begin(), drawn.end(),
                                  [](const auto& d) { return d.x == 50 && d.y == 45; });
        ASSERT_NE(label, drawn.end()) << k.mode;
        labels.push_back(label->text);
        EXPECT_EQ(label->text, k.label);
        EXPECT_EQ(label->face, "Ariel");
        EXPECT_EQ(label->points, 50);
        EXPECT_EQ(label->weight, 700);
        ASSERT_GE(rig->sent().size(), 2u) << k.mode;
        EXPECT_EQ(rig->sent()[0], k.command);
        EXPECT_EQ(rig->sent()[1], "NA00;");
        EXPECT_EQ(rig->st().width_index, k.width_after) << k.mode;
        // The width setting that follows outside FM is made quietly and uses
        // the flag up; where no width is set it stays for the next one.
        if (k.mode >= 4) {
            EXPECT_EQ(rig->st().width_quiet, 1) << k.mode;
        }
    }
    // Every label covers the letters of every other drawn before it.
    for (const auto& later : labels)
        for (const auto& earlier : labels) {
            auto ink = earlier.find_last_not_of(' ') + 1;
            EXPECT_GE(later.size(), ink) << "'" << later << "' over '" << earlier << "'";
        }

    auto rig = panel_rig();
    rig->st().band_index = 12;
    rig->st().mode_code = 5;
    show_mode(rig->c);
    rig->st().mode_code = 4;
    show_mode(rig->c);
    EXPECT_EQ(rig->window.text.at(50, 45), "AM     ");
}

TEST(ShowMode, NarrowFilterOnlyInCwBelowWidth11) {
    struct Case {
        int mode, width, expected_na;
    } cases[] = {{3, 10, 1}, {3, 11, 0}, {3, 2, 1}, {1, 5, 0}, {2, 10, 0}};
    for (const auto& k : cases) {
        auto rig = panel_rig();
        rig->st().mode_code = k.mode;
        rig->st().cw_width = k.width;
        rig->st().ssb_width = k.width;
        show_mode(rig->c);
        ASSERT_GE(rig->sent().size(), 2u);
        EXPECT_EQ(rig->sent()[1], k.expected_na ? "NA01;" : "NA00;") << k.mode << "/" << k.width;
    }
}

TEST(ShowMode, ModeOutsideTheTableSendsNoModeCommand) {
    for (int mode : {0, 8, -1}) {
        auto rig = panel_rig();
        rig->st().mode_code = mode;
        rig->st().cat_command = "PS0";  // a leftover that must not go out
        show_mode(rig->c);
        EXPECT_FALSE(was_sent(*rig, "PS0;")) << mode;
        ASSERT_FALSE(rig->sent().empty());
        EXPECT_EQ(rig->sent()[0], "NA00;");
        EXPECT_EQ(rig->window.text.at(50, 45), "");
        EXPECT_EQ(rig->st().band_table[6], row6) << mode;
    }
}

TEST(ShowMode, ModeReportedByTheRadioIsShownButNotSentBack) {
    auto rig = panel_rig();
    rig->st().radio_initiated = 1;
    rig->st().mode_code = 2;
    rig->st().preamp = 1;
    show_mode(rig->c);
    EXPECT_EQ(rig->window.text.at(50, 45), "USB    ");
    EXPECT_EQ(rig->window.text.at(40, 250), "preamp1");
    EXPECT_FALSE(was_sent(*rig, "MD02;"));
    ASSERT_FALSE(rig->sent().empty());
    EXPECT_EQ(rig->sent()[0], "NA00;");
    EXPECT_EQ(rig->st().vfo_frequency, 50150000);
    EXPECT_EQ(rig->st().band_table[6], row6);
}

TEST(ShowMode, ToneSquelchIsSwitchedOffSilently) {
    auto rig = panel_rig();
    rig->st().mode_code = 4;
    rig->st().tone_active = 1;
    rig->st().tone_code = "012";
    show_mode(rig->c);
    ASSERT_FALSE(rig->sent().empty());
    EXPECT_EQ(rig->sent()[0], "CT00;");
    EXPECT_EQ(rig->st().tone_code, "999");
    EXPECT_EQ(rig->st().tone_active, 0);
    EXPECT_EQ(rig->words(), std::vector<std::string>{});
}

TEST(ShowMode, FmReadsTheSquelchIfAnsweredAndLeavesTheBandRowAlone) {
    auto rig = panel_rig();
    rig->st().band_index = 12;
    rig->st().mode_code = 5;
    rig->radio->incoming = "SQ0200;";  // an earlier answer, to be discarded
    rig->radio->respond = [](const std::string& cmd) {
        return cmd == "SQ0;" ? std::string("SQ0123;") : std::string();
    };
    show_mode(rig->c);
    EXPECT_TRUE(was_sent(*rig, "SQ0;"));
    EXPECT_EQ(rig->st().band_row_valid, 1);
    EXPECT_EQ(rig->st().squelch_level, 123);
    EXPECT_EQ(rig->st().vfo_frequency, 0);
    EXPECT_EQ(rig->st().band_table[12], row12);

    // Without a squelch reply the level stays.
    rig->radio->respond = nullptr;
    rig->st().mode_code = 7;
    show_mode(rig->c);
    EXPECT_EQ(rig->st().band_row_valid, 0);
    EXPECT_EQ(rig->st().squelch_level, 123);
}

TEST(ShowMode, ChannelFrequencyHoldsOnlyForTheRecallsOwnModeDisplayThenTheBandRowGivesIt) {
    auto rig = panel_rig();
    rig->st().mode_code = 2;
    rig->st().channel_applied = 1;
    rig->st().vfo_frequency = 14200000;
    show_mode(rig->c);
    EXPECT_EQ(rig->st().vfo_frequency, 14200000);
    EXPECT_EQ(rig->st().band_table[6], row6);
    EXPECT_EQ(rig->st().channel_applied, 0);

    show_mode(rig->c);  // a later mode change takes the band row again
    EXPECT_EQ(rig->st().vfo_frequency, 50150000);
    EXPECT_EQ(rig->st().band_table[6], "02A050150000B0501500009990");
}

TEST(ShowMode, BandWithoutRowTakesNothingFromTheTable) {
    auto rig = panel_rig();
    rig->st().band_index = 15;
    rig->st().mode_code = 2;
    rig->st().vfo_frequency = 7100000;
    show_mode(rig->c);
    EXPECT_EQ(rig->st().vfo_frequency, 7100000);
    EXPECT_EQ(rig->window.text.at(50, 45), "USB    ");
}

// A band row damaged in savmem.dat: the mode still goes out, the frequency
// does not, and the program keeps the one it had (found by fuzzing: a sign
// among the digits set the program to -600 Hz and the radio to 0 Hz).
TEST(ShowMode, DamagedBandRowGivesNoFrequencyFromDigitsThatAreNotNine) {
    const std::string rows[] = {
        "55A-00000600B0501500009990",  // a sign among the digits
        "02A0501X0000B0501500009990",  // a letter
        "02A05015",                    // cut short
        "",                            // a missing line
    };
    for (const auto& row : rows) {
        auto rig = panel_rig();
        rig->st().band_table[6] = row;
        rig->st().vfo_frequency = 14'200'000;
        rig->st().mode_code = 2;
        show_mode(rig->c);
        EXPECT_EQ(rig->st().vfo_frequency, 14'200'000) << row;
        for (const auto& cmd : rig->sent()) EXPECT_NE(cmd.rfind("FA", 0), 0u) << row << ": " << cmd;
        ASSERT_FALSE(rig->sent().empty());
        EXPECT_EQ(rig->sent().front(), "MD02;") << row;
    }
}

// ---- show_status_line --------------------------------------------------------

struct FieldCase {
    const char* what;
    std::function<void(State&)> set;
    int x;
    std::string text;
};

TEST(StatusLine, EachFieldShowsItsTextOrItsBlanks) {
    const FieldCase cases[] = {
        {"preamp off", [](State& s) { s.preamp = 0; }, 40, blanks(14)},
        {"preamp 1", [](State& s) { s.preamp = 1; }, 40, "preamp1"},
        {"preamp 2", [](State& s) { s.preamp = 2; }, 40, "preamp2"},
        {"att off", [](State&) {}, 170, blanks(4)},
        {"att on", [](State& s) { s.att_on = 1; }, 170, "att"},
        {"nb off", [](State&) {}, 240, blanks(4)},
        {"nb on", [](State& s) { s.nb_on = 1; }, 240, "nb"},
        {"nr off", [](State&) {}, 310, blanks(3)},
        {"nr on", [](State& s) { s.nr_on = 1; }, 310, "nr"},
        {"notch off", [](State&) {}, 360, blanks(9)},
        {"notch on", [](State& s) { s.notch_on = 1; }, 360, "notch"},
        {"contour off", [](State&) {}, 460, blanks(8)},
        {"contour on", [](State& s) { s.contour_on = 1; }, 460, "Cont."},
        {"spc in LSB", [](State& s) { s.speech_proc_on = 1, s.mode_code = 1; }, 550, "spc"},
        {"spc in USB", [](State& s) { s.speech_proc_on = 1, s.mode_code = 2; }, 550, "spc"},
        {"spc in AM", [](State& s) { s.speech_proc_on = 1, s.mode_code = 4; }, 550, blanks(7)},
        {"spc off", [](State& s) { s.mode_code = 2; }, 550, blanks(7)},
        {"break-in in CW", [](State& s) { s.break_in_on = 1, s.mode_code = 3; }, 620, "bin "},
        {"vox in CW", [](State& s) { s.vox_on = 1, s.mode_code = 3; }, 620, blanks(5)},
        {"vox in USB", [](State& s) { s.vox_on = 1, s.mode_code = 2; }, 620, "vox"},
        {"break-in in USB", [](State& s) { s.break_in_on = 1, s.mode_code = 2; }, 620, blanks(5)},
        {"monitor on", [](State& s) { s.monitor_on = 1; }, 690, "mon"},
        // Monitor off: its blanks follow the field before them, not at 690.
        {"monitor off", [](State&) {}, 690, ""},
        {"mon blanks after vox", [](State& s) { s.vox_on = 1, s.mode_code = 2; }, 650, blanks(11)},
        {"mon blanks after bin", [](State& s) { s.break_in_on = 1, s.mode_code = 3; }, 660, blanks(11)},
        {"mon blanks after 5 blanks", [](State& s) { s.mode_code = 2; }, 670, blanks(11)},
        {"no tone", [](State& s) { s.tone_code = "999"; }, 780, blanks(30)},
        {"tone 000", [](State& s) { s.tone_code = "000"; }, 780, blanks(30)},
        {"ctcss", [](State& s) { s.tone_code = "012"; }, 780, "ctcss=012" + blanks(13)},
        {"dcs", [](State& s) { s.tone_code = "754", s.tone_is_dcs = 1; }, 780,
         "dcs=754" + blanks(14)},
        {"dcs code not dcs", [](State& s) { s.tone_code = "754"; }, 780, blanks(28)},
        {"typing a code", [](State& s) { s.tone_code.clear(); }, 780, "ctcss=" + blanks(13)},
    };
    for (const auto& k : cases) {
        Rig rig;
        k.set(rig.st());
        show_status_line(rig.c);
        EXPECT_EQ(rig.window.text.at(k.x, 250), k.text) << k.what;
    }
}

TEST(StatusLine, DrawnSmallThenLeavesTheLargeFontSelected) {
    Rig rig;
    show_status_line(rig.c);
    const auto& drawn = rig.window.text.drawn;
    ASSERT_EQ(drawn.size(), 10u);
    for (const auto& d : drawn) {
        EXPECT_EQ(d.y, 250);
        EXPECT_EQ(d.face, "Ariel");
        EXPECT_EQ(d.points, 20);
        EXPECT_EQ(d.weight, 20);
    }
    EXPECT_EQ(rig.window.text.face, "Ariel");
    EXPECT_EQ(rig.window.text.points, 50);
    EXPECT_EQ(rig.window.text.weight, 700);
    EXPECT_EQ(rig.st().main_window.points, 50);
}

// ---- banner and help ---------------------------------------------------------

TEST(Banner, BannerAndHelpLinesInTheInitialFont) {
    Rig rig;
    rig.st().banner_text = "*** Veloran V 3.5c ***";
    print_banner_and_help(rig.c);
    const std::string title = rig.window.text.at(280, 10);
    EXPECT_EQ(title.rfind("*** Veloran V 3.5c ***  ", 0), 0u) << title;
    EXPECT_GT(title.size(), std::string("*** Veloran V 3.5c ***  ").size());
    EXPECT_EQ(rig.window.text.at(140, 380),
              "b=Band  f=Freq  e=Entry m=Mode  w=Filter width p=Power a=af gain r=RF gain q=Quit  "
              "s=SMeter/swr");
    EXPECT_EQ(
        rig.window.text.at(140, 405),
        "F1=Preamp F2=Attenuator F3=Noise Blanker F4=Noise Reduction F5=Notch F6=Speech Proc.");
    for (const auto& d : rig.window.text.drawn) EXPECT_EQ(d.face, "");
}

}  // namespace
}  // namespace vlr
