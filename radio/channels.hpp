// Memory channels and applying a band row.
#pragma once

#include "base/context.hpp"

namespace vlr {

void store_channel(Context& c);
void recall_channel(Context& c);
void select_band(Context& c);

// C and G: the channel digit that follows is stored or recalled.
void store_key(Context& c);
void recall_key(Context& c);

}  // namespace vlr
