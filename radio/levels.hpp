// Stepped levels: the up and down arrows by key_state.
#pragma once

#include <string>

#include "base/context.hpp"
#include "link/commands.hpp"

namespace vlr {

void level_up(Context& c);
void level_down(Context& c);
void send_width(Context& c);
void send_power(Context& c);
void send_rf_gain(Context& c);
void send_af_gain(Context& c);
void send_squelch(Context& c);
void send_mic_gain(Context& c);
void send_keyer_speed(Context& c);

// The second receiver's gains on Left/Right (cmd::second_af_gain or cmd::second_rf_gain).
void second_gain_up(Context& c, int& gain, cmd::Level level);
void second_gain_down(Context& c, int& gain, cmd::Level level);
// The FM squelch on Left/Right (SQ0).
void squelch_up(Context& c);
void squelch_down(Context& c);


// Keys that choose what the arrows step, and the meters.
void level_key(Context& c);        // L: the level of the function last switched
void power_key(Context& c);        // P
void mic_gain_key(Context& c);     // F11: also starts the microphone level report
void end_mic_monitor(Context& c);  // any other key ends that report
void width_key(Context& c);        // W: not in AM or FM
void rf_gain_key(Context& c);      // R
void af_gain_key(Context& c);      // A
void second_af_gain_up(Context& c);
void second_af_gain_down(Context& c);
void second_rf_gain_up(Context& c);
void second_rf_gain_down(Context& c);
void meter_key(Context& c);  // S: SWR while transmitting or tuning, else the S-meter

}  // namespace vlr
