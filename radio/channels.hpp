// Memory channels and applying a band row.
#pragma once

#include "base/context.hpp"

namespace vlr {

void store_channel(Context& c);
void recall_channel(Context& c);
void select_band(Context& c);

}  // namespace vlr
