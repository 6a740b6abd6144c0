// The CAT pass-through port for another program.
#pragma once

#include "app/context.hpp"

namespace vlr {

void poll_passthru(Context& c);

}  // namespace vlr
