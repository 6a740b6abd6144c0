// How fast the program answers, measured on the whole program: the real
// start-up and event loop (run_program with the SDL window, the SDL speaker
// and the POSIX serial backend) against an emulated radio on a
// pseudo-terminal in this process.
//
// - Key to wire: a tuning key (Page Up / Page Down, which speak nothing
//   before sending) is put into the window's event queue; the time until the
//   "FA" command is on the line, from the queue and from the moment the
//   handler was called. The line is a tap between program and radio that
//   does nothing but pass bytes on, so the moment it reads the command is the
//   moment the program wrote it; the emulated radio itself reads it later
//   when it is busy pacing out the answer to a poll (also reported).
// - Radio to panel: the dial of the emulated radio is turned; the time until
//   the panel's text surface has drawn the new frequency, while the program
//   runs its normal 50 ms timer and poll cycle.
#include <SDL2/SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <random>
#include <streambuf>
#include <thread>

#include "base/context.hpp"
#include "app/startup.hpp"
#include "bench/bench_support.hpp"
#include "emulator/pty_radio.hpp"
#include "platform/posix/posix_serial.hpp"
#include "platform/sdl/sdl_platform.hpp"

namespace {

namespace bench = vlr::bench;
using bench::Clock;
using vlr::platform::TextSurface;
using vlr::platform::Window;

// Processor time of the calling thread: the program's own work, apart from
// the time it waited for a core on a busy machine.
long long thread_cpu_ns() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1'000'000'000LL + t.tv_nsec;
}

