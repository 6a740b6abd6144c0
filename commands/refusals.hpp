// Telling the truth when the radio refuses a command ("?;"): the key that
// sent it says "refused" after its own words, the panel shows the refused
// command and the program's record of the setting goes back; a network
// client's set is answered as rejected. Which command a "?;" refuses is
// found in link/exchange.
#pragma once

#include "base/context.hpp"

namespace vlr {

// Around the whole handling of a key: what it sends is the key's, and the
// records it may change are kept first.
void begin_key_commands(Context& c);
// After the key's words: reads what the radio has said of them by now and
// tells any refusal.
void end_key_commands(Context& c);

// Says "refused" (once) for every key whose set was refused since the last
// time, shows it, and puts back what the latest key had changed. A refusal
// shown stays until the next key is handled. Refusals of others' commands
// are only logged.
void tell_refusals(Context& c);

// Around a network client's request: true when the radio refused a set it
// sent, within the wait of one reply.
void begin_network_commands(Context& c);
bool network_set_refused(Context& c);

}  // namespace vlr
