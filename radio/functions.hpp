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

}  // namespace vlr
