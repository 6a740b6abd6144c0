#include "platform/posix/stop_signals.hpp"

#include <signal.h>

#include "platform/stop_request.hpp"

namespace vlr::platform {

namespace {

void on_stop_signal(int number) { stop_request.store(number, std::memory_order_relaxed); }

void set_handler(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Calls under way go on: every wait in the program is bounded and
    // looks at the request when it ends.
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

}  // namespace

void install_stop_signals() {
    for (int number : {SIGTERM, SIGINT, SIGHUP}) set_handler(number, on_stop_signal);
    set_handler(SIGPIPE, SIG_IGN);
}

}  // namespace vlr::platform
