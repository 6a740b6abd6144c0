// On/off functions switched by single keys: each announces the function,
// changes the program's own record of it, sends one command and announces
// the new state. The radio is never asked whether the switch took effect.
//   sends: PA RA NL RL PR BI VX;  reads: PL (processor level, before PR)
#include "radio/functions.hpp"

#include <algorithm>
#include <array>

#include "base/names.hpp"
#include "base/text.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "link/reply.hpp"
#include "panel/front_panel.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {


// The VHF/UHF receivers have their own preamp command and a single stage.
std::string preamp_command(int band, int preamp) {
    if (band == band::m2) return cmd::set(cmd::preamp_vhf, preamp != 0);
    if (band == band::cm70) return cmd::set(cmd::preamp_uhf, preamp != 0);
    return cmd::set(cmd::preamp_hf, std::clamp(preamp, 0, 2));
}

}  // namespace

void apply_preamp(Context& c) {
    State& s = c.st;
    say(c, "preamp");
    send_cat(c, preamp_command(s.band_index, s.preamp));
    if (s.preamp == 0) {
        say(c, "off");
    } else {
        say(c, s.preamp == 2 ? "2" : "1");
        say(c, "on");
    }
    show_status_line(c);
}

void toggle_attenuator(Context& c) {
    State& s = c.st;
    std::string command;
    say(c, "at");
    // The VHF/UHF rows have no attenuator.
    if (s.band_index > band::m6) {
        say(c, "na");
        return;
    }
    if (!s.att_on) {
        command = cmd::set(cmd::attenuator, true);
        say(c, "on");
        s.att_on = true;
    } else {
        command = cmd::set(cmd::attenuator, false);
        s.att_on = false;
        say(c, "off");
    }
    send_cat(c, command);
    show_status_line(c);
}

void toggle_noise_blanker(Context& c) {
    State& s = c.st;
    std::string command;
    say(c, "nb");
    if (!s.nb_on) {
        // A level from an old memory file must still give a well-formed command.
        s.nb_level = std::clamp(s.nb_level, 1, 10);
        command = cmd::set(cmd::noise_blanker, s.nb_level);
        say(c, "on");
        s.nb_on = true;
        s.level_target = level_of::noise_blanker;
    } else {
        command = cmd::set(cmd::noise_blanker, 0);
        say(c, "off");
        s.nb_on = false;
        if (s.level_target == level_of::noise_blanker) s.level_target = level_of::none;
    }
    send_cat(c, command);
}

void toggle_noise_reduction(Context& c) {
    State& s = c.st;
    std::string command;
    say(c, "nr");
    if (s.nr_on) {
        s.nr_on = false;
        command = cmd::set(cmd::noise_reduction, 0);
        say(c, "off");
        s.level_target = level_of::none;
    } else {
        s.level_target = level_of::noise_reduction;
        // nr_level comes back from the memory file; keep the command two digits.
        s.nr_level = std::clamp(s.nr_level, 1, 10);
        command = cmd::set(cmd::noise_reduction, s.nr_level);
        say(c, "on");
        s.nr_on = true;
    }
    send_cat(c, command);
    show_status_line(c);
}

void toggle_speech_processor(Context& c) {
    State& s = c.st;
    std::string command;
    say(c, "spc");
    if (!s.speech_proc_on) {
        say(c, "on");
        command = cmd::set(cmd::processor, true);
        s.level_target = level_of::processor;
    } else {
        say(c, "off");
        command = cmd::set(cmd::processor, false);
        s.level_target = level_of::none;
    }
    send_cat(c, command);
    s.speech_proc_on = 1 - s.speech_proc_on;
    // The level keys start from the radio's own processor level.
    if (s.speech_proc_on) read_processor_level(c);
}

void read_processor_level(Context& c) {
    State& s = c.st;
    send_cat(c, cmd::ask(cmd::ask_processor_level));
    pause_word(c);
    read_reply(c);
    // A cut-off or garbled answer keeps the level we had.
    s.proc_level = reply_field(s.cat_reply, "PL", 2, 3).value_or(s.proc_level);
    show_status_line(c);
}

namespace {

// Break-in and VOX are the same plain switch: name, command, state, redraw.
void toggle_switch(Context& c, const char* word, cmd::Switch sw, bool& on) {
    say(c, word);
    on = !on;
    const std::string command = cmd::set(sw, on);
    say(c, on ? "on" : "off");
    send_cat(c, command);
    show_status_line(c);
}

}  // namespace

void toggle_break_in(Context& c) { toggle_switch(c, "bkin", cmd::break_in, c.st.break_in_on); }

void toggle_vox(Context& c) { toggle_switch(c, "vox", cmd::vox, c.st.vox_on); }

