// Soak: the whole program (start-up, event loop, shutdown) with the real POSIX
// serial backend against the emulated radio on a pseudo-terminal, its dial
// turning, fed random keys and timer ticks for a bounded time
// (VELORAN_SOAK_SECONDS, 60 by default; scripts/soak.sh runs longer).
//
// It must not crash, its memory must stay flat, every command it writes must
// be printable ASCII ending with ";" and at most 255 characters, and the
// savmem.dat it leaves must load again and save back byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.hpp"
#include "emulator/pty_radio.hpp"
#include "memory/bank_file.hpp"
#include "platform/posix/posix_serial.hpp"
#include "radio/bands.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int env_int(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// Resident memory of this process in kB.
long resident_kb() {
    std::ifstream statm("/proc/self/statm");
    long pages_total = 0, pages_resident = 0;
    statm >> pages_total >> pages_resident;
    return pages_resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// ---- The wire: every byte the program writes to the radio --------------------

struct WireCheck {
    std::size_t commands = 0;
    std::size_t faults = 0;
    std::vector<std::string> examples;  // the first faulty commands
    std::string pending;                // bytes of a command not yet ended by ";"

    static bool printable(const std::string& s) {
        for (unsigned char ch : s)
            if (ch < 32 || ch > 126) return false;
        return true;
    }
    void fault(const std::string& what) {
        ++faults;
        if (examples.size() < 10) examples.push_back(what);
    }
    void take(const char* bytes, int count) {
        for (int i = 0; i < count; ++i) {
            pending += bytes[i];
            if (bytes[i] != ';') continue;
            ++commands;
            if (!printable(pending) || pending.size() > 255) fault(pending);
            pending.clear();
        }
        if (pending.size() > 255) {  // a command that never ends
            fault(pending);
            pending.clear();
        }
    }
};

class CheckedPort : public platform::SerialPort {
public:
    CheckedPort(std::unique_ptr<platform::SerialPort> inner, WireCheck* check)
        : inner_(std::move(inner)), check_(check) {}
    bool set_line_format(int d, int p, int s) override { return inner_->set_line_format(d, p, s); }
    void set_read_timeouts(int ms) override { inner_->set_read_timeouts(ms); }
    int write(const char* bytes, int count) override {
        // What the line took: a write cut short leaves an unended command
        // behind, which the checks below report.
        const int written = inner_->write(bytes, count);
        if (check_ && written > 0) check_->take(bytes, written);
        return written;
    }
    int bytes_waiting() override { return inner_->bytes_waiting(); }
    int read(char* buffer, int max_count) override { return inner_->read(buffer, max_count); }
    bool alive() override { return inner_->alive(); }

private:
    std::unique_ptr<platform::SerialPort> inner_;
    WireCheck* check_;
};

// The real POSIX serial system with the radio's port (COM 1) checked.
class CheckedSerial : public platform::SerialSystem {
public:
    CheckedSerial(const std::string& folder, WireCheck* radio_check)
        : inner_(platform::make_posix_serial(folder)), check_(radio_check) {}
    std::unique_ptr<platform::SerialPort> open(int com, int speed) override {
        auto port = inner_->open(com, speed);
        if (!port) return nullptr;
        return std::make_unique<CheckedPort>(std::move(port), com == 1 ? check_ : nullptr);
    }
    std::string device_path(int com) const override { return inner_->device_path(com); }
    int last_open_error() const override { return inner_->last_open_error(); }

private:
    std::unique_ptr<platform::SerialSystem> inner_;
    WireCheck* check_;
};

// ---- Speaker, surface and window -----------------------------------------------

// Plays nothing, but a query's pause takes time so the radio can answer: a
// realistic pause mostly, now and then one too short for the answer.
class PacedSpeaker : public platform::Speaker {
public:
    explicit PacedSpeaker(std::mt19937& rng) : rng_(rng) {}
    std::size_t words = 0, connected = 0;
    bool started = false;  // in the event loop: pauses vary from then on
    void play(const std::string& path, bool) override {
        ++words;
        if (ends_with(path, "connected")) ++connected;
        if (!ends_with(path, "delay")) return;
        int ms = 20;
        if (started) ms = std::uniform_int_distribution<int>(0, 9)(rng_) == 0 ? 1 : 12;
        std::this_thread::sleep_for(milliseconds(ms));
    }

private:
    static bool ends_with(const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    }
    std::mt19937& rng_;
};

// Counts what is drawn and keeps none of it (a recording surface would grow
// with the run and hide the program's own memory use).
class CountingSurface : public platform::TextSurface {
public:
    std::size_t drawn = 0;
    void set_font(const std::string&, int, int) override {}
    int draw_text(int, int, const std::string& text) override {
        ++drawn;
        return static_cast<int>(text.size()) * 8;
    }
};

// Every key of the keyboard map except Q (quit would end the run early):
// letters, main-row digits, F1-F12, arrows, Page Up/Down, + - ., Enter,
// space, the numeric pad, and the keys that are ignored.
std::vector<int> soak_keys() {
    std::vector<int> keys;
    for (int k = 'A'; k <= 'Z'; ++k)
        if (k != 'Q') keys.push_back(k);
    for (int k = '0'; k <= '9'; ++k) keys.push_back(k);
    for (int k = 112; k <= 123; ++k) keys.push_back(k);
    for (int k = 96; k <= 105; ++k) keys.push_back(k);
    for (int k : {13, 32, 33, 34, 37, 38, 39, 40, 187, 189, 190, 110, 16, 17, 45, 91})
        keys.push_back(k);
    return keys;
}

struct SoakCounts {
    std::size_t events = 0, ticks = 0, key_presses = 0, key_repeats = 0, key_releases = 0;
    long rss_start_kb = 0, rss_warm_kb = 0, rss_end_kb = 0;
};

// The event source: timer ticks (after a short sleep, now and then a long
// one) interleaved with random key presses, repeats while held, and
// releases; a close request when the time is up.
class SoakWindow : public platform::Window {
public:
    SoakWindow(std::mt19937& rng, PacedSpeaker& speaker, milliseconds run_time,
               std::function<void()> every_thousand)
        : rng_(rng),
          speaker_(speaker),
          run_time_(run_time),
          keys_(soak_keys()),
          every_thousand_(std::move(every_thousand)) {}

    CountingSurface surface_text;
    SoakCounts counts;
    bool is_open = false;

    bool open(const std::string&, int, int, int, int) override { return is_open = true; }
    void start_timer(int, int) override { timer_on_ = true; }
    void stop_timer(int) override { timer_on_ = false; }
    void close() override { is_open = false; }
    platform::TextSurface* surface() override { return is_open ? &surface_text : nullptr; }

    void wait_events(const std::function<void(int, int)>& deliver) override {
        const auto now = Clock::now();
        if (counts.events == 0) {
            start_ = now;
            speaker_.started = true;
            counts.rss_start_kb = resident_kb();
        }
        if (counts.rss_warm_kb == 0 && now - start_ >= run_time_ / 10)
            counts.rss_warm_kb = resident_kb();
        if (now - start_ >= run_time_) {
            counts.rss_end_kb = resident_kb();
            deliver(platform::event_close, 0);
            return;
        }
        ++counts.events;
        if (counts.events % 1000 == 0 && every_thousand_) every_thousand_();
        const int roll = pick(0, 99);
        if (held_ != 0 && roll < 25) {
            // Released, or held long enough to repeat.
            if (pick(0, 3) == 0) {
                ++counts.key_repeats;
                deliver(platform::event_key_down, held_);
            } else {
                ++counts.key_releases;
                deliver(platform::event_key_up, held_);
                held_ = 0;
            }
        } else if (roll < 70 || !timer_on_) {
            if (roll < 70) {
                std::this_thread::sleep_for(
                    milliseconds(pick(0, 9) == 0 ? pick(10, 30) : pick(1, 2)));
                ++counts.ticks;
                deliver(platform::event_timer, 1);
            } else {
                press(deliver);
            }
        } else {
            press(deliver);
        }
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    void press(const std::function<void(int, int)>& deliver) {
        // A second key while one is held is ignored by the program, as on a
        // real keyboard where the first is still down.
        const int key =
            keys_[static_cast<std::size_t>(pick(0, static_cast<int>(keys_.size()) - 1))];
        ++counts.key_presses;
        if (held_ == 0) held_ = key;
        deliver(platform::event_key_down, key);
    }

    std::mt19937& rng_;
    PacedSpeaker& speaker_;
    milliseconds run_time_;
    std::vector<int> keys_;
    std::function<void()> every_thousand_;
    Clock::time_point start_{};
    bool timer_on_ = false;
    int held_ = 0;
};

// ---- The radio's side -----------------------------------------------------------

// What the emulated radio received, checked and then dropped so that the
// record does not grow with the run; commands it refused are counted.
struct RadioCheck {
    std::size_t received = 0, faults = 0;
    std::vector<std::string> examples;
    std::mutex mutex;
    std::size_t refused = 0;
    std::set<std::string> refused_examples;

    void on_command(const std::string& command, const std::string& reply) {
        if (reply != "?;") return;
        std::lock_guard<std::mutex> lock(mutex);
        ++refused;
        if (refused_examples.size() < 12) refused_examples.insert(command);
    }
    void drain(emu::PtyRadio& radio) {
        // Taken and cleared under the radio's own lock: a command arriving
        // between the two would be lost to the count.
        const auto record = radio.with_model([](emu::RadioModel& m) {
            auto taken = m.record();
            m.clear_record();
            return taken;
        });
        radio.clear_sent();
        for (const auto& command : record) {
            ++received;
            if (!WireCheck::printable(command) || command.size() > 255 || command.back() != ';') {
                ++faults;
                if (examples.size() < 10) examples.push_back(command);
            }
        }
    }
};

std::string config_text() {
    return "COM  1\r\nSpeed 38400\r\nswr 1\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
           "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 1\r\n";
}

// The log lines around the first time `command` went out: what led to a
// command the radio refused.
std::string log_around(const std::string& log, const std::string& command, std::size_t before,
                       std::size_t after) {
    std::vector<std::string> all;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        all.push_back(line);
    }
    for (std::size_t at = 0; at < all.size(); ++at) {
        if (all[at] != "TX=" + command) continue;
        std::string text;
        for (std::size_t i = at > before ? at - before : 0; i < all.size() && i <= at + after; ++i)
            text += (i == at ? " >>> " : " ") + all[i];
        return text;
    }
    return " (not in debug.dat)";
}

std::size_t count_lines(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++n;
    return n;
}

TEST(Soak, RandomKeysAgainstTheEmulatorWithItsDialTurning) {
    const int seconds = env_int("VELORAN_SOAK_SECONDS", 60);
    const int seed_asked = env_int("VELORAN_SOAK_SEED", 0);
    const unsigned seed =
        seed_asked != 0 ? static_cast<unsigned>(seed_asked) : std::random_device{}();
    std::cout << "soak: seed " << seed << " (VELORAN_SOAK_SEED), " << seconds
              << " s (VELORAN_SOAK_SECONDS)\n";
    std::mt19937 rng(seed);

    test::TempDir dir;
    dir.write("veloran.cfg", config_text());
    emu::PtyRadio radio(emu::RadioModel{}, emu::PtyOptions{38400, 2, 5});
    RadioCheck radio_check;
    radio.on_command([&](const std::string& cmd, const std::string& reply) {
        radio_check.on_command(cmd, reply);
    });
    ASSERT_TRUE(radio.ok());
    ASSERT_TRUE(radio.link_com(dir.path, 1));
    radio.set_dial_drift(37, 20);

    WireCheck wire;
    CheckedSerial serial(dir.path, &wire);
    PacedSpeaker speaker(rng);
    SoakWindow window(rng, speaker, milliseconds(seconds * 1000),
                      [&] { radio_check.drain(radio); });

    Context c;
    c.paths.work_dir = dir.path;
    c.serial = &serial;
    c.speaker = &speaker;
    c.window = &window;
    const int exit_code = run_program(c);
    // Commands still queued on the line reach the radio after the program
    // has closed its end; wait until it has taken them all.
    for (std::size_t before = SIZE_MAX; before != radio_check.received;) {
        before = radio_check.received;
        std::this_thread::sleep_for(milliseconds(300));
        radio_check.drain(radio);
    }

    const SoakCounts& n = window.counts;
    std::cout << "soak: " << n.events << " events: " << n.ticks << " ticks, " << n.key_presses
              << " key presses, " << n.key_repeats << " repeats, " << n.key_releases
              << " releases\n"
              << "soak: " << wire.commands << " commands written, " << radio_check.received
              << " received by the radio, " << radio_check.refused << " refused (\"?;\")";
    for (const auto& r : radio_check.refused_examples) std::cout << " " << r;
    const auto used_channels =
        std::count_if(c.st.memory_channels.begin(), c.st.memory_channels.end(),
                      [](const std::string& ch) { return ch.rfind('9', 0) != 0; });
    std::cout << "\nsoak: " << used_channels << " memory channels used at the end, "
              << speaker.words << " words, " << window.surface_text.drawn
              << " texts drawn, debug.dat " << dir.read("debug.dat").size() << " bytes\n"
              << "soak: RSS start " << n.rss_start_kb << " kB, after warm-up " << n.rss_warm_kb
              << " kB, end " << n.rss_end_kb << " kB\n";

    const std::string log = dir.read("debug.dat");
    for (const auto& r : radio_check.refused_examples)
        std::cout << "soak: refused " << r << " in:" << log_around(log, r, 30, 4) << "\n";

    EXPECT_EQ(exit_code, 0);
    ASSERT_GT(n.events, 0u) << "the event loop never ran: the start-up did not find the radio";
    EXPECT_GE(speaker.connected, 1u);
    EXPECT_GT(n.key_presses, 0u);

    // Memory stays flat: a generous bound, far below what a leak per event
    // would add over thousands of events. (A sanitizer's own bookkeeping
    // grows with the run: soak.sh raises the bound for it.)
    const long bound_mb = env_int("VELORAN_SOAK_RSS_MB", 20);
    EXPECT_LT(n.rss_end_kb - n.rss_start_kb, bound_mb * 1024);

    EXPECT_EQ(wire.faults, 0u) << test::join(wire.examples);
    EXPECT_EQ(wire.pending, "") << "a command written without its \";\"";
    EXPECT_EQ(radio_check.faults, 0u) << test::join(radio_check.examples);
    // Nothing lost or split on the way: the radio took each command written.
    EXPECT_EQ(radio_check.received, wire.commands);

    // The savmem.dat of the shutdown is whole, is what the program held, and
    // a fresh start-up that loads it saves it back byte for byte.
    const std::string saved = dir.read("savmem.dat");
    EXPECT_EQ(count_lines(saved), 115u);
    EXPECT_EQ(saved.rfind("VELORAN v3.5b 3.5c", 0), 0u) << saved.substr(0, 40);
    Context again;
    again.paths.work_dir = dir.path;
    set_fixed_texts(again.st);
    reset_state(again.st);
    fill_band_rows(again.st);
    for (auto& channel : again.st.memory_channels) channel = "9";
    load_memory_file(again);
    EXPECT_EQ(again.st.band_table, c.st.band_table);
    EXPECT_EQ(again.st.memory_channels, c.st.memory_channels);
    EXPECT_EQ(again.st.band_index, c.st.band_index);
    EXPECT_EQ(again.st.nr_on, c.st.nr_on);
    save_memory_file(again);
    EXPECT_EQ(dir.read("savmem.dat"), saved);
}

}  // namespace
}  // namespace vlr
