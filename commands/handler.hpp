// The main window's event handler and the key rules.
#pragma once

#include "base/context.hpp"

namespace vlr {

// Handles the event in event_id/event_param.
void handle_event(Context& c);
void handle_key_down(Context& c);

}  // namespace vlr
