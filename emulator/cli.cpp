#include "emulator/cli.hpp"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>

namespace vlr::emu {
namespace {

const char* const usage =
    "usage: veloran-emulator [options]\n"
    "  --link PATH      make PATH (e.g. ./COM5) a symbolic link to the radio's port\n"
    "  --baud N         line speed the answers are paced at (default 38400; 0 = unpaced)\n"
    "  --stop-bits 1|2  stop bits counted in that pace (default 2)\n"
    "  --delay-ms N     time before each answer (default 5)\n"
    "  --variant 10|100 the 10 W or the 100 W transmitter (default 100)\n"
    "  --id NNNN        the identity answered to ID; (default 0840)\n"
    "  --dial-drift     the dial turns slowly by itself\n"
    "  --record FILE    append every command received to FILE, one a line\n"
    "  --fault NAME     silent, late, pieces, garbage, garbage-only or burst\n"
    "  --quiet          do not show the traffic on stderr\n"
    "  --refuse CODES   answer \"?;\" to every set command with these codes (PR,ML)\n"
    "  --refuse-unknown answer \"?;\" to every form the radio does not know exactly\n";

bool whole_number(const std::string& text, int low, int high, int& out) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return false;
    out = value;
    return true;
}

// "PR,ML": two capital letters each, comma-separated.
bool command_codes(const std::string& text, std::set<std::string>& out) {
    std::set<std::string> codes;
    for (std::size_t from = 0; from <= text.size();) {
        std::size_t end = std::min(text.find(',', from), text.size());
        const std::string code = text.substr(from, end - from);
        if (code.size() != 2 || !std::isupper(static_cast<unsigned char>(code[0])) ||
            !std::isupper(static_cast<unsigned char>(code[1])))
            return false;
        codes.insert(code);
        from = end + 1;
    }
    out = std::move(codes);
    return true;
}

bool four_digits(const std::string& text) {
    return text.size() == 4 && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

bool parse_cli(const std::vector<std::string>& args, CliOptions& options, std::string& error) {
    static const std::map<std::string, Fault> faults = {
        {"none", Fault::none},       {"silent", Fault::silent},
        {"late", Fault::late},       {"pieces", Fault::pieces},
        {"garbage", Fault::garbage}, {"garbage-only", Fault::garbage_only},
        {"burst", Fault::burst},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--dial-drift") {
            options.dial_drift = true;
            continue;
        }
        if (option == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (option == "--refuse-unknown") {
            options.refuse_unknown = true;
            continue;
        }
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error =
                option.rfind("--", 0) == 0 ? option + " needs a value" : "unknown option " + option;
            return false;
        }
        const std::string& value = args[++i];
        int number = 0;
        bool good = true;
        if (option == "--link") {
            good = !value.empty();
            options.link = value;
        } else if (option == "--record") {
            good = !value.empty();
            options.record = value;
        } else if (option == "--baud") {
            good = whole_number(value, 0, 4'000'000, options.line.baud);
        } else if (option == "--stop-bits") {
            good = whole_number(value, 1, 2, options.line.stop_bits);
        } else if (option == "--delay-ms") {
            good = whole_number(value, 0, 60'000, options.line.reply_delay_ms);
        } else if (option == "--variant") {
            good = whole_number(value, 10, 100, number) && (number == 10 || number == 100);
            options.variant = number == 10 ? Variant::watts10 : Variant::watts100;
        } else if (option == "--id") {
            good = four_digits(value);
            options.identity = value;
        } else if (option == "--refuse") {
            good = command_codes(value, options.refuse);
        } else if (option == "--fault") {
            auto found = faults.find(value);
            good = found != faults.end();
            if (good) options.fault = found->second;
        } else {
            error = "unknown option " + option;
            return false;
        }
        if (!good) {
            error = "bad value for " + option + ": " + value;
            return false;
        }
    }
    return true;
}

std::string record_line(const std::string& command) {
    std::string line;
    for (unsigned char c : command) {
        if (c < 0x20 || c == 0x7f || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            line += escaped;
        } else {
            line += static_cast<char>(c);
        }
    }
    return line;
}

int run_emulator(int argc, char** argv) {
    CliOptions options;
    std::string error;
    if (!parse_cli(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options,
                   error)) {
        std::fprintf(stderr, "veloran-emulator: %s\n%s", error.c_str(), usage);
        return 2;
    }
    if (options.help) {
        std::fputs(usage, stdout);
        return 0;
    }

    // The signals are taken by sigwait below; blocked before the serving
    // thread exists so that it inherits the mask and never receives them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    std::FILE* record = nullptr;
    if (!options.record.empty() && !(record = std::fopen(options.record.c_str(), "a"))) {
        std::fprintf(stderr, "veloran-emulator: cannot open %s\n", options.record.c_str());
        return 1;
    }

    RadioModel model(options.variant, options.identity);
    model.refuse_sets(options.refuse);
    model.refuse_unknown_forms(options.refuse_unknown);
    PtyRadio radio(std::move(model), options.line);
    if (!radio.ok()) {
        std::fprintf(stderr, "veloran-emulator: cannot open a pseudo-terminal\n");
        if (record) std::fclose(record);
        return 1;
    }
    bool quiet = options.quiet;
    radio.on_command([record, quiet](const std::string& command, const std::string& reply) {
        if (record) {
            std::fprintf(record, "%s\n", record_line(command).c_str());
            std::fflush(record);
        }
        if (!quiet)
            std::fprintf(stderr, "%s -> %s\n", record_line(command).c_str(),
                         record_line(reply).c_str());
    });
    radio.set_fault(options.fault);
    if (options.dial_drift) radio.set_dial_drift(10, 250);
    if (!options.link.empty() && !radio.link(options.link)) {
        std::fprintf(stderr, "veloran-emulator: cannot make the link %s\n", options.link.c_str());
        radio.stop();
        if (record) std::fclose(record);
        return 1;
    }

    std::printf("pty: %s\n", radio.slave_path().c_str());
    std::fflush(stdout);

    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    radio.stop();
    if (record) std::fclose(record);
    return 0;
}

}  // namespace vlr::emu
