// What the program needs of the operating system. The core folders see the
// platform only through these interfaces; platform/sdl and platform/posix hold
// the real backends, tests/support holds recording fakes.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/keycodes.hpp"

namespace vlr::platform {

// Audio output for the recorded words.
class Speaker {
public:
    virtual ~Speaker() = default;
    // Plays the wave file at `path`. With `wait` the call returns when the
    // sound has ended; without, it returns at once and the sound plays on.
    // Either way a sound still playing is cut off first. A file that cannot
    // be found or read plays nothing and the call returns at once. The path
    // is matched case-insensitively, and ".wav" is added when it has no
    // extension.
    virtual void play(const std::string& path, bool wait) = 0;
    // Waits `ms` milliseconds of silence: what is left of a wait whose word
    // played shorter than it must last, or not at all.
    virtual void wait_silence(int ms) {
        if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    // Plays as play(path, true), asking `cut` now and then while the word
    // sounds; when it answers true the word is cut off at once and the call
    // returns true. Only the caller's thread asks.
    virtual bool play_until(const std::string& path, const std::function<bool()>& cut) {
        play(path, true);
        return cut();
    }
    // Cuts off whatever is playing, a word left playing on its own included.
    virtual void stop() {}
};

// A speech service speaking text in the operator's own voice and rate.
class TextSpeech {
public:
    virtual ~TextSpeech() = default;
    // Reaches the service; false when there is none to speak with.
    virtual bool connect() = 0;
    // Queues one utterance after what the service is saying.
    virtual void speak(const std::string& text) = 0;
    // Silences what is being said and drops what is queued.
    virtual void cancel() = 0;
    // True when the system says the operator relies on this service (a
    // screen reader runs): it then speaks unless another speech is chosen.
    virtual bool chosen_by_system() { return false; }
};

// Drawing text into the window's off-screen image.
class TextSurface {
public:
    virtual ~TextSurface() = default;
    // Selects the font by face name (the nearest installed face), height in
    // points at 96 dpi and weight (0..1000, 700 bold).
    virtual void set_font(const std::string& face, int points, int weight) = 0;
    // Draws `text` opaquely (black on white) with its top-left corner at
    // (x, y) in the current font (the initial system font before any
    // set_font) and returns its width in pixels.
    virtual int draw_text(int x, int y, const std::string& text) = 0;
};

// The main window with its keyboard, timer and close request.
class Window {
public:
    virtual ~Window() = default;
    // Opens the window (outer position and size) and shows it at once.
    virtual bool open(const std::string& title, int x, int y, int width, int height) = 0;
    // Periodic timer: ticks arrive as event_timer with the timer id; ticks
    // that fall due while the handler is busy merge into one.
    virtual void start_timer(int id, int period_ms) = 0;
    virtual void stop_timer(int id) = 0;
    // Blocks until at least one event is queued, then delivers every queued
    // event through `deliver(event_id, event_param)` and returns.
    virtual void wait_events(const std::function<void(int, int)>& deliver) = 0;
    virtual void close() = 0;
    // Takes a stop key (Escape) pressed and not yet delivered out of the
    // queue and answers true; other keys stay queued for wait_events.
    virtual bool take_stop_key() { return false; }
    // The window's off-screen text image; null before open and after close.
    virtual TextSurface* surface() = 0;
    // Makes the wait_events in progress (or the next one) return, delivering
    // nothing of its own. Safe to call from any thread.
    virtual void wake() {}
};

// One open serial device in raw mode.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // data bits 5..8, parity 0 none (1 odd, 2 even), stop bits 1 or 2.
    virtual bool set_line_format(int data_bits, int parity, int stop_bits) = 0;
    // -1: reads return at once with what has arrived. Anything else: reads
    // may wait up to `per_byte_ms` for each further byte.
    virtual void set_read_timeouts(int per_byte_ms) = 0;
    virtual int write(const char* bytes, int count) = 0;
    virtual int bytes_waiting() = 0;
    virtual int read(char* buffer, int max_count) = 0;
    // 1 while the device is still there (a pulled USB cable makes it 0).
    virtual bool alive() { return true; }
    // Changes the line speed of the open port, keeping every other setting.
    virtual bool set_speed(int baud) {
        (void)baud;
        return false;
    }
};

// Why a serial device could not be opened.
inline constexpr int open_error_permission = 1;  // the user may not open it
inline constexpr int open_error_busy = 2;        // another program holds it
inline constexpr int open_error_not_serial = 3;  // a file or device that is no serial line

// Opens serial devices by COM number.
class SerialSystem {
public:
    virtual ~SerialSystem() = default;
    // Opens the device of `com` at `speed` baud, 8 data bits, no parity, one
    // stop bit, exclusive. Null when it cannot be opened.
    virtual std::unique_ptr<SerialPort> open(int com, int speed) = 0;
    // The device path a COM number maps to (for messages and the README).
    virtual std::string device_path(int com) const = 0;
    // Why the last open failed: 0 none/absent/unknown, or one of the
    // open_error_* reasons below.
    virtual int last_open_error() const { return 0; }
    // Lets `com` (0: none) be made, when it has no device, as a pair of
    // linked pseudo-terminals: the program keeps one end, another program
    // opens the other at client_pty_path(com). Meant for the pass-through
    // port only: a radio port made this way would just be a radio that never
    // answers. Systems without pseudo-terminals ignore it.
    virtual void allow_client_pty(int com) { (void)com; }
    // Where another program opens the pair made for `com`; "" when `com` is
    // not allowed one.
    virtual std::string client_pty_path(int com) const {
        (void)com;
        return {};
    }
    // The serial ports of this computer in the order a search for the radio
    // walks them, stable names first (Linux: /dev/serial/by-id/..., then
    // ttyUSB, ttyACM and the ttyS that have a UART; Windows: COM1, COM2, ...).
    virtual std::vector<std::string> list_ports() const { return {}; }
    // Opens the port `name` (a name from list_ports, or one the user gave) at
    // `speed`, 8N1, exclusive, with RTS and DTR off: on many radios those
    // lines key the transmitter or send CW, and a search must never do that.
    // Null when it cannot be opened, with last_open_error telling why.
    virtual std::unique_ptr<SerialPort> open_quietly(const std::string& name, int speed) {
        (void)name, (void)speed;
        return nullptr;
    }
    // Makes COM number `com` lead to the port `name`, so that the program
    // finds it there from now on. False when that cannot be done (an entry of
    // that name that is not a link of the program's kind is left alone).
    virtual bool name_port(int com, const std::string& name) {
        (void)com, (void)name;
        return false;
    }
    // The COM number a port name already stands for (Windows: "COM7" is 7),
    // 0 when the name is no COM number of its own.
    virtual int com_of(const std::string& name) const {
        (void)name;
        return 0;
    }
};

}  // namespace vlr::platform
