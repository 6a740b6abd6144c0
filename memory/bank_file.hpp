// savmem.dat: band rows, memory channels, current band and noise reduction.
#pragma once

#include "base/context.hpp"

namespace vlr {

void save_memory_file(Context& c);
void load_memory_file(Context& c);

}  // namespace vlr
