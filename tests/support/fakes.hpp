// Recording fakes of the platform parts, and a fresh program context per test.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/context.hpp"

namespace vlr::test {

// Records every word played. `words` holds the word names of the words played
// from the normal wave folder; `paths` every path handed to the player.
class RecordingSpeaker : public platform::Speaker {
public:
    std::vector<std::string> words;
    std::vector<std::string> paths;
    std::vector<bool> waited;
    std::vector<int> silences;  // each wait_silence, in ms (nothing sleeps)
    int stops = 0;              // stop() calls
    void play(const std::string& path, bool wait) override;
    void wait_silence(int ms) override { silences.push_back(ms); }
    void stop() override { ++stops; }
    void clear() { words.clear(), paths.clear(), waited.clear(), silences.clear(), stops = 0; }
};

struct DrawnText {
    int x, y;
    std::string text;
    std::string face;
    int points, weight;
};

// Records every text drawn; a character is points/2 pixels wide (10 px before
// any font is chosen), so positions after a print can be predicted.
class RecordingSurface : public platform::TextSurface {
public:
    std::vector<DrawnText> drawn;
    std::string face;
    int points = 0, weight = 0;
    void set_font(const std::string& f, int p, int w) override { face = f, points = p, weight = w; }
    int draw_text(int x, int y, const std::string& text) override;
    static int char_width(int points) { return points > 0 ? points / 2 : 10; }
    // The last text drawn starting at (x, y), or "" when none.
    std::string at(int x, int y) const;
};

// A window whose events come from a script.
class ScriptedWindow : public platform::Window {
public:
    RecordingSurface text;
    bool is_open = false;
    std::string title;
    int timer_id = 0, timer_period = 0;
    std::deque<std::pair<int, int>> events;  // (event_id, event_param)
    bool open(const std::string& t, int, int, int, int) override { title = t, is_open = true; return true; }
    void start_timer(int id, int period) override { timer_id = id, timer_period = period; }
    void stop_timer(int) override { timer_id = 0; }
    // Delivers the next scripted event; a close request when the script is empty.
    void wait_events(const std::function<void(int, int)>& deliver) override;
    void close() override { is_open = false; }
    // Takes the first Escape press out of the script.
    bool take_stop_key() override;
    platform::TextSurface* surface() override { return is_open ? &text : nullptr; }
};

// A serial line whose other end is a function: every complete command
// (ended by ";") written to it is handed to `respond`, and the answer is
// queued as received bytes.
struct FakeLine {
    std::string written;                // every byte written, in order
    std::vector<std::string> commands;  // each command written, ";" included
    std::string incoming;               // bytes waiting to be read
    std::function<std::string(const std::string&)> respond;
    int data_bits = 8, parity = 0, stop_bits = 1, speed = 0, timeouts = 0;
    bool open = false;
};

class FakeSerialSystem : public platform::SerialSystem {
public:
    // Lines by COM number; a COM number without a line fails to open.
    std::shared_ptr<FakeLine> add_line(int com);
    std::shared_ptr<FakeLine> line(int com);
    std::unique_ptr<platform::SerialPort> open(int com, int speed) override;
    std::string device_path(int com) const override { return "fake" + std::to_string(com); }
    int last_open_error() const override { return open_error; }
    void allow_client_pty(int com) override { client_pty_allowed.push_back(com); }

    int open_error = 0;                   // what last_open_error reports
    std::vector<int> client_pty_allowed;  // COM numbers allowed a pty pair

private:
    std::vector<std::pair<int, std::shared_ptr<FakeLine>>> lines_;
};

// A temporary working folder, removed with its files at the end.
struct TempDir {
    std::string path;  // ends with "/"
    TempDir();
    ~TempDir();
    std::string read(const std::string& name) const;
    void write(const std::string& name, const std::string& content) const;
    bool exists(const std::string& name) const;
};

// A fresh program context on fakes: fixed texts, start values, band rows,
// mode commands, the window open, radio on COM 1 answered by `radio`.
struct Rig {
    TempDir dir;
    RecordingSpeaker speaker;
    ScriptedWindow window;
    FakeSerialSystem serial;
    Context c;
    std::shared_ptr<FakeLine> radio;
    State& st() { return c.st; }

    Rig();
    // Opens the radio port as the start-up does.
    void open_radio();
    // Words played since the last clear.
    const std::vector<std::string>& words() const { return speaker.words; }
    // Commands written to the radio since the last clear.
    const std::vector<std::string>& sent() const { return radio->commands; }
    void clear() { speaker.clear(), radio->commands.clear(), radio->written.clear(); }
};

// Joins texts with a blank between them, for readable comparisons.
std::string join(const std::vector<std::string>& v);

}  // namespace vlr::test
