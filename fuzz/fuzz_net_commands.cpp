// Lines from a network client as input: whatever arrives is carried out
// against a connected program whose radio is the emulated one, with ticks in
// between. Every answer is whole lines; every command reaching the radio is
// one the program built (nine-digit frequencies, no stray ";"); a client
// that keyed the transmitter and goes away leaves it unkeyed.

#include "commands/net_commands.hpp"
#include "fuzz/fuzz_rig.hpp"

using namespace vlr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    test::Rig rig;
    State& s = rig.st();
    emu::RadioModel model;
    rig.radio->respond = fuzz::answers_from(model);
    fuzz::watch_commands(*rig.radio);
    test::connect(rig);
    s.net_tx_allowed = in.ConsumeBool();
    NetClientFacts client;
    fuzz::Checker check;

    for (int steps = 0; steps < 200 && in.remaining_bytes() > 0; ++steps) {
        if (in.ConsumeIntegralInRange(0, 7) == 0) fuzz::ticks(rig, in.ConsumeIntegralInRange(1, 4));
        else if (const std::string answer = answer_net_line(rig.c, in.ConsumeRandomLengthString(200), client); !answer.empty())
            fuzz::require(answer.back() == '\n', "answer not ended by a line end", answer);
        check(rig);
    }
    if (client.keyed) unkey_for_network(rig.c);
    fuzz::require(!client.keyed || s.transmit_state < 10, "keyed by a client that went away");
    check(rig);
    return 0;
}
