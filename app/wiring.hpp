// What both entry points share: the context wired to the parts a system
// makes (window, word player, serial ports, network, speech services).
#pragma once

#include <memory>

#include "app/options.hpp"
#include "base/context.hpp"
#include "platform/interfaces.hpp"
#include "platform/sockets.hpp"

namespace vlr {

// Made by the entry point, in the order its system needs, and kept alive
// while the program runs. Parts are destroyed in the reverse order.
struct SystemParts {
    std::unique_ptr<platform::Window> window;
    std::unique_ptr<platform::Speaker> speaker;
    std::unique_ptr<platform::SerialSystem> serial;
    std::unique_ptr<platform::TextSpeech> text_service;  // null: the recorded words only
    std::unique_ptr<platform::Sockets> sockets;
    // Speaks through the window (Windows): made after it, ended before it.
    std::unique_ptr<platform::TextSpeech> screen_reader;  // null: none on this system
};

// Points the context at the parts, the console at the standard streams, and
// applies the command line. The working folder is the current one.
void wire_context(Context& c, const SystemParts& parts, const Options& opt);

}  // namespace vlr
