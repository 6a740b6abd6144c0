#include "commands/net_capabilities.hpp"

#include <algorithm>
#include <cstdlib>

#include "base/names.hpp"
#include "commands/net_levels.hpp"

namespace vlr {

namespace {

// What the program's width index means in Hz: sideband widths 1.8 .. 3.1 kHz
// (indexes 9..21), CW 50 Hz a step with 800 and 1200 Hz at 11 and 12.
int ssb_width_hz(int w) { return w <= 9 ? 1800 : w == 10 ? 1900 : w <= 19 ? 2000 + 100 * (w - 10) : 3000 + 100 * (w - 20); }
int cw_width_hz(int w) { return w == 11 ? 800 : w == 12 ? 1200 : 50 * w; }

}  // namespace

int passband_hz(const State& s) {
    switch (s.mode_code) {
        case mode::lsb:
        case mode::usb: return ssb_width_hz(std::clamp(s.width_index, 9, 21));
        case mode::cw: return cw_width_hz(std::clamp(s.width_index, 1, 12));
        case mode::am: return 6000;
        case mode::fm_narrow: return 9000;
        default: return 16000;
    }
}

// The width index nearest to `hz` in the mode's own table.
int nearest_width_index(const State& s, int hz) {
    const bool cw = s.mode_code == mode::cw;
    const int low = cw ? 1 : 9, high = cw ? 12 : 21;
    int best = low;
    for (int w = low; w <= high; ++w) {
        const int here = cw ? cw_width_hz(w) : ssb_width_hz(w);
        const int there = cw ? cw_width_hz(best) : ssb_width_hz(best);
        if (std::abs(here - hz) < std::abs(there - hz)) best = w;
    }
    return best;
}

// The capabilities a Hamlib NET rigctl client asks for when it opens the
// radio, in rigctld's protocol version 1: frequency ranges (receive, then
// transmit), tuning steps, filters, then named settings up to "done".
std::string dump_state(const State& s, const std::string& modes) {
    std::string t = "1\n2\n0\n";
    t += "1000000.000000 470000000.000000 " + modes + " -1 -1 0x3 0x0\n0 0 0 0 0 0 0\n";
    t += "1800000.000000 470000000.000000 " + modes + " 5000 100000 0x3 0x0\n0 0 0 0 0 0 0\n";
    t += modes + " 10\n0 0\n";
    t += "0xc 2400\n0xc 1800\n0xc 3100\n0x2 500\n0x2 1200\n0x2 50\n0x1 6000\n0x1020 16000\n"
         "0x200000 9000\n0 0\n";
    // No RIT, XIT or IF shift to offer; the preamp and attenuator steps.
    t += "0\n0\n0\n0\n10 20 \n12 \n";
    // Functions (get, set), levels (get, set), parameters (get, set).
    t += "0x0\n0x0\n" + net_get_level_mask() + "\n" + net_set_level_mask() + "\n0x0\n0x0\n";
    // Frequency and mode are answered for VFO B without switching to it
    // (targetable), so clients leave the radio's VFO alone.
    t += "vfo_ops=0x0\nptt_type=0x1\ntargetable_vfo=0x3\nhas_set_vfo=1\nhas_get_vfo=1\n"
         "has_set_freq=1\nhas_get_freq=1\nhas_set_conf=0\nhas_get_conf=0\nhas_power2mW=0\n"
         "has_mW2power=0\ntimeout=3000\nrig_model=2\n";
    t += "rigctld_version=Veloran " + s.version_text + "\ndone\n";
    return t;
}

}  // namespace vlr
