// The radio search. Each port is opened once, quietly, and asked at each
// speed in turn; the first identity that comes back ends its search.
#include "app/radio_search.hpp"

#include "base/exit_codes.hpp"
#include "link/cat.hpp"
#include "link/reply.hpp"
#include "platform/files.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

// Each speed gets two questions, each waiting this long for its answer: a
// radio answers "ID" within a few tens of milliseconds, a silent port costs
// 5 x 2 x 300 ms = 3 s.
constexpr int asks_per_speed = 2;
constexpr int answer_wait_ms = 300;
constexpr int poll_ms = 10;
constexpr int model_field = 4;  // "ID0840;"

// What arrives on `port` until the deadline or a complete reply naming an
// identity; the identity ("" when none) and whether our own question came
// back, which only a loop or an echoing device does.
struct Answer {
    std::string identity;
    bool echoed = false;
};

Answer wait_answer(platform::SerialPort& port) {
    Answer answer;
    std::string stream;
    char buffer[256];
    const long long deadline = platform::now_ms() + answer_wait_ms;
    while (platform::now_ms() < deadline) {
        const int got = port.read(buffer, static_cast<int>(sizeof buffer));
        if (got > 0) {
            stream.append(buffer, static_cast<std::size_t>(got));
            if (stream.find("ID;") != std::string::npos) return answer.echoed = true, answer;
            const std::string replies = take_complete_replies(stream);
            const auto at = replies.find("ID");
            if (at != std::string::npos && reply_field(replies, "ID", 2, model_field))
                return answer.identity = replies.substr(at + 2, model_field), answer;
            continue;
        }
        platform::sleep_ms(poll_ms);
    }
    return answer;
}

// Drops what waits on the line (a radio's late answers, noise) before a question.
void clear_input(platform::SerialPort& port) {
    char buffer[256];
    for (int i = 0; i < 64 && port.read(buffer, static_cast<int>(sizeof buffer)) > 0; ++i) {
    }
}

PortOutcome refusal(int open_error) {
    switch (open_error) {
        case platform::open_error_busy:
            return PortOutcome::busy;
        case platform::open_error_permission:
            return PortOutcome::no_permission;
        case platform::open_error_not_serial:
            return PortOutcome::not_serial;
        default:
            return PortOutcome::absent;
    }
}

void ask_port(Context& c, PortFinding& f) {
    auto port = c.serial->open_quietly(f.port, search_speeds[0]);
    if (!port) {
        f.outcome = refusal(c.serial->last_open_error());
        return;
    }
    port->set_read_timeouts(-1);
    for (const int speed : search_speeds) {
        if (speed != search_speeds[0] && !port->set_speed(speed)) continue;
        for (int ask = 0; ask < asks_per_speed; ++ask) {
            clear_input(*port);
            port->write("ID;", 3);
            const Answer answer = wait_answer(*port);
            if (answer.echoed) return void(f.outcome = PortOutcome::echoes);
            if (answer.identity.empty()) continue;
            f.speed = speed;
            f.identity = answer.identity;
            f.outcome = answer.identity == "0840" ? PortOutcome::radio : PortOutcome::other_model;
            return;
        }
    }
    f.outcome = PortOutcome::no_answer;
}

}  // namespace

std::vector<PortFinding> search_ports(Context& c, std::vector<std::string> ports) {
    std::vector<PortFinding> findings;
    if (!c.serial) return findings;
    if (ports.empty()) ports = c.serial->list_ports();
    for (const auto& name : ports) {
        PortFinding f;
        f.port = name;
        const long long start = platform::now_ms();
        ask_port(c, f);
        f.ms = platform::now_ms() - start;
        findings.push_back(f);
    }
    return findings;
}

std::string finding_line(const PortFinding& f) {
    const std::string at = " at " + std::to_string(f.speed) + " baud";
    switch (f.outcome) {
        case PortOutcome::radio:
            return f.port + ": radio 0840" + at;
        case PortOutcome::other_model:
            return f.port + ": another model (" + f.identity + ")" + at + ", skipped";
        case PortOutcome::busy:
            return f.port + ": busy, in use by another program";
        case PortOutcome::no_permission:
            return f.port +
                   ": no permission; add yourself to the dialout group "
                   "(sudo adduser $USER dialout) and log in again";
        case PortOutcome::not_serial:
            return f.port + ": not a serial device";
        case PortOutcome::absent:
            return f.port + ": cannot be opened";
        case PortOutcome::echoes:
            return f.port + ": echoes what it is sent, no radio";
        case PortOutcome::no_answer:
            break;
    }
    return f.port + ": no answer";
}

void say_finding(Context& c, const PortFinding& f, int place) {
    say(c, "found");
    const int com = c.serial ? c.serial->com_of(f.port) : 0;
    say(c, com > 0 ? "com" : "port");
    for (const char d : std::to_string(com > 0 ? com : place)) say(c, std::string(1, d));
    say(c, "speed");
    for (const char d : std::to_string(f.speed)) say(c, std::string(1, d));
}

int find_radio(Context& c, const std::vector<std::string>& ports) {
    say(c, "search");
    const auto findings = search_ports(c, ports);
    int found = 0;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        if (c.console)
            *c.console << finding_line(findings[i]) << " (" << findings[i].ms << " ms)\n"
                       << std::flush;
        if (findings[i].outcome == PortOutcome::radio) {
            ++found;
            say_finding(c, findings[i], static_cast<int>(i) + 1);
        }
    }
    if (found > 0) return 0;
    say(c, "noradio");
    if (c.console)
        *c.console << "no radio found on " << findings.size() << " ports\n" << std::flush;
    return exit_no_radio_found;
}

}  // namespace vlr
