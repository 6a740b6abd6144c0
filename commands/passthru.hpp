// The CAT pass-through port: another program (a logger, rigctl) writes CAT
// commands to a second serial port and gets the radio's replies back. It
// exists because only one program can hold the radio's serial port. The
// commands are relayed one per poll, between the program's own exchanges, so
// the two never interleave on the line; what the other program sets
// (frequency, mode) is also taken into the program's own state and panel.
// It keeps: the bytes read but not yet relayed (passthru_inbuf), the reply
// being collected for the client (passthru_chunk).
#pragma once

#include "base/context.hpp"

namespace vlr {

void poll_passthru(Context& c);

}  // namespace vlr
