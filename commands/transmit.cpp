// The two keys that make the radio transmit: the space bar (transmit on and
// off) and T (tune). Both set transmit_state, which the timer poll reads to
// choose between the frequency and the SWR meter.
#include "commands/transmit.hpp"

#include <string>

#include "base/names.hpp"
#include "base/text.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "link/reply.hpp"
#include "panel/front_panel.hpp"
#include "radio/frequency.hpp"
#include "radio/levels.hpp"
#include "radio/mode.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

// The automatic tuner works up to 6 m.
constexpr int tuner_top_hz = 60'000'000;

void pauses(Context& c, int n) {
    for (int i = 0; i < n; ++i) pause_word(c);
}

void stop_tune(Context& c) {
    State& s = c.st;
    say(c, "off");
    s.ant_check = 0;
    s.transmit_state = 0;
    if (s.tuner_mode != tuner::automatic) {
        // A carrier was set up: unkey, then give back power and mode.
        send_cat(c, cmd::set(cmd::transmit, false));
        if (s.tuner_mode == tuner::carrier_only) s.tuner_mode = tuner::automatic;
        pauses(c, 5);
        send_power(c);
        show_mode(c);
    }
    s.tune_active = false;
}

// A low-power carrier for tuning by hand; the operator keys it with the PTT.
void carrier_for_manual_tuning(Context& c) {
    State& s = c.st;
    send_cat(c, cmd::ask(cmd::power));
    pauses(c, 2);
    read_reply(c);
    s.power_level = reply_field(s.cat_reply, "PC", 3, 3).value_or(s.power_level);
    send_cat(c, s.radio_variant == 1 ? cmd::set(cmd::power_100w, 10) : cmd::set(cmd::power_10w, 5));
    int kept = s.vfo_frequency;
    send_cat(c, cmd::mode(s.radio_variant != 0 ? mode::am : mode::fm_narrow));
    s.vfo_frequency = kept;
    send_vfo_frequency(c);
    s.transmit_state = 1;
    // The operator keys this carrier with the microphone's PTT, which the
    // program never sees: it counts as keyed until the tune ends with "TX0".
    s.radio_may_be_keyed = true;
    say(c, "ptthold");
    if (s.auto_swr == 0) say(c, "swrwiths");
}

}  // namespace

void toggle_transmit(Context& c) {
    State& s = c.st;
    if (s.transmit_state >= keyed_transmit_base) {
        // Switching off is always allowed, whatever the mode is by now.
        s.auto_swr = s.transmit_state - keyed_transmit_base;
        s.transmit_state = 0;
        send_cat(c, cmd::set(cmd::transmit, false));
        say(c, "tx");
        say(c, "off");
        return;
    }
    if (s.mode_code < mode::lsb || s.mode_code > mode::cw) {
        say(c, "na");
        return;
    }
    say(c, "tx");
    say(c, "on");
    // The SWR is heard only on S while transmitting; the setting comes back after.
    s.transmit_state = s.auto_swr + keyed_transmit_base;
    s.auto_swr = 0;
    s.tx_settle_count = 2;
    s.tuner_engaged = false;
    send_cat(c, cmd::set(cmd::transmit, true));
}

void tune_key(Context& c) {
    State& s = c.st;
    say(c, "tune");
    if (s.tune_active) {
        stop_tune(c);
        return;
    }
    say(c, "on");
    s.tune_active = true;
    if ((s.tuner_mode == tuner::automatic || s.tuner_mode == tuner::both) &&
        s.vfo_frequency <= tuner_top_hz) {
        if (!s.tuner_engaged) {
            send_cat(c, cmd::fixed(cmd::tuner_on));
            s.tuner_engaged = true;
        }
        send_cat(c, cmd::fixed(cmd::tuner_start));
        s.tick_count = 0;
        for (int i = 0; i < 6; ++i) say(c, "beep");
        say(c, "ok");
        if (s.tuner_mode == tuner::automatic) {
            say(c, "tune");
            stop_tune(c);
            return;
        }
    } else {
        say(c, "atu");
        say(c, "na");
        s.tuner_mode = tuner::carrier_only;
    }
    carrier_for_manual_tuning(c);
}

void quit_key(Context& c) {
    say(c, "quit");
    if (c.st.radio_connected) {
        // The program ends on the second frequency reply after this, so the
        // memory banks are saved with the radio's last frequency.
        send_cat(c, cmd::set(cmd::transmit, false));
        c.st.quit_pending = 1;
    } else {
        c.st.running = false;
    }
}

}  // namespace vlr
