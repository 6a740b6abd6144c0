// One runner for cases kept as rows of text: steps | words | commands | checks (# starts a comment).
// steps: connect (answered radio, 20 m USB 14.2 MHz), open (port only), radio (port open, radio
//   connected), tune=BAND,MODE,HZ, name=value (a state variable, by number or name: ks::band; rowN / memN),
//   QUERY>ANSWER (what the fake radio answers), polls / answering (the usual meter and poll answers /
//   every read-back answer), silent (no answers), flood (noise before the FA answer), follow (FA;'s
//   answer follows every frequency set), hold (the next FA; answer is held back), release (it
//   arrives, one tick), lose (it never does); keys: A..Z 0..9 . + - Enter Space PgUp PgDn Left Right
//   Up Down F1..F12 PadN Shift Ctrl Ins Win, down:K up:K, type:KEYS (14.25\r), digit:N (digit_key
//   alone); event:ID|NAME (key_up), tick or tick*N, reply:TEXT (a frequency reply), in:COM=TEXT, addline:COM,
//   openport:COM, clear, @routine, ?check.
// words, commands: blank-joined, exact; * stands for anything; !P: anything but P.
// checks: name=value, words=W, sent=C (as the columns), paths=N (waves played), file:NAME~TEXT
//   (contains), file:NAME=TEXT, panel:X,Y~TEXT (contains), nofile:NAME, open:COM=0|1, in:COM=TEXT (bytes not yet read),
//   out:COM=TEXT (bytes written), held=TEXT (the answers held back), panel:X,Y=TEXT,
//   font:X,Y=FACE,POINTS,WEIGHT (run together; of the text drawn there), line:Y=TEXT (every text
//   drawn at Y, /-joined), timer=ID, window=0|1, rows_changed=N,M (band rows unlike the start rows).
// In values \s is a blank, \r \n \0 as in C. VELORAN_SHOW_ROWS=1 prints what each row heard and
// sent, for writing new rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "commands/entries.hpp"
#include "commands/passthru.hpp"
#include "commands/poll.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "radio/bands.hpp"
#include "radio/channels.hpp"
#include "radio/frequency.hpp"
#include "radio/functions.hpp"
#include "radio/levels.hpp"
#include "radio/mode.hpp"
#include "radio/readback.hpp"
#include "radio/tone.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test::table {

#define VLR_INTS(X)                                                                          \
    X(key_code) X(key_state) X(quit_pending) X(tick_count) X(passthru_port) X(auto_swr)      \
    X(tuner_mode) X(reply_count) X(poll_phase) X(radio_id) X(radio_variant) X(vfo_frequency) \
    X(mode_code) X(band_index) X(band_row_valid) X(width_index) X(ssb_width) X(cw_width)     \
    X(main_af_gain) X(main_rf_gain) X(second_af_gain) X(second_rf_gain) X(squelch_level)     \
    X(monitor_level) X(nb_level) X(nr_level) X(proc_level) X(contour_level) X(mic_gain)      \
    X(power_level) X(keyer_speed) X(agc_setting) X(preamp) X(level_target) X(repeater_on)    \
    X(saved_mode) X(s_meter_value) X(transmit_state) X(tx_settle_count) X(ant_check)         \
    X(mic_monitor) X(mic_level_peak) X(entry_value) X(entry_int_digits) X(channel_op)        \
    X(channel_step) X(bank_index) X(bank_digit) X(channel_index) X(recall_slot) X(scratch_i)
#define VLR_FLAGS(X)                                                                          \
    X(running) X(key_busy) X(menu_busy) X(debug_log_on) X(power_off_on_exit) X(dcs_allowed)   \
    X(poll_pending) X(radio_connected) X(simulate_radio) X(vfo_b_selected) X(skip_freq_reply) \
    X(width_quiet) X(att_on) X(nb_on) X(nr_on) X(notch_on) X(contour_on) X(speech_proc_on)    \
    X(break_in_on) X(vox_on) X(monitor_on) X(antenna2) X(tuner_engaged) X(fm_wide)            \
    X(tone_active) X(tone_is_dcs) X(tone_say_on) X(radio_initiated) X(tx_announce)            \
    X(tune_active) X(entry_point_typed) X(freq_entry_active) X(channel_recalled)              \
    X(channel_applied)
