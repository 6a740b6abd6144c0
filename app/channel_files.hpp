// Channel lists in and out: the memory channels written as a CHIRP CSV file,
// and such a file read into them. Both run without the radio and the window.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// Why a channel list job ended, as its exit status (listed in README.md).
enum ChannelListStatus {
    list_done = 0,
    list_unreadable = 20,       // the file is missing, not a file, or cannot be read
    list_not_chirp = 21,        // binary, too large, a quote left open, no CHIRP columns, no rows
    list_bad_rows = 22,         // rows the radio cannot hold or channels in use: nothing written
    list_program_running = 23,  // the program runs in this folder and would save over the import
    list_not_written = 24,      // the backup, the channels or the export could not be written
    list_memory_unusable = 25,  // savmem.dat is not a memory file
};

// The lock the running program holds in its working folder.
inline constexpr const char* running_lock_name = "veloran.lock";

struct ChannelImport {
    std::string file;
    int first = -1;         // the channel of the first row; -1: each row's Location
    bool replace = false;   // used channels may be overwritten
    bool skip_bad = false;  // the good rows are written when some are bad
};

// Writes every used channel to `file`; what it did goes to c.console, why it
// failed to c.errors.
int export_channels(Context& c, const std::string& file);
// Reads `job.file` into the channels and saves them as a store does, the old
// savmem.dat kept as savmem.dat.bak (or .bak.1, ...).
int import_channels(Context& c, const ChannelImport& job);

}  // namespace vlr
