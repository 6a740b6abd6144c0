// Key presses through the real event handler, on a rig whose radio has
// answered: connected, on 20 m in USB at 14.2 MHz, band row and last
// frequency reply consistent with that.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "commands/handler.hpp"
#include "platform/keycodes.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {


inline void key_down(Rig& rig, int code) {
    rig.st().event_id = platform::event_key_down;
    rig.st().event_param = code;
    handle_event(rig.c);
}

inline void key_up(Rig& rig, int code) {
    rig.st().event_id = platform::event_key_up;
    rig.st().event_param = code;
    handle_event(rig.c);
}

// Each key pressed and released, in order.
inline void press(Rig& rig, std::initializer_list<int> keys) {
    for (int k : keys) {
        key_down(rig, k);
        key_up(rig, k);
    }
}

// Each character of `keys` as its key ("14.25\r": digits, point, Enter).
inline void type(Rig& rig, const std::string& keys) {
    for (char ch : keys) {
        int k = ch == '.'    ? vk::point
                : ch == '\r' ? vk::enter
                : ch == '+'  ? vk::plus
                : ch == '-'  ? vk::minus
                             : ch;
        press(rig, {k});
    }
}

// A rig whose radio has answered: 20 m, USB, 14.2 MHz, VFO A, tick running.
inline void connect(Rig& rig) {
    rig.open_radio();
    State& s = rig.st();
    s.running = 1;
    s.radio_connected = 1;
    s.band_index = 6;
    s.mode_code = 2;
    s.vfo_frequency = 14'200'000;
    s.freq_text = " 14.200000";
    s.last_freq_reply = "FA014200000";
    s.last_freq_command = "FA014200000;";
    s.vfo_a_text = "A014200000";
    s.tick_count = 5;
    rig.clear();
}

// Moves the connected rig to another band's row frequency and mode.
inline void tune_to(Rig& rig, int band, int mode, int hz) {
    State& s = rig.st();
    s.band_index = band;
    s.mode_code = mode;
    s.vfo_frequency = hz;
    std::string nine = std::to_string(hz);
    nine.insert(0, 9 - nine.size(), '0');
    s.last_freq_reply = "FA" + nine;
    s.last_freq_command = "FA" + nine + ";";
    s.vfo_a_text = "A" + nine;
}

// The commands sent that start with `code`.
inline std::vector<std::string> sent_with(const Rig& rig, const std::string& code) {
    std::vector<std::string> out;
    for (const auto& cmd : rig.sent())
        if (cmd.rfind(code, 0) == 0) out.push_back(cmd);
    return out;
}

// The last command sent that starts with `code`, "" when none.
inline std::string last_sent(const Rig& rig, const std::string& code) {
    auto v = sent_with(rig, code);
    return v.empty() ? std::string() : v.back();
}

inline bool said(const Rig& rig, const std::string& word) {
    for (const auto& w : rig.words())
        if (w == word) return true;
    return false;
}

}  // namespace vlr::test
