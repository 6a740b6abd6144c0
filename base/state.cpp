#include "base/state.hpp"

#include "base/names.hpp"

namespace vlr {

void reset_state(State& s) {
    // The start values are the ones State is declared with.
    static const State fresh{};
    const auto restart = [&](auto... fields) { ((s.*fields = fresh.*fields), ...); };
    restart(&State::key_busy, &State::key_state, &State::quit_pending, &State::menu_busy,
            &State::tick_count);
    restart(&State::cat_command, &State::cat_reply, &State::reply_count, &State::poll_pending,
            &State::freq_polls_unanswered, &State::stale_freq_replies, &State::radio_connected,
            &State::passthru_inbuf, &State::passthru_chunk, &State::reply_stream,
            &State::unanswered, &State::refusals_unplaced, &State::refused, &State::replies_held,
            &State::forms_taken, &State::answer_awaited);
    restart(&State::vfo_b_selected, &State::mode_code, &State::band_index, &State::width_index,
            &State::ssb_width, &State::cw_width, &State::width_quiet, &State::main_af_gain,
            &State::main_rf_gain, &State::second_af_gain, &State::second_rf_gain,
            &State::squelch_level, &State::monitor_level, &State::nb_level, &State::nr_level,
            &State::proc_level, &State::contour_level, &State::power_level, &State::keyer_speed,
            &State::preamp);
    restart(&State::att_on, &State::nb_on, &State::nr_on, &State::notch_on, &State::contour_on,
            &State::speech_proc_on, &State::break_in_on, &State::vox_on, &State::monitor_on,
            &State::level_target, &State::antenna2, &State::fm_wide, &State::repeater_on,
            &State::tone_active, &State::tone_code, &State::tone_is_dcs, &State::saved_tone_code,
            &State::tone_say_on, &State::radio_initiated, &State::tx_announce);
    restart(&State::swr_peak_text, &State::transmit_state, &State::tx_settle_count,
            &State::tune_active, &State::ant_check, &State::mic_monitor, &State::mic_level_peak);
    restart(&State::entry_value, &State::entry_int_digits, &State::freq_entry_active,
            &State::offset_entry, &State::channel_op, &State::channel_step, &State::bank_index,
            &State::bank_digit, &State::channel_index, &State::recall_slot,
            &State::channel_applied, &State::channel_recalled);
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
