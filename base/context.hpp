// The program context that every routine takes: the operating state, the
// serial port table and the platform parts the program runs on.
#pragma once

#include <array>
#include <memory>
#include <ostream>

#include "base/state.hpp"
#include "platform/interfaces.hpp"
#include "platform/sockets.hpp"

namespace vlr {

struct NetServer;  // commands/net_server.hpp

struct Context {
    State st;
    Paths paths;

    // Serial port table: one slot for each COM number 1..256 (slot 0 unused).
    std::array<std::unique_ptr<platform::SerialPort>, 257> ports{};

    platform::Speaker* speaker = nullptr;        // null: silent
    platform::Window* window = nullptr;          // null: no window, nothing drawn
    platform::SerialSystem* serial = nullptr;    // null: no port ever opens
    platform::Sockets* sockets = nullptr;        // null: no network port
    std::shared_ptr<NetServer> net;              // the network port while it listens
    std::ostream* transcript = nullptr;          // every word played, one per line
    std::ostream* console = nullptr;             // print_text before a window is named
    std::ostream* errors = nullptr;              // why the program could not run, one line each
};

}  // namespace vlr
