// The CAT pass-through port for another program.
#pragma once

#include "app/context.hpp"

namespace vlr {

void poll_passthru(Context& c);

// A pass-through port is in use: configured, and not the radio's own port
// (which would send the radio's replies back to it as commands).
inline bool passthru_in_use(const State& s) {
    return s.passthru_port >= 1 && s.passthru_port != s.radio_port;
}

}  // namespace vlr
