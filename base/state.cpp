#include "base/state.hpp"

#include "base/names.hpp"

namespace vlr {

void reset_state(State& s) {
    s.key_busy = 0;
    s.key_state = ks::normal;
    s.quit_pending = 0;
    s.menu_busy = 0;
    s.tick_count = 0;

    s.cat_command.clear();
    s.cat_reply.clear();
    s.reply_count = 0;
    s.poll_pending = 0;
    s.freq_polls_unanswered = 0;
    s.stale_freq_replies = 0;
    s.radio_connected = 0;
    s.passthru_inbuf.clear();
    s.passthru_chunk.clear();
    s.reply_stream.clear();
    s.answer_awaited = 0;

    s.vfo_b_selected = 0;
    s.mode_code = mode::lsb;
    s.band_index = band::m40;
    s.width_index = 14;
    s.ssb_width = 14;
    s.cw_width = 11;
    s.width_quiet = 1;
    s.main_af_gain = 50;
    s.main_rf_gain = 250;
    s.second_af_gain = 255;
    s.second_rf_gain = 255;
    s.squelch_level = 8;
    s.monitor_level = 20;
    s.nb_level = 5;
    s.nr_level = 4;
    s.proc_level = 0;
    s.contour_level = 1200;
    s.power_level = 0;
    s.keyer_speed = 15;
    s.preamp = 0;
    s.att_on = s.nb_on = s.nr_on = s.notch_on = s.contour_on = 0;
    s.speech_proc_on = s.break_in_on = s.vox_on = s.monitor_on = 0;
    s.level_target = 0;
    s.antenna2 = 0;
    s.fm_wide = 0;
    s.repeater_on = 0;
    s.tone_active = 0;
    s.tone_code = "999";
    s.tone_is_dcs = 0;
    s.saved_tone_code.clear();
    s.tone_say_on = 0;
    s.radio_initiated = 0;
    s.tx_announce = 0;

    s.swr_peak_text.clear();
    s.transmit_state = 0;
    s.tx_settle_count = 0;
    s.tune_active = 0;
    s.ant_check = 0;
    s.mic_monitor = 0;
    s.mic_level_peak = 0;

    s.entry_value = 999;
    s.entry_int_digits = 0;
    s.freq_entry_active = 0;
    s.offset_entry.clear();
    s.channel_op = 0;
    s.channel_step = 0;
    s.bank_index = 99;
    s.bank_digit = 0;
    s.channel_index = 0;
    s.recall_slot = 0;
    s.channel_applied = 0;
    s.channel_recalled = 0;
}

namespace {

// The fields by mode code 1..7.
constexpr std::string State::*mode_command_fields[] = {
    &State::mode_cmd_lsb, &State::mode_cmd_usb,  &State::mode_cmd_cw, &State::mode_cmd_am,
    &State::mode_cmd_fmn, &State::mode_cmd_c4fm, &State::mode_cmd_fm,
};

}  // namespace

const std::string* mode_command(const State& s, int code) {
    const ModeRow* row = mode_row(code);
    return row ? &(s.*mode_command_fields[row->code - 1]) : nullptr;
}

void fill_mode_commands(State& s) {
    for (const ModeRow& row : mode_rows) s.*mode_command_fields[row.code - 1] = row.command;
}

}  // namespace vlr
