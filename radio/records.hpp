// What the program records of the radio's settings, put back when the radio
// refuses the command that changed it: the next press of the key tries the
// same again, and whatever reads the record tells the truth.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// The records a key may change, as they are now.
KeptRecords keep_records(const State& s);

// Puts back, from `before`, the records that `refused_command` (";"
// included) changed. A command that keeps no record (zero-in, a band stack,
// a frequency the next poll reports anyway) puts nothing back.
void put_back_record(State& s, const KeptRecords& before, const std::string& refused_command);

}  // namespace vlr
