// Entry point on Windows: wires the Win32 window, word player and serial ports
// to the program, or, with --demo, the emulated radio on an in-process port.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/options.hpp"
#include "app/startup.hpp"
#include "emulator/model_line.hpp"
#include "platform/win32/win32_platform.hpp"

namespace fs = std::filesystem;

namespace {

// The program has no console of its own (it is a window); started from one,
// its printed words go to that console.
void attach_parent_console() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

// The demo's folder: beside the program when that can be written, else in the
// user's local application data.
bool enter_demo_folder(const fs::path& program) {
    std::error_code ec;
    fs::path folder = program / "demo";
    fs::create_directories(folder, ec);
    if (ec) {
        const char* local = std::getenv("LOCALAPPDATA");
        if (!local) return false;
        folder = fs::path(local) / "Veloran" / "demo";
        ec.clear();
        fs::create_directories(folder, ec);
        if (ec) return false;
    }
    if (!fs::exists(folder / "veloran.cfg")) std::ofstream(folder / "veloran.cfg", std::ios::binary) << vlr::demo_config;
    fs::current_path(folder, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    attach_parent_console();
    vlr::Options opt;
    if (const int status = vlr::read_options(argc, argv, opt, std::cout); status >= 0) return status;
    if (const int status = vlr::run_channel_job(opt, std::cout, std::cerr); status >= 0) return status;

    const std::string program = vlr::platform::program_folder();
    auto serial = vlr::platform::make_win32_serial();
    if (opt.demo) {
        if (!enter_demo_folder(fs::u8path(program))) {
            std::cerr << "veloran: cannot prepare the demo folder\n";
            return 1;
        }
        // The demo configuration names COM1: it is the emulated radio, whatever
        // ports the machine has.
        serial->attach(1, vlr::emu::model_line(std::make_shared<vlr::emu::RadioModel>()));
        std::cerr << "veloran: demo on an emulated radio, folder " << fs::current_path().string() << "\n";
    }

    vlr::Context c;
    c.paths.work_dir = "";
    auto window = vlr::platform::make_win32_window();
    // The words are found in the working folder's wave folder first, then in
    // the program's: a per-user folder needs only its veloran.cfg.
    auto speaker = vlr::platform::make_win32_speaker({program});
    c.window = window.get();
    c.speaker = speaker.get();
    c.serial = serial.get();
    auto sockets = vlr::platform::make_win32_sockets();
    c.sockets = sockets.get();
    c.console = &std::cout;
    c.errors = &std::cerr;
    vlr::apply_options(c, opt, std::cout);
    auto text_service = vlr::platform::make_sapi_speech();
    c.text_service = text_service.get();
    auto screen_reader = vlr::platform::make_screen_reader_speech(*window);
    c.screen_reader = screen_reader.get();

    int code = vlr::run_selected(c, opt);
    std::cout.flush();
    return code;
}
