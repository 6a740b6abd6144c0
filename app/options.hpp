// The command line, the same on every system.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/channel_files.hpp"
#include "base/context.hpp"

namespace vlr {

struct Options {
    bool simulate = false;
    bool transcript = false;
    bool demo = false;
    std::string speech;  // "": as veloran.cfg says
    // The radio search and the set-up (app/setup.hpp).
    bool find_radio = false;         // --find-radio: search, report, end
    bool setup = false;              // --setup: the spoken set-up
    bool accept = false;             // --accept: the set-up asks nothing
    std::vector<std::string> ports;  // --ports A,B: searched instead of the system's
    // Channel lists (app/channel_files.hpp): a file to export to or import from.
    std::string export_channels;
    ChannelImport import_channels;
};

// Runs the channel list job the options ask for, in the current folder,
// printing to `out` and `errors`; -1 when they ask for none.
int run_channel_job(const Options& opt, std::ostream& out, std::ostream& errors);

// Reads the arguments into `opt`. Returns -1 when the program is to run;
// otherwise the usage text has been written to `out` and the value is the
// exit status (0 for --help, 2 for an option not known).
int read_options(int argc, const char* const* argv, Options& opt, std::ostream& out);

// --find-radio, --setup or the program itself, as the options ask.
int run_selected(Context& c, const Options& opt);

// Puts the options into the context; the transcript goes to `words`.
void apply_options(Context& c, const Options& opt, std::ostream& words);

// The demo folder's veloran.cfg: the emulated radio on COM1, the log and the
// network port on (clients may key it: the radio is not real).
extern const char* const demo_config;

}  // namespace vlr
