// The keys that move the frequency: the tuning keys, zero-in and split.
#include "base/names.hpp"
#include "base/text.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "radio/frequency.hpp"
#include "radio/levels.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

constexpr int lowest_hz = 1'000'000;
// Nine digits is all the frequency command has room for.
constexpr int highest_hz = 999'999'999;

bool on_fm_channel_band(const State& s) {
    return s.band_index == band::m2 || s.band_index == band::cm70 ||
           s.band_index == band::general_key;
}

// A step that leaves the repeater's input frequency also leaves its shift.
void drop_repeater(Context& c) {
    if (c.st.repeater_on == 1) toggle_repeater(c);
}

// Changes vfo_frequency for the tuning keys. Returns false when the key was
// the squelch in FM, which ends the key's handling.
bool tuning_step(Context& c) {
    State& s = c.st;
    long long f = s.vfo_frequency;
    switch (s.key_code) {
        case vk::plus:
        case vk::minus:
            f += s.key_code == vk::plus ? 1'000'000 : -1'000'000;
            s.vfo_frequency = static_cast<int>(f < lowest_hz    ? lowest_hz
                                               : f > highest_hz ? highest_hz
                                                                : f);
            if (s.repeater_on == 1) toggle_repeater(c);
            return true;
        case vk::page_up:
            if (s.mode_code >= mode::am && on_fm_channel_band(s)) {
                f += 12'500;
                drop_repeater(c);
            } else {
                f += 10'000;
            }
            break;
        case vk::page_down:
            if (s.mode_code == mode::fm_narrow && on_fm_channel_band(s)) {
                f -= 12'500;
                drop_repeater(c);
            } else {
                f -= 10'000;
            }
            break;
        case vk::right:
            if (is_fm(s.mode_code)) {
                squelch_up(c);
                return false;
            }
            f += is_cw(s.mode_code) ? 10 : 100;
            break;
        case vk::left:
            if (is_fm(s.mode_code)) {
                squelch_down(c);
                return false;
            }
            f -= is_cw(s.mode_code) ? 10 : 100;
            break;
        default:
            return true;
    }
    if (f < lowest_hz) f = lowest_hz;
    if (f > highest_hz) f = highest_hz;
    s.vfo_frequency = static_cast<int>(f);
    return true;
}

}  // namespace

void tuning_key(Context& c) {
    if (!tuning_step(c)) return;
    send_cat(c, cmd::frequency(c.st.vfo_frequency));
}

void split_key(Context& c) {
    State& s = c.st;
    if (s.band_index == band::general) {
        say(c, "split");
        say(c, "invalid");
        return;
    }
    s.key_state = ks::normal;
    if (s.band_index >= band::m10 && s.mode_code >= mode::fm_narrow && s.mode_code <= mode::fm) {
        // On the FM bands the split key works the repeater shift instead.
        toggle_repeater(c);
        return;
    }
    if (!s.vfo_b_selected) {
        s.vfo_b_selected = true;
        start_split(c);
    } else {
        end_split(c);
        say(c, "split");
        say(c, "off");
    }
}

void zero_key(Context& c) {
    say(c, "0");
    say(c, "ok");
    if (is_cw(c.st.mode_code))
        send_cat(c, cmd::fixed(cmd::zero_in));
    else
        snap_to_khz(c);
}

}  // namespace vlr
