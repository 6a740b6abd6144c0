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

inline void key_event(Rig& rig, int event, int code) {
    rig.st().event_id = event, rig.st().event_param = code;
    handle_event(rig.c);
}
inline void key_down(Rig& rig, int code) { key_event(rig, platform::event_key_down, code); }
inline void key_up(Rig& rig, int code) { key_event(rig, platform::event_key_up, code); }

inline void press(Rig& rig, std::initializer_list<int> keys) {
    for (int k : keys) key_down(rig, k), key_up(rig, k);
}

// Each character of `keys` as its key ("14.25\r": digits, point, Enter).
inline void type(Rig& rig, const std::string& keys) {
    for (char ch : keys)
        press(rig, {ch == '.' ? vk::point : ch == '\r' ? vk::enter : ch == '+' ? vk::plus
                    : ch == '-' ? vk::minus : ch});
}

// Moves the connected rig to another band's row frequency and mode.
inline void tune_to(Rig& rig, int band, int mode, int hz) {
    State& s = rig.st();
    std::string nine = std::to_string(hz);
    nine.insert(0, 9 - nine.size(), '0');
    s.band_index = band, s.mode_code = mode, s.vfo_frequency = hz;
    s.last_freq_reply = "FA" + nine, s.last_freq_command = "FA" + nine + ";", s.vfo_a_text = "A" + nine;
}

inline void connect(Rig& rig) {
    rig.open_radio();
    State& s = rig.st();
    s.running = s.radio_connected = true;
    tune_to(rig, 6, 2, 14'200'000);
    s.freq_text = " 14.200000", s.tick_count = 5;
    rig.clear();
}

// The commands sent that start with `code`.
inline std::vector<std::string> sent_with(const Rig& rig, const std::string& code) {
    std::vector<std::string> out;
    for (const auto& cmd : rig.sent())
        if (cmd.rfind(code, 0) == 0) out.push_back(cmd);
    return out;
}

}  // namespace vlr::test
