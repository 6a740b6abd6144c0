#include "tests/support/fakes.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/startup.hpp"
#include "link/ports.hpp"
#include "radio/bands.hpp"

namespace vlr::test {

void RecordingSpeaker::play(const std::string& path, bool wait) {
    paths.push_back(path);
    waited.push_back(wait);
    const std::string folder = "wave/";
    if (path.rfind(folder, 0) == 0) words.push_back(path.substr(folder.size()));
}

int RecordingSurface::draw_text(int x, int y, const std::string& text) {
    drawn.push_back({x, y, text, face, points, weight});
    return static_cast<int>(text.size()) * char_width(points);
}

std::string RecordingSurface::at(int x, int y) const {
    for (auto it = drawn.rbegin(); it != drawn.rend(); ++it)
        if (it->x == x && it->y == y) return it->text;
    return {};
}

void ScriptedWindow::wait_events(const std::function<void(int, int)>& deliver) {
    if (events.empty()) {
        deliver(platform::event_close, 0);
        return;
    }
    auto e = events.front();
    events.pop_front();
    deliver(e.first, e.second);
}

bool ScriptedWindow::take_stop_key() {
    for (auto it = events.begin(); it != events.end(); ++it)
        if (it->first == platform::event_key_down && it->second == vk::escape) {
            events.erase(it);
            return true;
        }
    return false;
}

namespace {
class FakePort : public platform::SerialPort {
public:
    explicit FakePort(std::shared_ptr<FakeLine> l) : line_(std::move(l)) { line_->open = true; }
    ~FakePort() override { line_->open = false; }
    bool set_line_format(int d, int p, int s) override {
        line_->data_bits = d, line_->parity = p, line_->stop_bits = s;
        return true;
    }
    void set_read_timeouts(int v) override { line_->timeouts = v; }
    int write(const char* bytes, int count) override {
        std::string data(bytes, static_cast<std::size_t>(count));
        line_->written += data;
        pending_ += data;
        std::size_t end;
        while ((end = pending_.find(';')) != std::string::npos) {
            std::string cmd = pending_.substr(0, end + 1);
            pending_.erase(0, end + 1);
            line_->commands.push_back(cmd);
            if (line_->respond) line_->incoming += line_->respond(cmd);
        }
        return count;
    }
    int bytes_waiting() override { return static_cast<int>(line_->incoming.size()); }
    int read(char* buffer, int max_count) override {
        int n = std::min<int>(max_count, static_cast<int>(line_->incoming.size()));
        std::copy_n(line_->incoming.begin(), n, buffer);
        line_->incoming.erase(0, static_cast<std::size_t>(n));
        return n;
    }

private:
    std::shared_ptr<FakeLine> line_;
    std::string pending_;
};
}  // namespace

std::shared_ptr<FakeLine> FakeSerialSystem::add_line(int com) {
    auto l = std::make_shared<FakeLine>();
    lines_.emplace_back(com, l);
    return l;
}

std::shared_ptr<FakeLine> FakeSerialSystem::line(int com) {
    for (auto& [n, l] : lines_)
        if (n == com) return l;
    return nullptr;
}

std::unique_ptr<platform::SerialPort> FakeSerialSystem::open(int com, int speed) {
    auto l = line(com);
    if (!l || l->open) return nullptr;
    l->speed = speed;
    l->stop_bits = 1;
    return std::make_unique<FakePort>(l);
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "veloran-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    path = std::string(made ? made : tmpl.c_str()) + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path, ec);
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(path + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void TempDir::write(const std::string& name, const std::string& content) const {
    std::ofstream out(path + name, std::ios::binary);
    out << content;
}

bool TempDir::exists(const std::string& name) const { return std::filesystem::exists(path + name); }

Rig::Rig() {
    c.paths.work_dir = dir.path;
    c.speaker = &speaker;
    c.window = &window;
    c.serial = &serial;
    set_fixed_texts(c.st);
    window.open(window_title, 250, 100, 950, 500);
    c.st.main_window.open = true;
    reset_state(c.st);
    fill_band_rows(c.st);
    c.st.mode_cmd_lsb = "MD01", c.st.mode_cmd_usb = "MD02", c.st.mode_cmd_cw = "MD03";
    c.st.mode_cmd_fm = "MD04", c.st.mode_cmd_am = "MD05", c.st.mode_cmd_fmn = "MD0B";
    c.st.mode_cmd_c4fm = "MD0H";
    for (auto& ch : c.st.memory_channels) ch = "9";
    c.st.radio_port = 1;
    c.st.port_speed = 38400;
    radio = serial.add_line(1);
}

void Rig::open_radio() { open_serial(c, c.st.radio_port); }

std::string join(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& s : v) {
        if (!out.empty()) out += ' ';
        out += s;
    }
    return out;
}

}  // namespace vlr::test
