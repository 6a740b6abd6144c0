// The start-up read-back of the radio's settings.
#pragma once

#include "base/context.hpp"

namespace vlr {

// Returns false when the radio was not the expected model and the program
// has ended itself (shutdown done); the caller must then stop.
bool read_back_radio(Context& c);

}  // namespace vlr
