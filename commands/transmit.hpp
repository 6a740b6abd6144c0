// Transmit and tune: the space bar keys and unkeys the radio, T runs the
// tuner's carrier.
#pragma once

#include "base/context.hpp"

namespace vlr {

void toggle_transmit(Context& c);
void tune_key(Context& c);

// Q: ends the program (after the radio's next frequency replies, when connected).
void quit_key(Context& c);

}  // namespace vlr
