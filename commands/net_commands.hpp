// Commands from programs on the network (WSJT-X, fldigi, loggers) in the
// protocol of Hamlib's rigctld, the one they speak to a radio shared through
// "Hamlib NET rigctl". Reads are answered from what the program already knows
// of the radio; settings go out through the program's own send routine.
#pragma once

#include <string>
#include <vector>

#include "base/context.hpp"

namespace vlr {

// One command line taken apart: the extended-response prefix ('+', ';', '|'
// or 0 for none), the command's long name ("get_freq") and its arguments.
struct NetRequest {
    char prefix = 0;
    std::string name;
    std::vector<std::string> args;
    int vfo = -1;  // the VFO a client named before the arguments: 0 A, 1 B, -1 none
};

// False for an empty line; otherwise `request` holds the line's parts (the
// name "" when no command of that name is known).
bool parse_net_line(const std::string& line, NetRequest& request);

// What one network client has done that outlives its line.
struct NetClientFacts {
    bool keyed = false;  // this client keyed the transmitter
    bool quit = false;   // asked to end the connection
};

// Carries out one command line and returns the answer for the client ("" for
// an empty line).
std::string answer_net_line(Context& c, const std::string& line, NetClientFacts& client);

// Unkeys a transmitter a network client keyed; nothing otherwise.
void unkey_for_network(Context& c);

}  // namespace vlr
