// The radio's replies as input: whatever comes back on the radio line to the
// poll, to the start-up read-back and to the keys that query the radio, and
// what the frequency, S-meter and SWR routines are handed directly. The input
// is a script: each step either queues the radio's next answer, drops bytes
// on the line unasked, or runs one of the routines that read answers.

#include "base/text.hpp"
#include "commands/poll.hpp"
#include "fuzz/fuzz_rig.hpp"
#include "radio/frequency.hpp"
#include "speech/values.hpp"

using namespace vlr;

namespace {

constexpr int enter = vk::enter, f7 = vk::f(7), f11 = vk::f(11);

// The keys whose rules ask the radio something and read its answer: power,
// keyer speed, microphone gain (then the monitor on the poll), tune (power
// read for the carrier), mode (FM reads the squelch), speech processor level,
// a menu item read (N, its number, Enter) and the frequency read-out.
void query_key(test::Rig& rig, FuzzedDataProvider& in) {
    static const std::vector<int> keys[] = {{'P'}, {'K'}, {f11}, {'T'}, {'M'}, {f7},
                                            {'N', '0', '3', '1', enter}, {'F'}};
    for (int k : keys[in.ConsumeIntegralInRange(0, 7)]) fuzz::press(rig, k);
}

// Puts the program into one of the states whose reply handling differs.
void change_state(State& s, FuzzedDataProvider& in) {
    auto pick = [&in](int lo, int hi) { return in.ConsumeIntegralInRange(lo, hi); };
    // clang-format off
    switch (pick(0, 12)) {
        case 0: s.transmit_state = in.PickValueInArray({0, 1, 10, 11, 12}); break;
        case 1: s.tune_active = pick(0, 1); break;
        case 2: s.mic_monitor = pick(-1, 2); break;
        case 3: s.vfo_b_selected = pick(0, 1); break;
        case 4: s.skip_freq_reply = pick(0, 1); break;
        case 5: s.channel_recalled = pick(0, 1), s.channel_step = pick(0, 1); break;
        case 6: s.quit_pending = pick(0, 2); break;
        case 7: s.radio_connected = pick(0, 1); break;
        case 8: s.tx_settle_count = pick(0, 2), s.auto_swr = pick(0, 2); break;
        case 9: s.tuner_mode = pick(0, 3), s.ant_check = pick(0, 2); break;
        case 10: s.repeater_on = pick(0, 2), s.mode_code = pick(1, 7); break;
        case 11: s.tick_count = pick(0, 20), s.key_state = in.PickValueInArray({0, 1, 2, 14}); break;
        default: s.band_index = pick(1, 15); break;
    }
    // clang-format on
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    test::Rig rig;
    State& s = rig.st();
    std::deque<std::string> answers;  // the radio's answers, one per command
    rig.radio->respond = fuzz::answers_from(answers);
    fuzz::watch_commands(*rig.radio);
    test::connect(rig);
    fuzz::Checker check;

    for (int steps = 0; steps < 200 && in.remaining_bytes() > 0; ++steps) {
        // clang-format off
        switch (in.ConsumeIntegralInRange(0, 9)) {
            case 0: case 1: answers.push_back(in.ConsumeRandomLengthString(300)); break;
            case 2: rig.radio->incoming += in.ConsumeRandomLengthString(300); break;  // unasked, or late
            case 3: case 4: fuzz::ticks(rig, in.ConsumeIntegralInRange(1, 4)); break;
            case 5: s.cat_reply = cut(in.ConsumeRandomLengthString(300)), take_frequency_reply(rig.c); break;
            case 6:
                if (in.ConsumeBool()) s.s_meter_value = in.ConsumeIntegral<int>(), say_s_meter(rig.c);
                else s.swr_peak_text = cut(in.ConsumeRandomLengthString(300)), say_swr(rig.c);
                break;
            case 7:
                if (!read_back_radio(rig.c)) {  // the program would end here; carry on with a port again
                    rig.window.is_open = s.main_window.open = true;
                    rig.open_radio();
                }
                break;
            case 8: query_key(rig, in); break;
            default: change_state(s, in); break;
        }
        // clang-format on
        check(rig);
    }
    return 0;
}
