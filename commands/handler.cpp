// The main window's event handler. A key press goes through the key rules
// (commands/key_rules.cpp) top to bottom until a row ends its handling.
#include "commands/handler.hpp"

#include "commands/key_rules.hpp"
#include "commands/poll.hpp"
#include "commands/refusals.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

bool applies(const KeyRule& rule, const State& s) {
    return rule.states.has(s.key_state) && rule.keys.matches(s.key_code) &&
           (rule.when == nullptr || rule.when(s));
}

// Runs a row's action; true when later rows still see the key.
bool run(const KeyRule& rule, Context& c) {
    if (rule.action.ask != nullptr) return rule.action.ask(c);
    rule.action.run(c);
    return rule.then == Then::go_on;
}

}  // namespace

void handle_key_down(Context& c) {
    for (const KeyRule& rule : key_rules())
        if (applies(rule, c.st) && !run(rule, c)) return;
}

void handle_event(Context& c) {
    begin_reading(c);
    switch (c.st.event_id) {
        case platform::event_close:
            c.st.running = false;
            break;
        case platform::event_timer:
            timer_tick(c);
            tell_refusals(c);  // a key's refusal that came after its words
            break;
        case platform::event_key_down:
            begin_key_commands(c);
            handle_key_down(c);
            end_key_commands(c);
            break;
        case platform::event_key_up:
            c.st.key_busy = false;
            break;
        default:
            break;
    }
    end_reading(c);
}

}  // namespace vlr
