// Placeholder bodies for routines that are still being written. Each is
// weak: the real definition in its own file takes its place at link time.
// This file goes away when every routine has its body.
#include <memory>
#include <vector>
#include <string>

#include "app/startup.hpp"
#include "commands/entries.hpp"
#include "commands/handler.hpp"
#include "commands/poll.hpp"
#include "link/cat.hpp"
#include "link/log.hpp"
#include "link/passthru.hpp"
#include "link/ports.hpp"
#include "memory/bank_file.hpp"
#include "memory/report.hpp"
#include "panel/front_panel.hpp"
#include "panel/text_output.hpp"
#include "radio/bands.hpp"
#include "radio/channels.hpp"
#include "radio/frequency.hpp"
#include "radio/functions.hpp"
#include "radio/levels.hpp"
#include "radio/readback.hpp"
#include "radio/tone.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"
#include "speech/vocabulary.hpp"

namespace vlr {
__attribute__((weak)) bool read_config_text(State&, const std::string&) { return false; }
__attribute__((weak)) void set_fixed_texts(State&) {}
__attribute__((weak)) int run_program(Context&) { return 0; }
__attribute__((weak)) void prepare_startup(Context&) {}
__attribute__((weak)) void shutdown_program(Context&) {}
__attribute__((weak)) void deliver_event(Context&, int, int) {}
__attribute__((weak)) void start_frequency_entry(Context&) {}
__attribute__((weak)) void frequency_point(Context&) {}
__attribute__((weak)) void frequency_enter(Context&) {}
__attribute__((weak)) void select_band_by_key(Context&, int) {}
__attribute__((weak)) void offset_sign(Context&) {}
__attribute__((weak)) void offset_enter(Context&) {}
__attribute__((weak)) void offset_readout(Context&) {}
__attribute__((weak)) void menu_start(Context&) {}
__attribute__((weak)) void menu_enter(Context&) {}
__attribute__((weak)) void next_channel(Context&) {}
__attribute__((weak)) void frequency_readout(Context&) {}
__attribute__((weak)) void handle_event(Context&) {}
__attribute__((weak)) void handle_key_down(Context&) {}
__attribute__((weak)) void timer_tick(Context&) {}
__attribute__((weak)) void toggle_transmit(Context&) {}
__attribute__((weak)) void tune_key(Context&) {}
__attribute__((weak)) void send_command(Context&) {}
__attribute__((weak)) void read_reply(Context&) {}
__attribute__((weak)) std::string simulated_reply(const State&) { return {}; }
__attribute__((weak)) void apply_frequency_floor(std::string&) {}
__attribute__((weak)) void open_debug_log(Context&) {}
__attribute__((weak)) void write_log_line(Context&, const std::string&) {}
__attribute__((weak)) void close_debug_log(Context&) {}
__attribute__((weak)) std::string key_log_text(int) { return {}; }
__attribute__((weak)) void poll_passthru(Context&) {}
__attribute__((weak)) int open_port(Context&, int, int) { return 0; }
__attribute__((weak)) int set_line_format(Context&, int, int, int, int) { return 0; }
__attribute__((weak)) void set_read_timeouts(Context&, int, int) {}
__attribute__((weak)) int write_port(Context&, int, const std::string&) { return 0; }
__attribute__((weak)) int bytes_waiting(Context&, int) { return 0; }
__attribute__((weak)) std::string read_port(Context&, int, int) { return {}; }
__attribute__((weak)) void close_port(Context&, int) {}
__attribute__((weak)) void open_serial(Context&, int) {}
__attribute__((weak)) void save_memory_file(Context&) {}
__attribute__((weak)) void load_memory_file(Context&) {}
__attribute__((weak)) void write_memory_report(Context&) {}
__attribute__((weak)) std::string memory_report_text(const State&) { return {}; }
__attribute__((weak)) void show_mode(Context&) {}
__attribute__((weak)) void set_band_row_mode(Context&) {}
__attribute__((weak)) void show_status_line(Context&) {}
__attribute__((weak)) void print_banner_and_help(Context&) {}
__attribute__((weak)) void move_to(Context&, int, int) {}
__attribute__((weak)) void set_font(Context&, const std::string&, int, int) {}
__attribute__((weak)) void print_text(Context&, const std::string&, bool) {}
__attribute__((weak)) void fill_band_rows(State&) {}
__attribute__((weak)) std::string band_stack_command(int) { return {}; }
__attribute__((weak)) int band_of_mhz(int) { return 0; }
__attribute__((weak)) void band_from_frequency(Context&) {}
__attribute__((weak)) void store_band_row(Context&) {}
__attribute__((weak)) void band_step_up(Context&) {}
__attribute__((weak)) void band_step_down(Context&) {}
__attribute__((weak)) void select_band_stack(Context&) {}
__attribute__((weak)) int safe_band(int) { return 0; }
__attribute__((weak)) void digit_key(Context&) {}
__attribute__((weak)) void store_channel(Context&) {}
__attribute__((weak)) void recall_channel(Context&) {}
__attribute__((weak)) void select_band(Context&) {}
__attribute__((weak)) void take_frequency_reply(Context&) {}
__attribute__((weak)) void send_vfo_frequency(Context&) {}
__attribute__((weak)) void snap_to_khz(Context&) {}
__attribute__((weak)) void step_frequency_up(Context&) {}
__attribute__((weak)) void step_frequency_down(Context&) {}
__attribute__((weak)) void end_split(Context&) {}
__attribute__((weak)) void start_split(Context&) {}
__attribute__((weak)) std::string frequency_command(int) { return {}; }
__attribute__((weak)) void apply_preamp(Context&) {}
__attribute__((weak)) void toggle_attenuator(Context&) {}
__attribute__((weak)) void toggle_noise_blanker(Context&) {}
__attribute__((weak)) void toggle_noise_reduction(Context&) {}
__attribute__((weak)) void toggle_speech_processor(Context&) {}
__attribute__((weak)) void read_processor_level(Context&) {}
__attribute__((weak)) void toggle_break_in(Context&) {}
__attribute__((weak)) void toggle_vox(Context&) {}
__attribute__((weak)) void level_up(Context&) {}
__attribute__((weak)) void level_down(Context&) {}
__attribute__((weak)) void send_width(Context&) {}
__attribute__((weak)) void send_power(Context&) {}
__attribute__((weak)) void send_rf_gain(Context&) {}
__attribute__((weak)) void send_mic_gain(Context&) {}
__attribute__((weak)) void send_keyer_speed(Context&) {}
__attribute__((weak)) bool read_back_radio(Context&) { return false; }
__attribute__((weak)) void complete_tone_entry(Context&) {}
__attribute__((weak)) void apply_tone(Context&) {}
__attribute__((weak)) void toggle_repeater(Context&) {}
__attribute__((weak)) void band_for_frequency(Context&) {}
__attribute__((weak)) void say(Context&, const std::string&) {}
__attribute__((weak)) void say_async(Context&, const std::string&) {}
__attribute__((weak)) void pause_word(Context&) {}
__attribute__((weak)) std::string default_wave_folder() { return {}; }
__attribute__((weak)) void say_mode(Context&) {}
__attribute__((weak)) void say_frequency(Context&) {}
__attribute__((weak)) void say_width(Context&) {}
__attribute__((weak)) void say_power(Context&) {}
__attribute__((weak)) void say_band(Context&) {}
__attribute__((weak)) void say_mic_level(Context&) {}
__attribute__((weak)) void say_keyer_speed(Context&) {}
__attribute__((weak)) void say_s_meter(Context&) {}
__attribute__((weak)) void say_swr(Context&) {}
__attribute__((weak)) const std::vector<std::string>& vocabulary() { static const std::vector<std::string> none; return none; }
}  // namespace vlr
