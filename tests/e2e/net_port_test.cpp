// The network control port end to end: the real program on the emulated
// radio, driven by Hamlib's own client (rigctl -m 2) and by raw sockets.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/e2e_harness.hpp"

using namespace vlr::e2e;

namespace {

int free_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

struct Client {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    explicit Client(int port, int receive_buffer = 0) {
        if (receive_buffer) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        sockaddr_in a{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Client() { ::close(fd); }
    bool connected = false;
    void send(const std::string& s) { (void)!::send(fd, s.data(), s.size(), MSG_NOSIGNAL); }
    // Reads until `received` ends with `end` or the other side closes.
    std::string until(const std::string& end) {
        std::string got;
        char buf[4096];
        pollfd p{fd, POLLIN, 0};
        for (ssize_t n = 0; !got.ends_with(end) && ::poll(&p, 1, patience.count() * 1000) == 1 &&
                            (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
            got.append(buf, static_cast<std::size_t>(n));
        return got;
    }
    std::string ask(const std::string& line, const std::string& end = "\n") {
        send(line + "\n");
        return until(end);
    }
};

// The program with its network port at `port` (debug log on), the emulator as COM1.
void launch(WorkFolder& dir, EmulatorProgram& radio, Process& veloran, int port,
            const std::string& more = "") {
    ASSERT_TRUE(dir.has_words);
    dir.write("veloran.cfg", Config{.debug = 1}.text() + "Net " + std::to_string(port) + "\r\n" + more);
    ASSERT_TRUE(radio.start(dir.path, 1)) << dir.read("emulator.err");
    ASSERT_TRUE(veloran.start_veloran(dir.path));
    ASSERT_TRUE(veloran.out.wait_for("connected")) << veloran.out.joined();
}

// One program serves every client below in turn. The emulator's record shows
// what reached the radio; `taken` leaves the program's own polls out of it, so
// a read that went to the radio would show.
TEST(NetPort, ClientsReachTheRadioOnlyAsSettingsAndNeverStallTheProgram) {
    WorkFolder dir;
    EmulatorProgram radio;
    Process veloran;
    const int port = free_port();
    ASSERT_NO_FATAL_FAILURE(launch(dir, radio, veloran, port, "NetTx 1\r\n"));
    std::size_t seen = 0;
    auto taken = [&] {
        const auto all = radio.record();
        std::string t;
        for (; seen < all.size(); ++seen)
            if (all[seen] != "FA;" && all[seen] != "FB;" && all[seen] != "SM0;" && all[seen] != "RM6;")
                t += (t.empty() ? "" : " ") + all[seen];
        return t;
    };
    // The answers come before the radio has read its commands: wait for `wire`.
    auto taken_after = [&](const std::string& wire) {
        std::string t;
        eventually([&] { return (t += taken()).size() >= wire.size(); });
        return t + taken();
    };
    taken();

    // Bad input, too many clients, a client that never reads.
    {
        Client rude(port), half(port);
        rude.send(std::string(100000, 'x') + "\n" + std::string("\0\xff\x01\n", 4));
        EXPECT_EQ(rude.until("RPRT -11\n"), "RPRT -8\nRPRT -11\n");
        EXPECT_EQ(rude.ask("v"), "VFOA\n");
        half.send("+");
        half.send("f\n");
        EXPECT_TRUE(half.until("RPRT 0\n").starts_with("get_freq:\n"));
        {
            std::vector<std::unique_ptr<Client>> many;
            for (int i = 0; i < 6; ++i) many.push_back(std::make_unique<Client>(port));
            for (auto& m : many) EXPECT_EQ(m->ask("t"), "0\n");
            EXPECT_EQ(Client(port).ask("f"), "RPRT -9\n");  // the ninth is told and closed
            EXPECT_TRUE(eventually(
                [&] { return dir.read("debug.dat").find("refused a client: 8 connected") != std::string::npos; }));
        }
        for (int i = 0; i < 50; ++i) Client(port).send("f\n");
        // Served again once the program has seen the fifty go.
        EXPECT_TRUE(eventually([&] { return Client(port).ask("t") == "0\n"; }));
        Client deaf(port, 4096);  // sends and never reads: closed, not waited for
        for (int i = 0; i < 20000; ++i) deaf.send("\\dump_state\n");
        EXPECT_TRUE(eventually([&] { return dir.read("debug.dat").find("does not read") != std::string::npos; }));
        EXPECT_EQ(half.ask("t"), "0\n");
        EXPECT_EQ(taken(), "");
    }

    // A client that goes away keyed unkeys the radio.
    {
        Client keyer(port);
        EXPECT_EQ(keyer.ask("T 1"), "RPRT 0\n");
        EXPECT_TRUE(veloran.out.wait_for("nettx"));
        EXPECT_EQ(taken_after("TX1;"), "TX1;");
    }
    EXPECT_EQ(taken_after("TX0;"), "TX0;");
    EXPECT_EQ(Client(port).ask("t"), "0\n");

    // Hamlib's own client, one rigctl run a row, as WSJT-X opens, sets split and polls: the
    // radio's VFO is switched only when the client asks for it ("V").
    const struct {
        std::vector<std::string> args;
        std::string out, wire;
    } rows[] = {
        {{"F", "14250000", "f"}, "14250000\n", "FA014250000;"},
        {{"M", "USB", "2400", "m"}, "USB\n2400\n", "MD02; NA00; SH0014;"},
        {{"T", "1", "t", "T", "0", "t"}, "1\n0\n", "TX1; TX0;"},
        {{"T", "1"}, "", "TX1; TX0;"},
        {{"V", "VFOB", "v", "V", "VFOA"}, "VFOB\n", "VS1; VS0;"},
        {{"S", "1", "VFOB", "s"}, "1\nVFOB\n", "ST1;"},
        {{"I", "14255000", "X", "PKTUSB", "2400", "x"}, "PKTUSB\n2400\n", "FB014255000; MD02; NA00; SH0014;"},
        {{"L", "RFPOWER", "0.5", "l", "RFPOWER", "L", "AF", "0.5", "l", "AF"}, "0.500000\n0.501961\n", "PC2050; AG0128;"},
        {{"f", "m", "t"}, "14250000\nPKTUSB\n2400\n0\n", ""},
    };
    ASSERT_TRUE(installed("rigctl"));
    for (const auto& row : rows) {
        std::vector<std::string> argv = {"rigctl", "-m", "2", "-r", "127.0.0.1:" + std::to_string(port)};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        std::string out;
        EXPECT_EQ(run_tool(argv, {}, &out), 0) << row.args[0];
        EXPECT_EQ(out, row.out) << row.args[0];
        EXPECT_EQ(taken_after(row.wire), row.wire) << row.args[0];
    }
    // VFO B from what was set and polled, for clients that name it.
    EXPECT_EQ(Client(port).ask("\\get_vfo_info VFOB", "0\n0\n"), "14255000\nPKTUSB\n2400\n1\n0\n");
    EXPECT_EQ(Client(port).ask("f VFOB"), "14255000\n");
    EXPECT_EQ(taken(), "");
    // The S-meter as the emulated radio wanders (10..160): S1 to S9 + 15 dB.
    std::string strength;
    EXPECT_EQ(run_tool({"rigctl", "-m", "2", "-r", "127.0.0.1:" + std::to_string(port), "l", "STRENGTH"}, {}, &strength), 0);
    const int db = std::atoi(strength.c_str());
    EXPECT_TRUE(strength.find_first_of("-0123456789") == 0 && db >= -48 && db <= 15) << strength;
    EXPECT_NE(dir.read("debug.dat").find("***NRX"), std::string::npos);

    // A second program asking for the same port says so and runs on.
    WorkFolder other;
    EmulatorProgram other_radio;
    Process second;
    launch(other, other_radio, second, port);
    EXPECT_TRUE(second.out.wait_for_run({"netport", "na"})) << second.out.joined();
    EXPECT_NE(other.read("debug.dat").find(": in use"), std::string::npos);
}

}  // namespace