// The transcript, written by the program's thread and read by the driver.
class Transcript : public std::streambuf {
public:
    bool wait_for(const std::string& line, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return grown_.wait_for(lock, limit, [&] {
            return text_.find("\n" + line + "\n") != std::string::npos ||
                   text_.rfind(line + "\n", 0) == 0;
        });
    }

protected:
    int overflow(int ch) override {
        if (ch != traits_type::eof()) append(std::string(1, static_cast<char>(ch)));
        return ch;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        append(std::string(s, static_cast<std::size_t>(n)));
        return n;
    }

private:
    void append(const std::string& s) {
        std::lock_guard lock(mutex_);
        text_ += s;
        grown_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable grown_;
    std::string text_;
};

// The real text surface, with every text it draws noted with its time.
class WatchedSurface : public TextSurface {
public:
    TextSurface* inner = nullptr;
    void set_font(const std::string& face, int points, int weight) override {
        if (inner) inner->set_font(face, points, weight);
    }
    int draw_text(int x, int y, const std::string& text) override {
        const int width = inner ? inner->draw_text(x, y, text) : 0;
        std::lock_guard lock(mutex_);
        drawn_.push_back({text, Clock::now()});
        grown_.notify_all();
        return width;
    }
    std::size_t count() {
        std::lock_guard lock(mutex_);
        return drawn_.size();
    }
    // When a text holding `part` was drawn, at index `from` or later.
    std::optional<Clock::time_point> wait_for(const std::string& part, std::size_t from,
                                              std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        std::optional<Clock::time_point> at;
        grown_.wait_for(lock, limit, [&] {
            for (std::size_t i = from; i < drawn_.size(); ++i)
                if (drawn_[i].first.find(part) != std::string::npos)
                    return at = drawn_[i].second, true;
            return false;
        });
        return at;
    }

private:
    std::mutex mutex_;
    std::condition_variable grown_;
    std::vector<std::pair<std::string, Clock::time_point>> drawn_;
};

// The real SDL window; notes when the handler is handed a key press, and
// hands the program the watched surface.
class WatchedWindow : public Window {
public:
    explicit WatchedWindow(std::unique_ptr<Window> real) : real_(std::move(real)) {}
    bool open(const std::string& title, int x, int y, int width, int height) override {
        return real_->open(title, x, y, width, height);
    }
    void start_timer(int id, int period_ms) override { real_->start_timer(id, period_ms); }
    void stop_timer(int id) override { real_->stop_timer(id); }
    void wait_events(const std::function<void(int, int)>& deliver) override {
        real_->wait_events([&](int id, int param) {
            if (id == vlr::platform::event_key_down)
                key_delivered.store(Clock::now().time_since_epoch().count()),
                    key_cpu_ns.store(thread_cpu_ns());
            deliver(id, param);
        });
    }
    void close() override { real_->close(); }
    TextSurface* surface() override {
        surface_.inner = real_->surface();
        return surface_.inner ? &surface_ : nullptr;
    }
    WatchedSurface& watched() { return surface_; }
    std::atomic<Clock::rep> key_delivered{0};
    std::atomic<long long> key_cpu_ns{0};  // the program thread's processor time then

private:
    std::unique_ptr<Window> real_;
    WatchedSurface surface_;
};

// Frequency commands ("FA" and nine digits) as the emulated radio reads them.
class WireWatch {
public:
    void seen(const std::string& command) {
        if (command.size() != 12 || command.compare(0, 2, "FA") != 0) return;
        std::lock_guard lock(mutex_);
        times_.push_back(Clock::now());
        grown_.notify_all();
    }
    std::size_t count() {
        std::lock_guard lock(mutex_);
        return times_.size();
    }
    std::optional<Clock::time_point> wait_after(std::size_t count,
                                                std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        if (!grown_.wait_for(lock, limit, [&] { return times_.size() > count; })) return {};
        return times_[count];
    }

private:
    std::mutex mutex_;
    std::condition_variable grown_;
    std::vector<Clock::time_point> times_;
};

// A pseudo-terminal between the program and the emulated radio: the program
// opens its slave side as COM1; one thread passes bytes both ways at once
// and notes when each frequency command went by.
class WireTap {
public:
    WireTap(const std::string& radio_path, WireWatch& watch) : watch_(watch) {
        termios raw{};
        cfmakeraw(&raw);
        char name[128];
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) return;
        slave_name_ = name;
        radio_ = open(radio_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (radio_ >= 0) tcsetattr(radio_, TCSANOW, &raw);
        if (pipe(stop_) != 0) return;
        thread_ = std::thread([this] { pass_on(); });
    }
    ~WireTap() {
        if (thread_.joinable()) {
            (void)!write(stop_[1], "x", 1);
            thread_.join();
        }
        for (int fd : {master_, slave_, radio_, stop_[0], stop_[1]})
            if (fd >= 0) close(fd);
    }
    bool ok() const { return thread_.joinable() && radio_ >= 0; }
    const std::string& slave_name() const { return slave_name_; }

private:
    void pass_on() {
        std::string pending;
        char buffer[512];
        for (;;) {
            pollfd fds[3] = {{master_, POLLIN, 0}, {radio_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(fds, 3, -1) < 0 && errno != EINTR) return;
            if (fds[2].revents) return;
            if (fds[0].revents & POLLIN) {
                const ssize_t got = read(master_, buffer, sizeof buffer);
                if (got > 0) {
                    pending.append(buffer, static_cast<std::size_t>(got));
                    for (std::size_t end; (end = pending.find(';')) != std::string::npos;) {
                        watch_.seen(pending.substr(0, end + 1));
                        pending.erase(0, end + 1);
                    }
                    write_all(radio_, buffer, got);
                }
            }
            if (fds[1].revents & POLLIN) {
                const ssize_t got = read(radio_, buffer, sizeof buffer);
                if (got > 0) write_all(master_, buffer, got);
            }
        }
    }
    static void write_all(int fd, const char* data, ssize_t size) {
        while (size > 0) {
            const ssize_t done = write(fd, data, static_cast<std::size_t>(size));
            if (done < 0 && errno != EINTR && errno != EAGAIN) return;
            if (done > 0) data += done, size -= done;
        }
    }
    WireWatch& watch_;
    int master_ = -1, slave_ = -1, radio_ = -1;
    int stop_[2] = {-1, -1};
    std::string slave_name_;
    std::thread thread_;
};

// The real serial ports, with the moment each frequency command has been
// written noted: it splits the key's way to the line into the program's own
// work and the pseudo-terminal's delivery.
class WatchedSerial : public vlr::platform::SerialSystem {
public:
    WatchedSerial(std::unique_ptr<vlr::platform::SerialSystem> real, WireWatch& written)
        : real_(std::move(real)), written_(written) {}
    std::unique_ptr<vlr::platform::SerialPort> open(int com, int speed) override {
        auto port = real_->open(com, speed);
        if (!port) return port;
        return std::make_unique<Port>(std::move(port), written_);
    }
    std::string device_path(int com) const override { return real_->device_path(com); }
    int last_open_error() const override { return real_->last_open_error(); }
    static inline std::atomic<long long> last_write_cpu_ns{0};

private:
    class Port : public vlr::platform::SerialPort {
    public:
        Port(std::unique_ptr<vlr::platform::SerialPort> real, WireWatch& written)
            : real_(std::move(real)), written_(written) {}
        bool set_line_format(int data_bits, int parity, int stop_bits) override {
            return real_->set_line_format(data_bits, parity, stop_bits);
        }
        void set_read_timeouts(int per_byte_ms) override { real_->set_read_timeouts(per_byte_ms); }
        int write(const char* bytes, int count) override {
            const int done = real_->write(bytes, count);
            last_write_cpu_ns.store(thread_cpu_ns());
            if (count > 0) written_.seen(std::string(bytes, static_cast<std::size_t>(count)));
            return done;
        }
        int bytes_waiting() override { return real_->bytes_waiting(); }
        int read(char* buffer, int max_count) override { return real_->read(buffer, max_count); }
        bool alive() override { return real_->alive(); }

