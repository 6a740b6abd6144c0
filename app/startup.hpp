// Start-up, configuration and shutdown.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// Reads veloran.cfg text into the state. Returns false when the file is of
// the rejected kind (line 3 starting with "pow").
bool read_config_text(State& s, const std::string& text);

// Sets version_text, banner_text and wave_folder.
void set_fixed_texts(State& s);

// The whole program: window, greeting, configuration, preparation,
// read-back, loop, shutdown. Returns the exit code.
int run_program(Context& c);

// Puts the chosen speech service in use when it can be reached; otherwise
// the recorded words speak.
void choose_speech(Context& c);

// The start-up preparation (banner, log, reset, rows, memory, port, VS0).
void prepare_startup(Context& c);

// The shutdown: network clients closed, the radio unkeyed, the window closed,
// the radio switched off if asked, the ports and the log closed.
void shutdown_program(Context& c);

// Delivers one window event to the handler, keeping event_id/event_param of
// an outer delivery intact.
void deliver_event(Context& c, int id, int param);

inline const char* window_title = "*** Yaesu VLR Front Panel v3.5c ***";

}  // namespace vlr
