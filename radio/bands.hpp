// The band rows and band stepping.
#pragma once

#include "base/context.hpp"
#include "base/rows.hpp"

namespace vlr {

// The 14 initial band rows.
void fill_band_rows(State& s);
// Band-stack command of a band ("BS003").
std::string band_stack_command(int band);

void band_from_frequency(Context& c);
void store_band_row(Context& c);
void band_step_up(Context& c);
void band_step_down(Context& c);
void select_band_stack(Context& c);

// Keeps an index inside band_table (1..14) / memory_channels (0..99).
int safe_band(int band);

// B: the next key picks a band (or, after C or G, a memory bank).
void band_key(Context& c);

}  // namespace vlr
