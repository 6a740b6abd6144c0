#include "memory/bank_file.hpp"

#include <fstream>
#include <sstream>
#include <vector>

#include "base/text.hpp"
#include "memory/report.hpp"
#include "platform/files.hpp"

namespace vlr {

namespace {

const char* const bank_file_name = "savmem.dat";
const char* const old_bank_file_name = "memory.dat";
const char* const line_end = "\r\n";

constexpr int first_band = 1;
constexpr int last_band = 14;

std::string header_line(const State& s) {
    std::string header = "VELORAN v3.5b " + s.version_text;
    if (s.band_index >= first_band && s.band_index <= last_band) {
        header += ' ';
        header += static_cast<char>('0' + s.band_index);  // bands 10..14 give ":" .. ">"
        header += s.nr_on == 1 ? '1' : '0';
    }
    return header;
}

std::string bank_file_text(const State& s) {
    std::string out = header_line(s) + line_end;
    for (int band = first_band; band <= last_band; ++band)
        out += s.band_table[static_cast<std::size_t>(band)] + line_end;
    for (const auto& channel : s.memory_channels) out += channel + line_end;
    return out;
}

// Writes savmem.dat whole; the old file stays until the new one is complete.
bool write_bank_file(Context& c) {
    return platform::replace_file(c.paths.file(bank_file_name), bank_file_text(c.st));
}

// The lines of a file written on any system: CR, LF or CR LF end a line.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool open_line = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.push_back(cut(line));
            line.clear();
            open_line = false;
        } else {
            line += ch;
            open_line = true;
        }
    }
    if (open_line) lines.push_back(cut(line));
    return lines;
}

bool read_file(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    content = ss.str();
    return true;
}

bool accepted_header(const std::string& header) {
    const std::string tag = left(header, 13);
    return tag == "VELORAN v1.0a" || tag == "VELORAN v3.5a" || tag == "VELORAN v3.5b";
}

void take_header(State& s, const std::string& header) {
    s.nr_on = mid(header, 21, 1) == "1" ? 1 : 0;
    int band = header.size() >= 20 ? static_cast<unsigned char>(header[19]) - 48 : 0;
    // A character beyond ">" would index past the band rows.
    s.band_index = band >= first_band && band <= last_band ? band : 0;
}

// Lines missing at the end of a short file keep the rows and channels they
// would have replaced: an empty text is neither a band row nor the empty
// channel marker, and would later be used as one.
void take_rows_and_channels(State& s, const std::vector<std::string>& lines) {
    std::size_t line = 1;
    for (int band = first_band; band <= last_band; ++band, ++line)
        if (line < lines.size()) s.band_table[static_cast<std::size_t>(band)] = lines[line];
    for (auto& channel : s.memory_channels) {
        if (line < lines.size()) channel = lines[line];
        ++line;
    }
}

}  // namespace

void save_memory_file(Context& c) {
    // A failed write reports nothing: the old file is still there.
    write_bank_file(c);
    write_memory_report(c);
}

void load_memory_file(Context& c) {
    const std::string path = c.paths.file(bank_file_name);
    // An unrecognised file is rewritten from the current state once; if that
    // fails, or what is read back is still not ours, the defaults stay.
    for (int rewrites = 0;; ++rewrites) {
        std::string content;
        if (!read_file(path, content)) {
            platform::remove_file(c.paths.file(old_bank_file_name));
            // The replacement supersedes an unreadable savmem.dat in one step;
            // deleting it first would lose it should the new one not be written.
            save_memory_file(c);
            return;
        }
        std::vector<std::string> lines = split_lines(content);
        const std::string header = lines.empty() ? std::string() : lines.front();
        if (!accepted_header(header)) {
            if (rewrites > 0) return;
            bool written = write_bank_file(c);
            write_memory_report(c);
            if (!written) return;
            continue;
        }
        take_header(c.st, header);
        take_rows_and_channels(c.st, lines);
        return;
    }
}

}  // namespace vlr
