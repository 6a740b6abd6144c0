// The front panel: the status line's fields, the help lines, and the text
// output under them (what a mode change sends and draws: rows of radio/cases.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "panel/front_panel.hpp"
#include "panel/text_output.hpp"
#include "speech/vocabulary.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::join;
using test::Rig;
#define SET(...) [](State& s) { (void)s; __VA_ARGS__; }

// Texts drawn at height y as "x=text", each run of blanks written "_count".
std::string drawn(const Rig& rig, int y) {
    std::string out;
    for (const auto& d : rig.window.text.drawn) {
        if (d.y != y) continue;
        out += (out.empty() ? "" : " ") + std::to_string(d.x) + "=";
        for (std::size_t i = 0, j; i < d.text.size(); i = j) {
            j = std::min(d.text.find_first_not_of(' ', i), d.text.size());
            out += j == i ? std::string(1, d.text[j++]) : "_" + std::to_string(j - i);
        }
    }
    return out;
}

const std::pair<void (*)(State&), const char*> status_rows[] = {
    {SET(), "40=_14 170=_4 240=_4 310=_3 360=_9 460=_8 550=_7 620=_5 670=_11 780=_30"},
    {SET(s.preamp = 1, s.att_on = s.nb_on = s.nr_on = s.notch_on = s.contour_on = s.speech_proc_on = s.vox_on = s.monitor_on = true,
         s.mode_code = 2, s.tone_code = "012"),
     "40=preamp1 170=att 240=nb 310=nr 360=notch 460=Cont. 550=spc 620=vox 690=mon 780=ctcss=012_13"},
    {SET(s.preamp = 2, s.speech_proc_on = true, s.mode_code = 4, s.vox_on = true, s.tone_code = "754", s.tone_is_dcs = true),
     "40=preamp2 170=_4 240=_4 310=_3 360=_9 460=_8 550=_7 620=vox 650=_11 780=dcs=754_14"},
    {SET(s.break_in_on = true, s.vox_on = true, s.speech_proc_on = true, s.mode_code = 3, s.tone_code = "754"),
     "40=_14 170=_4 240=_4 310=_3 360=_9 460=_8 550=_7 620=bin_1 660=_11 780=_28"},
    {SET(s.vox_on = true, s.mode_code = 3, s.tone_code = "000"), "40=_14 170=_4 240=_4 310=_3 360=_9 460=_8 550=_7 620=_5 670=_11 780=_30"},
    {SET(s.break_in_on = true, s.speech_proc_on = true, s.mode_code = 1, s.tone_code = ""),
     "40=_14 170=_4 240=_4 310=_3 360=_9 460=_8 550=spc 620=_5 670=_11 780=ctcss=_13"},
};

TEST(Panel, StatusLineFieldsShowTheirTextOrTheirBlanksInTheSmallFont) {
    for (const auto& [set, line] : status_rows) {
        Rig rig;
        set(rig.st());
        show_status_line(rig.c);
        EXPECT_EQ(drawn(rig, 250), line);
        for (const auto& d : rig.window.text.drawn) EXPECT_EQ(d.face + std::to_string(d.points * 100 + d.weight), "Ariel2020");
        EXPECT_EQ(rig.window.text.face + std::to_string(rig.window.text.points * 1000 + rig.window.text.weight), "Ariel50700");
    }
}

TEST(Panel, BannerAndHelpLines) {
    Rig rig;
    rig.st().banner_text = "*** Veloran V 3.5c ***", print_banner_and_help(rig.c);
    EXPECT_EQ(rig.window.text.at(280, 10), "*** Veloran V 3.5c ***  Talking front panel for Yaesu radios");
    EXPECT_EQ(rig.window.text.at(140, 380), "b=Band  f=Freq  e=Entry m=Mode  w=Filter width p=Power a=af gain r=RF gain q=Quit  s=SMeter/swr");
    EXPECT_EQ(rig.window.text.at(140, 405), "F1=Preamp F2=Attenuator F3=Noise Blanker F4=Noise Reduction F5=Notch F6=Contour F7=Speech Proc.");
    EXPECT_EQ(rig.window.text.at(140, 430), "Esc=Stop speech  Backspace=Say again");  // said in the spoken help too
    EXPECT_NE(find_word("help.wav")->text.find("Escape, stop speaking. Backspace, say it again."), std::string::npos);
}

TEST(Panel, TextOutputDropsOneLineEndAndAdvancesByTheWidthDrawn) {
    Rig rig;
    std::ostringstream console;
    rig.c.console = &console, rig.st().main_window.named = false;
    print_text(rig.c, "before\r\n", false);  // the console until a text names the window
    set_font(rig.c, std::string(40, 'F'), 20, 20);  // 10 px a character; a face of at most 31
    move_to(rig.c, 100, 50);
    print_text(rig.c, "abc\r\n", true);
    for (const char* t : {"de\n", "f\r", "g\r\n\r\n", "\r\n", ""}) print_text(rig.c, t);
    EXPECT_EQ(console.str() + "|" + drawn(rig, 50), "before|100=abc 130=de 150=f 160=g\r\n");
    EXPECT_EQ(rig.window.text.face + std::to_string(rig.st().main_window.x), std::string(31, 'F') + "190");
    rig.st().main_window.open = false;  // without a window nothing is drawn or moved
    move_to(rig.c, 5, 5), print_text(rig.c, "lost");
    rig.c.window = nullptr;
    move_to(rig.c, 5, 5), print_text(rig.c, "lost"), set_font(rig.c, "x", 1, 1);
    EXPECT_EQ(rig.window.text.drawn.size() * 1000 + rig.st().main_window.x, 4190u);
}

}  // namespace
}  // namespace vlr