#define VLR_STRINGS(X)                                                                           \
    X(cat_command) X(cat_reply) X(last_freq_command) X(freq_text) X(last_freq_reply)             \
    X(vfo_a_text) X(vfo_b_text) X(saved_vfo_a) X(tone_code) X(swr_peak_text) X(offset_entry)     \
    X(menu_number_text) X(menu_value_text) X(offset10_sign) X(offset10_digits) X(offset6_sign)   \
    X(offset6_digits) X(offset2_sign) X(offset2_digits) X(offset70_sign) X(offset70_digits)      \
    X(shift10_sign) X(shift10_digits) X(shift6_sign) X(shift6_digits) X(shift2_sign)             \
    X(shift2_digits) X(shift70_sign) X(shift70_digits) X(wave_folder) X(passthru_inbuf)

inline std::string unescape(const std::string& v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const char e = v[i] == '\\' && i + 1 < v.size() ? v[++i] : 0;
        out += !e ? v[i] : e == 's' ? ' ' : e == 'r' ? '\r' : e == 'n' ? '\n' : e == '0' ? '\0' : e;
    }
    return out;
}

// The state variable called `name`; nullptr when there is none.
inline std::string* text_of(State& s, const std::string& name) {
#define VLR_S(n) if (name == #n) return &s.n;
    VLR_STRINGS(VLR_S)
#undef VLR_S
    if (name.rfind("row", 0) == 0) return &s.band_table.at(std::stoul(name.substr(3)));
    if (name.rfind("mem", 0) == 0) return &s.memory_channels.at(std::stoul(name.substr(3)));
    return nullptr;
}

// A number as written, or by the program's name for it: ks::extended, mode::cw, band::m20, and
// the events key_down, key_up, timer, close.
inline int value_of(const std::string& v) {
    static const std::map<std::string, int> names = {
        {"ks::normal", ks::normal}, {"ks::band", ks::band}, {"ks::width", ks::width}, {"ks::power", ks::power},
        {"ks::rf_gain", ks::rf_gain}, {"ks::offset_sign", ks::offset_sign}, {"ks::offset_digits", ks::offset_digits},
        {"ks::af_gain", ks::af_gain}, {"ks::menu_number", ks::menu_number}, {"ks::menu_value", ks::menu_value},
        {"ks::level", ks::level}, {"ks::keyer", ks::keyer}, {"ks::mic_gain", ks::mic_gain}, {"ks::extended", ks::extended},
        {"mode::lsb", mode::lsb}, {"mode::usb", mode::usb}, {"mode::cw", mode::cw}, {"mode::am", mode::am},
        {"mode::fm_narrow", mode::fm_narrow}, {"mode::c4fm", mode::c4fm}, {"mode::fm", mode::fm}, {"band::m160", band::m160},
        {"band::m80", band::m80}, {"band::m60", band::m60}, {"band::m40", band::m40}, {"band::m30", band::m30},
        {"band::m20", band::m20}, {"band::m17", band::m17}, {"band::m15", band::m15}, {"band::m12", band::m12},
        {"band::m10", band::m10}, {"band::m6", band::m6}, {"band::m2", band::m2}, {"band::cm70", band::cm70},
        {"band::general", band::general}, {"band::general_key", band::general_key}, {"key_down", platform::event_key_down},
        {"key_up", platform::event_key_up}, {"timer", platform::event_timer}, {"close", platform::event_close}};
    auto it = names.find(v);
    return it != names.end() ? it->second : std::stoi(v);
}

inline int* number_of(State& s, const std::string& name) {
#define VLR_I(n) if (name == #n) return &s.n;
    VLR_INTS(VLR_I)
#undef VLR_I
    return nullptr;
}

// A switch, written and checked as 0 or 1.
inline bool* flag_of(State& s, const std::string& name) {
#define VLR_F(n) if (name == #n) return &s.n;
    VLR_FLAGS(VLR_F)
#undef VLR_F
    return nullptr;
}

// Does `t` match `p`, where * stands for any run of characters?
inline bool glob(const std::string& p, const std::string& t, std::size_t i = 0, std::size_t j = 0) {
    if (i == p.size()) return j == t.size();
    if (p[i] == '*') return glob(p, t, i + 1, j) || (j < t.size() && glob(p, t, i, j + 1));
    return j < t.size() && p[i] == t[j] && glob(p, t, i + 1, j + 1);
}

// A column: a pattern, or ! and a pattern that must not match.
inline bool matches(const std::string& column, const std::string& text) {
    return column.rfind('!', 0) == 0 ? !glob(column.substr(1), text) : glob(column, text);
}

