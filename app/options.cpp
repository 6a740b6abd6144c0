#include "app/options.hpp"

#include <string_view>

#include "app/setup.hpp"
#include "app/startup.hpp"

namespace vlr {

const char* const demo_config =
    "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
    "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 1\r\nNet 4532\r\nNetTx 1\r\n";

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

// The channel options: those that take the next argument consume it. False
// when the argument is none of them or its value is missing or wrong.
bool read_channel_option(int argc, const char* const* argv, int& i, Options& opt) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--replace") opt.import_channels.replace = true;
    else if (arg == "--skip-bad") opt.import_channels.skip_bad = true;
    else if (!has_value) return false;
    else if (arg == "--export-channels") opt.export_channels = argv[++i];
    else if (arg == "--import-channels") opt.import_channels.file = argv[++i];
    else if (arg == "--first") {
        const std::string n = argv[++i];
        if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != std::string::npos) return false;
        opt.import_channels.first = std::stoi(n);
    } else {
        return false;
    }
    return true;
}

// The import's own options need the import, and one job at a time.
bool channel_options_fit(const Options& opt) {
    const ChannelImport& in = opt.import_channels;
    if (!opt.export_channels.empty() && !in.file.empty()) return false;
    return !in.file.empty() || (in.first < 0 && !in.replace && !in.skip_bad);
}

}  // namespace

int read_options(int argc, const char* const* argv, Options& opt, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (read_channel_option(argc, argv, i, opt)) continue;
        if (arg == "--simulate") opt.simulate = true;
        else if (arg == "--transcript") opt.transcript = true;
        else if (arg == "--demo") opt.demo = true;
        else if (arg == "--speech=dispatcher" || arg == "--speech=system" || arg == "--speech=recorded" ||
                 arg == "--speech=screenreader")
            opt.speech = arg.substr(9);
        else if (arg == "--find-radio") opt.find_radio = true;
        else if (arg == "--setup") opt.setup = true;
        else if (arg == "--accept") opt.accept = true;
        else if (arg == "--ports" && i + 1 < argc) opt.ports = split_commas(argv[++i]);
        else if (arg.rfind("--ports=", 0) == 0) opt.ports = split_commas(arg.substr(8));
        else {
            out << "usage: veloran [--transcript] [--simulate] [--demo]\n"
                   "               [--speech=system|dispatcher|screenreader|recorded]\n"
                   "       veloran --export-channels FILE.csv\n"
                   "       veloran --import-channels FILE.csv [--first N] [--replace] [--skip-bad]\n"
                   "       veloran --find-radio [--ports P1,P2,...]\n"
                   "       veloran --setup [--accept] [--ports P1,P2,...]\n"
                   "  --transcript  print every word played, one per line\n"
                   "  --simulate    answer from the built-in simulated radio\n"
                   "  --demo        run against an emulated radio in a folder of its own\n"
                   "  --speech=system  speak in the system's voice: speech-dispatcher (also\n"
                   "                --speech=dispatcher), SAPI on Windows; recorded: the wave files\n"
                   "  --speech=screenreader  through the running screen reader (Windows;\n"
                   "                speech-dispatcher elsewhere), else as system\n"
                   "  --export-channels  write the memory channels as a CHIRP CSV file\n"
                   "  --import-channels  read a CHIRP CSV file into the channels (at its Locations,\n"
                   "                or from channel N on); --replace overwrites used channels;\n"
                   "                --skip-bad writes the good rows when some cannot be channels\n"
                   "  --find-radio  look for the radio on every serial port, say where it is\n"
                   "  --setup       find the radio and go through veloran.cfg by ear, then write it\n"
                   "  --accept      with --setup: ask nothing, take the first radio found\n"
                   "  --ports       the ports to search instead of all of them\n";
            return arg == "--help" ? 0 : 2;
        }
    }
    if (channel_options_fit(opt)) return -1;
    out << "usage: veloran --import-channels FILE.csv [--first N] [--replace] [--skip-bad]\n"
           "  (--first, --replace and --skip-bad go with --import-channels, which goes alone)\n";
    return 2;
}

int run_channel_job(const Options& opt, std::ostream& out, std::ostream& errors) {
    if (opt.export_channels.empty() && opt.import_channels.file.empty()) return -1;
    Context c;
    c.console = &out;
    c.errors = &errors;
    return opt.export_channels.empty() ? import_channels(c, opt.import_channels)
                                       : export_channels(c, opt.export_channels);
}

int run_selected(Context& c, const Options& opt) {
    if (opt.find_radio) return find_radio(c, opt.ports);
    if (opt.setup) return run_setup(c, opt.ports, opt.accept);
    return run_program(c);
}

void apply_options(Context& c, const Options& opt, std::ostream& words) {
    c.st.speech_option = opt.speech;
    c.st.simulate_radio = opt.simulate;
    if (opt.transcript) c.transcript = &words;
}

}  // namespace vlr