    private:
        std::unique_ptr<vlr::platform::SerialPort> real_;
        WireWatch& written_;
    };
    std::unique_ptr<vlr::platform::SerialSystem> real_;
    WireWatch& written_;
};

void push_key(SDL_Keycode sym, SDL_Scancode code, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = code;
    SDL_PushEvent(&event);
}

// The frequency as the panel shows it: MHz without leading zeros, six decimals.
std::string panel_text(long long hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", hz / 1000000, hz % 1000000);
    return text;
}

struct Results {
    std::vector<double> queue_to_wire, handler_to_wire, handler_to_write, handler_cpu_to_write,
        handler_to_radio, radio_to_panel;
    std::string failure;
};

void drive(vlr::emu::PtyRadio& radio, WireWatch& written, WireWatch& wire, WireWatch& radio_reads,
           WatchedWindow& window, Transcript& transcript, int presses, int turns, Results& out) {
    using namespace std::chrono_literals;
    std::minstd_rand random(2024);
    if (!transcript.wait_for("connected", 60s)) {
        out.failure = "the program never said \"connected\"";
        return;
    }
    // The reply after the announcing one gives the program its frequency.
    std::this_thread::sleep_for(1s);

    for (int i = 0; i < presses && out.failure.empty(); ++i) {
        const bool up = i % 2 == 0;
        const SDL_Keycode sym = up ? SDLK_PAGEUP : SDLK_PAGEDOWN;
        const SDL_Scancode code = up ? SDL_SCANCODE_PAGEUP : SDL_SCANCODE_PAGEDOWN;
        const std::size_t before = wire.count();
        const std::size_t written_before = written.count();
        const std::size_t radio_before = radio_reads.count();
        const auto pushed = Clock::now();
        push_key(sym, code, true);
        const auto on_wire = wire.wait_after(before, 2s);
        const auto read_by_radio = radio_reads.wait_after(radio_before, 2s);
        const auto write_done = written.wait_after(written_before, 2s);
        push_key(sym, code, false);
        if (!on_wire || !read_by_radio || !write_done) {
            out.failure = "a tuning key sent no frequency command";
            break;
        }
        const Clock::time_point handled{Clock::duration(window.key_delivered.load())};
        out.queue_to_wire.push_back(bench::ms_between(pushed, *on_wire));
        out.handler_to_wire.push_back(bench::ms_between(handled, *on_wire));
        out.handler_to_radio.push_back(bench::ms_between(handled, *read_by_radio));
        out.handler_to_write.push_back(bench::ms_between(handled, *write_done));
        out.handler_cpu_to_write.push_back(
            static_cast<double>(WatchedSerial::last_write_cpu_ns.load() -
                                window.key_cpu_ns.load()) /
            1e6);
        // Presses at every phase of the timer and poll cycle.
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 100));
    }

