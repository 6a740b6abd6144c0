#include "link/log.hpp"

#include "base/text.hpp"
#include "platform/files.hpp"

namespace vlr {

namespace {

const char* const log_file_name = "debug.dat";

// A pass-through client polling once a second fills tens of megabytes a day.
// Past this size the log moves to debug.dat.1 (replacing the one before) and
// starts again, so the two never hold more than twice this.
constexpr long long log_size_cap = 2 * 1024 * 1024;

// Bytes from the radio or another program are shown as they are, except
// those a reader's terminal would act on or that would end the line early:
// those appear as their code in angle brackets ("<1B>").
std::string escaped(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte < 0x7f) {
            out += ch;
        } else {
            out += '<';
            out += hex[byte >> 4];
            out += hex[byte & 0x0f];
            out += '>';
        }
    }
    return out;
}

void append_line(platform::AppendFile& f, const std::string& text) {
    // A full disk must not silence the rest of the log for good: a failed
    // write is dropped and the next one tried afresh.
    f.write(escaped(cut(text)) + "\r\n");
}

void write_header(Context& c) {
    const State& s = c.st;
    append_line(c.st.debug_file, "VELORAN " + s.version_text + "  " + platform::local_date_text() +
                                     "   " + platform::local_time_text());
    append_line(c.st.debug_file, "Comport=" + num_text(s.radio_port) +
                                     "  Speed=" + num_text(s.port_speed) + " Baud");
}

// The full log becomes the older generation and a new one begins.
void start_next_generation(Context& c) {
    platform::AppendFile& f = c.st.debug_file;
    const std::string path = f.path();
    f.close();
    platform::rename_file(path, path + ".1");
    if (f.open(path)) write_header(c);
}

}  // namespace

void open_debug_log(Context& c) {
    close_debug_log(c);
    // The program runs on without a log when it cannot be opened: every
    // later write then does nothing.
    if (c.st.debug_file.open(c.paths.file(log_file_name))) write_header(c);
}

void write_log_line(Context& c, const std::string& text) {
    platform::AppendFile& f = c.st.debug_file;
    if (!f.is_open()) return;
    if (f.size() >= log_size_cap) start_next_generation(c);
    if (f.is_open()) append_line(f, text);
}

void close_debug_log(Context& c) { c.st.debug_file.close(); }

std::string key_log_text(int key_code) {
    if (key_code == 13) return "*C/R";
    if (key_code == 190 || key_code == 110) return "*.";
    const std::string key = std::string("*") + static_cast<char>(key_code);
    if (key_code >= 96 && key_code <= 105) return key + " (" + digits(key_code - 96) + ")";
    return key;
}

}  // namespace vlr
