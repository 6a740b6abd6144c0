// The modes, in one table: everything the program says, shows, writes and
// sends for a mode comes from its row.
#pragma once

#include <array>

namespace vlr {

// The program's own mode numbering (`mode_code`, also the mode digit of a
// band row or channel record); the radio's differs.
namespace mode {
inline constexpr int lsb = 1, usb = 2, cw = 3, am = 4, fm_narrow = 5, c4fm = 6, fm = 7;
}  // namespace mode

struct ModeRow {
    int code;
    const char* command;               // "MD0" + the radio's own mode number
    std::array<const char*, 2> words;  // what is spoken (nullptr: no second word)
    const char* panel_label;           // trailing blanks cover the longest label before it
    const char* report_label;          // in memory.txt
    const char* net_name;              // Hamlib's name, the one reported to clients
    unsigned long hamlib_bit;          // the mode's bit in Hamlib's mode mask
    bool net_settable;                 // a client naming net_name means this mode
    const char* chirp_name;            // the Mode column of a CHIRP channel list
};

// Hamlib's mode bits.
namespace hamlib {
inline constexpr unsigned long am = 0x1, cw = 0x2, usb = 0x4, lsb = 0x8, fm = 0x20, cwr = 0x80,
                               pktlsb = 0x400, pktusb = 0x800, pktfm = 0x1000, fmn = 0x200000;
}  // namespace hamlib

// Rows by mode code 1..7. The panel never clears, it only overdraws: a label
// carries enough trailing blanks to cover the longest label drawn before it.
// clang-format off
inline constexpr ModeRow mode_rows[] = {
    {mode::lsb, "MD01", {"lsb.wav", nullptr}, "LSB    ", "LSB", "LSB", hamlib::lsb, true, "LSB"},
    {mode::usb, "MD02", {"usb.wav", nullptr}, "USB    ", "USB", "USB", hamlib::usb, true, "USB"},
    {mode::cw, "MD03", {"cw.wav", nullptr}, "CW      ", "CW", "CW", hamlib::cw, true, "CW"},
    {mode::am, "MD05", {"am.wav", nullptr}, "AM     ", "AM", "AM", hamlib::am, true, "AM"},
    {mode::fm_narrow, "MD0B", {"fm.wav", "nar.wav"}, "FMN     ", "FMN", "FMN", hamlib::fmn, true, "NFM"},
    // Clients see C4FM as FM; "FM" from a client means analogue FM.
    {mode::c4fm, "MD0H", {"c4fm.wav", nullptr}, "C4FM  ", "C4FM", "FM", hamlib::fm, false, "DN"},
    {mode::fm, "MD04", {"fm.wav", nullptr}, "FM      ", "FMW", "FM", hamlib::fm, true, "FM"},
};
// clang-format on

// The data and reverse variants a client may name: the same radio mode, so
// they are reported back only while the client's own choice stands.
struct NetModeVariant {
    const char* name;
    int code;
    unsigned long hamlib_bit;
};
inline constexpr NetModeVariant net_mode_variants[] = {
    {"PKTLSB", mode::lsb, hamlib::pktlsb},
    {"PKTUSB", mode::usb, hamlib::pktusb},
    {"CWR", mode::cw, hamlib::cwr},
    {"PKTFM", mode::fm, hamlib::pktfm},
};

// The row of a mode code, or nullptr for a code outside 1..7 (a damaged
// row or reply).
constexpr const ModeRow* mode_row(int code) {
    return code >= mode::lsb && code <= mode::fm ? &mode_rows[code - 1] : nullptr;
}

// Every mode a client can set, as Hamlib's mode mask.
constexpr unsigned long net_mode_mask() {
    unsigned long mask = 0;
    for (const ModeRow& row : mode_rows) mask |= row.hamlib_bit;
    for (const NetModeVariant& v : net_mode_variants) mask |= v.hamlib_bit;
    return mask;
}

}  // namespace vlr
