// CTCSS/DCS tone squelch and repeater shift.
#pragma once

#include "base/context.hpp"

namespace vlr {

void complete_tone_entry(Context& c);
void apply_tone(Context& c);
void toggle_repeater(Context& c);
void band_for_frequency(Context& c);
// I: tone squelch off, or the code entry on (digits and Enter follow).
void tone_key(Context& c);
// Back from C4FM: the CTCSS tone kept when FM was left, if it was one.
void restore_saved_tone(Context& c);

}  // namespace vlr
