// Sharing the radio with Hamlib's rigctl through the pass-through port, end
// to end: the real start-up and event loop in this process (SDL dummy
// drivers), the emulated radio on COM1, and the pass-through port COM2 made by
// the serial backend as a pseudo-terminal pair whose client end rigctl opens
// as COM2-client. rigctl reads and sets the frequency and the mode with
// Hamlib's own FT-991 commands; the radio must end up where rigctl put it,
// and Veloran's state, panel and speech must follow. Each rigctl run is
// timed; the times are printed and recorded as test properties, never
// asserted.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>

#include "app/startup.hpp"
#include "emulator/pty_radio.hpp"
#include "platform/posix/posix_serial.hpp"
#include "platform/sdl/sdl_platform.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr;
using namespace vlr::e2e;
using namespace std::chrono_literals;

namespace {

constexpr int passthru_com = 2;

void push_letter(char ch) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = SDLK_a + (ch - 'a');
    event.key.keysym.scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_A + (ch - 'a'));
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    SDL_PushEvent(&event);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    std::string line;
    while (std::getline(ss, line))
        if (!line.empty()) lines.push_back(line);
    return lines;
}

bool is_link(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The real window, with every text drawn on it also kept by its position, so
// that the test's thread can read the panel while the program draws it.
class TappedWindow : public platform::Window, public platform::TextSurface {
public:
    explicit TappedWindow(std::unique_ptr<platform::Window> real) : real_(std::move(real)) {}

    bool open(const std::string& title, int x, int y, int width, int height) override {
        return real_->open(title, x, y, width, height);
    }
    void start_timer(int id, int period_ms) override { real_->start_timer(id, period_ms); }
    void stop_timer(int id) override { real_->stop_timer(id); }
    void wait_events(const std::function<void(int, int)>& deliver) override {
        real_->wait_events(deliver);
    }
    void close() override { real_->close(); }
    platform::TextSurface* surface() override { return real_->surface() ? this : nullptr; }

    void set_font(const std::string& face, int points, int weight) override {
        if (auto* s = real_->surface()) s->set_font(face, points, weight);
    }
    int draw_text(int x, int y, const std::string& text) override {
        {
            std::lock_guard lock(mutex_);
            drawn_[{x, y}] = text;
        }
        auto* s = real_->surface();
        return s ? s->draw_text(x, y, text) : 0;
    }

    // The last text drawn starting at (x, y), or "".
    std::string at(int x, int y) const {
        std::lock_guard lock(mutex_);
        auto found = drawn_.find({x, y});
        return found == drawn_.end() ? std::string() : found->second;
    }

private:
    std::unique_ptr<platform::Window> real_;
    mutable std::mutex mutex_;
    std::map<std::pair<int, int>, std::string> drawn_;
};

// Where the panel shows the frequency and the mode.
constexpr int freq_x = 285, freq_y = 150;
constexpr int mode_x = 50, mode_y = 45;

// The panel text without its trailing blanks.
std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The program's own polls; everything else on the radio line came from the
// other program (or from Veloran following it).
bool is_poll(const std::string& command) {
    return command == "FA;" || command == "SM0;" || command == "RM6;";
}

class RigctlEndToEnd : public ::testing::Test {
protected:
    WorkFolder dir;
    emu::PtyRadio radio;
    Lines words;
    LinesBuffer buffer{words};
    std::ostream transcript{&buffer};
    std::unique_ptr<Context> c = std::make_unique<Context>();
    TappedWindow* panel = nullptr;
    std::atomic<bool> finished{false};
    std::filesystem::path old_folder;

    void SetUp() override {
        if (!installed("rigctl")) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
        std::string why;
        wave_folder(&why);
        ASSERT_TRUE(dir.has_words) << why;
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        ::setenv("SDL_VIDEODRIVER", "dummy", 0);
        Config config;
        config.passthru = passthru_com;
        config.debug = 1;
        dir.write_config(config);
        ASSERT_TRUE(radio.ok() && radio.link_com(dir.path, 1));
        old_folder = std::filesystem::current_path();
        std::filesystem::current_path(dir.path);
    }
    void TearDown() override {
        std::error_code ec;
        if (!old_folder.empty()) std::filesystem::current_path(old_folder, ec);
    }

    std::string client_end() const { return dir.path + "COM2-client"; }
    long long radio_frequency() {
        return radio.with_model([](emu::RadioModel& m) { return m.frequency_a(); });
    }
    char radio_mode() {
        return radio.with_model([](emu::RadioModel& m) { return m.mode(); });
    }

    // Waits until the pass-through is idle: nothing but the program's own
    // polls has reached the radio for the last eight of them, so that no
    // answer of an earlier run is still on its way to the next one.
    bool settle() {
        return eventually(
            [&] {
                auto record = radio.record();
                int polls_since = 0;
                for (auto it = record.rbegin(); it != record.rend() && is_poll(*it); ++it)
                    ++polls_since;
                return polls_since >= 8;
            },
            60s);
    }

    // One rigctl run; its standard output lines. The time it took is shown.
    std::vector<std::string> rigctl(const std::vector<std::string>& args, int* code = nullptr) {
        EXPECT_TRUE(settle()) << "the pass-through never went quiet";
        std::vector<std::string> argv = {"rigctl", "-m", "1035", "-r", client_end(), "-s", "38400"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string out;
        const auto start = std::chrono::steady_clock::now();
        const int exit_code = run_tool(argv, {}, &out);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        std::string name;
        for (const auto& a : args) name += (name.empty() ? "" : " ") + a;
        std::cout << "rigctl " << name << ": exit " << exit_code << ", " << ms
                  << " ms, output: " << out;
        if (out.empty() || out.back() != '\n') std::cout << '\n';
        ::testing::Test::RecordProperty("rigctl " + name + " ms", std::to_string(ms));
        if (code) *code = exit_code;
        return lines_of(out);
    }

    // F says frequency and mode; tried again on the one tick in 21 where the
    // key is ignored.
    bool readout(const std::vector<std::string>& expected) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::size_t before = words.size();
            push_letter('f');
            if (words.wait_for_run(expected, before, 8s)) return true;
        }
        ADD_FAILURE() << "F never said " << join(expected) << "\nheard " << words.joined();
        return false;
    }

    // One rigctl run that must succeed: exit code 0 and `expected` on its
    // standard output.
    void expect_rigctl(const std::vector<std::string>& args,
                       const std::vector<std::string>& expected) {
        int code = -1;
        const auto out = rigctl(args, &code);
        EXPECT_EQ(code, 0) << "rigctl " << join(args);
        EXPECT_EQ(out, expected) << "rigctl " << join(args);
    }

    bool panel_shows(int x, int y, const std::string& text) {
        return eventually([&] { return trimmed(panel->at(x, y)) == text; }, 20s);
    }

    void session() {
        ASSERT_TRUE(words.wait_for("connected")) << words.joined();
        ASSERT_TRUE(eventually([&] { return is_link(client_end()); })) << "no " << client_end();
        ASSERT_TRUE(panel_shows(freq_x, freq_y, "  7.100000")) << panel->at(freq_x, freq_y);

        // Reading the frequency, as the radio has it.
        expect_rigctl({"f"}, {"7100000"});

        // Setting it: Hamlib asks "IF;" first and takes the width of the
        // frequency field from the answer's length; the radio refuses any
        // other width, so this only works with the radio's own nine digits.
        expect_rigctl({"F", "14250000"}, {});
        EXPECT_TRUE(eventually([&] { return radio_frequency() == 14'250'000; }))
            << radio_frequency();
        // Veloran follows: rigctl's read-back and Veloran's own polls both
        // bring the new frequency.
        EXPECT_TRUE(panel_shows(freq_x, freq_y, " 14.250000")) << panel->at(freq_x, freq_y);
        expect_rigctl({"f"}, {"14250000"});

        // Reading the mode and its passband, then setting both: the radio
        // takes them, Veloran shows the mode without a mode command of its
        // own (checked in the log afterwards).
        int code = -1;
        const auto mode = rigctl({"m"}, &code);
        EXPECT_EQ(code, 0);
        ASSERT_EQ(mode.size(), 2u);
        EXPECT_EQ(mode[0], "LSB");
        expect_rigctl({"M", "USB", "2400"}, {});
        EXPECT_TRUE(eventually([&] { return radio_mode() == '2'; })) << radio_mode();
        EXPECT_TRUE(panel_shows(mode_x, mode_y, "USB")) << panel->at(mode_x, mode_y);
        expect_rigctl({"m"}, {"USB", "2400"});

        // Veloran's speech has followed both changes.
        readout({"1", "4", "point", "2", "5", "mhz", "usb.wav"});
    }

    void make_sure_it_ends() {
        if (finished) return;
        push_letter('q');
        if (eventually([&] { return finished.load(); })) return;
        SDL_Event close{};
        close.type = SDL_QUIT;
        SDL_PushEvent(&close);
        eventually([&] { return finished.load(); });
    }
};

