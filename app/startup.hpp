// Start-up, configuration and shutdown.
#pragma once

#include <string>

#include "app/context.hpp"

namespace vlr {

// Reads veloran.cfg text into the state. Returns false when the file is of
// the rejected kind (line 3 starting with "pow").
bool read_config_text(State& s, const std::string& text);

// Sets version_text, banner_text and wave_folder.
void set_fixed_texts(State& s);

// The whole program: window, greeting, configuration, preparation,
// read-back, loop, shutdown. Returns the exit code.
int run_program(Context& c);

// The start-up preparation (banner, log, reset, rows, memory, port, VS0).
void prepare_startup(Context& c);

// Says why the last open of port `com` failed, when the system could
// tell: "noperm" (the user is not in the dialout group), "portbusy" (another
// program holds it), "notser" (not a serial device), with a line on standard
// error. Returns the exit status the program ends with when no radio
// answers for that reason, 0 when the reason is not known.
int say_if_not_permitted(Context& c, int com);

// The shutdown from closing the window on (steps S2..S5).
void shutdown_program(Context& c);

// Delivers one window event to the handler, keeping event_id/event_param of
// an outer delivery intact.
void deliver_event(Context& c, int id, int param);

inline const char* window_title = "*** Yaesu VLR Front Panel v3.5c ***";

}  // namespace vlr
