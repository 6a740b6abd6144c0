// Looking for the radio on every serial port: at each speed the radio may be
// set to, the identity question the start-up asks, with the lines that could
// key the transmitter held down. Nothing but "ID;" is ever sent.
#pragma once

#include <string>
#include <vector>

#include "base/context.hpp"

namespace vlr {

enum class PortOutcome {
    radio,
    other_model,
    busy,
    no_permission,
    not_serial,
    absent,
    echoes,
    no_answer
};

struct PortFinding {
    std::string port;
    PortOutcome outcome = PortOutcome::no_answer;
    int speed = 0;         // the speed it answered at
    std::string identity;  // the model it named, "0840" for ours
    long long ms = 0;      // time spent on the port
};

// The speeds tried, the radio's factory setting first.
inline constexpr int search_speeds[] = {38400, 4800, 9600, 19200, 115200};

// Asks every port of `ports` (the system's own list when empty).
std::vector<PortFinding> search_ports(Context& c, std::vector<std::string> ports);

// One line for the operator about a port: "<port>: radio 0840 at 38400 baud".
std::string finding_line(const PortFinding& f);

// --find-radio: says and prints each radio found, prints every other port
// with what kept it out. 0 when a radio was found, exit_no_radio_found when not.
int find_radio(Context& c, const std::vector<std::string>& ports);

// Says where a found radio is: its COM number on systems that name ports so,
// else its place in the list; then its speed.
void say_finding(Context& c, const PortFinding& f, int place);

}  // namespace vlr
