// Every command the program sends to the radio is made here: this file is
// the index of what the program says to it. A command is a code, fixed-width
// decimal fields and ";" (send_command appends the ";"). A set changes a
// setting; a query is the bare code, and the radio answers with the code and
// its fields (read by link/reply.hpp). Senders write
// `send_cat(c, cmd::set(cmd::af_gain, 120))`, `query_cat(c, cmd::ask(cmd::power))`.
#pragma once

#include <string>

namespace vlr::cmd {

// A setting with a number: the code before the number and the number's width.
struct Level {
    const char* code;
    int width;
};
// A setting that is on or off: the code before its digit (1 on, 0 off).
struct Switch {
    const char* code;
};
// What a query asks for: the bare code.
struct Query {
    const char* code;
};
// A set whose whole text is fixed.
struct Fixed {
    const char* text;
};

std::string set(Level level, long long value);  // code + value, zero-padded to its width
std::string set(Switch sw, bool on);            // code + "1" / "0"
std::string ask(Query query);                   // code
std::string fixed(Fixed command);               // its text

// ---- Frequency, VFOs and split ---------------------------------------------
std::string frequency(int hz);    // FA + nine digits (goes out as FB while VFO B is selected)
std::string frequency_b(int hz);  // FB + nine digits, whichever VFO is selected
std::string frequency_a_digits(const std::string& nine);     // FA + nine stored digits
std::string vfo_frequency(const std::string& vfo_and_nine);  // F + "A014200000" (a stored VFO)
inline constexpr Switch split{"ST"};                         // transmit on VFO B
inline constexpr Switch vfo_b{"VS"};                         // VFO B selected
std::string band_stack(int radio_band);  // BS0 + the radio's band number, two digits
inline constexpr Fixed zero_in{"ZI"};    // CW zero-in

// ---- Mode and filter --------------------------------------------------------
std::string mode(int mode_code);  // MD0x, from the mode table
inline constexpr Switch narrow{"NA0"};
inline constexpr Level width{"SH00", 2};  // the filter width index
inline constexpr Level squelch{"SQ0", 3};

// ---- Receiver switches and levels -------------------------------------------
inline constexpr Level preamp_hf{"PA0", 1};  // HF and 6 m: off, IPO 1, IPO 2
inline constexpr Switch preamp_vhf{"PA1"};   // 2 m
inline constexpr Switch preamp_uhf{"PA2"};   // 70 cm
inline constexpr Switch attenuator{"RA0"};
inline constexpr Level noise_blanker{"NL00", 2};   // 0 is off
inline constexpr Level noise_reduction{"RL0", 2};  // 0 is off
inline constexpr Switch notch{"BC0"};
inline constexpr Switch contour{"CO0000"};
// The same switch in the radio's full form (four digits), as the read-back
// sends it; the F6 key has always sent the short form above.
inline constexpr Level contour_full{"CO00", 4};
inline constexpr Level contour_level{"CO01", 4};
inline constexpr Level agc{"GT0", 1};
inline constexpr Level af_gain{"AG0", 3};
inline constexpr Level second_af_gain{"AG1", 3};
inline constexpr Level rf_gain{"RG0", 3};
inline constexpr Level second_rf_gain{"RG1", 3};

// ---- Transmitter --------------------------------------------------------------
inline constexpr Switch transmit{"TX"};  // TX1 keyed by the program, TX0 unkeyed
inline constexpr Level power_10w{"PC1", 3};
inline constexpr Level power_100w{"PC2", 3};
inline constexpr Level mic_gain{"MG", 3};
inline constexpr Switch processor{"PR0"};
inline constexpr Level processor_level{"PL", 3};
inline constexpr Switch break_in{"BI"};
inline constexpr Switch vox{"VX"};
inline constexpr Level keyer_speed{"KS0", 2};
inline constexpr Switch monitor{"ML0"};
inline constexpr Level monitor_level{"ML1", 3};
inline constexpr Switch power_switch{"PS"};
// The antenna tuner: AC + on/off + start tuning.
inline constexpr Fixed tuner_off{"AC000"}, tuner_on{"AC100"}, tuner_start{"AC103"};

// ---- Tone squelch and repeater --------------------------------------------------
inline constexpr Level tone_mode{"CT0", 1};                     // 0 off, 1 CTCSS, 3 DCS
std::string ctcss_tone(const std::string& number);              // CN00 + three digits
std::string dcs_code(bool upper, const std::string& last_two);  // CN01 + bank digit + two digits
inline constexpr Level repeater_shift{"OS0", 1};                // 0 simplex, 1 plus, 2 minus

// ---- Menu items (EX) ---------------------------------------------------------------
std::string menu(const std::string& item, const std::string& value = {});  // EX + item + value
std::string antenna(int number);  // the antenna menu item: 1 or 2

// ---- Queries ------------------------------------------------------------------------
inline constexpr Query frequency_poll{"FA"}, identity{"ID"}, power{"PC"}, ask_mic_gain{"MG"},
    ask_keyer_speed{"KS"}, ask_agc{"GT0"}, ask_af_gain{"AG0"}, ask_second_af_gain{"AG1"},
    ask_monitor{"ML0"}, ask_monitor_level{"ML1"}, ask_processor{"PR0"}, ask_processor_level{"PL"},
    ask_tuner{"AC"}, ask_vox{"VX"}, ask_break_in{"BI"}, ask_squelch{"SQ0"}, s_meter{"SM0"},
    alc_meter{"RM4"}, swr_meter{"RM6"};

}  // namespace vlr::cmd
