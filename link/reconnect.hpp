// Losing a serial device and finding it again. A USB cable pulled out, or a
// radio whose built-in USB port vanishes when it is switched off, leaves the
// program holding a port that will never carry another byte: the timer step
// closes it, tells the operator, and opens the port again when the device is
// back, without an extra thread or timer.
#pragma once

#include "base/context.hpp"

namespace vlr {

// Run by the timer step before the poll. A radio port whose device has gone
// is closed and "nc" is spoken; keys then say "nc" as before the radio's
// first answer, and a quit that waits for the radio ends at once. From then on
// the port is opened again on every reopen_wait_ticks-th tick, the wait
// doubling from half a second up to four; when it opens the poll starts
// afresh with the frequency, and "connected" is spoken once the radio has
// answered (a device that is back need not be a radio that is). `link_lost`
// is 1 in between, and the poll does not run.
void watch_radio_link(Context& c);

// Run when a reply has come from the radio: after a reconnection, the first
// one makes the radio connected again.
void note_radio_answer(Context& c);

// The same for the pass-through port, without words: that line belongs to
// another program, and its trouble is not the operator's.
void watch_passthru_link(Context& c);

}  // namespace vlr
