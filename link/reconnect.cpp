#include "link/reconnect.hpp"

#include <algorithm>

#include "link/exchange.hpp"
#include "link/ports.hpp"
#include "speech/player.hpp"

namespace vlr {

namespace {

// Counted in timer ticks of 50 ms. Opening a port that is not there costs
// next to nothing, but a device that is plugged back in needs a moment to
// settle, and a cable that stays out must not keep the program busy.
constexpr int first_reopen_wait = 10;    // half a second
constexpr int longest_reopen_wait = 80;  // four seconds

// The three variables that follow one port through a loss.
struct Reopen {
    bool& lost;
    int& wait_ticks;
    int& backoff_ticks;
};

// Closes the port of `com` when its device has gone; true when that happened
// on this tick. An empty slot is not a loss: that port was never opened.
bool notice_loss(Context& c, int com, Reopen r) {
    if (r.lost || port_open(c, com) == 0 || port_alive(c, com) == 1) return false;
    close_port(c, com);
    r.lost = true;
    r.backoff_ticks = first_reopen_wait;
    r.wait_ticks = first_reopen_wait;
    return true;
}

enum class Attempt { waiting, failed, opened };

// One tick of a lost port: waits out the back-off, then opens the port once.
// A port that opens on a device that is gone again counts as not opened.
Attempt try_reopen(Context& c, int com, Reopen r) {
    if (r.wait_ticks > 1) {
        --r.wait_ticks;
        return Attempt::waiting;
    }
    open_serial(c, com);
    if (port_alive(c, com) == 1) {
        r.lost = false;
        r.wait_ticks = 0;
        r.backoff_ticks = 0;
        return Attempt::opened;
    }
    close_port(c, com);
    r.backoff_ticks = std::clamp(r.backoff_ticks * 2, first_reopen_wait, longest_reopen_wait);
    r.wait_ticks = r.backoff_ticks;
    return Attempt::failed;
}

void radio_lost(Context& c) {
    State& s = c.st;
    s.reopen_attempts = 0;
    s.poll_pending = false;
    // Nothing a key sets could reach the radio now, and the operator would
    // believe it had: keys answer "nc" until the radio is back.
    s.connected_before_loss = s.radio_connected || s.answer_awaited;
    s.radio_connected = false;
    s.answer_awaited = false;
    // Bytes of the device that went are no start of the next one's replies.
    s.reply_stream.clear();
    forget_unanswered(s);
    say(c, "nc");
    // A quit waits for two frequency replies that can no longer come; the
    // shutdown still saves the memory banks.
    if (s.quit_pending > 0) {
        s.quit_pending = 0;
        s.running = false;
    }
}

void radio_back(Context& c) {
    State& s = c.st;
    // The poll starts afresh with the frequency; the radio itself kept its
    // settings while only its cable was out, so nothing is read back.
    s.poll_pending = false;
    s.poll_phase = 0;
    // A radio lost before its first answer still has that announcement (which
    // ends in "connected") to come with its first frequency reply; one that
    // had answered is connected again by its next answer, whatever it is.
    s.answer_awaited = s.connected_before_loss;
}

}  // namespace

void watch_radio_link(Context& c) {
    State& s = c.st;
    Reopen r{s.link_lost, s.reopen_wait_ticks, s.reopen_backoff_ticks};
    if (notice_loss(c, s.radio_port, r)) {
        radio_lost(c);
        return;
    }
    if (!s.link_lost) return;
    const Attempt attempt = try_reopen(c, s.radio_port, r);
    if (attempt != Attempt::waiting) ++s.reopen_attempts;
    if (attempt == Attempt::opened) radio_back(c);
}

void note_radio_answer(Context& c) {
    State& s = c.st;
    if (!s.answer_awaited) return;
    s.answer_awaited = false;
    s.radio_connected = true;
    say(c, "connected");
}

void watch_passthru_link(Context& c) {
    State& s = c.st;
    if (!passthru_in_use(s)) return;
    Reopen r{s.passthru_lost, s.passthru_wait_ticks, s.passthru_backoff_ticks};
    if (notice_loss(c, s.passthru_port, r)) {
        // Half a command from the program that went away must not be joined
        // to the first bytes of the next one.
        s.passthru_inbuf.clear();
        s.passthru_chunk.clear();
        return;
    }
    if (s.passthru_lost) try_reopen(c, s.passthru_port, r);
}

}  // namespace vlr
