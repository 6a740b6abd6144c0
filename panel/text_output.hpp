// Text output on the main window: a current position, a current font, and
// opaque text drawn into the window's off-screen image.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

void move_to(Context& c, int x, int y);
void set_font(Context& c, const std::string& face, int points, int weight);
// Draws `text` at the current position of the remembered window and moves the
// position to its end. A closing "\n" (and then "\r") is dropped. With
// `names_window` the main window becomes the remembered window; before any
// window is named the text goes to the console instead.
void print_text(Context& c, const std::string& text, bool names_window = true);

}  // namespace vlr
