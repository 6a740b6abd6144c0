#include "commands/net_commands.hpp"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <cstdlib>

#include "base/text.hpp"
#include "commands/net_capabilities.hpp"
#include "commands/net_levels.hpp"
#include "base/names.hpp"
#include "commands/refusals.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "panel/front_panel.hpp"
#include "radio/mode.hpp"
#include "radio/frequency.hpp"
#include "radio/levels.hpp"
#include "base/rows.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

// Hamlib's result codes, as rigctld sends them after "RPRT".
constexpr int ok = 0, invalid = -1, rejected = -9, not_available = -11;

// The frequencies a client may set: the radio's range, and no lower than the
// program's own floor of 1 MHz.
constexpr double lowest_hz = 1'000'000, highest_hz = 470'000'000;

struct Command {
    char letter;       // the short form; 0 when there is only the long one
    const char* name;  // the long form, after "\"
    int arguments;     // how many a set needs (a mode's width may be left out)
};

constexpr Command commands[] = {
    {'f', "get_freq", 0},       {'F', "set_freq", 1},       {'m', "get_mode", 0},
    {'M', "set_mode", 1},       {'v', "get_vfo", 0},        {'V', "set_vfo", 1},
    {'t', "get_ptt", 0},        {'T', "set_ptt", 1},        {'s', "get_split_vfo", 0},
    {'S', "set_split_vfo", 2},  {'i', "get_split_freq", 0}, {'I', "set_split_freq", 1},
    {'x', "get_split_mode", 0}, {'X', "set_split_mode", 1}, {0, "chk_vfo", 0},
    {0, "dump_state", 0},       {0, "get_lock_mode", 0},    {0, "get_powerstat", 0},
    {'l', "get_level", 1},      {'L', "set_level", 2},      {0, "get_vfo_info", 1},
    {'_', "get_info", 0},       {'q', "quit", 0},           {'Q', "quit", 0},
};

// The mode a client names: a mode's own name or a data variant; 0 for none.
int mode_code_named(const std::string& name) {
    for (const ModeRow& row : mode_rows)
        if (row.net_settable && name == row.net_name) return row.code;
    for (const NetModeVariant& v : net_mode_variants)
        if (name == v.name) return v.code;
    return 0;
}

// Every mode "M" takes, advertised as Hamlib's mode mask.
std::string mode_mask() {
    char text[16] = "0x";
    return std::string(text, std::to_chars(text + 2, text + sizeof text, net_mode_mask(), 16).ptr);
}

std::string mode_name(const State& s) {
    const ModeRow* row = mode_row(s.mode_code);
    if (row == nullptr) return "USB";
    // A data variant a client chose is the same radio mode; reporting it
    // back keeps the client from setting it again on every poll.
    for (const NetModeVariant& v : net_mode_variants)
        if (s.net_mode_name == v.name && v.code == s.mode_code) return v.name;
    return row->net_name;
}

