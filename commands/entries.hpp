// Number and code entries that several keys complete.
#pragma once

#include "base/context.hpp"

namespace vlr {

void digit_key(Context& c);
void start_frequency_entry(Context& c);
void frequency_point(Context& c);
void frequency_enter(Context& c);
void select_band_by_key(Context& c, int band);
void offset_sign(Context& c);
void offset_enter(Context& c);
void offset_readout(Context& c);
// As offset_enter / offset_readout; false when the entry was refused, which
// ends the handling of the Enter key (an accepted one lets it go on).
bool offset_enter_accepted(Context& c);
bool offset_readout_given(Context& c);
// X O: the repeater offset entry (10 m and up): a sign key or Enter follows.
void start_offset_entry(Context& c);
void menu_start(Context& c);
void menu_enter(Context& c);
void next_channel(Context& c);

}  // namespace vlr
