// Every word name the program can play.
#pragma once

#include <string>
#include <vector>

namespace vlr {

// The distinct word names, as the program passes them (some with ".wav").
const std::vector<std::string>& vocabulary();

}  // namespace vlr