bool number_of(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

bool frequency_of(const std::string& text, int& hz) {
    double value = 0;
    if (!number_of(text, value) || value < lowest_hz || value > highest_hz) return false;
    hz = static_cast<int>(std::lround(value));
    return true;
}

// Which VFO a Hamlib VFO name means: 0 A, 1 B, -1 the one in use, -2 none.
int vfo_of(const std::string& name) {
    if (name == "VFOA" || name == "Main" || name == "A") return 0;
    if (name == "VFOB" || name == "Sub" || name == "B") return 1;
    if (name == "currVFO" || name == "VFO" || name == "TX" || name == "RX") return -1;
    return -2;
}

// Nine digits of a VFO text ("A014074000"), or "" when it holds none.
std::string vfo_digits(const std::string& text) {
    const std::string nine = mid(text, 2, 9);
    return all_digits(nine, 9) ? nine : std::string();
}

// The frequency of VFO B as far as the program knows it.
int vfo_b_hz(const State& s) {
    if (s.vfo_b_selected) return s.vfo_frequency;
    std::string nine = vfo_digits(s.vfo_b_text);
    if (nine.empty() && s.band_index >= band::m160 && s.band_index <= band::general)
        nine = row_vfo_b_digits(s.band_table[static_cast<std::size_t>(s.band_index)]);
    return all_digits(nine, 9) ? text_num(nine) : s.vfo_frequency;
}

// The frequency of VFO A as far as the program knows it.
int vfo_a_hz(const State& s) {
    const std::string nine = vfo_digits(s.vfo_a_text);
    return s.vfo_b_selected && !nine.empty() ? text_num(nine) : s.vfo_frequency;
}

// An answer to the program's last frequency poll may still be on its way; it
// tells of the frequency before this change and must not undo it.
void forget_pending_frequency_answer(State& s) {
    if (s.poll_pending && s.poll_phase == 1) s.skip_freq_reply = true;
}

// The program takes a frequency a client set as if the radio had reported
// it: the panel, the VFO text and (frozen while another program is in
// control) the band row follow.
void take_set_frequency(Context& c) {
    State& s = c.st;
    s.vfo_frequency = text_num(mid(s.cat_command, 3, 9));
    if (s.radio_connected && s.quit_pending == 0) {
        const bool pending = s.poll_pending;
        s.cat_reply = s.cat_command;
        take_frequency_reply(c);
        s.poll_pending = pending;
    }
    forget_pending_frequency_answer(s);
}

void unkey(Context& c) {
    State& s = c.st;
    s.net_keyed = false;
    s.auto_swr = s.transmit_state - keyed_transmit_base;
    s.transmit_state = 0;
    send_cat(c, cmd::set(cmd::transmit, false));
}

struct Result {
    int code = ok;
    std::vector<std::pair<std::string, std::string>> values;  // label, value
};

Result value(const std::string& label, const std::string& text) { return {ok, {{label, text}}}; }

Result set_frequency(Context& c, const NetRequest& r) {
    int hz = 0;
    if (!frequency_of(r.args[0], hz)) return {invalid, {}};
    c.st.radio_initiated = true;
    send_cat(c, cmd::frequency(hz));
    take_set_frequency(c);
    return {};
}

Result set_split_frequency(Context& c, const NetRequest& r) {
    State& s = c.st;
    int hz = 0;
    if (!frequency_of(r.args.back(), hz)) return {invalid, {}};
    s.radio_initiated = true;
    if (s.vfo_b_selected) {
        send_cat(c, cmd::frequency(hz));  // goes out as "FB"
        take_set_frequency(c);
    } else {
        send_cat(c, cmd::frequency_b(hz));
    }
    s.vfo_b_text = "B" + nine_digits(hz);
    return {};
}

Result set_mode(Context& c, const NetRequest& r) {
    State& s = c.st;
    const int code = mode_code_named(r.args[0]);
    double width = 0;
    if (code == 0 || (r.args.size() > 1 && !number_of(r.args[1], width))) return {invalid, {}};
    s.radio_initiated = true;
    send_cat(c, *mode_command(s, code));
    s.mode_code = code;
    s.net_mode_name = r.args[0];
    // The width asked for becomes the mode's own, so the mode display
    // chooses the narrow filter for it.
    // A width beyond any filter is the widest; clamped before it becomes an
    // int, as a client may send any number.
    if (code <= mode::cw && width > 0)
        (code == mode::cw ? s.cw_width : s.ssb_width) =
            nearest_width_index(s, static_cast<int>(std::min(width, 100000.0)));
    // The panel follows as for a mode the radio reported; the band row's
    // frequency is not sent (see the pass-through).
    const bool applied = s.channel_applied;
    s.channel_applied = true;
    show_mode(c);
    s.channel_applied = applied;
    if (code <= mode::cw) {
        s.width_quiet = true;
        send_width(c);
    }
    return {};
}

Result set_vfo(Context& c, const NetRequest& r) {
    State& s = c.st;
    const int vfo = vfo_of(r.args[0]);
    if (vfo == -2) return {invalid, {}};
    if (vfo == -1 || vfo == s.vfo_b_selected) return {};
    s.radio_initiated = true;
    // Until the next poll the program knows the other VFO from its last
    // report (VFO B also from the band row).
    const int other = vfo == 1 ? vfo_b_hz(s) : text_num(vfo_digits(s.vfo_a_text));
    (vfo == 1 ? s.vfo_a_text : s.vfo_b_text) = (vfo == 1 ? "A" : "B") + nine_digits(s.vfo_frequency);
    send_cat(c, cmd::set(cmd::vfo_b, vfo == 1));
    s.vfo_b_selected = vfo == 1;
    if (other >= lowest_hz) s.vfo_frequency = other;
    forget_pending_frequency_answer(s);
    return {};
}

// Frequency, mode and split of one VFO, as rigctld lists them. The radio
// has one mode for both VFOs.
Result vfo_info(const State& s, const NetRequest& r) {
    int vfo = vfo_of(r.args[0]);
    if (vfo == -2) return {invalid, {}};
    if (vfo == -1) vfo = s.vfo_b_selected;
    return {ok,
            {{"Freq", digits(vfo == 1 ? vfo_b_hz(s) : vfo_a_hz(s))},
             {"Mode", mode_name(s)},
             {"Width", digits(passband_hz(s))},
             {"Split", digit_of(s.split_on)},
             {"SatMode", "0"}}};
}

Result get_level(const Context& c, const NetRequest& r) {
    std::string value;
    if (!get_net_level(c, r.args[0], value)) return {not_available, {}};
    return {ok, {{"", value}}};  // rigctld gives the value no label
}

Result set_level(Context& c, const NetRequest& r) {
    double value = 0;
    if (!number_of(r.args[1], value)) return {invalid, {}};
    return {set_net_level(c, r.args[0], value) ? ok : not_available, {}};
}

Result set_split(Context& c, const NetRequest& r) {
    State& s = c.st;
    const std::string& on = r.args[0];
    if ((on != "0" && on != "1") || vfo_of(r.args[1]) == -2) return {invalid, {}};
    s.radio_initiated = true;
    s.split_on = on == "1";
    send_cat(c, cmd::set(cmd::split, s.split_on));
    return {};
}

Result set_ptt(Context& c, const NetRequest& r, NetClientFacts& client) {
    State& s = c.st;
    const std::string& v = r.args[0];
    if (v == "0") {
        // Any client may unkey, whoever keyed.
        if (s.transmit_state >= keyed_transmit_base) unkey(c);
        client.keyed = false;
        return {};
    }
    if (v != "1" && v != "2" && v != "3") return {invalid, {}};
    if (s.transmit_state >= keyed_transmit_base) return {};  // already keyed
    // Keyed only where the operator has said so, and in the modes the space
    // bar keys in; never over a tune carrier.
    if (!s.net_tx_allowed || s.transmit_state != 0 || s.mode_code < mode::lsb || s.mode_code > mode::cw)
        return {rejected, {}};
    s.transmit_state = s.auto_swr + keyed_transmit_base;
    s.auto_swr = 0;
    s.tx_settle_count = 2;
    s.tuner_engaged = false;
    send_cat(c, cmd::set(cmd::transmit, true));
    s.net_keyed = true;
    client.keyed = true;
    // Short, and not waited for: the client's answer must not wait for it.
    say_async(c, "nettx");
    return {};
}

Result run(Context& c, const NetRequest& r, NetClientFacts& client) {
    State& s = c.st;
    const std::string& n = r.name;
    // A VFO named that is not the one in use: VFO B from what was polled
    // and set, without switching; VFO A cannot be set while B is in use.
    const bool other = r.vfo >= 0 && r.vfo != s.vfo_b_selected;
    if (n == "get_freq") return value("Frequency", digits(!other ? s.vfo_frequency : r.vfo == 1 ? vfo_b_hz(s) : vfo_a_hz(s)));
    if (n == "set_freq" && other) return r.vfo == 1 ? set_split_frequency(c, r) : Result{not_available, {}};
    if (n == "get_split_freq") return value("TX Frequency", digits(vfo_b_hz(s)));
    if (n == "get_mode" || n == "get_split_mode") {
        const std::string pre = n == "get_mode" ? "" : "TX ";
        return {ok, {{pre + "Mode", mode_name(s)}, {pre + "Passband", digits(passband_hz(s))}}};
    }
    if (n == "get_vfo") return value("VFO", s.vfo_b_selected ? "VFOB" : "VFOA");
    if (n == "get_ptt") return value("PTT", s.transmit_state > 0 ? "1" : "0");
    if (n == "get_split_vfo")
        return {ok, {{"Split", digit_of(s.split_on)}, {"TX VFO", s.split_on ? "VFOB" : "VFOA"}}};
    if (n == "get_lock_mode") return value("Locked", "0");
    if (n == "get_powerstat") return value("Power Status", s.link_lost ? "0" : "1");
    if (n == "get_info") return value("Info", "Veloran " + s.version_text + ", Yaesu 0840");
    if (n == "get_vfo_info") return vfo_info(s, r);
    if (n == "get_level") return get_level(c, r);
    if (n == "set_level") return set_level(c, r);
    if (n == "set_freq") return set_frequency(c, r);
    if (n == "set_split_freq") return set_split_frequency(c, r);
    if (n == "set_mode" || n == "set_split_mode") return set_mode(c, r);
    if (n == "set_vfo") return set_vfo(c, r);
    if (n == "set_split_vfo") return set_split(c, r);
    if (n == "set_ptt") return set_ptt(c, r, client);
    return {not_available, {}};
}

std::string joined(const std::vector<std::string>& args) {
    std::string t;
    for (const auto& a : args) t += (t.empty() ? "" : " ") + a;
    return t;
}

// rigctld's answer layout: plain, a get is its values one a line and a set
// is "RPRT n"; with a prefix, the command's name, each value with its label,
// and "RPRT n" always, separated by newlines ('+') or the prefix itself.
std::string format(const NetRequest& r, const Result& result, int arguments) {
    const bool get = r.name.rfind("get_", 0) == 0;
    const std::string end = "RPRT " + std::to_string(result.code) + "\n";
    if (r.prefix == 0) {
        if (result.code != ok || !get) return end;
        std::string t;
        for (const auto& [label, text] : result.values) t += text + "\n";
        // rigctld confirms this one read as if it were a set.
        return r.name == "get_lock_mode" ? t + end : t;
    }
    const char sep = r.prefix == '+' ? '\n' : r.prefix;
    std::string t = r.name + ":";
    if ((!get || arguments > 0) && !r.args.empty()) t += " " + joined(r.args);
    t += sep;
    if (result.code == ok)
        for (const auto& [label, text] : result.values) t += (label.empty() ? "" : label + ": ") + text + sep;
    return t + end;
}

bool blank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; }

}  // namespace

