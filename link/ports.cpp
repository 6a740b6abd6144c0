#include "link/ports.hpp"

#include <vector>

#include "base/exit_codes.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

constexpr int first_com = 1;
constexpr int last_com = 256;

// The port in the slot of `com`, or null for an empty slot or a number
// outside 1..256.
platform::SerialPort* port_of(Context& c, int com) {
    if (com < first_com || com > last_com) return nullptr;
    return c.ports[static_cast<std::size_t>(com)].get();
}

// A read never asks for more than this, whatever a caller passes: the
// program reads at most 255 bytes, and a wild count must not allocate wildly.
constexpr int read_limit = 65536;

}  // namespace

int open_port(Context& c, int com, int speed) {
    if (com < first_com || com > last_com || c.serial == nullptr) return 0;
    auto port = c.serial->open(com, speed);
    if (!port) return 0;
    c.ports[static_cast<std::size_t>(com)] = std::move(port);
    return 1;
}

int set_line_format(Context& c, int com, int data_bits, int parity_code, int stop_bits_setting) {
    auto* port = port_of(c, com);
    if (port == nullptr) return 0;
    return port->set_line_format(data_bits, parity_code, stop_bits_setting) ? 1 : 0;
}

void set_read_timeouts(Context& c, int com, int value) {
    if (auto* port = port_of(c, com)) port->set_read_timeouts(value);
}

int write_port(Context& c, int com, const std::string& bytes) {
    auto* port = port_of(c, com);
    if (port == nullptr || bytes.empty()) return 0;
    return port->write(bytes.data(), static_cast<int>(bytes.size()));
}

int bytes_waiting(Context& c, int com) {
    auto* port = port_of(c, com);
    return port == nullptr ? 0 : port->bytes_waiting();
}

std::string read_port(Context& c, int com, int max_count) {
    auto* port = port_of(c, com);
    if (port == nullptr || max_count <= 0) return {};
    if (max_count > read_limit) max_count = read_limit;
    std::vector<char> buffer(static_cast<std::size_t>(max_count));
    int n = port->read(buffer.data(), max_count);
    if (n <= 0) return {};
    if (n > max_count) n = max_count;
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

void close_port(Context& c, int com) {
    if (com < first_com || com > last_com) return;
    c.ports[static_cast<std::size_t>(com)].reset();
}

int port_open(Context& c, int com) { return port_of(c, com) != nullptr ? 1 : 0; }

int port_alive(Context& c, int com) {
    auto* port = port_of(c, com);
    return port != nullptr && port->alive() ? 1 : 0;
}

void open_serial(Context& c, int com) {
    close_port(c, com);
    open_port(c, com, c.st.port_speed);
    set_read_timeouts(c, com, -1);
    set_line_format(c, com, c.st.data_bits, c.st.parity_code, c.st.stop_bits_setting);
}

namespace {

// The spoken word and the line on standard error for a port that failed.
int port_failure(Context& c, const char* word, const std::string& why, int code) {
    say(c, word);
    if (c.errors) *c.errors << "veloran: " << why << '\n' << std::flush;
    return code;
}

}  // namespace

int say_if_not_permitted(Context& c, int com) {
    if (!c.serial) return 0;
    const std::string port =
        (com == c.st.radio_port ? "the radio's port " : "the pass-through port ") +
        c.serial->device_path(com);
    switch (c.serial->last_open_error()) {
        case platform::open_error_permission:
            return port_failure(c, "noperm", "no permission to open " + port, exit_port_not_permitted);
        case platform::open_error_busy:
            return port_failure(c, "portbusy", port + " is in use by another program", exit_port_busy);
        case platform::open_error_not_serial:
            return port_failure(c, "notser", port + " is not a serial device", exit_port_not_serial);
        default:
            return 0;
    }
}

}  // namespace vlr
