// Channel names, kept in savmem.names beside savmem.dat (whose layout has no
// place for them), one line per named channel: its number, the record it was
// named with, the name. A name holds only while its channel still holds that
// record, so a channel stored over by keys loses its name without the file
// being touched.
#pragma once

#include <array>
#include <string>

#include "base/context.hpp"

namespace vlr {

inline constexpr const char* names_file_name = "savmem.names";
using ChannelNames = std::array<std::string, 100>;

// The names that hold for the channels in `s` ("" for none).
ChannelNames read_channel_names(const Paths& paths, const State& s);
// Writes the names of the used channels of `s`; false when it cannot be written.
bool write_channel_names(const Paths& paths, const State& s, const ChannelNames& names);

}  // namespace vlr
