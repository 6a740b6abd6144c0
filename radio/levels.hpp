// Stepped levels: the up and down arrows by key_state.
#pragma once

#include <string>

#include "base/context.hpp"

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

// The second receiver's gains on Left/Right; `code` is "AG1" or "RG1".
void second_gain_up(Context& c, int& gain, const std::string& code);
void second_gain_down(Context& c, int& gain, const std::string& code);
// The FM squelch on Left/Right (SQ0).
void squelch_up(Context& c);
void squelch_down(Context& c);

}  // namespace vlr
