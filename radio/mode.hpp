// Putting the radio into the mode in `mode_code`, with what goes with a mode:
// repeater and tone squelch off, the mode's stored filter width, the narrow
// switch, and outside FM the band row's frequency.
//   sends: CT00 (tone off), MD0x (the mode), NA00/NA01 (narrow), SQ0 (FM:
//          squelch read), FA/FB and SH0 (the band row's frequency and width)
//   reads: SQ (squelch level; it also marks the band row valid)
#pragma once

#include "base/context.hpp"

namespace vlr {

// Sets the radio's mode from `mode_code` and shows it on the panel.
void show_mode(Context& c);
// Writes `mode_code` into the current band's row (not when the radio
// reported the mode itself).
void set_band_row_mode(Context& c);


// The mode keys.
void mode_key(Context& c);      // M: the next mode (FM only from 10 m up)
void fm_width_key(Context& c);  // X M: FM wide <-> narrow
void c4fm_key(Context& c);      // D: FM -> C4FM, and back with the kept tone
void keyer_key(Context& c);     // K: keyer practice in CW on / off
// Back from keyer practice to the mode the operator had before (any key
// but K and the arrows ends the practice).
void leave_keyer(Context& c);

}  // namespace vlr
