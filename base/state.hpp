// The one operating state that every routine reads and writes. Each variable
// keeps its own name; start values are the ones a fresh program has, and
// reset_state() gives the values of the start-up preparation.
#pragma once

#include <array>
#include <set>
#include <string>
#include <vector>

#include "base/names.hpp"
#include "platform/files.hpp"

namespace vlr {

// Drawing state of the main window's text output.
struct MainWindow {
    bool open = false;       // the window exists (drawing does nothing before)
    bool named = false;      // print_text has named the window at least once
    int x = 0, y = 0;        // current text position
    std::string face;        // current font; empty = the window's initial font
    int points = 0;
    int weight = 0;
};

// A command sent to the radio whose answer has not come yet (link/exchange).
struct SentCommand {
    std::string command;  // as sent, ";" included
    int sender = 0;       // a name of `from`
    int round = 0;        // the key press or network request it was sent for
    bool query = false;   // it asks for an answer; a set is answered only when refused
};

// The records of settings a key may change, as they were before the key:
// what a refused command of the key puts back (radio/records).
struct KeptRecords {
    std::vector<int> values;
    std::string tone_code;
};

struct State {
    // Events and the main loop
    int event_id = 0;
    int event_param = 0;
    bool running = false;
    bool key_busy = false;
    int key_code = 0;
    int key_state = ks::normal;
    int quit_pending = 0;
    bool menu_busy = false;
    int tick_count = 0;

    // Configuration
    int radio_port = 0;
    int port_speed = 0;
    int passthru_port = 0;
    bool debug_log_on = false;
    int auto_swr = 0;
    int tuner_mode = 0;
    bool power_off_on_exit = false;
    bool dcs_allowed = true;
    std::string top_band = "7";
    std::string offset10_sign, offset10_digits;
    std::string offset6_sign, offset6_digits;
    std::string offset2_sign, offset2_digits;
    std::string offset70_sign, offset70_digits;
    std::string shift10_sign, shift10_digits;
    std::string shift6_sign, shift6_digits;
    std::string shift2_sign, shift2_digits;
    std::string shift70_sign, shift70_digits;
    // Network control port: where it listens (0 = off; "" = this computer
    // only) and whether its clients may key the transmitter.
    int net_port = 0;
    std::string net_address;
    bool net_tx_allowed = false;
    int data_bits = 8;
    int parity_code = 0;
    int stop_bits_setting = 2;

    // Radio link and polling
    std::string cat_command;
    std::string cat_reply;
    std::string last_freq_command;
    int reply_count = 0;
    bool poll_pending = false;
    int poll_phase = 0;
    bool radio_connected = false;
    int radio_id = 0;
    int radio_variant = 0;
    bool simulate_radio = false;
    // What speaks the words: "" or "recorded" the wave files, "dispatcher"
    // the desktop's speech service. The command line's choice comes first.
    std::string speech_option;
    std::string speech_choice;
    std::string log_line;
    std::string passthru_inbuf;
    std::string passthru_chunk;
    // Bytes from the radio that do not yet end in ";": the start of a reply
    // whose rest comes with a later read.
    std::string reply_stream;
    // Set after the radio's device came back, until the radio has answered.
    bool answer_awaited = false;
    // A radio port whose device has vanished (cable pulled, radio switched
    // off) is reopened by the timer step, waiting longer after each failure.
    bool link_lost = false;              // set while the radio's device is gone
    int reopen_wait_ticks = 0;           // ticks until the next reopen attempt
    int reopen_backoff_ticks = 0;        // the wait after the next failed attempt
    int reopen_attempts = 0;             // attempts since the device was lost
    bool connected_before_loss = false;  // radio_connected when the device was lost
    bool passthru_lost = false;          // the same for the pass-through port (silent)
    int passthru_wait_ticks = 0;
    int passthru_backoff_ticks = 0;
    int quit_wait_ticks = 0;  // ticks since the quit key, while it waits for the radio
    // A frequency answer asked for before the program set a frequency itself
    // tells where the radio was, not where the key put it: how many "FA"
    // polls still wait for their answers, and how many of the answers still
    // to come were asked before the last frequency command went out.
    int freq_polls_unanswered = 0;
    int stale_freq_replies = 0;
    int port_failure = 0;           // exit status when the radio's port failed to open, else 0
    // The radio answers "?;" to a command it refuses, and a set it takes not
    // at all: which command a "?;" answers is found from the commands still
    // unanswered, in the order they were sent.
    std::vector<SentCommand> unanswered;
    int refusals_unplaced = 0;          // "?;" not yet known to answer which command
    std::vector<SentCommand> refused;   // refused sets of keys and clients, not yet told
    std::string replies_held;           // complete replies read early, for the next read
    std::set<std::string> forms_taken;  // sets the radio has taken, as code and length ("FA12")
    int command_sender = 0;             // who sends what goes out now (`from`)
    int command_round = 0;              // counts key presses and network requests
    int key_round = 0;                  // the round of the last key press
    KeptRecords records_before_key;
    bool refusal_shown = false;  // the panel shows a refusal

