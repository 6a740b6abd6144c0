#include "commands/net_server.hpp"

#include <algorithm>

#include "base/text.hpp"
#include "link/log.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

constexpr int read_chunk = 1024;
// What one turn reads from one client: a few lines' worth beyond the longest.
constexpr std::size_t read_limit = 4 * net_max_line;
// New connections taken in one turn.
constexpr int accepts_per_turn = 16;

// Network traffic has its own lines in debug.dat: "***NRX<n>=" for what
// client n sent, "***NTX<n>=" for the answer, "***NET=" for the port and its
// connections. An answer's line ends show as "|"; bytes that are not text
// as "?", so the log stays one line per exchange.
void log_net(Context& c, const std::string& head, const std::string& text) {
    if (!c.st.debug_log_on) return;
    std::string shown;
    for (char ch : text) {
        if (ch == '\n') shown += '|';
        else if (ch == '\r') continue;
        else shown += static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7e ? '?' : ch;
        if (shown.size() >= max_text) break;
    }
    if (!shown.empty() && shown.back() == '|') shown.pop_back();
    c.st.log_line = cut(head + shown);
    write_log_line(c, c.st.log_line);
}

std::string client_head(const char* kind, const NetClient& client) {
    return std::string("***N") + kind + std::to_string(client.number) + "=";
}

void accept_clients(Context& c, NetServer& server) {
    for (int i = 0; i < accepts_per_turn; ++i) {
        auto connection = server.listener->accept();
        if (!connection) return;
        if (server.clients.size() >= net_max_clients) {
            // Told, not left hanging: a client reads this as its answer.
            connection->write("RPRT -9\n", 8);
            log_net(c, "***NET=", "refused a client: " + std::to_string(net_max_clients) + " connected");
            continue;
        }
        NetClient client;
        client.connection = std::move(connection);
        client.number = server.next_number++;
        log_net(c, "***NET=", "client " + std::to_string(client.number) + " connected");
        server.clients.push_back(std::move(client));
    }
}

// False when the connection has ended.
bool read_client(NetClient& client) {
    char buffer[read_chunk];
    while (client.in.size() < read_limit) {
        const int n = client.connection->read(buffer, read_chunk);
        if (n < 0) return false;
        if (n == 0) break;
        client.in.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

void refuse_overlong(Context& c, NetClient& client) {
    client.out += "RPRT -8\n";
    log_net(c, client_head("RX", client), "(a line over " + std::to_string(net_max_line) + " bytes)");
}

// Carries out the whole lines waiting, up to the turn's share. True when
// more whole lines wait for the next turn.
bool take_lines(Context& c, NetClient& client) {
    for (int taken = 0; !client.closing;) {
        const auto end = client.in.find('\n');
        if (end == std::string::npos) {
            // No line can grow past the limit: a client that sends an
            // endless line (or binary without line ends) is answered once
            // and its bytes are dropped up to the next line end.
            if (client.in.size() > net_max_line) {
                if (!client.skipping) refuse_overlong(c, client);
                client.skipping = true;
                client.in.clear();
            }
            return false;
        }
        std::string line = client.in.substr(0, end);
        client.in.erase(0, end + 1);
        if (client.skipping) {
            client.skipping = false;
            continue;
        }
        if (line.size() > net_max_line) {
            refuse_overlong(c, client);
            continue;
        }
        if (taken++ == net_lines_per_turn) {
            client.in.insert(0, line + "\n");
            return true;
        }
        log_net(c, client_head("RX", client), line);
        const std::string answer = answer_net_line(c, line, client.facts);
        if (!answer.empty()) log_net(c, client_head("TX", client), answer);
        client.out += answer;
        client.closing = client.facts.quit;
    }
    return false;
}

// Passes on what the system takes now. False when the connection has failed
// or the client has let too many answers pile up.
bool flush_client(Context& c, NetClient& client) {
    while (!client.out.empty()) {
        const int n = client.connection->write(client.out.data(), static_cast<int>(client.out.size()));
        if (n < 0) return false;
        if (n == 0) break;
        client.out.erase(0, static_cast<std::size_t>(n));
    }
    if (client.out.size() <= net_max_pending) return true;
    log_net(c, "***NET=", "client " + std::to_string(client.number) + " does not read its answers");
    return false;
}

void drop_client(Context& c, NetClient& client) {
    log_net(c, "***NET=", "client " + std::to_string(client.number) + " closed");
    // A client that goes away with the radio keyed cannot unkey it any more.
    if (client.facts.keyed) unkey_for_network(c);
    client.connection.reset();
}

}  // namespace

void open_net_port(Context& c) {
    State& s = c.st;
    if (s.net_port <= 0 || !c.sockets) return;
    const std::string address = s.net_address.empty() ? "127.0.0.1" : s.net_address;
    const std::string where = address + " port " + std::to_string(s.net_port);
    auto listener = c.sockets->listen(address, s.net_port);
    if (!listener) {
        const int why = c.sockets->last_listen_error();
        log_net(c, "***NET=", "cannot listen on " + where +
                                  (why == 1 ? ": in use" : why == 2 ? ": no such address" : ""));
        say(c, "netport");
        say(c, "na");
        return;
    }
    c.net = std::make_shared<NetServer>();
    c.net->listener = std::move(listener);
    log_net(c, "***NET=", "listening on " + where);
    if (platform::Window* window = c.window) c.sockets->watch([window] { window->wake(); });
}

void serve_net(Context& c) {
    if (!c.net) return;
    NetServer& server = *c.net;
    accept_clients(c, server);
    bool more = false;
    for (auto& client : server.clients) {
        bool alive = read_client(client);
        more = take_lines(c, client) || more;
        alive = flush_client(c, client) && alive && !(client.closing && client.out.empty());
        if (!alive) drop_client(c, client);
    }
    std::erase_if(server.clients, [](const NetClient& client) { return !client.connection; });
    if (c.sockets) c.sockets->rearm();
    // Lines left for the next turn: come back as soon as the keys and ticks
    // already waiting have had theirs.
    if (more && c.window) c.window->wake();
}

void close_net_port(Context& c) {
    if (!c.net) return;
    unkey_for_network(c);
    if (c.sockets) c.sockets->watch({});
    c.net.reset();
}

}  // namespace vlr
