// savmem.dat as the whole input. It is loaded, saved and loaded again (which
// must give back what the first load took), then the program starts on it
// against the simulated radio and a fixed session uses every band row and
// every stored channel: band keys, channel recalls and steps, a store, quit.
#include <array>

#include "app/startup.hpp"
#include "fuzz/fuzz_rig.hpp"
#include "memory/bank_file.hpp"
#include "radio/bands.hpp"

using namespace vlr;

namespace {

struct Banks {
    std::array<std::string, 15> rows;
    std::array<std::string, 100> channels;
    int band_index;
    bool nr_on;
};

Banks banks_of(const State& s) { return {s.band_table, s.memory_channels, s.band_index, s.nr_on}; }

void start_values(State& s) {
    fill_band_rows(s);
    for (auto& ch : s.memory_channels) ch = "9";
    s.band_index = 4, s.nr_on = false;
}

// Whatever the file held, saving what was taken and loading it again gives
// the same rows, channels and band (the noise-reduction flag is only saved
// with a band).
void check_round_trip(test::Rig& rig) {
    State& s = rig.st();
    start_values(s);
    load_memory_file(rig.c);
    fuzz::check_state(s);
    fuzz::require(s.band_index >= 0 && s.band_index <= 14, "loaded band outside 0..14", std::to_string(s.band_index));
    const Banks first = banks_of(s);
    save_memory_file(rig.c), start_values(s), load_memory_file(rig.c);
    const Banks second = banks_of(s);
    fuzz::require(first.rows == second.rows && first.channels == second.channels, "rows or channels changed by save and load");
    fuzz::require(first.band_index == second.band_index, "band changed by save and load");
    fuzz::require(first.band_index == 0 || first.nr_on == second.nr_on, "nr_on changed by save and load");
}

constexpr int enter = vk::enter, tick = fuzz::tick;
using fuzz::steps;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::Rig rig;
    rig.dir.write("savmem.dat", std::string(reinterpret_cast<const char*>(data), size));
    fuzz::watch_commands(*rig.radio);
    check_round_trip(rig);

    State& s = rig.st();
    s.simulate_radio = true, s.running = true;
    prepare_startup(rig.c);
    s.simulate_radio = true;
    fuzz::Checker check;
    if (!read_back_radio(rig.c)) fuzz::fail("the simulated radio was refused");
    steps(rig, check, {tick, tick, tick, tick});  // connected

    // Every band row.
    for (int key : {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'})
        steps(rig, check, {'B', key, tick, tick, 'M', tick, tick, 'V', 'V', 'I', '8', enter});
    for (int key : {'X', 'T', 'S', 'U'})
        steps(rig, check, {'B', key, tick, tick, tick, tick, 'M', 'V', 'V', 'D', 'D'});

    // Every stored channel, then stepping through its bank.
    for (int slot = 0; slot < 100; ++slot) {
        const std::string& record = s.memory_channels[static_cast<std::size_t>(slot)];
        if (!record.empty() && record[0] == '9') continue;
        steps(rig, check, {'G', 'B', '0' + slot / 10, '0' + slot % 10, tick, tick, tick, tick, 'U', tick, tick, 'U', tick, tick});
    }

    // A store, then quit (which saves again).
    steps(rig, check, {'C', 'B', '9', '9', 'Q', tick, tick, tick, tick, tick, tick});
    return 0;
}