    // Mirror of the radio's settings
    int vfo_frequency = 0;
    std::string freq_text;
    std::string last_freq_reply;
    std::string vfo_a_text, vfo_b_text;
    std::string saved_vfo_a;
    bool vfo_b_selected = false;
    bool split_on = false;  // set while the radio transmits on VFO B ("ST1" sent)
    bool skip_freq_reply = false;
    int mode_code = mode::lsb;
    std::string mode_cmd_lsb, mode_cmd_usb, mode_cmd_cw, mode_cmd_am, mode_cmd_fm, mode_cmd_fmn,
        mode_cmd_c4fm;
    int band_index = band::m40;
    int saved_band = 0;
    int band_row_valid = 0;
    std::string row_build;
    std::array<std::string, 15> band_table{};  // rows 1..14; row 0 unused
    int width_index = 14;
    int ssb_width = 14;
    int cw_width = 11;
    bool width_quiet = true;
    int main_af_gain = 50;
    int main_rf_gain = 250;
    int second_af_gain = 255;
    int second_rf_gain = 255;
    int squelch_level = 8;
    int monitor_level = 20;
    int nb_level = 5;
    int nr_level = 4;
    int proc_level = 0;
    int contour_level = 1200;
    int mic_gain = 0;
    int power_level = 0;
    int keyer_speed = 15;
    int agc_setting = 0;
    int preamp = 0;
    bool att_on = false, nb_on = false, nr_on = false, notch_on = false, contour_on = false,
        speech_proc_on = false, break_in_on = false, vox_on = false, monitor_on = false;
    int level_target = 0;
    bool antenna2 = false;
    bool tuner_engaged = false;
    bool fm_wide = false;
    int repeater_on = 0;
    bool tone_active = false;
    std::string tone_code = "999";
    bool tone_is_dcs = false;
    std::string saved_tone_code;
    bool tone_say_on = false;
    bool radio_initiated = false;
    bool tx_announce = false;
    int saved_mode = 0;

    // Meters, transmit and tune
    int s_meter_value = 0;
    std::string swr_peak_text;
    int transmit_state = 0;
    // Set from a command that keys the transmitter (the space bar, the tune
    // carrier, a pass-through client's "TX1"/"TX2", whatever sends it) until
    // "TX0" has gone out. However the program ends, it unkeys the radio first
    // while this is set.
    bool radio_may_be_keyed = false;
    int tx_settle_count = 0;
    bool tune_active = false;
    int ant_check = 0;
    int mic_monitor = 0;
    int mic_level_peak = 0;
    // Set while a network client has the radio keyed: every way out unkeys it.
    bool net_keyed = false;
    // The mode name a network client last set ("PKTUSB"), reported back to it
    // while the radio stays in that mode.
    std::string net_mode_name;

    // Number entry and memory channels
    int entry_value = 999;
    int entry_int_digits = 0;
    bool entry_point_typed = false;
    bool freq_entry_active = false;
    std::string offset_entry;
    std::string menu_number_text, menu_value_text;
    int channel_op = 0;
    int channel_step = 0;
    int bank_index = 99;
    int bank_digit = 0;
    int channel_index = 0;
    int recall_slot = 0;
    bool channel_applied = false;
    bool channel_recalled = false;
    std::array<std::string, 100> memory_channels{};

    // Files, fixed texts and scratch
    platform::AppendFile debug_file;
    std::string version_text;
    std::string banner_text;
    std::string wave_folder;
    MainWindow main_window;
    int scratch_i = 0;
};

// The start-up preparation's reset of the operating state (configuration,
// files, fixed texts, window and the event variables stay as they are).
void reset_state(State& s);

// The state's command text for a mode code (the mode_cmd_* fields), or
// nullptr for a code outside 1..7.
const std::string* mode_command(const State& s, int code);
// Fills the mode_cmd_* fields from the mode table.
void fill_mode_commands(State& s);

// Where the program keeps its files: the working folder, as given (tests use
// temporary folders). Always ends with the platform separator or is empty.
struct Paths {
    std::string work_dir;
    std::string file(const std::string& name) const { return work_dir + name; }
};

}  // namespace vlr
