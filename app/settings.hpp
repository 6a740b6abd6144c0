// The values of veloran.cfg as the set-up edits them, and the file's text
// made from them in the positional layout the start-up reads.
#pragma once

#include <string>

namespace vlr {

struct Settings {
    int com = 5, speed = 38400, auto_swr = 1, tuner = 0, power_off = 0;
    int offset10 = -100, offset6 = -500, offset2 = -600, offset70 = 5000;  // kHz, signed
    int passthru = 0, debug = 0, net_port = 4532, net_tx = 0;
    std::string net_address;  // "": this computer only
    std::string speech;       // "": no line 14 (the recorded words)
    std::string later_lines;  // lines 15 and later, kept as they were (CR LF ended)
};

// The sample veloran.cfg, used when there is no file yet.
extern const char* const sample_config;

// The values a veloran.cfg text holds, read by the program's own reader.
Settings settings_from_config(const std::string& text);

// The file's text, CR LF line ends; every value clamped to what its line can hold.
std::string config_text(const Settings& s);

}  // namespace vlr
