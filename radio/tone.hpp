// CTCSS/DCS tone squelch and repeater shift.
#pragma once

#include "base/context.hpp"

namespace vlr {

void complete_tone_entry(Context& c);
void apply_tone(Context& c);
void toggle_repeater(Context& c);
void band_for_frequency(Context& c);

}  // namespace vlr
