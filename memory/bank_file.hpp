// savmem.dat: band rows, memory channels, current band and noise reduction.
#pragma once

#include "base/context.hpp"

namespace vlr {

// Writes savmem.dat and memory.txt; when either cannot be written (a full
// disk, a read-only folder) the old file stays whole, the operator hears
// "notsaved" and false is returned.
bool save_memory_file(Context& c);
void load_memory_file(Context& c);

}  // namespace vlr
