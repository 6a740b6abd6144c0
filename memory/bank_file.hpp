// savmem.dat: band rows, memory channels, current band and noise reduction.
#pragma once

#include "base/context.hpp"

namespace vlr {

// Writes savmem.dat and memory.txt; when either cannot be written (a full
// disk, a read-only folder) the old file stays whole, the operator hears
// "notsaved" and false is returned.
bool save_memory_file(Context& c);
void load_memory_file(Context& c);
// Takes the header settings, band rows and channels of a savmem.dat text into
// `s`; false (and nothing taken) when it is not a memory file.
bool take_memory_text(State& s, const std::string& content);
// The file name, in the working folder.
inline constexpr const char* memory_file_name = "savmem.dat";

}  // namespace vlr