TEST_F(RigctlEndToEnd, ReadsAndSetsThroughThePassThroughPort) {
    auto window = std::make_unique<TappedWindow>(platform::make_sdl_window());
    panel = window.get();
    auto speaker = platform::make_sdl_speaker();
    auto serial = platform::make_posix_serial(dir.path);
    // What the start-up does for the configured pass-through port.
    serial->allow_client_pty(passthru_com);
    c->paths.work_dir = dir.path;
    c->window = window.get();
    c->speaker = speaker.get();
    c->serial = serial.get();
    c->transcript = &transcript;

    std::thread client([this] {
        session();
        make_sure_it_ends();
    });
    const int code = run_program(*c);
    finished = true;
    client.join();
    EXPECT_EQ(code, 0);

    // What Veloran holds at the end: rigctl's frequency and mode.
    EXPECT_EQ(c->st.vfo_frequency, 14'250'000);
    EXPECT_EQ(c->st.freq_text, " 14.250000");
    EXPECT_EQ(c->st.mode_code, 2);

    // Once rigctl is connected, every mode command that reaches the radio
    // comes from rigctl: each "TX=MD0x;" line follows the "***VRX1=" line of
    // the text it was taken from.
    const auto log = dir.crlf_lines("debug.dat");
    std::size_t i = 0;
    while (i < log.size() && log[i].rfind("***VRX1=", 0) != 0) ++i;
    int forwarded_modes = 0;
    for (; i < log.size(); ++i) {
        if (log[i].rfind("TX=MD0", 0) != 0 || log[i].size() != 8) continue;
        EXPECT_EQ(log[i - 1].rfind("***VRX1=", 0), 0u)
            << "line " << i + 1 << ": " << log[i] << " after " << log[i - 1];
        ++forwarded_modes;
    }
    EXPECT_GE(forwarded_modes, 1);
    // The client's end goes with the port.
    EXPECT_FALSE(is_link(client_end()));
}

}  // namespace
