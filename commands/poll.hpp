// The timer step, transmit and tune.
#pragma once

#include "app/context.hpp"

namespace vlr {

void timer_tick(Context& c);
void toggle_transmit(Context& c);
void tune_key(Context& c);

}  // namespace vlr
