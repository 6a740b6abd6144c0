// The serial port layer: ports addressed by COM number 1..256. A number out of
// range or a slot that holds no port makes every operation do nothing.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

int open_port(Context& c, int com, int speed);
int set_line_format(Context& c, int com, int data_bits, int parity_code, int stop_bits_setting);
void set_read_timeouts(Context& c, int com, int value);
int write_port(Context& c, int com, const std::string& bytes);
int bytes_waiting(Context& c, int com);
// One read of at most max_count bytes; returns them (possibly none).
std::string read_port(Context& c, int com, int max_count);
void close_port(Context& c, int com);

// 1 when the slot of `com` holds a port, whatever the state of its device.
int port_open(Context& c, int com);
// 1 when the slot of `com` holds a port whose device is still there; 0 for
// an empty slot or a device that has gone (USB cable pulled, the other end of
// a pseudo-terminal closed). A gone device never comes back by itself: only
// closing and opening the port again reaches it.
int port_alive(Context& c, int com);

// The program's calling order for a port: close, open at port_speed,
// non-blocking reads, data_bits/parity_code/stop_bits_setting.
void open_serial(Context& c, int com);

// A pass-through port is in use: configured, and not the radio's own port
// (which would send the radio's replies back to it as commands).
inline bool passthru_in_use(const State& s) {
    return s.passthru_port >= 1 && s.passthru_port != s.radio_port;
}

// Says why the last open of port `com` failed, when the system could
// tell: "noperm" (the user is not in the dialout group), "portbusy" (another
// program holds it), "notser" (not a serial device), with a line on standard
// error. Returns the exit status the program ends with when no radio
// answers for that reason (base/exit_codes.hpp), 0 when the reason is not known.
int say_if_not_permitted(Context& c, int com);

}  // namespace vlr
