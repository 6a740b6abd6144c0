// The diagnostic log debug.dat.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// Creates debug.dat (replacing an earlier one) and writes its two header lines.
void open_debug_log(Context& c);
// Writes one line (cut at 255) and CR LF; nothing when the log is not open.
void write_log_line(Context& c, const std::string& text);
void close_debug_log(Context& c);

// The log line of an accepted key: "*C/R", "*.", "*e (5)", "*F".
std::string key_log_text(int key_code);

}  // namespace vlr
