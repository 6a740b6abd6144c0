// Entry point: wires the real window, speaker and serial devices to the
// program, or, with --demo, an emulated radio on a pseudo-terminal.
#include <csignal>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/options.hpp"
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

fs::path program_folder(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::canonical("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0, ec);
    return self.parent_path();
}

// The demo's working folder beside the program: its configuration, a link to
// the rendered words and the emulated radio linked as COM1.
bool prepare_demo_folder(const fs::path& folder, const fs::path& waves) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return false;
    if (!fs::exists(folder / "veloran.cfg")) std::ofstream(folder / "veloran.cfg") << vlr::demo_config;
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
    vlr::Options opt;
    if (const int status = vlr::read_options(argc, argv, opt, std::cout); status >= 0) return status;
    if (const int status = vlr::run_channel_job(opt, std::cout, std::cerr); status >= 0) return status;

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
    c.window = window.get();
    c.speaker = speaker.get();
    c.serial = serial.get();
    auto sockets = vlr::platform::make_posix_sockets();
    c.sockets = sockets.get();
    c.console = &std::cout;
    c.errors = &std::cerr;
    vlr::apply_options(c, opt, std::cout);

    running_program = &c;
    int code = vlr::run_selected(c, opt);
    running_program = nullptr;
    std::cout.flush();
    return code;
}
