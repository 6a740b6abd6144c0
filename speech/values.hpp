// Values of the operating state turned into words.
#pragma once

#include "base/context.hpp"

namespace vlr {

void say_mode(Context& c);
void say_frequency(Context& c);
void say_width(Context& c);
void say_power(Context& c);
void say_band(Context& c);
void say_mic_level(Context& c);
void say_keyer_speed(Context& c);
void say_s_meter(Context& c);
void say_swr(Context& c);
// The SWR meter's reading (0..255) as the ratio in tenths (10 is 1.0 to 1),
// as it is spoken; 50 stands for five and more.
int swr_tenths(int reading);

}  // namespace vlr
