// Stepped levels: the up and down arrows by key_state.
#pragma once

#include "base/context.hpp"

namespace vlr {

void level_up(Context& c);
void level_down(Context& c);
void send_width(Context& c);
void send_power(Context& c);
void send_rf_gain(Context& c);
void send_mic_gain(Context& c);
void send_keyer_speed(Context& c);

}  // namespace vlr
