// memory.txt: the readable list of used memory channels.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

bool write_memory_report(Context& c);
// The report text as it is written.
std::string memory_report_text(const State& s);

}  // namespace vlr
