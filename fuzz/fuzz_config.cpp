// veloran.cfg as the whole input: the program starts with it, runs a fixed
// session of keys and ticks that uses every configured value (tune and SWR
// options, repeater offsets on 10 m to 70 cm, the pass-through port, the log,
// power off at the end) against the emulated radio, and shuts down.
#include <cstdio>
#include <cstdlib>

#include "app/startup.hpp"
#include "fuzz/fuzz_rig.hpp"

using namespace vlr;

namespace {

constexpr int enter = vk::enter, space = vk::space, tick = fuzz::tick;

// Keys of the session; `tick` stands for one timer tick.
const std::vector<int>& session() {
    // clang-format off
    static const std::vector<int> keys = {
        tick, tick, tick, tick,
        'T', tick, tick, tick, tick, 'T',                               // tune on and off
        space, tick, tick, tick, tick, 'S', space,                      // transmit, SWR
        'B', '0', tick, tick, 'M', 'M', 'M',                            // 10 m, on to FM
        'V', tick, tick, 'V', 'X', 'O', enter,                          // shift, offset read-out
        'B', 'X', tick, tick, 'M', 'M', 'M', 'V', tick, tick, 'V',      // 6 m in FM
        'B', 'T', tick, tick, 'V', tick, tick, 'V', 'X', 'O', enter,    // 2 m
        'B', 'S', tick, tick, 'V', tick, tick, 'V',                     // 70 cm
        'X', 'O', '+', '1', '2', '3', '4', enter, 'V',                  // offset entry
        tick, tick, tick, tick, tick, tick, tick, tick,                 // pass-through traffic
        'Q', tick, tick, tick, tick, tick, tick, tick, tick};
    // clang-format on
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string config(reinterpret_cast<const char*>(data), size);
    test::Rig rig;
    rig.dir.write("veloran.cfg", config);

    // Give the configured ports lines to open: the emulated radio on the
    // radio port, another program asking for the frequency and setting a
    // mode on the pass-through port.
    State probe;
    read_config_text(probe, config);
    auto line_for = [&rig](int com) { return rig.serial.line(com) ? rig.serial.line(com) : rig.serial.add_line(com); };
    auto usable = [](int com) { return com >= 1 && com <= 256; };
    emu::RadioModel radio;
    rig.radio->respond = nullptr;
    if (usable(probe.radio_port)) {
        line_for(probe.radio_port)->respond = fuzz::answers_from(radio);
        fuzz::watch_commands(*line_for(probe.radio_port));
    }
    if (usable(probe.passthru_port) && probe.passthru_port != probe.radio_port)
        line_for(probe.passthru_port)->incoming = "FA;MD02;ID;";

    for (int key : session()) {
        if (key == tick) rig.window.events.emplace_back(platform::event_timer, 1);
        else rig.window.events.insert(rig.window.events.end(), {{platform::event_key_down, key}, {platform::event_key_up, key}});
    }

    run_program(rig.c);

    fuzz::check_state(rig.st());
    std::size_t from = 0;
    const int port = rig.st().radio_port;
    auto line = usable(port) ? rig.serial.line(port) : nullptr;
    if (line) fuzz::check_radio_commands(*line, from);
    if (std::getenv("VELORAN_FUZZ_TRACE")) {
        std::fprintf(stderr, "words: %s\n", test::join(rig.words()).c_str());
        if (line) std::fprintf(stderr, "radio: %s\n", test::join(line->commands).c_str());
    }
    return 0;
}