inline int key_of(const std::string& k) {
    static const std::map<std::string, int> named = {
        {"Enter", 13}, {"Space", 32}, {"PgUp", 33},  {"PgDn", 34},  {"Left", 37},  {"Up", 38},
        {"Right", 39}, {"Down", 40},  {"Shift", 16}, {"Ctrl", 17},  {"Ins", 45},   {"Win", 91},
        {".", 190},    {"+", 187},    {"-", 189},    {"PadP", 110}};
    if (auto it = named.find(k); it != named.end()) return it->second;
    if (k.size() == 1) return k[0];
    if (k[0] == 'F') return 111 + std::stoi(k.substr(1));
    if (k.rfind("Pad", 0) == 0) return 96 + std::stoi(k.substr(3));
    return -1;
}

using Routine = void (*)(Context&);
inline Routine routine_of(const std::string& name) {
    static const std::map<std::string, Routine> routines = {
#define VLR_R(n) {#n, n},
        VLR_R(band_from_frequency) VLR_R(store_band_row) VLR_R(band_step_up) VLR_R(band_step_down)
        VLR_R(select_band_stack) VLR_R(digit_key) VLR_R(select_band) VLR_R(send_vfo_frequency)
        VLR_R(snap_to_khz) VLR_R(step_frequency_up) VLR_R(step_frequency_down) VLR_R(start_split)
        VLR_R(end_split) VLR_R(apply_preamp) VLR_R(toggle_attenuator) VLR_R(toggle_noise_blanker)
        VLR_R(toggle_noise_reduction) VLR_R(toggle_speech_processor) VLR_R(read_processor_level)
        VLR_R(toggle_break_in) VLR_R(toggle_vox) VLR_R(level_up) VLR_R(level_down) VLR_R(send_width)
        VLR_R(send_power) VLR_R(complete_tone_entry) VLR_R(apply_tone) VLR_R(toggle_repeater)
        VLR_R(band_for_frequency) VLR_R(open_debug_log) VLR_R(close_debug_log) VLR_R(poll_passthru) VLR_R(show_mode)
#undef VLR_R
        {"readback", [](Context& c) { c.st.scratch_i = read_back_radio(c) ? 1 : 0; }},
    };
    auto it = routines.find(name);
    return it == routines.end() ? nullptr : it->second;
}

struct Case {
    Rig rig;
    std::map<std::string, std::string> answers;
    bool following = false, holding = false;
    std::string held;

    Case() {
        rig.radio->respond = [this](const std::string& cmd) {
            if (following && cmd.size() == 12 && cmd.rfind("FA", 0) == 0) answers["FA;"] = cmd;
            auto it = answers.find(cmd);
            std::string answer = it == answers.end() ? std::string() : it->second;
            if (holding && cmd == "FA;") held += answer, answer.clear();
            return answer;
        };
    }

