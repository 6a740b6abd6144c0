// The command line of the veloran-emulator program: an emulated radio on a
// pseudo-terminal that runs until it is told to stop.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "emulator/pty_radio.hpp"

namespace vlr::emu {

struct CliOptions {
    std::string link;                     // --link: symbolic link to the slave, e.g. ./COM5
    PtyOptions line;                      // --baud, --stop-bits, --delay-ms
    Variant variant = Variant::watts100;  // --variant 10|100
    std::string identity = "0840";        // --id NNNN
    bool dial_drift = false;              // --dial-drift
    std::string record;                   // --record: file that gets every command, one a line
    Fault fault = Fault::none;            // --fault: start with a fault switched on
    bool quiet = false;                   // --quiet: no traffic on stderr
    std::set<std::string> refuse;         // --refuse PR,ML: set commands answered "?;"
    bool refuse_unknown = false;          // --refuse-unknown: only the exact forms
    bool help = false;
};

// Reads the arguments (without the program name). False with `error` set when
// an option is unknown or its value is not acceptable.
bool parse_cli(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// One line of the record file: the command with control bytes written as \xNN,
// so that every command stays on one line whatever the program sent.
std::string record_line(const std::string& command);

// The whole program: 0 after SIGTERM/SIGINT, 1 when the radio cannot be set
// up, 2 for a bad command line.
int run_emulator(int argc, char** argv);

}  // namespace vlr::emu
