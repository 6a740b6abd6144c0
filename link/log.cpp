#include "link/log.hpp"

#include "base/text.hpp"
#include "platform/files.hpp"

namespace vlr {

void open_debug_log(Context& c) {
    State& s = c.st;
    close_debug_log(c);
    // Binary: the line ends are written as CR LF by us, untranslated.
    s.debug_file.open(c.paths.file("debug.dat"),
                      std::ios::out | std::ios::trunc | std::ios::binary);
    if (!s.debug_file.is_open()) {
        // The program runs on without a log; the stream stays closed, so
        // every later write does nothing.
        s.debug_file.clear();
        return;
    }
    write_log_line(c, "VELORAN " + s.version_text + "  " + platform::local_date_text() + "   " +
                          platform::local_time_text());
    write_log_line(
        c, "Comport=" + num_text(s.radio_port) + "  Speed=" + num_text(s.port_speed) + " Baud");
}

void write_log_line(Context& c, const std::string& text) {
    std::ofstream& f = c.st.debug_file;
    if (!f.is_open()) return;
    const std::string line = cut(text);
    f.write(line.data(), static_cast<std::streamsize>(line.size()));
    f.write("\r\n", 2);
    // Flushed at once so that the log of a crashed or killed run is whole up
    // to its last event, which is when it is needed most.
    f.flush();
    // A full disk must not silence the rest of the log for good.
    f.clear();
}

void close_debug_log(Context& c) {
    if (c.st.debug_file.is_open()) c.st.debug_file.close();
    c.st.debug_file.clear();
}

std::string key_log_text(int key_code) {
    if (key_code == 13) return "*C/R";
    if (key_code == 190 || key_code == 110) return "*.";
    const std::string key = std::string("*") + static_cast<char>(key_code);
    if (key_code >= 96 && key_code <= 105) return key + " (" + digits(key_code - 96) + ")";
    return key;
}

}  // namespace vlr
