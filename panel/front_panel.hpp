// The front-panel fields and the mode display.
#pragma once

#include "app/context.hpp"

namespace vlr {

void show_mode(Context& c);
void set_band_row_mode(Context& c);
void show_status_line(Context& c);
// Banner and help lines of the start-up.
void print_banner_and_help(Context& c);

}  // namespace vlr
