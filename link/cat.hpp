// The CAT command exchange with the radio: sending a command, reading the
// replies. What the commands are, and the builders that make their text, is
// in link/commands.hpp; replies are read by link/reply.hpp.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// Completes cat_command (FA->FB while VFO B is selected, ";" appended), notes
// frequency commands in last_freq_command, writes it to the radio port and
// logs "TX=". A command that is not CAT text (a byte outside printable ASCII,
// a ";" before its end) is not written at all, and cat_command is emptied.
void send_command(Context& c);

// Replaces cat_reply with the complete replies that have arrived on the radio
// port (never waits; see take_radio_replies), or with the simulated radio's
// answer when simulate_radio is set.
void read_reply(Context& c);

// Reads what has arrived on the radio port onto the unfinished tail of the
// last read and returns the complete replies now in it, in order, each with
// its ";". A reply may come in pieces over several reads: its start waits in
// reply_stream for the rest. Bytes that are no reply (line noise, stray
// bytes before a reply, a reply garbled on the line) are dropped.
std::string take_radio_replies(Context& c);

// Reads what has arrived from the radio now, so that a refusal in it is
// known at once, and keeps the replies for the next read (never waits).
void hold_arrived_replies(Context& c);

// Drops whatever waits from the radio, read or not.
void clear_radio_input(Context& c);

// The replies complete in `stream`, taken out of it as take_radio_replies does.
std::string take_complete_replies(std::string& stream);

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
