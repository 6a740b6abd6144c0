// Frequency replies, frequency commands, VFO A/B and split.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

void take_frequency_reply(Context& c);
void send_vfo_frequency(Context& c);
void snap_to_khz(Context& c);
void step_frequency_up(Context& c);
void step_frequency_down(Context& c);
void end_split(Context& c);
// The split key turning the split on.
void start_split(Context& c);

// F: the frequency, the mode and any tone; X F: the transmit frequency
// through the repeater, or VFO A's while split.
void frequency_readout(Context& c);
// V: split on / off, or the repeater shift on the FM bands.
void split_key(Context& c);
// Z: zero-in in CW, else the nearest whole kilohertz.
void zero_key(Context& c);
// The tuning keys (+ - PgUp PgDn Left Right) and, for every key that reaches
// them, the frequency re-sent. Left/Right are the squelch in FM.
void tuning_key(Context& c);

}  // namespace vlr
