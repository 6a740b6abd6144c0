// The program in a real X window, as a keyboard and a sighted helper meet it:
// an X server of its own (Xvfb), keys through the X server (xdotool), the
// emulator program as the radio, and a screenshot of the panel checked for
// ink where the fields belong. The screenshot is kept as <build>/screenshots/panel.png.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <iostream>

#include "tests/support/e2e_harness.hpp"

using namespace vlr::e2e;

namespace {

struct InXWindow : ::testing::Test {
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
            std::cerr << "heard: " << veloran.out.joined()
                      << "\nstderr: " << dir.read("veloran.err")
                      << "\nradio: " << join(radio.record()) << "\n";
    }
    int xdotool(std::vector<std::string> args, std::string* output = nullptr) {
        args.insert(args.begin(), "xdotool");
        return run_tool(args, {{"DISPLAY", x.display()}}, output);
    }
    void start(const Config& config) {
        dir.write_config(config);
        ASSERT_TRUE(radio.start(dir.path, config.com)) << dir.read("emulator.err");
        ASSERT_TRUE(veloran.start(
            {built_program("veloran"), "--transcript"}, dir.path,
            {{"SDL_VIDEODRIVER", "x11"}, {"SDL_AUDIODRIVER", "dummy"}, {"DISPLAY", x.display()}},
            dir.path + "veloran.err"));
        ASSERT_TRUE(veloran.out.wait_for("connected"));
        ASSERT_TRUE(eventually([&] {
            std::string out;
            return xdotool({"search", "--name", "Yaesu VLR"}, &out) == 0 &&
                   !(window = out.substr(0, out.find('\n'))).empty();
        })) << "no window titled Yaesu VLR";
        ASSERT_EQ(xdotool({"windowfocus", "--sync", window}), 0);
        ASSERT_TRUE(polls(2));
    }
    bool polls(std::size_t n) {
        const std::size_t before = count_of(radio.record(), "FA;");
        return eventually([&] { return count_of(radio.record(), "FA;") >= before + n; });
    }
    // Dark pixels (below half brightness) in a rectangle of the image; with
    // `white`, 1 when every pixel there is white.
    double dark(const std::string& png, int x0, int y0, int w, int h, bool white = false) {
        std::string out;
        const std::string box = std::to_string(w) + "x" + std::to_string(h) + "+" +
                                std::to_string(x0) + "+" + std::to_string(y0);
        run_tool({"convert", png, "-crop", box, "+repage", "-colorspace", "gray", "-threshold",
                  white ? "99.9%" : "50%", "-format", white ? "%[fx:minima]" : "%[fx:w*h*(1-mean)]",
                  "info:"},
                 {}, &out);
        return std::atof(out.c_str());
    }
};

TEST_F(InXWindow, KeysFromTheKeyboardAndThePanelOnScreen) {
    start(Config{});
    // Typed through the X server: the keyboard reaches the program as the operator's does.
    const std::size_t before = veloran.out.size();
    EXPECT_EQ(xdotool({"key", "--delay", "60", "e", "1", "4", "period", "2", "5", "Return"}), 0);
    ASSERT_TRUE(eventually([&] {
        return missing_in_order(veloran.out.all(), {"EF", "1", "4", "point", "2", "5", "ok"},
                                before)
            .empty();
    })) << veloran.out.joined(before);
    EXPECT_TRUE(eventually([&] { return count_of(radio.record(), "FA014250000;") >= 1; }));
    ASSERT_TRUE(polls(2));  // the radio reports the new frequency; the panel shows it

    const std::string png = binary_dir() + "/screenshots/panel.png";
    std::filesystem::create_directories(binary_dir() + "/screenshots");
    if (run_tool({"import", "-window", window, png}, {{"DISPLAY", x.display()}}) != 0) {
        // import cannot grab every window; xwd can, and convert converts.
        ASSERT_EQ(run_tool({"xwd", "-silent", "-id", window, "-out", dir.path + "panel.xwd"},
                           {{"DISPLAY", x.display()}}),
                  0);
        ASSERT_EQ(run_tool({"convert", dir.path + "panel.xwd", png}, {}), 0);
    }
    std::string size;
    run_tool({"identify", "-format", "%wx%h", png}, {}, &size);
    EXPECT_EQ(size, "950x500");
    // Black text on white where the panel puts its fields.
    EXPECT_GT(dark(png, 280, 10, 470, 20), 100) << "banner";
    EXPECT_GT(dark(png, 50, 45, 200, 75), 1000) << "mode label, large and bold";
    EXPECT_GT(dark(png, 285, 150, 400, 75), 1500) << "frequency, large and bold";
    EXPECT_GT(dark(png, 40, 250, 150, 35), 100) << "status line: preamp1";
    EXPECT_GT(dark(png, 140, 380, 800, 20), 400) << "help line 1";
    EXPECT_GT(dark(png, 140, 405, 760, 20), 400) << "help line 2";
    EXPECT_EQ(dark(png, 600, 300, 300, 60, true), 1) << "nothing drawn here";
    EXPECT_GT(dark(png, 140, 430, 350, 20), 200) << "help line 3: the speech keys";
    EXPECT_EQ(dark(png, 0, 455, 950, 45, true), 1) << "nothing below the help lines";
    veloran.signal(SIGTERM);
    EXPECT_EQ(veloran.wait_exit(), 0);
    EXPECT_EQ(dir.crlf_lines("savmem.dat").size(), 115u);
}

TEST_F(InXWindow, AltF4ClosesTheWindowAndTheShutdownRunsInFull) {
    start(Config{.power_off = 1});
    EXPECT_EQ(xdotool({"key", "alt+F4"}), 0);
    EXPECT_EQ(veloran.wait_exit(), 0);
    EXPECT_TRUE(eventually([&] {
        return !radio.record().empty() && radio.record().back() == "PS0;";
    })) << "the radio is switched off last";
    EXPECT_EQ(dir.crlf_lines("savmem.dat").size(), 115u);
    EXPECT_TRUE(dir.exists("memory.txt"));
    EXPECT_EQ(count_of(veloran.out.all(), "quit"), 0u) << "a close request is not the quit key";
}

}  // namespace