    for (int i = 0; i < turns && out.failure.empty(); ++i) {
        const long long step = i % 2 == 0 ? 1000 : -1000;
        const long long hz = radio.with_model([](auto& m) { return m.frequency_a(); }) + step;
        const std::size_t before = window.watched().count();
        const auto turned = Clock::now();
        radio.turn_dial(step);
        const auto shown = window.watched().wait_for(panel_text(hz), before, 3s);
        if (!shown) {
            out.failure = "the panel never showed " + panel_text(hz);
            break;
        }
        out.radio_to_panel.push_back(bench::ms_between(turned, *shown));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 250));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::atoi(argv[1]) : 200;
    const int turns = argc > 2 ? std::atoi(argv[2]) : 60;
    for (const auto& [name, value] : bench::program_environment())
        setenv(name.c_str(), value.c_str(), 1);

    bench::WorkFolder folder;
    if (chdir(folder.path.c_str()) != 0) return 1;
    vlr::emu::PtyRadio radio;
    WireWatch written, wire, radio_reads;
    radio.on_command([&radio_reads](const std::string& command, const std::string&) {
        radio_reads.seen(command);
    });
    if (!radio.ok()) {
        std::fprintf(stderr, "response: cannot start the emulated radio\n");
        return 1;
    }
    WireTap tap(radio.slave_path(), wire);
    if (!tap.ok() || symlink(tap.slave_name().c_str(), "COM1") != 0) {
        std::fprintf(stderr, "response: cannot put a tap on the line\n");
        return 1;
    }

    Transcript transcript_buffer;
    std::ostream transcript(&transcript_buffer);
    vlr::Context c;
    c.paths.work_dir = "";
    WatchedWindow window(vlr::platform::make_sdl_window());
    auto speaker = vlr::platform::make_sdl_speaker();
    WatchedSerial serial(vlr::platform::make_posix_serial(""), written);
    c.window = &window;
    c.speaker = speaker.get();
    c.serial = &serial;
    c.transcript = &transcript;

    Results results;
    std::thread driver([&] {
        drive(radio, written, wire, radio_reads, window, transcript_buffer, presses, turns,
              results);
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });
    vlr::run_program(c);
    driver.join();
    radio.stop();

    if (!results.failure.empty()) {
        std::fprintf(stderr, "response: %s\n", results.failure.c_str());
        return 1;
    }
    const char* video = SDL_getenv("SDL_VIDEODRIVER");
    std::printf("response: video %s, emulated radio at 38400 baud on a pseudo-terminal\n",
                video ? video : "default");
    const auto queue = bench::figures_of(results.queue_to_wire);
    const auto handler = bench::figures_of(results.handler_to_wire);
    const auto at_radio = bench::figures_of(results.handler_to_radio);
    const auto at_write = bench::figures_of(results.handler_to_write);
    const auto cpu_to_write = bench::figures_of(results.handler_cpu_to_write);
    const auto panel = bench::figures_of(results.radio_to_panel);
    std::printf("key to wire, handler called -> FA on the line:  %s; target under 1 ms\n",
                bench::describe(handler).c_str());
    std::printf("key to wire, key queued -> FA on the line:      %s\n",
                bench::describe(queue).c_str());
    std::printf("(handler called -> write() returned:            %s)\n",
                bench::describe(at_write).c_str());
    std::printf("(  of which the program's thread ran:           %s)\n",
                bench::describe(cpu_to_write).c_str());
    std::printf("(handler called -> emulated radio has read FA:  %s)\n",
                bench::describe(at_radio).c_str());
    std::printf("radio to panel, dial turned -> panel drawn:     %s; target within 250 ms\n",
                bench::describe(panel).c_str());
    std::printf("RESULT key_to_wire_median_ms %.3f\nRESULT key_to_wire_p99_ms %.3f\n",
                handler.median, handler.p99);
    std::printf("RESULT radio_to_panel_median_ms %.1f\nRESULT radio_to_panel_max_ms %.1f\n",
                panel.median, panel.max);
    return 0;
}
