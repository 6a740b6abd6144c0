// Levels a network client reads and sets, by Hamlib's names and on its
// scales. Reads come from what the program has polled or set (no radio
// traffic); sets go through the same routines as the keys.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// The levels answered and the ones that may be set, as Hamlib's bit masks.
std::string net_get_level_mask();
std::string net_set_level_mask();

// The level's value as rigctld writes it ("-12", "0.500000") into `value`;
// false when the program has no level of that name.
bool get_net_level(const Context& c, const std::string& name, std::string& value);

// Sets a level to `value` (0 to 1, clamped); false when it cannot be set.
bool set_net_level(Context& c, const std::string& name, double value);

// The S-meter's reading (0..255) in dB relative to S9, 6 dB an S unit.
int s_meter_db(int reading);

}  // namespace vlr