bool parse_net_line(const std::string& line, NetRequest& request) {
    request = {};
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && blank(line[at])) ++at;
        const std::size_t begin = at;
        while (at < line.size() && !blank(line[at])) ++at;
        if (at > begin) words.push_back(line.substr(begin, at - begin));
    }
    if (words.empty()) return false;
    std::string head = words[0];
    if (head[0] == '+' || head[0] == ';' || head[0] == '|') {
        request.prefix = head[0];
        head.erase(0, 1);
        if (head.empty()) {
            if (words.size() < 2) return true;
            words.erase(words.begin());
            head = words[0];
        }
    }
    for (const auto& command : commands) {
        const bool named = head.size() > 1 && head[0] == '\\' && head.substr(1) == command.name;
        const bool lettered = head.size() == 1 && head[0] == command.letter;
        if (named || lettered) request.name = command.name;
    }
    request.args.assign(words.begin() + 1, words.end());
    return true;
}

std::string answer_net_line(Context& c, const std::string& line, NetClientFacts& client) {
    NetRequest r;
    if (!parse_net_line(line, r)) return {};
    if (r.name == "quit") {
        client.quit = true;
        return "RPRT 0\n";
    }
    // rigctld ends this one with a newline of its own after any separator.
    if (r.name == "chk_vfo") return r.prefix == 0 ? "0\n" : r.prefix == '+' ? "ChkVFO: 0\n" : "ChkVFO: 0\n\n";
    if (r.name == "dump_state")
        return r.prefix ? "dump_state:" + std::string(1, r.prefix == '+' ? '\n' : r.prefix) +
                              dump_state(c.st, mode_mask()) + "RPRT 0\n"
                        : dump_state(c.st, mode_mask());
    int needed = 0;
    for (const auto& command : commands)
        if (r.name == command.name) needed = command.arguments;
    // Hamlib's VFO-first form ("f VFOB", "F VFOB 14074000", "l VFOA STRENGTH"):
    // the VFO is taken off where a command has an argument to spare for it.
    const bool names_vfo = r.name != "set_vfo" && r.name != "get_vfo_info" && !r.args.empty();
    if (names_vfo && static_cast<int>(r.args.size()) > needed && vfo_of(r.args[0]) != -2) {
        r.vfo = vfo_of(r.args[0]);
        r.args.erase(r.args.begin());
    }
    if (static_cast<int>(r.args.size()) < needed) return format(r, {invalid, {}}, needed);
    begin_network_commands(c);
    Result result = run(c, r, client);
    if (network_set_refused(c) && result.code == ok) result.code = rejected;
    return format(r, result, needed);
}

void unkey_for_network(Context& c) {
    State& s = c.st;
    // Unkeyed since (space bar, another client): the transmitter is the
    // operator's again.
    if (s.transmit_state < keyed_transmit_base) s.net_keyed = false;
    if (s.net_keyed) unkey(c);
}

}  // namespace vlr
