// The front-panel fields: the mode label, the status line, the banner and
// help lines. Drawing only: nothing here talks to the radio.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// The large label of the current mode (nothing for a code outside 1..7).
void draw_mode_label(Context& c);
void show_status_line(Context& c);
// The refusal under the status line: "refused" and the refused command;
// "" erases it.
void show_refusal(Context& c, const std::string& command);
// Banner and help lines of the start-up.
void print_banner_and_help(Context& c);

}  // namespace vlr
