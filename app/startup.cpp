// The program from its first window to its last word: start-up, the event
// loop and the orderly shutdown.
#include "app/startup.hpp"

#include <filesystem>

#include "app/channel_files.hpp"

#include "base/exit_codes.hpp"
#include "base/names.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"
#include "commands/handler.hpp"
#include "commands/net_server.hpp"
#include "commands/passthru.hpp"
#include "link/cat.hpp"
#include "link/commands.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "memory/bank_file.hpp"
#include "panel/front_panel.hpp"
#include "platform/files.hpp"
#include "radio/bands.hpp"
#include "radio/readback.hpp"
#include "speech/player.hpp"

namespace vlr {

void set_fixed_texts(State& s) {
    s.version_text = "3.5c";
    s.banner_text = "*** Veloran V " + s.version_text + " ***";
    s.wave_folder = default_wave_folder();
}

void deliver_event(Context& c, int id, int param) {
    const int outer_id = c.st.event_id;
    const int outer_param = c.st.event_param;
    c.st.event_id = id;
    c.st.event_param = param;
    handle_event(c);
    c.st.event_id = outer_id;
    c.st.event_param = outer_param;
}

namespace {

// The start band's frequency as the panel and speech show it: MHz digits
// without leading zeros, ".", the six digits below the MHz.
std::string row_frequency_text(const std::string& row) {
    const std::string d = row_vfo_a_digits(row);
    return digits(text_num(left(d, 3))) + "." + right(d, 6);
}

// The spoken word and the line on standard error for a failure.
int fail(Context& c, const char* word, const std::string& why, int code) {
    say(c, word);
    if (c.errors) *c.errors << "veloran: " << why << '\n' << std::flush;
    return code;
}

void greet(Context& c) {
    say(c, "vlr.wav");
    say(c, "3.wav");
    say(c, "point");
    say(c, "5");
}

}  // namespace

void choose_speech(Context& c) {
    c.text_speech = nullptr;
    // Without the service the recorded words speak, and nothing is said
    // about it: the operator hears the program as always.
    std::string choice = c.st.speech_option.empty() ? c.st.speech_choice : c.st.speech_option;
    // An operator whose system runs a screen reader hears the program in it
    // too, unless told otherwise.
    if (choice.empty() && c.screen_reader && c.screen_reader->chosen_by_system()) choice = "screenreader";
    if (choice == "screenreader" && c.screen_reader && c.screen_reader->connect()) {
        c.text_speech = c.screen_reader;
        return;
    }
    // "system" is the platform's own voice: speech-dispatcher here, SAPI on
    // Windows; it also stands in for a screen reader that cannot be reached.
    const bool wanted = choice == "dispatcher" || choice == "system" || choice == "screenreader";
    if (wanted && c.text_service && c.text_service->connect())
        c.text_speech = c.text_service;
}

void prepare_startup(Context& c) {
    State& s = c.st;
    print_banner_and_help(c);
    if (s.debug_log_on) open_debug_log(c);
    reset_state(s);
    fill_band_rows(s);
    fill_mode_commands(s);
    s.data_bits = 8;
    s.parity_code = 0;
    s.stop_bits_setting = 2;
    for (auto& channel : s.memory_channels) channel = "9";
    load_memory_file(c);
    // A pass-through port with no device behind it gets a pseudo-terminal
    // pair made by the program, so a client program needs no socat.
    if (c.serial && passthru_in_use(s)) c.serial->allow_client_pty(s.passthru_port);
    open_serial(c, s.radio_port);
    s.port_failure = say_if_not_permitted(c, s.radio_port);
    if (s.band_index < band::m160 || s.band_index > band::general) s.band_index = band::m40;
    s.freq_text = row_frequency_text(s.band_table[static_cast<std::size_t>(safe_band(s.band_index))]);
    send_cat(c, cmd::set(cmd::vfo_b, false));
}

void shutdown_program(Context& c) {
    State& s = c.st;
    // Network clients go first, while the radio can still hear an unkey and
    // before the window they wake is gone.
    close_net_port(c);
    release_transmitter(c);
    if (c.window) c.window->close();
    s.main_window.open = false;
    if (s.power_off_on_exit) {
        send_cat(c, cmd::set(cmd::power_switch, false));
        pause_word(c);
    }
    close_port(c, s.radio_port);
    if (passthru_in_use(s)) close_port(c, s.passthru_port);
    close_debug_log(c);
}

int run_program(Context& c) {
    State& s = c.st;
    set_fixed_texts(s);
    // Held while the program runs, so that a channel import refuses to write
    // savmem.dat under it; the system lets go of it however the program ends.
    platform::FileLock running;
    running.take(c.paths.file(running_lock_name));
    if (c.window && c.window->open(window_title, 250, 100, 950, 500)) s.main_window.open = true;
    // The command line's choice (or the screen reader's) already speaks the
    // greeting; line 14 of the configuration decides once it is read.
    choose_speech(c);
    begin_reading(c);
    greet(c);
    end_reading(c);
    // Without a window no key reaches the program: it could only sit there.
    if (c.window && !s.main_window.open)
        return fail(c, "nodisp", "no display: the window cannot open (is DISPLAY set?)",
                    exit_no_display);

    std::string config;
    const std::string config_path = c.paths.file("veloran.cfg");
    std::error_code ec;
    if (std::filesystem::is_directory(config_path, ec))
        return fail(c, "cfgdir", config_path + " is a folder, not a file", exit_config_is_folder);
    // Only a regular file is read: a FIFO of that name would hang the start.
    if (!platform::read_regular_file(config_path, config)) {
        if (std::filesystem::is_regular_file(config_path, ec))
            return fail(c, "cfgperm", config_path + " cannot be read", exit_config_unreadable);
        say(c, "cfgnf");
        // The set-up makes the file: the operator is told so at once.
        say(c, "cfgsetup");
        if (c.errors) *c.errors << "veloran: no " << config_path << "; make one with: veloran --setup\n" << std::flush;
        return 0;
    }
    if (!read_config_text(s, config)) {
        say(c, "wrong");
        say(c, "conf");
        shutdown_program(c);
        return 0;
    }

    choose_speech(c);
    begin_reading(c);
    prepare_startup(c);
    const bool read_back = read_back_radio(c);
    end_reading(c);
    if (!read_back) return s.port_failure;

    open_net_port(c);
    if (c.window) c.window->start_timer(1, 50);
    s.running = true;
    while (s.running) {
        if (!c.window) break;
        c.window->wait_events([&c](int id, int param) { deliver_event(c, id, param); });
        // Network clients are served between events, never inside one.
        if (s.running) serve_net(c);
    }
    release_transmitter(c);
    if (c.window) c.window->stop_timer(1);
    save_memory_file(c);
    shutdown_program(c);
    return 0;
}

}  // namespace vlr
