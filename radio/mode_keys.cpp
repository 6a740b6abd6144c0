// The keys that change the mode: M steps through the modes, X M switches FM
// between wide and narrow, D goes to C4FM and back, K starts and ends keyer
// practice in CW.
#include "base/names.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "link/reply.hpp"
#include "radio/mode.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"

namespace vlr {

void leave_keyer(Context& c) {
    State& s = c.st;
    s.key_state = ks::normal;
    s.mode_code = s.saved_mode;
    show_mode(c);
    if (s.break_in_on) send_cat(c, cmd::set(cmd::break_in, true));
}

void keyer_key(Context& c) {
    State& s = c.st;
    say(c, "ks");
    if (s.key_state == ks::keyer) {
        s.key_state = ks::normal;
        s.mode_code = s.saved_mode;
        show_mode(c);
        say(c, "off");
        say_keyer_speed(c);
        if (s.break_in_on) send_cat(c, cmd::set(cmd::break_in, true));
        return;
    }
    s.saved_mode = s.mode_code;
    s.mode_code = mode::cw;
    show_mode(c);
    s.key_state = ks::keyer;
    query_cat(c, cmd::ask(cmd::ask_keyer_speed));
    s.keyer_speed = reply_field(c.st.cat_reply, "KS", 2, 3).value_or(s.keyer_speed);
    say(c, "on");
    // Practice without keying the transmitter.
    send_cat(c, cmd::set(cmd::break_in, false));
    say_keyer_speed(c);
}

void c4fm_key(Context& c) {
    State& s = c.st;
    if (s.mode_code < mode::fm_narrow) return;
    if (is_fm(s.mode_code)) {
        // The mode change drops the tone; keep it for the way back.
        s.saved_tone_code = s.tone_code;
        s.mode_code = mode::c4fm;
        show_mode(c);
    } else {
        s.mode_code = s.fm_wide ? mode::fm : mode::fm_narrow;
        show_mode(c);
        restore_saved_tone(c);
    }
    say_mode(c);
}

void fm_width_key(Context& c) {
    State& s = c.st;
    if (s.mode_code == mode::fm_narrow) {
        s.mode_code = mode::fm;
        s.fm_wide = true;
    } else if (s.mode_code == mode::fm) {
        s.mode_code = mode::fm_narrow;
        s.fm_wide = false;
    }
    show_mode(c);
    say_mode(c);
    s.key_state = ks::normal;
}

void mode_key(Context& c) {
    State& s = c.st;
    s.mode_code += 1;
    if ((s.fm_wide && s.mode_code == 8) || (!s.fm_wide && s.mode_code >= mode::c4fm))
        s.mode_code = mode::lsb;
    if (s.mode_code > mode::fm || s.mode_code < mode::lsb) s.mode_code = mode::lsb;
    // FM only where it is allowed: 10 m and up, at or above 27 MHz.
    if (s.mode_code == mode::fm_narrow &&
        (s.band_index < band::m10 || s.vfo_frequency < 27'000'000))
        s.mode_code = mode::lsb;
    if (s.mode_code == mode::fm_narrow && s.fm_wide)
        s.mode_code = mode::fm;
    else if (s.mode_code == mode::fm && !s.fm_wide)
        s.mode_code = mode::fm_narrow;
    show_mode(c);
    say_mode(c);
}

}  // namespace vlr
