// What every fuzz target shares (with the headers most of them need): a fresh
// program on the test fakes for each input, the keys the handler knows, and
// the invariants that no input from outside (file, radio, other program,
// keyboard) may break. A broken invariant traps, so libFuzzer keeps the input
// as a crash.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "emulator/radio_model.hpp"
#include "platform/interfaces.hpp"
#include "radio/readback.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/keys.hpp"

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

// The radio's answers taken from `answers`, one per command, nothing when they ran out.
inline std::function<std::string(const std::string&)> answers_from(std::deque<std::string>& answers) {
    return [&answers](const std::string&) {
        if (answers.empty()) return std::string();
        std::string a = answers.front();
        answers.pop_front();
        return a;
    };
}

// Presses each key (`tick`: one timer tick instead), checking after each.
constexpr int tick = -1;
inline void steps(test::Rig& rig, Checker& check, std::initializer_list<int> keys) {
    for (int k : keys) {
        if (k == tick) ticks(rig, 1);
        else press(rig, k);
        check(rig);
    }
}

}  // namespace vlr::fuzz
