// Key presses and timer ticks as input, through the real event handler,
// against the program's simulated radio or the emulated radio model. Each
// step is a press (down and up), a held key (down only), a release, or some
// ticks. The session starts as the program does: read-back, then the poll
// brings the first frequency reply.

#include "fuzz/fuzz_rig.hpp"
#include "link/commands.hpp"
#include "radio/frequency.hpp"

using namespace vlr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    test::Rig rig;
    State& s = rig.st();
    emu::RadioModel model(in.ConsumeBool() ? emu::Variant::watts100 : emu::Variant::watts10);
    if (in.ConsumeBool()) s.simulate_radio = true;
    else rig.radio->respond = fuzz::answers_from(model);
    s.tuner_mode = in.ConsumeIntegralInRange(0, 2);
    s.auto_swr = in.ConsumeIntegralInRange(0, 1);
    s.shift2_sign = s.offset2_sign = "-", s.shift2_digits = s.offset2_digits = "0600";
    s.shift70_sign = s.offset70_sign = "+", s.shift70_digits = s.offset70_digits = "7600";
    s.shift10_sign = s.offset10_sign = "-", s.shift10_digits = s.offset10_digits = "0100";
    s.shift6_sign = s.offset6_sign = "-", s.shift6_digits = s.offset6_digits = "0500";
    fuzz::watch_commands(*rig.radio);
    rig.open_radio(), s.running = true;
    if (!read_back_radio(rig.c)) fuzz::fail("the radio was refused at start-up");
    fuzz::Checker check;
    fuzz::steps(rig, check, {fuzz::tick, fuzz::tick, fuzz::tick, fuzz::tick});

    for (int steps = 0; steps < 400 && in.remaining_bytes() > 0; ++steps) {
        // clang-format off
        switch (in.ConsumeIntegralInRange(0, 9)) {
            case 0: fuzz::ticks(rig, in.ConsumeIntegralInRange(1, 8)); break;
            case 1: fuzz::deliver(rig, platform::event_key_down, fuzz::key_code_from(in)); break;
            case 2: fuzz::deliver(rig, platform::event_key_up, 0); break;
            case 3:  // a key pressed many times over: the far ends of every range
                for (int key = fuzz::key_code_from(in), i = in.ConsumeIntegralInRange(1, 1200); i > 0; --i) fuzz::press(rig, key);
                break;
            case 4:  // the operator turned the radio's dial anywhere
                s.last_freq_command = cmd::frequency(in.ConsumeIntegralInRange(1'000'000, 999'999'999)) + ";";
                model.operate(s.last_freq_command);
                fuzz::ticks(rig, 4);
                break;
            default: fuzz::press(rig, fuzz::key_code_from(in)); break;
        }
        // clang-format on
        check(rig);
        model.clear_record();
    }
    return 0;
}
