// veloran.cfg written back: each value at the character position the reader
// takes it from (app/config.cpp), with the labels of the sample file.
#include "app/settings.hpp"

#include <algorithm>

#include "app/startup.hpp"
#include "base/text.hpp"

namespace vlr {

const char* const sample_config =
    "COM  5\r\nSpeed 38400\r\nswr 1\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
    "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 0\r\nNet 4532\r\nNetTx 0\r\n";

namespace {

int signed_offset(const std::string& sign, const std::string& digit_text) {
    const int kHz = text_num(digit_text);
    return sign == "+" ? kHz : -kHz;
}

// Lines 15 and later of `text`, each ended with CR LF.
std::string lines_after_14(const std::string& text) {
    std::string rest, line;
    int number = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const char ch = end ? '\n' : text[i];
        if (ch != '\r' && ch != '\n') {
            line += ch;
            continue;
        }
        if (end && line.empty()) break;
        if (++number > 14) rest += line + "\r\n";
        line.clear();
        if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return rest;
}

// Sign and magnitude: 3 digits ("-100") or, when `four` and it needs them, 4.
std::string offset_text(int kHz, bool four) {
    const int size = std::min(std::abs(kHz), four ? 9999 : 999);
    return std::string(kHz < 0 ? "-" : "+") + zero_pad(size, size > 999 ? 4 : 3);
}

// A COM number in a line read as "last 2 characters if it is `long_size`
// long, else the last one": two digits fill the line to that size; one digit
// does too with `pad` (the sample's "COM  5"), else it follows one blank.
std::string com_line(const std::string& label, int com, std::size_t long_size, bool pad) {
    com = std::clamp(com, 0, 99);
    std::string line = label + " " + std::to_string(com);
    if (com > 9 || pad) line.insert(label.size(), std::string(long_size - line.size(), ' '));
    return line;
}

int digit_value(int v, int top) { return std::clamp(v, 0, top); }

}  // namespace

Settings settings_from_config(const std::string& text) {
    State st;
    read_config_text(st, text);
    Settings s;
    s.com = st.radio_port;
    s.speed = st.port_speed;
    s.auto_swr = st.auto_swr;
    s.tuner = st.tuner_mode;
    s.power_off = st.power_off_on_exit;
    s.offset10 = signed_offset(st.offset10_sign, st.offset10_digits);
    s.offset6 = signed_offset(st.offset6_sign, st.offset6_digits);
    s.offset2 = signed_offset(st.offset2_sign, st.offset2_digits);
    s.offset70 = signed_offset(st.offset70_sign, st.offset70_digits);
    s.passthru = st.passthru_port;
    s.debug = st.debug_log_on;
    s.net_port = st.net_port;
    s.net_address = st.net_address;
    s.net_tx = st.net_tx_allowed;
    s.speech = st.speech_choice;
    s.later_lines = lines_after_14(text);
    return s;
}

std::string config_text(const Settings& s) {
    std::string t;
    auto line = [&t](const std::string& l) { t += l + "\r\n"; };
    line(com_line("COM", s.com, 6, true));
    line("Speed " + std::to_string(std::max(s.speed, 0)));
    line("swr " + std::to_string(digit_value(s.auto_swr, 1)));
    line("tun " + std::to_string(digit_value(s.tuner, 2)));
    line("PowOff " + std::to_string(digit_value(s.power_off, 1)));
    line("10mof " + offset_text(s.offset10, false));
    line("6mof " + offset_text(s.offset6, true));
    line("2mof " + offset_text(s.offset2, true));
    line("70mof " + offset_text(s.offset70, true));
    line(com_line("Pthru", s.passthru, 9, false));
    line("Debug " + std::to_string(digit_value(s.debug, 1)));
    const bool address =
        !s.net_address.empty() && s.net_address.find_first_of(" \t\r\n") == std::string::npos;
    line("Net " + std::to_string(std::clamp(s.net_port, 0, 65535)) +
         (address ? " " + s.net_address : ""));
    line("NetTx " + std::to_string(digit_value(s.net_tx, 1)));
    if (!s.speech.empty() || !s.later_lines.empty())
        line("Speech " + (s.speech.empty() ? std::string("recorded") : s.speech));
    return t + s.later_lines;
}

}  // namespace vlr
