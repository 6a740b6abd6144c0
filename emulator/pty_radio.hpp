// The emulated radio on a pseudo-terminal: a program opens the slave side as
// it would open a serial port and talks CAT to the model behind it. A
// background thread reads the commands, answers each after a short delay and
// sends the answer at the pace of the configured line speed.
//
// Faults that real serial links show can be switched on at any moment, so that
// the program's handling of a silent, slow, chattering or vanishing radio can
// be tried.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "emulator/radio_model.hpp"

namespace vlr::emu {

struct PtyOptions {
    int baud = 38400;        // pace of the answers; 0 sends them at once
    int stop_bits = 2;       // 1 (8N1, 10 bits a byte) or 2 (8N2, 11 bits a byte)
    int reply_delay_ms = 5;  // the radio's thinking time before it answers
};

enum class Fault {
    none,
    silent,        // answers nothing
    late,          // answers after the late delay
    pieces,        // each answer in 2-3 writes with gaps between them
    garbage,       // a few stray bytes (never ";") before each answer
    garbage_only,  // stray bytes instead of the answer, as many as it has
    burst,         // a burst of bytes (see set_burst) before each answer
};

class PtyRadio {
public:
    explicit PtyRadio(RadioModel model = RadioModel{}, PtyOptions options = {});
    ~PtyRadio();
    PtyRadio(const PtyRadio&) = delete;
    PtyRadio& operator=(const PtyRadio&) = delete;

    // True while a pseudo-terminal is open and served.
    bool ok() const;
    // The device a program opens, "/dev/pts/N"; empty while hung up.
    std::string slave_path() const;

    // Makes `path` a symbolic link to the slave (a stale link there is
    // replaced; any other file is left alone and false returned). The link
    // follows the radio through hang-ups and is removed on stop.
    bool link(const std::string& path);
    // The link "COM<com>" in `folder`, the name under which the program finds
    // the port of that COM number.
    bool link_com(const std::string& folder, int com);
    std::string link_path() const;

    // Stops serving, joins the thread, closes the pty and removes the link.
    // Safe to call more than once; the destructor calls it.
    void stop();

    // Every command received, ";" included, and every answer write made
    // (one entry per write, so a reply sent in pieces gives several).
    std::vector<std::string> record() const;
    void clear_record();
    std::vector<std::string> sent() const;
    void clear_sent();

    // Runs `f` on the model under the lock the serving thread uses.
    template <class F>
    auto with_model(F&& f) {
        std::lock_guard<std::mutex> lock(model_mutex_);
        return f(model_);
    }
    void turn_dial(long long hz);

    // Called from the serving thread for every command with its answer ("" for
    // none), before the answer is sent. Set it before traffic starts.
    void on_command(std::function<void(const std::string& command, const std::string& reply)> hook);

    void set_fault(Fault fault) { fault_ = fault; }
    Fault fault() const { return fault_; }
    void set_reply_delay_ms(int ms) { reply_delay_ms_ = ms; }
    void set_late_delay_ms(int ms) { late_delay_ms_ = ms; }
    void set_piece_gap_ms(int ms) { piece_gap_ms_ = ms; }
    void set_baud(int baud) { baud_ = baud; }
    // Size of the burst that precedes each answer in Fault::burst, and whether
    // NUL bytes are mixed into it.
    void set_burst(std::size_t bytes, bool with_nul) {
        burst_bytes_ = bytes, burst_nul_ = with_nul;
    }
    // Sends bytes that nobody asked for, after any answer being sent.
    void send_unasked(const std::string& bytes);
    void send_burst(std::size_t bytes, bool with_nul);

    // Turns the dial by `hz` every `interval_ms` on its own, reversing now and
    // then so that it stays in the band; 0 stops it.
    void set_dial_drift(long long hz, int interval_ms);

    // The device vanishes: the master side closes (the program's reads see a
    // hang-up) and the link is removed. come_back opens a new pseudo-terminal
    // and points the link at it; the model keeps its state.
    void hang_up();
    bool come_back();
    bool hung_up() const { return hung_up_; }

private:
    using Clock = std::chrono::steady_clock;

    bool open_pty();
    void close_pty();
    void start_thread();
    void stop_thread();
    void serve();
    void serve_commands(std::string& pending);
    void answer(const std::string& reply);
    bool nap_until(Clock::time_point deadline);
    bool nap(int ms) { return nap_until(Clock::now() + std::chrono::milliseconds(ms)); }
    bool write_paced(const std::string& bytes);
    bool write_all(const char* data, std::size_t size);
    void drift_dial(Clock::time_point& next);
    std::string stray_bytes(std::size_t count, bool with_nul);
    void remove_link();
    void wake();
    void drain_wakes();

    mutable std::mutex model_mutex_;
    RadioModel model_;
    std::function<void(const std::string&, const std::string&)> hook_;

    mutable std::mutex state_mutex_;  // guards the fields below up to the atomics
    std::string slave_path_;
    std::string link_path_;
    std::vector<std::string> sent_;
    std::string unasked_;

    std::atomic<Fault> fault_{Fault::none};
    std::atomic<int> reply_delay_ms_;
    std::atomic<int> late_delay_ms_{400};
    std::atomic<int> piece_gap_ms_{30};
    std::atomic<int> baud_;
    std::atomic<int> stop_bits_;
    std::atomic<std::size_t> burst_bytes_{300};
    std::atomic<bool> burst_nul_{false};
    std::atomic<long long> drift_hz_{0};
    std::atomic<int> drift_interval_ms_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> hung_up_{false};
    std::atomic<bool> open_{false};

    int master_ = -1;
    int own_slave_ = -1;  // keeps the slave side alive while the program reopens it
    int wake_pipe_[2] = {-1, -1};
    std::thread thread_;
    // Owned by the serving thread.
    std::minstd_rand noise_{12345};
    int drift_direction_ = 1;
    int drift_steps_ = 0;
};

}  // namespace vlr::emu
