#include "app/wiring.hpp"

#include <iostream>

namespace vlr {

void wire_context(Context& c, const SystemParts& parts, const Options& opt) {
    c.paths.work_dir = "";
    c.window = parts.window.get();
    c.speaker = parts.speaker.get();
    c.serial = parts.serial.get();
    c.sockets = parts.sockets.get();
    c.text_service = parts.text_service.get();
    c.screen_reader = parts.screen_reader.get();
    c.console = &std::cout;
    c.errors = &std::cerr;
    apply_options(c, opt, std::cout);
}

}  // namespace vlr
