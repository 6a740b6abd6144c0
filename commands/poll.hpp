// The timer step: one poll of the radio every 50 ms tick.
#pragma once

#include "base/context.hpp"

namespace vlr {

void timer_tick(Context& c);

}  // namespace vlr
