// The CAT command exchange with the radio.
#pragma once

#include <string>

#include "app/context.hpp"

namespace vlr {

// Completes cat_command (FA->FB while VFO B is selected, ";" appended), notes
// frequency commands in last_freq_command, writes it to the radio port and
// logs "TX=". A command that is not CAT text (a byte outside printable ASCII,
// a ";" before its end) is not written at all, and cat_command is emptied.
void send_command(Context& c);

// Replaces cat_reply with what has arrived on the radio port (never waits),
// or with the simulated radio's answer when simulate_radio is 1.
void read_reply(Context& c);

// The simulated radio's answer to cat_command, ";" included.
std::string simulated_reply(const State& s);

// Notes in radio_may_be_keyed what a command sent to the radio does to its
// transmitter. send_command calls it for every command, whichever part of the
// program (or which client) it comes from.
void note_transmitter(State& s, const std::string& command);

// Sends "TX0" when the radio may still be keyed: the first step of every way
// the program ends.
void release_transmitter(Context& c);

// Puts `command` in cat_command and sends it.
void send_cat(Context& c, const std::string& command);

// A query: sends `command`, waits one pause for the radio and reads what has
// arrived into cat_reply.
void query_cat(Context& c, const std::string& command);

// A reply below 1 MHz ("F?000...") becomes exactly 1 MHz.
void apply_frequency_floor(std::string& reply);

}  // namespace vlr
