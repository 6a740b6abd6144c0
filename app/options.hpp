// The command line, the same on every system.
#pragma once

#include <ostream>
#include <string>

#include "base/context.hpp"

namespace vlr {

struct Options {
    bool simulate = false;
    bool transcript = false;
    bool demo = false;
    std::string speech;  // "": as veloran.cfg says
};

// Reads the arguments into `opt`. Returns -1 when the program is to run;
// otherwise the usage text has been written to `out` and the value is the
// exit status (0 for --help, 2 for an option not known).
int read_options(int argc, const char* const* argv, Options& opt, std::ostream& out);

// Puts the options into the context; the transcript goes to `words`.
void apply_options(Context& c, const Options& opt, std::ostream& words);

// The demo folder's veloran.cfg: the emulated radio on COM1, the log and the
// network port on (clients may key it: the radio is not real).
extern const char* const demo_config;

}  // namespace vlr
