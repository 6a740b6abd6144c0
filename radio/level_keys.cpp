// The keys that choose which level the arrows step (L, P, F11, W, R, A), the
// second receiver's gains on Left/Right, and the meters read out by S.
#include <array>
#include <string>

#include "base/names.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "link/reply.hpp"
#include "radio/levels.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"

namespace vlr {

void level_key(Context& c) {
    // The function's word by level_of::monitor .. level_of::processor.
    static const std::array<const char*, 5> words{"mon", "nb", "nr", "co", "spc"};
    State& s = c.st;
    if (s.level_target >= level_of::monitor) {
        s.key_state = ks::level;
        if (s.level_target <= level_of::processor)
            say(c, words[static_cast<std::size_t>(s.level_target - level_of::monitor)]);
    }
    say(c, "lev");
}

void power_key(Context& c) {
    State& s = c.st;
    query_cat(c, cmd::ask(cmd::power));
    s.power_level = reply_field(c.st.cat_reply, "PC", 3, 3).value_or(s.power_level);
    say(c, "Power");
    s.key_state = ks::power;
    say_power(c);
}

void mic_gain_key(Context& c) {
    State& s = c.st;
    say(c, "micgain");
    s.key_state = ks::mic_gain;
    s.tick_count = 0;
    say(c, "lev");
    query_cat(c, cmd::ask(cmd::ask_mic_gain));
    s.mic_gain = reply_field(c.st.cat_reply, "MG", 2, 3).value_or(s.mic_gain);
    s.mic_level_peak = s.mic_gain;
    s.mic_monitor = -1;
    say_mic_level(c);
    pause_word(c);
    s.mic_level_peak = 0;
    // The timer now reports the microphone level until the next key.
    s.mic_monitor = 1;
}

void end_mic_monitor(Context& c) {
    State& s = c.st;
    s.mic_monitor = -1;
    say(c, "micgain");
    say(c, "lev");
    s.mic_level_peak = s.mic_gain;
    say_mic_level(c);
    s.mic_monitor = 0;
    s.mic_level_peak = 0;
    say(c, "off");
}

void width_key(Context& c) {
    State& s = c.st;
    if (s.mode_code == mode::am || is_fm(s.mode_code)) return;
    s.key_state = ks::width;
    say_width(c);
}

void rf_gain_key(Context& c) {
    say(c, "rf");
    c.st.key_state = ks::rf_gain;
}

void af_gain_key(Context& c) {
    c.st.key_state = ks::af_gain;
    say(c, "af");
}

void second_af_gain_up(Context& c) { second_gain_up(c, c.st.second_af_gain, cmd::second_af_gain); }
void second_af_gain_down(Context& c) {
    second_gain_down(c, c.st.second_af_gain, cmd::second_af_gain);
}
void second_rf_gain_up(Context& c) { second_gain_up(c, c.st.second_rf_gain, cmd::second_rf_gain); }
void second_rf_gain_down(Context& c) {
    second_gain_down(c, c.st.second_rf_gain, cmd::second_rf_gain);
}

void meter_key(Context& c) {
    const State& s = c.st;
    if (s.tune_active || s.transmit_state > 0)
        say_swr(c);
    else
        say_s_meter(c);
}

}  // namespace vlr
