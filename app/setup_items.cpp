// Each setting of veloran.cfg for the ear: its name, its value in words, and
// what Left/Right, the digits and the sign keys do to it.
#include "app/setup_items.hpp"

#include <algorithm>
#include <cstdlib>

#include "speech/player.hpp"

namespace vlr {

void say_digits(Context& c, long long n) {
    if (n < 0) say(c, "minus"), n = -n;
    for (const char d : std::to_string(n)) say(c, std::string(1, d));
}

namespace {

// Switches: 0 off, 1 on.
template <int Settings::*Field>
void say_switch(Context& c, const Settings& s) {
    say(c, s.*Field == 1 ? "on" : "off");
}
template <int Settings::*Field>
std::string show_switch(const Settings& s) {
    return s.*Field == 1 ? "on" : "off";
}
template <int Settings::*Field>
void flip(Settings& s, int) {
    s.*Field = s.*Field == 1 ? 0 : 1;
}

// The tuner at start: 0 on, 1 off, 2 both.
const char* const tuner_words[] = {"on", "off", "both"};
void say_tuner(Context& c, const Settings& s) { say(c, tuner_words[std::clamp(s.tuner, 0, 2)]); }
std::string show_tuner(const Settings& s) { return tuner_words[std::clamp(s.tuner, 0, 2)]; }
void step_tuner(Settings& s, int direction) {
    s.tuner = (std::clamp(s.tuner, 0, 2) + direction + 3) % 3;
}

// Repeater offsets in kHz: Left/Right 100 kHz, digits type the size, + and -
// the direction.
template <int Settings::*Field>
void say_offset(Context& c, const Settings& s) {
    say(c, s.*Field < 0 ? "minus" : "plus");
    say_digits(c, std::abs(s.*Field));
    say(c, "khz");
}
template <int Settings::*Field>
std::string show_offset(const Settings& s) {
    return (s.*Field < 0 ? "-" : "+") + std::to_string(std::abs(s.*Field)) + " kHz";
}
template <int Settings::*Field, int Top>
void step_offset(Settings& s, int direction) {
    s.*Field = std::clamp(s.*Field + 100 * direction, -Top, Top);
}
template <int Settings::*Field, int Top>
void type_offset(Settings& s, int digit, bool first) {
    const int size = first ? digit : std::abs(s.*Field) * 10 + digit;
    if (size > Top) return;
    s.*Field = s.*Field < 0 ? -size : size;
}
template <int Settings::*Field>
void sign_offset(Settings& s, int sign) {
    s.*Field = sign * std::abs(s.*Field);
}

// Numbers where 0 means off: the pass-through port, the network port.
template <int Settings::*Field>
void say_number_or_off(Context& c, const Settings& s) {
    if (s.*Field == 0) return say(c, "off");
    say_digits(c, s.*Field);
}
template <int Settings::*Field>
std::string show_number_or_off(const Settings& s) {
    return s.*Field == 0 ? "off" : std::to_string(s.*Field);
}
template <int Settings::*Field, int Top>
void type_number(Settings& s, int digit, bool first) {
    const long long n = first ? digit : s.*Field * 10LL + digit;
    if (n <= Top) s.*Field = static_cast<int>(n);
}
void step_passthru(Settings& s, int direction) {
    s.passthru = std::clamp(s.passthru + direction, 0, 99);
}
// The network port is off or the usual rigctld port; other numbers are typed.
void step_net_port(Settings& s, int) { s.net_port = s.net_port == 0 ? 4532 : 0; }

// The address the network port listens on: this computer only, every
// network, or the address the file named.
void say_address(Context& c, const Settings& s) {
    if (s.net_address.empty() || s.net_address == "127.0.0.1") return say(c, "local");
    if (s.net_address == "0.0.0.0") return say(c, "anyaddr");
    for (const char ch : s.net_address) say(c, ch == '.' ? "point" : std::string(1, ch));
}
std::string show_address(const Settings& s) {
    return s.net_address.empty() ? "127.0.0.1 (this computer only)" : s.net_address;
}
void step_address(Settings& s, int) { s.net_address = s.net_address.empty() ? "0.0.0.0" : ""; }

// The speech: the recorded words, speech-dispatcher, the system's voice.
const char* const speech_values[] = {"recorded", "dispatcher", "system"};
int speech_index(const Settings& s) {
    for (int i = 0; i < 3; ++i)
        if (s.speech == speech_values[i]) return i;
    return 0;
}
void say_speech(Context& c, const Settings& s) { say(c, speech_values[speech_index(s)]); }
std::string show_speech(const Settings& s) { return speech_values[speech_index(s)]; }
void step_speech(Settings& s, int direction) {
    s.speech = speech_values[(speech_index(s) + direction + 3) % 3];
}

}  // namespace

const std::vector<SetupItem>& setup_items() {
    using S = Settings;
    static const std::vector<SetupItem> items = {
        {"SWR said while transmitting",
         {"swr"},
         say_switch<&S::auto_swr>,
         show_switch<&S::auto_swr>,
         flip<&S::auto_swr>,
         nullptr,
         nullptr},
        {"Antenna tuner at start", {"tuner"}, say_tuner, show_tuner, step_tuner, nullptr, nullptr},
        {"Radio off when the program ends",
         {"powoff"},
         say_switch<&S::power_off>,
         show_switch<&S::power_off>,
         flip<&S::power_off>,
         nullptr,
         nullptr},
        {"10 m repeater offset",
         {"10", "metres", "ofs"},
         say_offset<&S::offset10>,
         show_offset<&S::offset10>,
         step_offset<&S::offset10, 999>,
         type_offset<&S::offset10, 999>,
         sign_offset<&S::offset10>},
        {"6 m repeater offset",
         {"6", "metres", "ofs"},
         say_offset<&S::offset6>,
         show_offset<&S::offset6>,
         step_offset<&S::offset6, 9999>,
         type_offset<&S::offset6, 9999>,
         sign_offset<&S::offset6>},
        {"2 m repeater offset",
         {"2", "metres", "ofs"},
         say_offset<&S::offset2>,
         show_offset<&S::offset2>,
         step_offset<&S::offset2, 9999>,
         type_offset<&S::offset2, 9999>,
         sign_offset<&S::offset2>},
        {"70 cm repeater offset",
         {"70", "cm", "ofs"},
         say_offset<&S::offset70>,
         show_offset<&S::offset70>,
         step_offset<&S::offset70, 9999>,
         type_offset<&S::offset70, 9999>,
         sign_offset<&S::offset70>},
        {"Pass-through port (COM)",
         {"pthru"},
         say_number_or_off<&S::passthru>,
         show_number_or_off<&S::passthru>,
         step_passthru,
         type_number<&S::passthru, 99>,
         nullptr},
        {"Diagnostic log debug.dat",
         {"log"},
         say_switch<&S::debug>,
         show_switch<&S::debug>,
         flip<&S::debug>,
         nullptr,
         nullptr},
        {"Network port",
         {"netport"},
         say_number_or_off<&S::net_port>,
         show_number_or_off<&S::net_port>,
         step_net_port,
         type_number<&S::net_port, 65535>,
         nullptr},
        {"Network address", {"netaddr"}, say_address, show_address, step_address, nullptr, nullptr},
        {"Network clients may transmit",
         {"nettx"},
         say_switch<&S::net_tx>,
         show_switch<&S::net_tx>,
         flip<&S::net_tx>,
         nullptr,
         nullptr},
        {"Speech", {"speech"}, say_speech, show_speech, step_speech, nullptr, nullptr},
    };
    return items;
}

}  // namespace vlr
