#include "app/options.hpp"

#include <string_view>

#include "app/setup.hpp"
#include "app/startup.hpp"

namespace vlr {

namespace {

std::vector<std::string> split_commas(std::string_view list) {
    std::vector<std::string> names;
    while (!list.empty()) {
        const auto comma = list.find(',');
        if (comma != 0) names.emplace_back(list.substr(0, comma));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return names;
}

}  // namespace

const char* const demo_config =
    "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
    "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 1\r\nNet 4532\r\nNetTx 1\r\n";

int read_options(int argc, const char* const* argv, Options& opt, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--simulate") opt.simulate = true;
        else if (arg == "--transcript") opt.transcript = true;
        else if (arg == "--demo") opt.demo = true;
        else if (arg == "--speech=dispatcher" || arg == "--speech=system" || arg == "--speech=recorded")
            opt.speech = arg.substr(9);
        else if (arg == "--find-radio") opt.find_radio = true;
        else if (arg == "--setup") opt.setup = true;
        else if (arg == "--accept") opt.accept = true;
        else if (arg == "--ports" && i + 1 < argc) opt.ports = split_commas(argv[++i]);
        else if (arg.rfind("--ports=", 0) == 0) opt.ports = split_commas(arg.substr(8));
        else {
            out << "usage: veloran [--transcript] [--simulate] [--demo] [--speech=system|dispatcher|recorded]\n"
                   "       veloran --find-radio [--ports P1,P2,...]\n"
                   "       veloran --setup [--accept] [--ports P1,P2,...]\n"
                   "  --transcript  print every word played, one per line\n"
                   "  --simulate    answer from the built-in simulated radio\n"
                   "  --demo        run against an emulated radio in a folder of its own\n"
                   "  --speech=system  speak in the system's voice: speech-dispatcher (also\n"
                   "                --speech=dispatcher), SAPI on Windows; recorded: the wave files\n"
                   "  --find-radio  look for the radio on every serial port, say where it is\n"
                   "  --setup       find the radio and go through veloran.cfg by ear, then write it\n"
                   "  --accept      with --setup: ask nothing, take the first radio found\n"
                   "  --ports       the ports to search instead of all of them\n";
            return arg == "--help" ? 0 : 2;
        }
    }
    return -1;
}

int run_selected(Context& c, const Options& opt) {
    if (opt.find_radio) return find_radio(c, opt.ports);
    if (opt.setup) return run_setup(c, opt.ports, opt.accept);
    return run_program(c);
}

void apply_options(Context& c, const Options& opt, std::ostream& words) {
    c.st.speech_option = opt.speech;
    c.st.simulate_radio = opt.simulate ? 1 : 0;
    if (opt.transcript) c.transcript = &words;
}

}  // namespace vlr