void antenna_key(Context& c) {
    State& s = c.st;
    if (s.band_index == band::m2 || s.band_index == band::cm70 || s.radio_variant < 1) {
        say(c, "na");
        s.key_state = ks::normal;
        return;
    }
    if (s.antenna2) {
        say(c, "ant1");
        send_cat(c, cmd::antenna(1));
    } else {
        say(c, "ant2");
        send_cat(c, cmd::antenna(2));
    }
    s.antenna2 = 1 - s.antenna2;
    // Keeps state 14 for one S so the operator can compare the antennas.
    s.ant_check = 2;
}

// AGC steps fast, mid, slow, auto and round again.
void agc_key(Context& c) {
    static const std::array<const char*, 4> words{"fast", "mid", "slow", "auto"};
    State& s = c.st;
    s.agc_setting += 1;
    if (s.agc_setting > 4 || s.agc_setting < 1) s.agc_setting = 1;
    send_cat(c, cmd::set(cmd::agc, s.agc_setting));
    say(c, "agc");
    say(c, words[static_cast<std::size_t>(s.agc_setting - 1)]);
}

void monitor_key(Context& c) {
    State& s = c.st;
    std::string command;
    say(c, "mon");
    if (s.monitor_on) {
        s.monitor_on = false;
        command = cmd::set(cmd::monitor, false);
        say(c, "off");
        s.level_target = level_of::none;
    } else {
        s.monitor_on = true;
        command = cmd::set(cmd::monitor, true);
        s.level_target = level_of::monitor;
        say(c, "on");
    }
    send_cat(c, command);
}

void notch_key(Context& c) {
    State& s = c.st;
    std::string command;
    say(c, "notch");
    if (s.notch_on) {
        command = cmd::set(cmd::notch, false);
        say(c, "off");
    } else {
        command = cmd::set(cmd::notch, true);
        say(c, "on");
    }
    s.notch_on = !s.notch_on;
    send_cat(c, command);
}

void contour_key(Context& c) {
    State& s = c.st;
    std::string command;
    if (is_cw(s.mode_code)) {
        say(c, "na");
        return;
    }
    s.level_target = level_of::contour;
    say(c, "co");
    if (s.contour_on) {
        s.contour_on = false;
        command = cmd::set(cmd::contour, false);
        say(c, "off");
        s.level_target = level_of::none;
    } else {
        s.contour_on = true;
        command = cmd::set(cmd::contour, true);
        say(c, "on");
        s.level_target = level_of::contour;
    }
    send_cat(c, command);
}

void tuner_key(Context& c) {
    State& s = c.st;
    s.tuner_engaged = false;
    say(c, "tuner");
    if (s.tuner_mode == tuner::off) {
        send_cat(c, cmd::fixed(cmd::tuner_on));
        say(c, "on");
        s.tuner_mode = tuner::automatic;
    } else if (s.tuner_mode == tuner::both || s.tuner_mode == tuner::carrier_only) {
        send_cat(c, cmd::fixed(cmd::tuner_off));
        say(c, "off");
        s.tuner_mode = tuner::off;
    } else {
        send_cat(c, cmd::fixed(cmd::tuner_on));
        say(c, "both");
        s.tuner_mode = tuner::both;
    }
}

// F1: the next preamp stage (the VHF/UHF bands have one).
void preamp_key(Context& c) {
    State& s = c.st;
    s.preamp += 1;
    int limit = s.band_index >= band::m2 ? 2 : 3;
    if (s.preamp >= limit || s.preamp < 0) s.preamp = 0;
    apply_preamp(c);
}

void processor_key(Context& c) {
    if (is_sideband(c.st.mode_code))
        toggle_speech_processor(c);
    else
        say(c, "na");
}

void break_in_or_vox_key(Context& c) {
    if (is_cw(c.st.mode_code))
        toggle_break_in(c);
    else
        toggle_vox(c);
}

void options_key(Context& c) {
    State& s = c.st;
    auto on = [&](const char* word) {
        say(c, word);
        say(c, "on");
    };
    say(c, "options");
    if (s.preamp == 1 || s.preamp == 2) {
        say(c, "preamp");
        say(c, s.preamp == 1 ? "1" : "2");
        say(c, "on");
    }
    if (s.att_on) on("at");
    if (s.nb_on) on("nb");
    if (s.nr_on >= 1) on("nr");
    if (s.notch_on) on("notch");
    if (s.contour_on >= 1) on("co");
    if (s.speech_proc_on && is_sideband(s.mode_code)) on("spc");
    if (s.break_in_on && is_cw(s.mode_code)) on("bkin");
    if (s.vox_on) on("vox");
    if (s.monitor_on) on("mon");
    if (s.tone_code != "999" && !s.tone_code.empty()) {
        say(c, s.tone_code[0] <= '3' ? "ctcss" : "dcs");
        for (char ch : s.tone_code) say(c, std::string(1, ch));
    }
    say(c, s.antenna2 ? "ant2" : "ant1");
    say(c, "tuner");
    say(c, "is");
    if (s.tuner_mode == tuner::automatic) say(c, "on");
    if (s.tuner_mode == tuner::off) say(c, "off");
    if (s.tuner_mode == tuner::both) say(c, "both");
}

}  // namespace vlr
