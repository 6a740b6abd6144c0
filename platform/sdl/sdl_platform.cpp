#include "platform/sdl/sdl_platform.hpp"

#include "platform/sdl/sdl_speaker.hpp"
#include "platform/sdl/sdl_window.hpp"

namespace vlr::platform {

std::unique_ptr<Window> make_sdl_window() { return std::make_unique<SdlWindow>(); }
std::unique_ptr<Speaker> make_sdl_speaker() { return std::make_unique<SdlSpeaker>(); }

}  // namespace vlr::platform
