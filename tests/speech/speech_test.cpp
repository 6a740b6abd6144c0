// What the operator hears: values turned into words, the player, and the
// voice table that must hold a wave file for every word the program plays.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "speech/player.hpp"
#include "speech/values.hpp"
#include "speech/vocabulary.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using Routine = void (*)(Context&);

// One number in the state, one routine, and for each value the words heard ("|" the S-meter's panel text).
struct Rows { Routine say; int State::*field; std::vector<std::pair<int, const char*>> heard; };
const Rows rows[] = {
    {say_mode, &State::mode_code, {{0, ""}, {1, "lsb.wav"}, {2, "usb.wav"}, {3, "cw.wav"}, {4, "am.wav"}, {8, ""},
                                   {5, "fm.wav nar.wav"}, {6, "c4fm.wav"}, {7, "fm.wav"}}},
    {say_power, &State::power_level, {{5, "5 watts"}, {50, "5 0 watts"}, {100, "1 0 0 watts"}, {0, "0 watts"}}},
    {say_keyer_speed, &State::keyer_speed, {{9, "9 wpm"}, {10, "1 0 wpm"}, {25, "2 5 wpm"}}},
    {say_band, &State::band_index, {{1, "160 metres"}, {7, "17 metres"}, {13, "70 metres"}, {14, "un"}}},
    {say_mic_level, &State::mic_level_peak, {{100, "1 0 0"}, {0, "0"}}},
    {say_s_meter, &State::s_meter_value, {{10, "s.wav 0.wav|S0  "}, {11, "s.wav 1.wav|S1  "}, {21, "s.wav 2.wav|S2  "},
        {41, "s.wav 3.wav|S3  "}, {55, "s.wav 4.wav|S4  "}, {69, "s.wav 5.wav|S5  "}, {83, "s.wav 6.wav|S6  "},
        {97, "s.wav 7.wav|S7  "}, {109, "s.wav 8.wav|S8  "}, {122, "s.wav 8.wav|S8  "}, {156, "s.wav 9.wav|S9  "},
        {157, "s.wav 9.wav plus.wav|S9+"}}},
};

// The frequency text, VFO B, repeater and transmit flags, the words.
const std::tuple<const char*, int, int, int, const char*> frequencies[] = {
    {"14.250000", 0, 0, 0, "1 4 point 2 5 mhz"}, {"7.004000", 0, 0, 0, "7 point 0 0 4 mhz"}, {"14.000000", 0, 0, 0, "1 4 mhz"},
    {"14.000001", 0, 0, 0, "1 4 point 0 0 0 0 0 1 mhz"}, {"  1.800001", 0, 0, 0, "1 point 8 0 0 0 0 1 mhz"},  // blanks never heard
    {" 28.000000", 0, 0, 0, "2 8 mhz"}, {"", 0, 0, 0, "nc"}, {"7.1", 0, 1, 0, "repeater 7 point 1 mhz"},
    {"7.1", 0, 1, 1, "repeater tx 7 point 1 mhz"}, {"7.1", 1, 1, 1, "tx 7 point 1 mhz"}, {"7.1", 1, 0, 0, "vfob 7 point 1 mhz"},
    {"7.1", 1, 0, 1, "7 point 1 mhz"}, {"7.1", 0, 0, 1, "7 point 1 mhz"}, {" 144.000001", 0, 0, 0, "1 4 4 point 0 0 0 0 0 1 mhz"},
};

// Mode and width index: sideband widths in kHz, every other mode in Hz.
const std::tuple<int, int, const char*> widths[] = {
    {1, 9, "1.wav point 8.wav khz"}, {2, 10, "1.wav point 9.wav khz"}, {2, 11, "2.wav point 1 khz"}, {1, 19, "2.wav point 9 khz"},
    {2, 20, "3.wav point 0.wav khz"}, {2, 21, "3.wav point 1.wav khz"}, {3, 1, "5 0 hz"}, {3, 2, "1 0 0 hz"}, {4, 9, "4 5 0 hz"},
    {3, 10, "5 0 0 hz"}, {3, 11, "8 0 0 hz"}, {3, 12, "1 2 0 0 hz"},
};

// SWR readings after the first of a series (tuner on); the first is framed "swr" … "21".
const std::pair<const char*, const char*> swr_readings[] = {
    {"49", "1 point 0"}, {"57", "1 point 1"}, {"119", "1 point 9"}, {"119.6", "2 point 0"}, {"159", "2 point 3"},
    {"160", "3 point 0"}, {"162", "3 point 1"}, {"179", "3 point 9"}, {"182", "4 point 1"}, {"199", "4 point 8"}, {"200", "gt5 point 0"},
};

