// Entry point: wires the real window, speaker and serial devices to the
// program, or, with --demo, an emulated radio on a pseudo-terminal.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/startup.hpp"
#include "emulator/pty_radio.hpp"
#include "link/cat.hpp"
#include "platform/posix/posix_serial.hpp"
#include "platform/posix/stop_signals.hpp"
#include "platform/posix/posix_sockets.hpp"
#include "platform/sdl/sdl_platform.hpp"
#ifdef VELORAN_HAVE_SPEECHD
#include "platform/speechd/speechd_speech.hpp"
#endif

namespace fs = std::filesystem;

namespace {

struct Options {
    bool simulate = false;
    bool transcript = false;
    bool demo = false;
    std::string speech;  // "" : as veloran.cfg says
};

void usage() {
    std::cout << "usage: veloran [--transcript] [--simulate] [--demo] [--speech=recorded|dispatcher|system]\n"
                 "  --transcript  print every word played, one per line\n"
                 "  --simulate    answer from the built-in simulated radio\n"
                 "  --demo        run against an emulated radio in a folder of its own\n"
                 "  --speech=dispatcher  speak through speech-dispatcher (also: system; recorded: the wave files)\n";
}

fs::path program_folder(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::canonical("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0, ec);
    return self.parent_path();
}

const char* kDemoConfig =
    "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
    "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 1\r\nNet 4532\r\nNetTx 1\r\n";

// The demo's working folder beside the program: its configuration, a link to
// the rendered words and the emulated radio linked as COM1.
bool prepare_demo_folder(const fs::path& folder, const fs::path& waves) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return false;
    if (!fs::exists(folder / "veloran.cfg")) std::ofstream(folder / "veloran.cfg") << kDemoConfig;
    if (!fs::exists(folder / "wave") && fs::exists(waves)) fs::create_directory_symlink(waves, folder / "wave", ec);
    fs::current_path(folder, ec);
    return !ec;
}

// The running program, for the last-resort unkey below; null outside
// run_program.
vlr::Context* running_program = nullptr;

// Some ends bypass the orderly shutdown: the display connection lost (Xlib
// then calls exit()) or an exception nobody caught. The radio must not stay
// keyed through them. These run on the program's own thread, at its end.
void unkey_at_exit() {
    if (running_program) vlr::release_transmitter(*running_program);
}

[[noreturn]] void unkey_and_abort() {
    unkey_at_exit();
    std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    // Under a file-size limit a write past it must fail like a full disk
    // (savmem.dat stays as it was, debug.dat stops growing) instead of
    // killing the program with the radio still keyed.
    std::signal(SIGXFSZ, SIG_IGN);
    vlr::platform::install_stop_signals();
    std::atexit(unkey_at_exit);
    std::set_terminate(unkey_and_abort);
    Options opt;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulate") == 0) opt.simulate = true;
        else if (std::strcmp(argv[i], "--transcript") == 0) opt.transcript = true;
        else if (std::strcmp(argv[i], "--demo") == 0) opt.demo = true;
        else if (std::strcmp(argv[i], "--speech=dispatcher") == 0 || std::strcmp(argv[i], "--speech=system") == 0)
            opt.speech = "dispatcher";
        else if (std::strcmp(argv[i], "--speech=recorded") == 0) opt.speech = "recorded";
        else {
            usage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }

    std::unique_ptr<vlr::emu::PtyRadio> demo_radio;
    if (opt.demo) {
        const fs::path here = program_folder(argv[0]);
        if (!prepare_demo_folder(here / "demo", here / "wave")) {
            std::cerr << "veloran: cannot prepare the demo folder " << (here / "demo") << "\n";
            return 1;
        }
        demo_radio = std::make_unique<vlr::emu::PtyRadio>();
        if (!demo_radio->ok() || !demo_radio->link_com(".", 1)) {
            std::cerr << "veloran: cannot start the emulated radio\n";
            return 1;
        }
        std::cerr << "veloran: demo on an emulated radio at " << demo_radio->slave_path() << ", folder "
                  << fs::current_path().string() << "\n";
    }

    vlr::Context c;
    c.paths.work_dir = "";
    auto window = vlr::platform::make_sdl_window();
    auto speaker = vlr::platform::make_sdl_speaker();
    auto serial = vlr::platform::make_posix_serial("");
#ifdef VELORAN_HAVE_SPEECHD
    auto text_service = vlr::platform::make_speechd_speech();
    c.text_service = text_service.get();
#endif
    c.st.speech_option = opt.speech;
    c.window = window.get();
    c.speaker = speaker.get();
    c.serial = serial.get();
    auto sockets = vlr::platform::make_posix_sockets();
    c.sockets = sockets.get();
    c.console = &std::cout;
    c.errors = &std::cerr;
    if (opt.transcript) c.transcript = &std::cout;
    c.st.simulate_radio = opt.simulate ? 1 : 0;

    running_program = &c;
    int code = vlr::run_program(c);
    running_program = nullptr;
    std::cout.flush();
    return code;
}
