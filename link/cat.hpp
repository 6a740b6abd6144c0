// The CAT command exchange with the radio.
//
// Every command is a two-letter code, fixed-width decimal fields and ";"
// (send_command appends the ";"); a query is the bare code and the radio
// answers with the code and its fields. The codes this program uses, and
// where they are sent from:
//
//   FA FB  frequency of VFO A / B, nine digits in Hz     radio/frequency, radio/bands,
//                                                        commands/poll (the 200 ms poll)
//   MD0x   mode (the radio's own numbering)              radio/mode, commands/transmit
//   SH0    filter width;  NA0  narrow filter             radio/levels, radio/mode
//   ST VS  split on/off;  VFO select                     radio/frequency, app/startup
//   BS     band stack of a band                          radio/bands
//   PA RA  preamp;  attenuator                           radio/functions, radio/channels
//   NL RL  noise blanker;  noise reduction (levels)      radio/functions, radio/levels
//   BC CO  auto notch;  contour                          commands/handler, radio/levels
//   PR PL  speech processor;  its level                  radio/functions, radio/levels
//   BI VX  break-in;  VOX                                radio/functions
//   ML     monitor on/off (ML0) and level (ML1)          commands/handler, radio/levels
//   AG RG  AF gain;  RF gain (main and second receiver)  radio/levels
//   PC MG KS  power;  microphone gain;  keyer speed      radio/levels, commands/handler
//   GT     AGC;  AC  antenna tuner;  ZI  zero-in         commands/handler
//   SQ     squelch level                                 commands/handler, radio/mode
//   CT CN  tone squelch mode;  CTCSS/DCS number          radio/tone, radio/channels
//   OS     repeater shift;  EX  menu items (offsets,     radio/tone, radio/channels,
//          antenna, menu entry)                          commands/entries
//   TX     transmit on/off                               commands/transmit
//   SM RM  S-meter;  meters (RM4 ALC, RM6 SWR)           commands/poll
//   ID     identity ("ID0840;");  PS  power switch       radio/readback, app/startup
//
// A refused command is answered "?;" (link/exchange.hpp). Replies are read by
// link/reply.hpp; the start-up read-back (radio/readback)
// reads most of the settings above once.
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
// answer when simulate_radio is 1.
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
