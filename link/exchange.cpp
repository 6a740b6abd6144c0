#include "link/exchange.hpp"

#include <algorithm>
#include <iterator>

#include "base/names.hpp"
#include "base/text.hpp"
#include "link/log.hpp"

namespace vlr {

namespace {

// Commands that kept waiting this long are long settled (a poll's answers
// settle them many times a second); the oldest go first.
constexpr std::size_t most_unanswered = 64;

// Codes whose query names what it asks for, and how many characters do.
struct NamedQuery {
    const char* code;
    std::size_t naming;
};
constexpr NamedQuery named_queries[] = {
    {"AG", 1}, {"RG", 1}, {"ML", 1}, {"PR", 1}, {"GT", 1}, {"SM", 1}, {"RM", 1}, {"MD", 1},
    {"NL", 1}, {"RL", 1}, {"SQ", 1}, {"PA", 1}, {"RA", 1}, {"NA", 1}, {"SH", 1}, {"BC", 1},
    {"NR", 1}, {"CT", 1}, {"OS", 1}, {"CO", 2}, {"CN", 2}, {"EX", 6},
};

// Commands that never ask, even bare: zero-in acts, a band stack is chosen.
bool never_asks(const std::string& code) { return code == "ZI" || code == "BS"; }

using Iter = std::vector<SentCommand>::iterator;

const char* sender_name(int sender) {
    switch (sender) {
        case from::key:
            return "key";
        case from::passthru:
            return "pass-through";
        case from::network:
            return "network";
        default:
            return "program";
    }
}

void log_refusal(Context& c, const std::string& text) {
    if (c.st.debug_log_on) write_log_line(c, cut("REFUSED=" + text));
}

std::string form_of(const std::string& command) {
    return command.substr(0, 2) + std::to_string(command.size());
}

// Fewer refusals than commands: a form the radio has taken before (the
// frequency a key re-sends after its switch) is not the one refused.
std::vector<SentCommand> suspects(const State& s, Iter first, Iter last, int count) {
    std::vector<SentCommand> all(first, last), untried;
    std::copy_if(all.begin(), all.end(), std::back_inserter(untried), [&](const SentCommand& sent) {
        return sent.query || s.forms_taken.count(form_of(sent.command)) == 0;
    });
    const auto narrowed = static_cast<int>(untried.size());
    return narrowed >= count && narrowed >= 1 && narrowed < static_cast<int>(all.size()) ? untried
                                                                                         : all;
}

// The `count` refusals not yet placed belong to the commands from `first` to
// `last`; with none, every set among them was taken. Told to a key or client
// only when the suspects are all sets it sent in one round; otherwise which
// command was refused cannot be known.
void settle(Context& c, Iter first, Iter last, int count) {
    State& s = c.st;
    if (count == 0) {
        for (Iter i = first; i != last; ++i)
            if (!i->query) s.forms_taken.insert(form_of(i->command));
        return;
    }
    if (first == last) return log_refusal(c, "?; answers no command sent");
    const std::vector<SentCommand> refused = suspects(s, first, last, count);
    std::string named;
    for (const auto& sent : refused) named += (named.empty() ? "" : " ") + sent.command;
    if (static_cast<int>(refused.size()) > count) named = "one of " + named;
    const SentCommand& one = refused.front();
    const bool one_sender =
        std::all_of(refused.begin(), refused.end(), [&](const SentCommand& sent) {
            return !sent.query && sent.sender == one.sender && sent.round == one.round;
        });
    if (!one_sender) return log_refusal(c, named + " (not known which)");
    log_refusal(c, named + " (" + sender_name(one.sender) + ")");
    if (one.sender == from::key || one.sender == from::network)
        s.refused.insert(s.refused.end(), refused.begin(), refused.end());
}

// A "?;" goes to the first query when nothing waits before it; to the sets
// when only sets wait. Sets before a query wait for the query's answer.
void place_refusals(Context& c) {
    State& s = c.st;
    auto& list = s.unanswered;
    while (s.refusals_unplaced > 0 && !list.empty() && list.front().query) {
        log_refusal(c, list.front().command + " (" + sender_name(list.front().sender) + ")");
        list.erase(list.begin());
        --s.refusals_unplaced;
    }
    if (s.refusals_unplaced == 0) return;
    if (std::any_of(list.begin(), list.end(), [](const SentCommand& sent) { return sent.query; }))
        return;
    const int count = s.refusals_unplaced;
    s.refusals_unplaced = 0;
    settle(c, list.begin(), list.end(), count);
    list.clear();
}

// A reply with a code answers the first query of that code still waiting:
// the radio has dealt with everything sent before it.
void answer_query(Context& c, const std::string& reply) {
    State& s = c.st;
    auto& list = s.unanswered;
    const Iter query = std::find_if(list.begin(), list.end(), [&](const SentCommand& sent) {
        return sent.query && sent.command.compare(0, 2, reply, 0, 2) == 0;
    });
    if (query == list.end()) return;  // unasked, or asked before the input was cleared
    const int count = s.refusals_unplaced;
    s.refusals_unplaced = 0;
    settle(c, list.begin(), query, count);
    list.erase(list.begin(), query + 1);
}

}  // namespace

bool is_query(const std::string& command) {
    const std::size_t body = command.size() - (command.ends_with(";") ? 1 : 0);
    if (body < 2 || never_asks(command.substr(0, 2))) return false;
    std::size_t naming = 0;
    for (const auto& q : named_queries)
        if (command.compare(0, 2, q.code) == 0) naming = q.naming;
    return body == 2 + naming;
}

void note_sent(State& s, const std::string& command) {
    if (s.unanswered.size() >= most_unanswered) s.unanswered.erase(s.unanswered.begin());
    s.unanswered.push_back({command, s.command_sender, s.command_round, is_query(command)});
}

void note_replies(Context& c, const std::string& replies) {
    std::size_t from = 0, end;
    while ((end = replies.find(';', from)) != std::string::npos) {
        const std::string reply = replies.substr(from, end + 1 - from);
        from = end + 1;
        if (reply == "?;") {
            ++c.st.refusals_unplaced;
            place_refusals(c);
        } else {
            answer_query(c, reply);
        }
    }
}

void forget_unanswered(State& s) {
    s.unanswered.clear();
    s.refusals_unplaced = 0;
    s.replies_held.clear();
}

void settle_waited_sets(State& s, int round) {
    if (s.refusals_unplaced > 0) return;
    std::erase_if(s.unanswered, [&](const SentCommand& sent) {
        const bool taken = !sent.query && sent.round == round;
        if (taken) s.forms_taken.insert(form_of(sent.command));
        return taken;
    });
}

bool sets_unanswered(const State& s, int round) {
    return std::any_of(s.unanswered.begin(), s.unanswered.end(),
                       [&](const SentCommand& sent) { return !sent.query && sent.round == round; });
}

}  // namespace vlr
