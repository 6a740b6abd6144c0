// On/off functions.
#pragma once

#include "base/context.hpp"

namespace vlr {

void apply_preamp(Context& c);
void toggle_attenuator(Context& c);
void toggle_noise_blanker(Context& c);
void toggle_noise_reduction(Context& c);
void toggle_speech_processor(Context& c);
void read_processor_level(Context& c);
void toggle_break_in(Context& c);
void toggle_vox(Context& c);

// Keys that switch or step a function of the radio.
void antenna_key(Context& c);   // X C: antenna 1/2 (EX030704x)
void agc_key(Context& c);       // X A: AGC (GT0x)
void monitor_key(Context& c);   // F9: monitor (ML0x)
void notch_key(Context& c);     // auto notch (BC0x)
void contour_key(Context& c);   // contour (CO0000x)
void tuner_key(Context& c);     // antenna tuner on / off / both (AC)

void preamp_key(Context& c);           // F1: next preamp stage
void processor_key(Context& c);        // F7: speech processor, sideband only
void break_in_or_vox_key(Context& c);  // F8: break-in in CW, VOX otherwise
void options_key(Context& c);          // O: every function that is on

}  // namespace vlr
