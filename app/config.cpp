// veloran.cfg: lines read by position; labels are free text. Lines 1..11 are
// read by character position, lines 12 and 13 (the network port) by word,
// line 14 (the speech) from its eighth character.
#include <cctype>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "base/text.hpp"

namespace vlr {

namespace {

// Splits at CR, LF or CR LF; every line is cut at 255 characters.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            lines.push_back(cut(line));
            line.clear();
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += ch;
        }
    }
    if (!line.empty()) lines.push_back(cut(line));
    return lines;
}

int line_len(const std::string& s) { return static_cast<int>(s.size()); }

// The blank-separated words of a line.
std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(" \t", at)) != std::string::npos) {
        const std::size_t end = line.find_first_of(" \t", at);
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

// Line 12, "Net 4532" or "Net 4532 192.168.1.10": a label, the network
// port (0 or no line: off) and optionally the address to listen on. Line 13,
// "NetTx 1": whether network clients may key the transmitter.
void read_network_lines(State& s, const std::string& port_line, const std::string& tx_line) {
    const auto port = words_of(port_line);
    s.net_port = port.size() >= 2 ? text_num(port[1]) : 0;
    if (s.net_port < 0 || s.net_port > 65535) s.net_port = 0;
    s.net_address = port.size() >= 3 ? port[2] : std::string();
    const auto tx = words_of(tx_line);
    s.net_tx_allowed = tx.size() >= 2 && text_num(tx[1]) == 1;
}

}  // namespace

bool read_config_text(State& s, const std::string& text) {
    std::vector<std::string> lines = split_lines(text);
    auto line = [&](int n) -> std::string {
        return n <= static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(n - 1)] : std::string();
    };

    std::string l = line(1);
    s.radio_port = text_num(line_len(l) == 6 ? right(l, 2) : right(l, 1));

    s.port_speed = text_num(mid(line(2), 7));

    l = line(3);
    if (left(l, 3) == "pow") return false;
    s.auto_swr = text_num(mid(l, 5, 1));

    s.tuner_mode = text_num(mid(line(4), 5, 1));
    s.top_band = "7";

    s.power_off_on_exit = text_num(mid(line(5), 8, 1)) == 1;
    s.dcs_allowed = true;

    l = line(6);
    s.shift10_sign = mid(l, 7, 1);
    s.shift10_digits = "0" + mid(l, 8, 3);

    l = line(7);
    s.shift6_sign = mid(l, 6, 1);
    s.shift6_digits = line_len(l) == 10 ? mid(l, 7, 4) : "0" + mid(l, 7, 3);

    l = line(8);
    s.shift2_sign = mid(l, 6, 1);
    s.shift2_digits = line_len(l) == 10 ? mid(l, 7, 4) : "0" + mid(l, 7, 3);

    l = line(9);
    s.shift70_sign = mid(l, 7, 1);
    s.shift70_digits = line_len(l) == 11 ? mid(l, 8, 4) : "0" + mid(l, 8, 3);

    s.offset10_sign = s.shift10_sign, s.offset10_digits = s.shift10_digits;
    s.offset6_sign = s.shift6_sign, s.offset6_digits = s.shift6_digits;
    s.offset2_sign = s.shift2_sign, s.offset2_digits = s.shift2_digits;
    s.offset70_sign = s.shift70_sign, s.offset70_digits = s.shift70_digits;

    l = line(10);
    s.passthru_port = text_num(line_len(l) == 9 ? right(l, 2) : right(l, 1));

    s.debug_log_on = text_num(mid(line(11), 7, 1)) == 1;
    read_network_lines(s, line(12), line(13));

    // "Speech dispatcher" picks the speech service; a file without the line
    // keeps the recorded words.
    l = line(14);
    s.speech_choice.clear();
    for (char ch : mid(l, 8))
        if (ch != ' ') s.speech_choice += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return true;
}

}  // namespace vlr
