// What every fuzz target shares: a fresh program on the test fakes for each
// input, the keys the handler knows, and the invariants that no input from
// outside may break (listed in README.md). A broken invariant traps, so
// libFuzzer keeps the input as a crash.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>

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
void check_state(const State& s);
// Checks the commands from `from` on and moves it past the end. `relayed`: the
// line also carries another program's commands, passed on as they came, so
// their frequency digits are not the program's.
void check_radio_commands(const test::FakeLine& line, std::size_t& from, bool relayed = false);
// Checks each command as it is written, so a fault's stack names its sender.
// Call after setting `respond`.
void watch_commands(test::FakeLine& line, bool relayed = false);

struct Checker {
    std::size_t checked = 0;
    bool relayed = false;
    void operator()(test::Rig& rig) { check_state(rig.st()), check_radio_commands(*rig.radio, checked, relayed); }
};

// A key code the handler has a rule for, now and then any code at all.
int key_code_from(FuzzedDataProvider& in);
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
inline std::function<std::string(const std::string&)> answers_from(emu::RadioModel& model) {
    return [&model](const std::string& cmd) { return model.handle(cmd); };
}

// Presses each key (`tick`: one timer tick instead), checking after each.
constexpr int tick = -1;
inline void steps(test::Rig& rig, Checker& check, std::initializer_list<int> keys) {
    for (int k : keys) k == tick ? ticks(rig, 1) : press(rig, k), check(rig);
}

}  // namespace vlr::fuzz
