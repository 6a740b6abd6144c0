// What every fuzz target shares: a fresh program on the test fakes for each
// input, the keys the handler knows, and the invariants that no input from
// outside (file, radio, other program, keyboard) may break. A broken
// invariant traps, so libFuzzer keeps the input as a crash.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <string>

#include "base/context.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::fuzz {

[[noreturn]] void fail(const char* what, const std::string& detail = {});
inline void require(bool ok, const char* what, const std::string& detail = {}) {
    if (!ok) fail(what, detail);
}

// Every text of the state within 255 characters, band_index within 0..15,
// band rows and memory channels within 255 characters, vfo_frequency within
// what nine digits hold.
void check_state(const State& s);

// Every command the radio received is printable ASCII, ends with its only ";"
// and is at most 255 characters long; nothing was left unterminated on the
// line; a frequency command of the program's own has at most nine digits
// (`relayed`: the line also carries another program's commands, passed on as
// they came). `from` is the first command not yet checked; it moves past the
// end.
void check_radio_commands(const test::FakeLine& line, std::size_t& from, bool relayed = false);

// Checks each command as it is written, so a fault's stack names its
// sender; keeps the line's own answers. Call after setting `respond`.
void watch_commands(test::FakeLine& line, bool relayed = false);

// Both checks at once on a rig's radio line.
struct Checker {
    std::size_t checked = 0;
    bool relayed = false;
    void operator()(test::Rig& rig) {
        check_state(rig.st());
        check_radio_commands(*rig.radio, checked, relayed);
    }
};

// A key code the handler has a rule for, now and then any code at all.
int key_code_from(FuzzedDataProvider& in);

// Delivers one window event through the handler.
void deliver(test::Rig& rig, int event_id, int param = 0);
void press(test::Rig& rig, int key);  // key down then key up
void ticks(test::Rig& rig, int n);


}  // namespace vlr::fuzz
