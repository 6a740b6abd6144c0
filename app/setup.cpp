// The set-up, spoken in the program's window: the search, the choice of
// radio, every setting in turn, and the file written in one step.
#include "app/setup.hpp"

#include <filesystem>

#include "app/setup_items.hpp"
#include "app/startup.hpp"
#include "base/exit_codes.hpp"
#include "platform/files.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

constexpr int exit_not_saved = 10;

int digit_of(int code) {
    if (code >= '0' && code <= '9') return code - '0';
    if (code >= vk::pad0 && code <= vk::pad9) return code - vk::pad0;
    return -1;
}

// Says `word`, and prints `line` for a sighted helper or a braille display.
int report(Context& c, const char* word, const std::string& line, int status) {
    say(c, word);
    if (c.console) *c.console << "veloran: " << line << '\n' << std::flush;
    return status;
}

// The values to start from: the file's, or the sample's when there is none.
// A folder or a file that cannot be read ends the set-up as it ends the
// program; a link to someone else's file is not read (the file written
// replaces the link, as for every other file of the program).
int read_old_file(Context& c, const std::string& path, std::string& old_text) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return report(c, "cfgdir", path + " is a folder, not a file", exit_config_is_folder);
    if (platform::read_regular_file(path, old_text)) return 0;
    old_text.clear();
    const bool foreign_link =
        std::filesystem::is_symlink(path, ec) && platform::own_file_path(path) == path;
    if (!foreign_link && std::filesystem::is_regular_file(path, ec))
        return report(c, "cfgperm", path + " cannot be read", exit_config_unreadable);
    return 0;
}

// The old file as veloran.cfg.bak, the COM number leading to the radio, then
// the new file: each written whole or not at all.
int save(Context& c, const std::string& path, const std::string& old_text, Settings values,
         const PortFinding& radio) {
    values.speed = radio.speed;
    const int com = c.serial->com_of(radio.port);
    if (com > 0) values.com = com;
    if (!old_text.empty() && !platform::replace_file(path + ".bak", old_text))
        return report(c, "notsaved", "cannot keep the old file as " + path + ".bak",
                      exit_not_saved);
    if (com == 0 && !c.serial->name_port(values.com, radio.port))
        return report(c, "notsaved",
                      "cannot link COM" + std::to_string(values.com) + " to " + radio.port,
                      exit_not_saved);
    if (!platform::replace_file(path, config_text(values)))
        return report(c, "notsaved", "cannot write " + path, exit_not_saved);
    return report(c, "saved",
                  "saved " + path + " (radio " + radio.port + " as COM" +
                      std::to_string(values.com) + ", " + std::to_string(radio.speed) + " baud)",
                  0);
}

// What a sighted helper reads: the question, its value and the keys.
void show_panel(Context& c, const SetupDialog& dialog) {
    platform::TextSurface* surface = c.window ? c.window->surface() : nullptr;
    if (!surface) return;
    const std::string blank(90, ' ');
    surface->draw_text(
        10, 10,
        "Veloran set-up: veloran.cfg in " + std::filesystem::current_path().string() + blank);
    surface->draw_text(10, 50, dialog.panel_text() + blank);
    surface->draw_text(
        10, 90,
        "Up/Down: choose   Left/Right, digits, +/-: change   Enter: keep and go on   "
        "Escape: leave without saving" +
            blank);
}

// The keys go to the dialog until it is finished or the window is closed.
bool run_dialog(Context& c, SetupDialog& dialog) {
    bool closed = false;
    begin_reading(c);
    show_panel(c, dialog);
    dialog.begin();
    end_reading(c);
    while (!dialog.finished() && !closed && c.window) {
        c.window->wait_events([&](int id, int param) {
            if (id == platform::event_close) closed = true;
            if (id != platform::event_key_down || closed || dialog.finished()) return;
            begin_reading(c);
            dialog.key(param);
            // Escape while words were playing was taken as the stop key.
            if (c.reading.stopped) dialog.key(vk::escape);
            end_reading(c);
            show_panel(c, dialog);
        });
    }
    return dialog.saving();
}

}  // namespace

