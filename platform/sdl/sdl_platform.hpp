// The real window and speaker of the program.
#pragma once

#include <memory>

#include "platform/interfaces.hpp"

namespace vlr::platform {

std::unique_ptr<Window> make_sdl_window();
std::unique_ptr<Speaker> make_sdl_speaker();

}  // namespace vlr::platform
