// Signals that end the program: all of them through the orderly shutdown
// (band rows saved, the transmitter unkeyed), never by the default action.
#pragma once

namespace vlr::platform {

// SIGTERM (kill, system shutdown), SIGINT (Ctrl+C) and SIGHUP (the terminal
// closed) set stop_request. SIGPIPE is ignored: with standard output closed
// (the transcript piped into `head`) writes there fail instead of ending the
// program with the radio still keyed and nothing saved. Call before SDL is
// started: SDL only puts its own handlers where none is set.
void install_stop_signals();

}  // namespace vlr::platform
