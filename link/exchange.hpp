// Which command a reply answers. The radio deals with its commands in the
// order they came: it answers a query with the query's code and its values,
// a command it refuses (set or query) with "?;", and a set it takes not at
// all. So a "?;" is known to refuse a set only once nothing but sets waits
// before it, or once the answer of a query sent after those sets has come.
// A "?;" that answers one of the poll's or the read-back's queries is
// therefore never taken for a refused key.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// True for a command (";" included) that asks the radio for a value: the
// bare code ("PC;"), or the code with what it names ("AG0;", "CN00;",
// "EX030704;"). Every other command sets something.
bool is_query(const std::string& command);

// Notes a command as written to the radio by `command_sender`.
void note_sent(State& s, const std::string& command);

// Takes the complete replies just read from the radio, in order: settles
// the commands they answer and places every "?;". A refused set of a key or
// a network client goes to `refused`; every refusal is logged ("REFUSED=").
void note_replies(Context& c, const std::string& replies);

// Nothing sent is awaited any more (the radio's input was cleared or its
// device went away).
void forget_unanswered(State& s);

// After a wait long enough for the radio's answer, with no "?;" still to
// place: the sets sent in `round` were taken.
void settle_waited_sets(State& s, int round);

// True while a set sent in `round` may still be refused.
bool sets_unanswered(const State& s, int round);

}  // namespace vlr
