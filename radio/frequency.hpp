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
// The split key turning the split on (Part of the V key).
void start_split(Context& c);
// "FA" + nine digits of a frequency in Hz (always nine digits).
std::string frequency_command(int hz);

}  // namespace vlr
