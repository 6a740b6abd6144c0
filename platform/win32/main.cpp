// Entry point on Windows: wires the Win32 window, word player and serial ports
// to the program, or, with --demo, the emulated radio on an in-process port.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/startup.hpp"
#include "emulator/model_line.hpp"
#include "platform/win32/win32_platform.hpp"

namespace fs = std::filesystem;

namespace {

struct Options {
    bool simulate = false;
    bool transcript = false;
    bool demo = false;
    std::string speech;  // "" : as veloran.cfg says
};

const char* kDemoConfig =
    "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
    "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 1\r\n";

// The program has no console of its own (it is a window); started from one,
// its printed words go to that console.
void attach_parent_console() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

void usage() {
    std::cout << "usage: veloran [--transcript] [--simulate] [--demo] [--speech=recorded|system]\n"
                 "  --transcript  print every word played, one per line\n"
                 "  --simulate    answer from the built-in simulated radio\n"
                 "  --demo        run against an emulated radio in a folder of its own\n"
                 "  --speech=system  speak in the system voice (recorded: the wave files)\n";
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
    if (!fs::exists(folder / "veloran.cfg")) std::ofstream(folder / "veloran.cfg", std::ios::binary) << kDemoConfig;
    fs::current_path(folder, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    attach_parent_console();
    Options opt;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulate") == 0) opt.simulate = true;
        else if (std::strcmp(argv[i], "--transcript") == 0) opt.transcript = true;
        else if (std::strcmp(argv[i], "--demo") == 0) opt.demo = true;
        else if (std::strcmp(argv[i], "--speech=system") == 0) opt.speech = "system";
        else if (std::strcmp(argv[i], "--speech=recorded") == 0) opt.speech = "recorded";
        else {
            usage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }

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
    if (opt.transcript) c.transcript = &std::cout;
    c.st.simulate_radio = opt.simulate ? 1 : 0;
    c.st.speech_option = opt.speech;
    auto text_service = vlr::platform::make_sapi_speech();
    c.text_service = text_service.get();

    int code = vlr::run_program(c);
    std::cout.flush();
    return code;
}