SetupDialog::SetupDialog(Context& c, std::vector<PortFinding> radios, Settings values)
    : c_(c), radios_(std::move(radios)), values_(std::move(values)) {}

void SetupDialog::begin() {
    say(c_, "choose");
    say_choice();
}

void SetupDialog::say_choice() { say_finding(c_, radios_[choice_], static_cast<int>(choice_) + 1); }

void SetupDialog::say_item() {
    const SetupItem& item = setup_items()[item_];
    for (const auto& word : item.name) say(c_, word);
    item.say_value(c_, values_);
}

void SetupDialog::next_item() {
    typing_ = false;
    if (++item_ < setup_items().size()) return say_item();
    stage_ = Stage::saving;
}

void SetupDialog::key(int code) {
    if (finished()) return;
    if (code == vk::escape) {
        stage_ = Stage::left;
        return say(c_, "setupleft");
    }
    if (stage_ == Stage::choosing) {
        if (code == vk::up && choice_ > 0) --choice_;
        if (code == vk::down && choice_ + 1 < radios_.size()) ++choice_;
        if (code == vk::enter) {
            stage_ = Stage::settings;
            say(c_, "setuphelp");
            return say_item();
        }
        return say_choice();
    }
    const SetupItem& item = setup_items()[item_];
    const int digit = digit_of(code);
    if (code == vk::enter || code == vk::down) return next_item();
    if (code == vk::up && item_ > 0) --item_, typing_ = false;
    if (code == vk::left || code == vk::right)
        item.step(values_, code == vk::left ? -1 : 1), typing_ = false;
    if (digit >= 0 && item.type) item.type(values_, digit, !typing_), typing_ = true;
    if ((code == vk::minus || code == vk::pad_minus) && item.sign) item.sign(values_, -1);
    if ((code == vk::plus || code == vk::pad_plus) && item.sign) item.sign(values_, 1);
    say_item();
}

std::string SetupDialog::panel_text() const {
    if (stage_ == Stage::choosing)
        return "Radio " + std::to_string(choice_ + 1) + " of " + std::to_string(radios_.size()) +
               ": " + radios_[choice_].port + " at " + std::to_string(radios_[choice_].speed) +
               " baud";
    if (stage_ != Stage::settings) return stage_ == Stage::left ? "Left without saving" : "Saving";
    const SetupItem& item = setup_items()[item_];
    return item.label + ": " + item.show(values_);
}

namespace {

int set_up(Context& c, const std::vector<std::string>& ports, bool accept) {
    const std::string path = c.paths.file("veloran.cfg");
    if (!accept && c.window && c.window->open("Veloran set-up", 250, 100, 950, 500))
        c.st.main_window.open = true;
    std::string old_text;
    if (const int status = read_old_file(c, path, old_text); status != 0) return status;
    const Settings values = settings_from_config(old_text.empty() ? sample_config : old_text);
    c.st.speech_choice = values.speech;
    choose_speech(c);

    say(c, "search");
    std::vector<PortFinding> radios;
    for (const auto& f : search_ports(c, ports)) {
        if (c.console) *c.console << finding_line(f) << " (" << f.ms << " ms)\n" << std::flush;
        if (f.outcome == PortOutcome::radio) radios.push_back(f);
    }
    if (radios.empty())
        return report(c, "noradio", "no radio found; nothing written", exit_no_radio_found);
    if (accept) {
        say_finding(c, radios.front(), 1);
        return save(c, path, old_text, values, radios.front());
    }
    if (!c.window || !c.st.main_window.open)
        return report(c, "nodisp", "no display: the set-up needs its window (or use --accept)",
                      exit_no_display);
    SetupDialog dialog(c, radios, values);
    if (!run_dialog(c, dialog)) {
        if (c.console) *c.console << "veloran: set-up left; nothing written\n";
        return 0;
    }
    return save(c, path, old_text, dialog.values(), dialog.radio());
}

}  // namespace

int run_setup(Context& c, const std::vector<std::string>& ports, bool accept) {
    set_fixed_texts(c.st);
    const int status = set_up(c, ports, accept);
    if (c.window && c.st.main_window.open) c.window->close();
    c.st.main_window.open = false;
    return status;
}

}  // namespace vlr