    // Fails with the reason when a check does not hold.
    void check(const std::string& t) {
        State& s = rig.st();
        auto eq = t.find('=');
        auto head = t.substr(0, std::min(eq, t.find('~')));
        auto value = eq == std::string::npos ? std::string() : unescape(t.substr(eq + 1));
        if (head == "words" || head == "sent") {
            auto seen = join(head == "words" ? rig.words() : rig.sent());
            EXPECT_TRUE(matches(value, seen)) << t << " but " << head << ": " << seen;
        } else if (head == "paths") {
            EXPECT_EQ(std::to_string(rig.speaker.paths.size()), value) << t;
        } else if (t.rfind("file:", 0) == 0) {
            auto at = t.find_first_of("~=");
            auto text = unescape(t.substr(at + 1)), file = rig.dir.read(t.substr(5, at - 5));
            EXPECT_TRUE(rig.dir.exists(t.substr(5, at - 5))) << t;
            EXPECT_TRUE(t[at] == '~' ? file.find(text) != std::string::npos : file == text) << t << " but:\n" << file;
        } else if (head.rfind("nofile:", 0) == 0) {
            EXPECT_FALSE(rig.dir.exists(head.substr(7))) << t;
        } else if (head.rfind("in:", 0) == 0 || head.rfind("out:", 0) == 0 || head.rfind("open:", 0) == 0) {
            const auto line = rig.serial.line(std::stoi(head.substr(head.find(':') + 1)));
            EXPECT_EQ(head[0] == 'i' ? line->incoming : head[1] == 'u' ? line->written : line->open ? "1" : "0", value) << t;
        } else if (head == "held") {
            EXPECT_EQ(held, value) << t;
        } else if (head.rfind("panel:", 0) == 0) {
            const auto text = rig.window.text.at(std::stoi(head.substr(6)), std::stoi(head.substr(head.find(',') + 1)));
            EXPECT_TRUE(t[head.size()] == '~' ? text.find(value) != std::string::npos : text == value) << t << " but " << text;
        } else if (head.rfind("font:", 0) == 0) {  // face, points and weight of the last text drawn there
            std::string font;
            for (const auto& d : rig.window.text.drawn)
                if (d.x == std::stoi(head.substr(5)) && d.y == std::stoi(head.substr(head.find(',') + 1)))
                    font = d.face + std::to_string(d.points) + std::to_string(d.weight);
            EXPECT_EQ(font, value) << t;
        } else if (head.rfind("line:", 0) == 0) {
            std::string line;
            for (const auto& d : rig.window.text.drawn)
                if (d.y == std::stoi(head.substr(5))) line += d.text + "/";
            EXPECT_EQ(line, value) << t;
        } else if (head == "rows_changed") {  // the band rows that differ from the start rows
            State fresh;
            std::string changed;
            fill_band_rows(fresh);
            for (std::size_t b = 1; b <= 14; ++b)
                if (s.band_table[b] != fresh.band_table[b])
                    changed += (changed.empty() ? "" : ",") + std::to_string(b);
            EXPECT_EQ(changed, value) << t;
        } else if (head == "window" || head == "timer") {
            EXPECT_EQ(head == "timer" ? std::to_string(rig.window.timer_id) : rig.window.is_open && s.main_window.open ? "1" : "0", value) << t;
        } else if (int* n = number_of(s, head)) {
            EXPECT_EQ(std::to_string(*n), std::to_string(value_of(value))) << t;
        } else if (bool* f = flag_of(s, head)) {
            EXPECT_EQ(*f ? "1" : "0", value) << t;
        } else if (std::string* v = text_of(s, head)) {
            EXPECT_EQ(*v, value) << t;
        } else {
            ADD_FAILURE() << "unknown check " << t;
        }
    }

    void step(const std::string& t) {
        State& s = rig.st();
        Context& c = rig.c;
        auto eq = t.find('=');
        auto gt = t.find('>');
        if (t == "connect") {
            connect(rig);
        } else if (t == "open" || t == "radio") {
            rig.open_radio(), s.radio_connected = t == "radio";
        } else if (t == "polls") {
            answers = {{"FA;", "FA014200000;"}, {"SM0;", "SM0100;"}, {"RM6;", "RM6040;"}, {"RM4;", "RM4120;"}};
        } else if (t == "answering") {
            answers = {{"ID;", "ID0840;"}, {"GT0;", "GT03;"}, {"AG0;", "AG0120;"}, {"AG1;", "AG1090;"},
                       {"ML0;", "ML01;"}, {"ML1;", "ML1045;"}, {"PC;", "PC2100;"}, {"PR0;", "PR01;"},
                       {"AC;", "AC001;"}, {"VX;", "VX1;"}, {"BI;", "BI1;"}, {"SQ0;", "SQ0008;"}};
            rig.window.start_timer(1, 50);
        } else if (t == "silent" || t == "clear") {
            t[0] == 's' ? answers.clear() : rig.clear();
        } else if (t == "flood") {  // 10 kB of noise in front of a frequency answer
            std::string noise(10 * 1024, '7');
            for (std::size_t i = 0; i < noise.size(); i += 5) noise[i] = '\0';
            answers["FA;"] = noise + "FA007100000;";
        } else if (t.rfind("digit:", 0) == 0) {  // the digit routine alone
            s.key_code = t[6], digit_key(c);
        } else if (t.rfind("type:", 0) == 0) {
            type(rig, unescape(t.substr(5)));
        } else if (t == "follow") {
            following = true;
        } else if (t == "hold") {  // from the moment an FA; poll has just gone out
            holding = true;
            for (int i = 0; i < 4 && !(s.poll_pending && !rig.sent().empty() && rig.sent().back() == "FA;"); ++i)
                timer_tick(c);
            rig.clear();
        } else if (t == "release") {
            if (holding) holding = false, rig.radio->incoming += held, timer_tick(c);
        } else if (t == "lose") {
            holding = false;
        } else if (t[0] == '?') {
            check(t.substr(1));
        } else if (t[0] == '@') {
            Routine r = routine_of(t.substr(1));
            ASSERT_TRUE(r) << "unknown routine " << t;
            r(c);
        } else if (t == "tick" || t.rfind("tick*", 0) == 0) {
            for (int i = t.size() > 5 ? std::stoi(t.substr(5)) : 1; i > 0; --i) timer_tick(c);
        } else if (t.rfind("reply:", 0) == 0) {
            s.cat_reply = unescape(t.substr(6)), take_frequency_reply(c);
        } else if (t.rfind("tune=", 0) == 0) {
            int band, mode, hz;
            ASSERT_EQ(std::sscanf(t.c_str() + 5, "%d,%d,%d", &band, &mode, &hz), 3) << t;
            tune_to(rig, band, mode, hz);
        } else if (t.rfind("in:", 0) == 0) {
            rig.serial.line(std::stoi(t.substr(3)))->incoming += unescape(t.substr(eq + 1));
        } else if (t.rfind("addline:", 0) == 0) {
            rig.serial.add_line(std::stoi(t.substr(8)));
        } else if (t.rfind("openport:", 0) == 0) {
            open_serial(c, std::stoi(t.substr(9)));
        } else if (t.rfind("event:", 0) == 0) {
            s.event_id = value_of(t.substr(6)), handle_event(c);
        } else if (t.rfind("down:", 0) == 0 || t.rfind("up:", 0) == 0) {
            (t[0] == 'd' ? key_down : key_up)(rig, key_of(t.substr(t.find(':') + 1)));
        } else if (gt != std::string::npos && (eq == std::string::npos || gt < eq)) {
            answers[t.substr(0, gt)] = unescape(t.substr(gt + 1));
        } else if (eq != std::string::npos) {
            auto name = t.substr(0, eq);
            auto value = unescape(t.substr(eq + 1));
            if (int* n = number_of(s, name)) *n = value_of(value);
            else if (bool* f = flag_of(s, name)) *f = value_of(value) != 0;
            else if (std::string* v = text_of(s, name)) *v = value;
            else FAIL() << "unknown variable " << name;
        } else {
            int k = key_of(t);
            ASSERT_GE(k, 0) << "unknown step " << t;
            press(rig, {k});
        }
    }
};

