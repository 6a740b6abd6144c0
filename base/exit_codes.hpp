// Why the program ended early, as its exit status (listed in README.md). The
// refusals the operator has always heard (no configuration file, a rejected
// one, no radio answering) end with 0 as before.
#pragma once

namespace vlr {

enum ExitCode {
    exit_config_is_folder = 3,
    exit_config_unreadable = 4,
    exit_port_not_permitted = 5,
    exit_port_busy = 6,
    exit_port_not_serial = 7,
    exit_no_display = 8,
    exit_no_radio_found = 9,  // the search found no radio; nothing was written
};

}  // namespace vlr
