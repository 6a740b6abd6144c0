// The network control port: clients of the rigctld protocol served from the
// one event loop. Sockets never block; each client has its own line buffer
// and its own bounded queue of answers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "commands/net_commands.hpp"

namespace vlr {

struct NetClient {
    std::unique_ptr<platform::Connection> connection;
    int number = 0;             // for the log
    std::string in;             // received, not yet taken as lines
    std::string out;            // answers not yet taken by the system
    bool skipping = false;      // dropping the rest of an overlong line
    bool closing = false;       // to be closed once `out` has gone
    NetClientFacts facts;
};

struct NetServer {
    std::unique_ptr<platform::Listener> listener;
    std::vector<NetClient> clients;
    int next_number = 1;
};

// Clients served at once; one more is told so and closed.
inline constexpr std::size_t net_max_clients = 8;
// The longest command line taken; longer lines are refused whole.
inline constexpr std::size_t net_max_line = 512;
// Answers held for a client that does not read them before it is closed.
inline constexpr std::size_t net_max_pending = 64 * 1024;
// Commands carried out for one client in one turn of the loop, so that a
// flood from one client cannot hold up the keys and the poll.
inline constexpr int net_lines_per_turn = 16;

// Opens the port the configuration names (net_port, net_address) when it
// names one. A port that cannot be opened is said and logged; the program
// runs on without it.
void open_net_port(Context& c);

// Takes new clients, carries out what they sent and passes the answers on.
void serve_net(Context& c);

// Unkeys what a network client keyed and closes every connection.
void close_net_port(Context& c);

}  // namespace vlr