// The parts of `text` between the `by`s, without their outer blanks.
inline std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out;
    for (std::size_t from = 0, to = 0; to != std::string::npos; from = to + 1) {
        const auto part = text.substr(from, (to = text.find(by, from)) - from);
        const auto a = std::min(part.find_first_not_of(' '), part.size());
        out.push_back(part.substr(a, part.find_last_not_of(' ') + 1 - a));
    }
    return out;
}

// Runs every row of the file `name` next to `here` (a __FILE__).
inline void run_file(const std::string& here, const std::string& name) {
    // __FILE__ may be relative to the build folder: then VELORAN_SOURCE_DIR finds it.
    std::string path = here.substr(0, here.rfind('/') + 1) + name;
    const char* source = std::getenv("VELORAN_SOURCE_DIR");
    if (!std::ifstream(path) && source && path.find("tests/") != std::string::npos)
        path = std::string(source) + "/" + path.substr(path.find("tests/"));
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::string row;
    int rows = 0;
    for (int n = 1; std::getline(in, row); ++n) {
        if (row.find_first_not_of(' ') == std::string::npos || row[0] == '#') continue;
        auto cols = split(row, '|');
        SCOPED_TRACE(name + ":" + std::to_string(n) + ": " + row);
        ASSERT_GE(cols.size(), 3u);
        ++rows;
        Case k;
        for (const auto& t : split(cols[0], ' ')) try {
                if (!t.empty()) k.step(t);
            } catch (const std::exception& e) { ADD_FAILURE() << "step " << t << ": " << e.what(); }
        if (::testing::Test::HasFatalFailure()) return;
        std::string words = join(k.rig.words()), sent = join(k.rig.sent());
        if (std::getenv("VELORAN_SHOW_ROWS")) std::printf("%d\t%s\t%s\n", n, words.c_str(), sent.c_str());
        EXPECT_TRUE(matches(cols[1], words)) << "words: " << words;
        EXPECT_TRUE(matches(cols[2], sent)) << "commands: " << sent;
        if (cols.size() > 3)
            for (const auto& t : split(cols[3], ' '))
                if (!t.empty()) k.check(t);
    }
    EXPECT_GT(rows, 0) << path;
}

}  // namespace vlr::test::table
