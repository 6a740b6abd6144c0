// The program in a real X window, as a sighted helper and a keyboard see it:
// an X server of its own (Xvfb), key presses through the X server (xdotool),
// the emulator program as the radio, and a screenshot of the panel checked
// pixel by pixel. The screenshot is kept in <build>/screenshots/panel.png.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/support/e2e_harness.hpp"

using namespace vlr::e2e;
using namespace std::chrono_literals;

namespace {

class InXWindow : public ::testing::Test {
protected:
    WorkFolder dir;
    XServer x;
    EmulatorProgram radio;
    Process veloran;
    std::string window;  // X window id of the panel

    void SetUp() override {
        std::string why;
        wave_folder(&why);
        ASSERT_TRUE(dir.has_words) << why;
        if (!installed("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(x.start(&why)) << why;
        for (const char* tool : {"xdotool", "import", "convert"})
            ASSERT_TRUE(installed(tool)) << tool << " is needed to drive and see the window";
    }

    void TearDown() override {
        if (HasFailure())
            std::cerr << "transcript: " << veloran.out.joined()
                      << "\nstderr: " << dir.read("veloran.err")
                      << "\nradio: " << join(radio.record()) << "\n";
    }

    std::map<std::string, std::string> x_env() const { return {{"DISPLAY", x.display()}}; }

    void start(const Config& config) {
        dir.write_config(config);
        ASSERT_TRUE(radio.start(dir.path, config.com)) << dir.read("emulator.err");
        ASSERT_TRUE(veloran.start(
            {built_program("veloran"), "--transcript"}, dir.path,
            {{"SDL_VIDEODRIVER", "x11"}, {"SDL_AUDIODRIVER", "dummy"}, {"DISPLAY", x.display()}},
            dir.path + "veloran.err"));
        ASSERT_TRUE(veloran.out.wait_for("connected")) << veloran.out.joined();
        ASSERT_TRUE(find_window());
        ASSERT_EQ(xdotool({"windowfocus", "--sync", window}), 0);
        ASSERT_TRUE(polls(2));
    }

    int xdotool(const std::vector<std::string>& args, std::string* output = nullptr) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return run_tool(argv, x_env(), output);
    }

    bool find_window() {
        bool found = eventually([&] {
            std::string out;
            if (xdotool({"search", "--name", "Yaesu VLR"}, &out) != 0) return false;
            window = out.substr(0, out.find('\n'));
            return !window.empty();
        });
        EXPECT_TRUE(found) << "no window titled Yaesu VLR on " << x.display();
        return found;
    }

    bool polls(std::size_t n) {
        const std::size_t before = count_of(radio.record(), "FA;");
        bool ok = eventually([&] { return count_of(radio.record(), "FA;") >= before + n; });
        EXPECT_TRUE(ok) << "polling stopped";
        return ok;
    }

    // Types through the X server and waits for the words in that order.
    bool type(const std::vector<std::string>& keys, const std::vector<std::string>& expected) {
        const std::size_t before = veloran.out.size();
        std::vector<std::string> args = {"key", "--delay", "60"};
        args.insert(args.end(), keys.begin(), keys.end());
        EXPECT_EQ(xdotool(args), 0);
        bool heard = eventually(
            [&] { return missing_in_order(veloran.out.all(), expected, before).empty(); });
        EXPECT_TRUE(heard) << "expected " << join(expected) << "\nheard "
                           << veloran.out.joined(before);
        return heard;
    }

    // F is ignored on the one tick in 21 at which the tick count wraps to 0;
    // an operator who hears nothing presses it again.
    bool read_frequency(const std::vector<std::string>& expected) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::size_t before = veloran.out.size();
            xdotool({"key", "f"});
            if (veloran.out.wait_for_run(expected, before, 8s)) return true;
        }
        ADD_FAILURE() << "F never said " << join(expected);
        return false;
    }

    // The window as it is on the screen, saved as PNG at `png`.
    bool screenshot(const std::string& png, Image& image) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(png).parent_path(), ec);
        if (run_tool({"import", "-window", window, png}, x_env()) != 0) {
            // import cannot grab every window; xwd can, ImageMagick converts.
            const std::string xwd = dir.path + "panel.xwd";
            if (run_tool({"xwd", "-silent", "-id", window, "-out", xwd}, x_env()) != 0 ||
                run_tool({"convert", xwd, png}, {}) != 0)
                return false;
        }
        std::string ppm;
        if (run_tool({"convert", png, "ppm:-"}, {}, &ppm) != 0) return false;
        return image.load_ppm(ppm);
    }
};

TEST_F(InXWindow, KeysFromTheKeyboardAndThePanelOnScreen) {
    start(Config{});

    ASSERT_TRUE(read_frequency({"7", "point", "1", "mhz", "lsb.wav"}));
    ASSERT_TRUE(type({"e", "1", "4", "period", "2", "5", "Return"},
                     {"EF", "1", "4", "point", "2", "5", "ok"}));
    EXPECT_TRUE(eventually([&] { return count_of(radio.record(), "FA014250000;") >= 1; }))
        << join(radio.record());
    // The radio reports the new frequency; the panel shows it.
    ASSERT_TRUE(polls(2));

    const std::string png = binary_dir() + "/screenshots/panel.png";
    Image panel;
    ASSERT_TRUE(screenshot(png, panel)) << png;
    EXPECT_EQ(panel.width, 950);
    EXPECT_EQ(panel.height, 500);
    // Black text on white where the panel puts its fields.
    EXPECT_GT(panel.dark_pixels(280, 10, 470, 20), 100) << "banner";
    EXPECT_GT(panel.dark_pixels(50, 45, 200, 75), 1000) << "mode label, large and bold";
    EXPECT_GT(panel.dark_pixels(285, 150, 400, 75), 1500) << "frequency, large and bold";
    EXPECT_GT(panel.dark_pixels(40, 250, 150, 35), 100) << "status line: preamp1";
    EXPECT_GT(panel.dark_pixels(140, 380, 800, 20), 400) << "help line 1";
    EXPECT_GT(panel.dark_pixels(140, 405, 760, 20), 400) << "help line 2";
    EXPECT_EQ(panel.pixels_not_white(600, 300, 300, 60), 0) << "nothing drawn here";
    EXPECT_GT(panel.dark_pixels(140, 430, 350, 20), 200) << "help line 3: the speech keys";
    EXPECT_EQ(panel.pixels_not_white(0, 455, 950, 45), 0) << "nothing below the help lines";

    veloran.signal(SIGTERM);
    EXPECT_EQ(veloran.wait_exit(), 0);
    EXPECT_EQ(dir.crlf_lines("savmem.dat").size(), 115u);
    radio.stop();
}

TEST_F(InXWindow, AltF4ClosesTheWindowAndTheShutdownRunsInFull) {
    Config config;
    config.power_off = 1;
    start(config);

    EXPECT_EQ(xdotool({"key", "alt+F4"}), 0);
    EXPECT_EQ(veloran.wait_exit(), 0);
    EXPECT_TRUE(eventually([&] {
        auto record = radio.record();
        return !record.empty() && record.back() == "PS0;";
    })) << "the radio is switched off last";
    EXPECT_EQ(dir.crlf_lines("savmem.dat").size(), 115u);
    EXPECT_TRUE(dir.exists("memory.txt"));
    EXPECT_EQ(count_of(veloran.out.all(), "quit"), 0u) << "a close request is not the quit key";
    radio.stop();
}

}  // namespace
