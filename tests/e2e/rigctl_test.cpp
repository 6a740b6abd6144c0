// Sharing the radio with Hamlib's rigctl through the pass-through port, end
// to end: the real start-up and event loop in this process (SDL dummy
// drivers), the emulated radio on COM1, and the pass-through port COM2 made by
// the serial backend as a pseudo-terminal pair whose client end rigctl opens
// as COM2-client. Each rigctl run is timed; the times are printed and
// recorded as test properties, never asserted.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
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

    void session() {
        ASSERT_TRUE(words.wait_for("connected")) << words.joined();
        ASSERT_TRUE(eventually([&] { return is_link(client_end()); })) << "no " << client_end();

        // Reading: the radio's frequency and mode, as the radio has them.
        auto out = rigctl({"f"});
        ASSERT_EQ(out, std::vector<std::string>{std::to_string(radio_frequency())});
        out = rigctl({"m"});
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out[0], "LSB");

        // Setting the mode: the radio takes it, Veloran follows without a
        // mode command of its own.
        int code = -1;
        rigctl({"M", "USB", "2400"}, &code);
        EXPECT_EQ(code, 0);
        EXPECT_TRUE(eventually([&] { return radio_mode() == '2'; })) << radio_mode();
        out = rigctl({"m"});
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out[0], "USB");

        // Setting the frequency with the radio's own command (rigctl's F
        // needs the radio to answer "IF;", see the README).
        rigctl({"w", "FA014250000;"}, &code);
        EXPECT_TRUE(eventually([&] { return radio_frequency() == 14'250'000; }))
            << radio_frequency();
        out = rigctl({"f"});
        EXPECT_EQ(out, std::vector<std::string>{"14250000"});

        // Veloran's speech has followed both changes.
        ASSERT_TRUE(readout({"1", "4", "point", "2", "5", "mhz", "usb.wav"}));
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
    auto window = platform::make_sdl_window();
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
