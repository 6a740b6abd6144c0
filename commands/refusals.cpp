#include "commands/refusals.hpp"

#include <algorithm>

#include "base/names.hpp"
#include "link/cat.hpp"
#include "link/exchange.hpp"
#include "panel/front_panel.hpp"
#include "radio/records.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

void begin_round(State& s, int sender) {
    s.command_sender = sender;
    ++s.command_round;
}

bool sent_by(const SentCommand& sent, int sender) { return sent.sender == sender; }

}  // namespace

void begin_key_commands(Context& c) {
    State& s = c.st;
    begin_round(s, from::key);
    s.key_round = s.command_round;
    s.records_before_key = keep_records(s);
}

void end_key_commands(Context& c) {
    State& s = c.st;
    s.command_sender = from::program;
    // The radio answers within a few milliseconds and the key's words take
    // far longer: a refusal of the key's command is waiting by now.
    if (sets_unanswered(s, s.key_round)) hold_arrived_replies(c);
    const bool refused = std::any_of(s.refused.begin(), s.refused.end(),
                                     [](const SentCommand& r) { return sent_by(r, from::key); });
    if (!refused && s.refusal_shown) {
        s.refusal_shown = false;
        show_refusal(c, "");
    }
    tell_refusals(c);
}

void tell_refusals(Context& c) {
    State& s = c.st;
    std::string commands;
    for (const SentCommand& r : s.refused) {
        if (!sent_by(r, from::key)) continue;  // a client's, told to it or stale
        if (r.round == s.key_round) put_back_record(s, s.records_before_key, r.command);
        commands += (commands.empty() ? "" : " ") + r.command;
    }
    s.refused.clear();
    if (commands.empty()) return;
    show_status_line(c);
    show_refusal(c, commands);
    s.refusal_shown = true;
    say(c, "refused");
}

void begin_network_commands(Context& c) { begin_round(c.st, from::network); }

bool network_set_refused(Context& c) {
    State& s = c.st;
    s.command_sender = from::program;
    if (!sets_unanswered(s, s.command_round)) return false;
    wait_for_radio(c);
    hold_arrived_replies(c);
    settle_waited_sets(s, s.command_round);
    return std::any_of(s.refused.begin(), s.refused.end(), [&](const SentCommand& r) {
        return sent_by(r, from::network) && r.round == s.command_round;
    });
}

}  // namespace vlr