TEST(Speech, ValuesAreSpokenAsTheirWords) {
    auto heard = [](auto set, Routine routine) {
        test::Rig rig;
        rig.st().wave_folder = default_wave_folder();
        set(rig.st());
        routine(rig.c);
        for (const auto& p : rig.speaker.paths) EXPECT_NE(p, "wave/ ") << "a blank is never played";
        std::string panel;
        for (const auto& d : rig.window.text.drawn) panel += d.text;
        if (!panel.empty()) EXPECT_EQ(rig.window.text.drawn[0].x * 1000 + rig.window.text.drawn[0].y, 750045);
        return test::join(rig.words()) + (panel.empty() ? "" : "|" + panel);
    };
    for (const Rows& r : rows)
        for (auto [value, words] : r.heard) EXPECT_EQ(heard([&, value = value](State& s) { s.*r.field = value; }, r.say), words) << value;
    for (auto [text, b, rep, tx, words] : frequencies)
        EXPECT_EQ(heard([&, text = text, b = b, rep = rep, tx = tx](State& s) { s.freq_text = text, s.vfo_b_selected = b, s.repeater_on = rep, s.tx_announce = tx; }, say_frequency), words);
    for (auto [mode, width, words] : widths)
        EXPECT_EQ(heard([&, mode = mode, width = width](State& s) { s.mode_code = mode, s.width_index = width; }, say_width), std::string("bw ") + words);
    for (auto [text, words] : swr_readings) {
        EXPECT_EQ(heard([&, text = text](State& s) { s.tuner_mode = 1, s.ant_check = 1, s.swr_peak_text = text; }, say_swr), words);
        EXPECT_EQ(heard([&, text = text](State& s) { s.tuner_mode = 0, s.transmit_state = 1, s.swr_peak_text = text; }, say_swr), "swr " + std::string(words) + " 21");
    }
    EXPECT_EQ(heard([](State& s) { s.tuner_mode = 0, s.swr_peak_text = "120"; }, say_swr), "") << "silent with the tuner off until transmitting";
    EXPECT_EQ(heard([](State& s) { s.channel_step = 1, s.freq_text = "7.1", s.mode_code = 2; }, say_frequency), "");
    EXPECT_EQ(heard([](State& s) { s.channel_step = 1, s.mode_code = 2; }, say_mode), "") << "channel stepping is silent";
    EXPECT_EQ(heard([](State& s) { s.wave_folder = "xx", s.s_meter_value = 130; }, say_s_meter), "|S9  ") << "muted: panel only";
}

// A series of reports is framed only at its start.
TEST(Speech, LaterReportsOfASeriesAreBare) {
    test::Rig rig;
    State& s = rig.st();
    s.wave_folder = default_wave_folder();
    s.mic_monitor = 1, s.mic_level_peak = 57, s.tick_count = 9;
    say_mic_level(rig.c), say_mic_level(rig.c);
    EXPECT_EQ(s.tick_count, 0) << "the next report comes a full interval on";
    s.tuner_mode = 1, s.auto_swr = 1, s.swr_peak_text = "50";
    say_swr(rig.c), say_swr(rig.c);
    EXPECT_EQ(test::join(rig.words()), "alc 5 7 5 7 swr 1 point 0 21 1 point 0");
    EXPECT_EQ(s.auto_swr, 2);
    s.auto_swr = 0, s.ant_check = 2;
    say_swr(rig.c);
    EXPECT_EQ(s.auto_swr, 0) << "auto_swr moves on only from 1";
}

TEST(Speech, PlayerPathsWaitsMutingAndTranscript) {
    test::Rig rig;
    std::ostringstream transcript;
    rig.c.transcript = &transcript;
    rig.st().wave_folder = default_wave_folder();
    say(rig.c, "point"), say_async(rig.c, "help.wav"), say(rig.c, " "), say(rig.c, ""), pause_word(rig.c);
    rig.st().wave_folder = "xx";  // muted: nothing reaches the speaker or the transcript
    say(rig.c, "s.wav"), pause_word(rig.c);
    EXPECT_EQ(test::join(rig.speaker.paths), "wave/point wave/help.wav wave/delay");
    EXPECT_EQ(rig.speaker.waited, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(transcript.str(), "point\nhelp.wav\ndelay\n");
    rig.c.speaker = nullptr, rig.c.transcript = nullptr, rig.st().wave_folder = "wave/";
    say(rig.c, "ok");  // without a speaker: quiet, no crash
    EXPECT_EQ(rig.speaker.paths.size(), 3u);
}

namespace fs = std::filesystem;
const fs::path source = std::getenv("VELORAN_SOURCE_DIR") ? std::getenv("VELORAN_SOURCE_DIR") : ".";

// The wave file a word name plays: lower case, ".wav" added to a bare name.
std::string file_of(std::string n) {
    for (auto& ch : n) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return n.size() >= 4 && n.compare(n.size() - 4, 4, ".wav") == 0 ? n : n + ".wav";
}

// The program's word table is generated from words.tsv; every word a routine
// passes to the player must find its row there.
TEST(Speech, VoiceTableHoldsARowForEveryWordPlayed) {
    std::map<std::string, std::string> table;  // words.tsv: file -> what it says
    std::ifstream tsv(source / "voice" / "words.tsv");
    for (std::string line; std::getline(tsv, line);)
        if (!line.empty() && line[0] != '#')
            EXPECT_TRUE(table.emplace(file_of(line.substr(0, line.find('\t'))), line.substr(line.find('\t') + 1)).second) << line;
    EXPECT_EQ(vocabulary().size(), table.size());
    std::set<std::string> words;
    for (char d = '0'; d <= '9'; ++d) words.insert(std::string(1, d));
    // Every word passed literally to the player in the program's sources.
    static const std::regex call(R"re((?:say(?:_async)?|fail|port_failure)\(c,\s*"([^"]+)")re");
    for (const char* folder : {"base", "app", "commands", "link", "radio", "speech", "memory", "panel"})
        for (const auto& e : fs::recursive_directory_iterator(source / folder)) {
            std::stringstream code;
            code << std::ifstream(e.path()).rdbuf();
            const std::string text = code.str();
            for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) words.insert((*it)[1]);
        }
    EXPECT_TRUE(words.count("bw") && words.count("noperm")) << "the source scan found nothing";
    for (const auto& w : words) {
        EXPECT_TRUE(table.count(file_of(w))) << "no row in words.tsv for " << w;
        EXPECT_NE(find_word(w), nullptr) << w;
    }
    EXPECT_EQ(find_word("3.wav"), find_word("3"));
    EXPECT_EQ(table["delay.wav"], "@silence 150");
    EXPECT_EQ(table["beep.wav"].rfind("@tone 1000 ", 0), 0u);
}

}  // namespace
}  // namespace vlr
