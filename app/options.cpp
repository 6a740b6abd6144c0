#include "app/options.hpp"

#include <string_view>

namespace vlr {

const char* const demo_config =
    "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
    "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 1\r\nNet 4532\r\nNetTx 1\r\n";

int read_options(int argc, const char* const* argv, Options& opt, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--simulate") opt.simulate = true;
        else if (arg == "--transcript") opt.transcript = true;
        else if (arg == "--demo") opt.demo = true;
        else if (arg == "--speech=dispatcher" || arg == "--speech=system" || arg == "--speech=recorded" ||
                 arg == "--speech=screenreader")
            opt.speech = arg.substr(9);
        else {
            out << "usage: veloran [--transcript] [--simulate] [--demo]\n"
                   "               [--speech=system|dispatcher|screenreader|recorded]\n"
                   "  --transcript  print every word played, one per line\n"
                   "  --simulate    answer from the built-in simulated radio\n"
                   "  --demo        run against an emulated radio in a folder of its own\n"
                   "  --speech=system  speak in the system's voice: speech-dispatcher (also\n"
                   "                --speech=dispatcher), SAPI on Windows; recorded: the wave files\n"
                   "  --speech=screenreader  through the running screen reader (Windows;\n"
                   "                speech-dispatcher elsewhere), else as system\n";
            return arg == "--help" ? 0 : 2;
        }
    }
    return -1;
}

void apply_options(Context& c, const Options& opt, std::ostream& words) {
    c.st.speech_option = opt.speech;
    c.st.simulate_radio = opt.simulate ? 1 : 0;
    if (opt.transcript) c.transcript = &words;
}

}  // namespace vlr
