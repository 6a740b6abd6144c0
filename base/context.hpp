// The program context that every routine takes: the operating state, the
// serial port table and the platform parts the program runs on.
#pragma once

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/state.hpp"
#include "platform/interfaces.hpp"
#include "platform/sockets.hpp"

namespace vlr {

struct NetServer;  // commands/net_server.hpp

// The words spoken for one event (a key, a tick's report): the stop key
// drops the rest of it, the repeat key says the last one again.
struct Reading {
    std::vector<std::pair<std::string, bool>> words;  // (word, waited) spoken so far
    std::vector<std::pair<std::string, bool>> last;   // the last reading that spoke
    bool stopped = false;                             // the stop key cut this one
    std::string pending_text;                         // text not yet handed to the service
};

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
    platform::TextSpeech* text_service = nullptr;  // offered by the platform, may be null
    platform::TextSpeech* screen_reader = nullptr;  // the screen reader's own speech, may be null
    platform::TextSpeech* text_speech = nullptr;   // in use: words go to it as text
    Reading reading;
    std::ostream* errors = nullptr;              // why the program could not run, one line each
};

}  // namespace vlr
