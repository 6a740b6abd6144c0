// What the network port tells clients of the radio: the capabilities they
// read when they open it, and the passband of each mode.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// The passband of the current mode in Hz.
int passband_hz(const State& s);

// The width index nearest to `hz` in the current mode's own table.
int nearest_width_index(const State& s, int hz);

// The answer to "\\dump_state" in rigctld's protocol version 1; `modes` is
// the mask of the modes "M" takes.
std::string dump_state(const State& s, const std::string& modes);

}  // namespace vlr
