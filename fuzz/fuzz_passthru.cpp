// Another program's bytes on the pass-through port as input, over many
// polls, with the radio answering from the input too (or, in the other half
// of the inputs, as the emulated radio would). The script's steps put bytes
// on the pass-through line, queue or drop radio bytes, run ticks, or switch
// VFO B and the simulated radio.

#include "fuzz/fuzz_rig.hpp"
#include "link/ports.hpp"

using namespace vlr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    test::Rig rig;
    State& s = rig.st();
    emu::RadioModel model;
    std::deque<std::string> answers;
    rig.radio->respond = in.ConsumeBool() ? fuzz::answers_from(model) : fuzz::answers_from(answers);
    // The other program's commands go to the radio as they came: only the
    // framing and the characters are the program's to keep.
    fuzz::watch_commands(*rig.radio, true);
    auto other = rig.serial.add_line(2);
    test::connect(rig);
    s.passthru_port = 2;
    open_serial(rig.c, 2);
    fuzz::Checker check{0, true};

    for (int steps = 0; steps < 300 && in.remaining_bytes() > 0; ++steps) {
        // clang-format off
        switch (in.ConsumeIntegralInRange(0, 7)) {
            case 0: case 1: case 2: other->incoming += in.ConsumeRandomLengthString(300); break;
            case 3: answers.push_back(in.ConsumeRandomLengthString(300)); break;
            case 4: rig.radio->incoming += in.ConsumeRandomLengthString(64); break;
            case 5: case 6: fuzz::ticks(rig, in.ConsumeIntegralInRange(1, 6)); break;
            default:
                switch (in.ConsumeIntegralInRange(0, 3)) {
                    case 0: s.vfo_b_selected = 1 - s.vfo_b_selected; break;
                    case 1: s.simulate_radio = 1 - s.simulate_radio; break;
                    case 2: s.transmit_state = s.transmit_state == 0 ? 10 : 0; break;
                    default: fuzz::press(rig, fuzz::key_code_from(in)); break;
                }
        }
        // clang-format on
        check(rig);
    }
    // Whatever was sent, the program takes at most one command per poll and
    // never holds more than a full buffer.
    fuzz::require(s.passthru_inbuf.size() <= 255, "pass-through buffer beyond 255");
    return 0;
}
