#include "memory/bank_file.hpp"

#include <sstream>
#include <vector>

#include "base/text.hpp"
#include "memory/report.hpp"
#include "platform/files.hpp"
#include "speech/player.hpp"

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
        header += s.nr_on ? '1' : '0';
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

// The lines that can hold the header, a row or a channel: an editor's UTF-8
// byte order mark and blank lines (never a row, nor a channel, whose empty
// marker is "9") are left out rather than shifting every row after them.
std::vector<std::string> meaningful_lines(std::string text) {
    const std::string byte_order_mark = "\xEF\xBB\xBF";
    if (text.rfind(byte_order_mark, 0) == 0) text.erase(0, byte_order_mark.size());
    std::vector<std::string> lines = split_lines(text);
    std::erase_if(lines, [](const std::string& line) {
        return line.find_first_not_of(" \t") == std::string::npos;
    });
    return lines;
}

// The headers this program has always written, read by position.
bool known_header(const std::string& header) {
    const std::string tag = left(header, 13);
    return tag == "VELORAN v1.0a" || tag == "VELORAN v3.5a" || tag == "VELORAN v3.5b";
}

// Any other version of the program's header: the rows and channels below it
// have the one layout every version has used.
bool accepted_header(const std::string& header) { return left(header, 9) == "VELORAN v"; }

// The band and noise-reduction field: by position in a known header; in
// another version's, the last of four words ("VELORAN v3.6 3.6a 41").
std::string band_field(const std::string& header) {
    if (known_header(header)) return mid(header, 20, 2);
    std::istringstream words(header);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    return w.size() == 4 && w[3].size() == 2 ? w[3] : std::string();
}

void take_header(State& s, const std::string& header) {
    const std::string field = band_field(header);
    s.nr_on = mid(field, 2, 1) == "1";
    int band = !field.empty() ? static_cast<unsigned char>(field[0]) - 48 : 0;
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

bool take_memory_text(State& s, const std::string& content) {
    const std::vector<std::string> lines = meaningful_lines(content);
    const std::string header = lines.empty() ? std::string() : lines.front();
    if (!accepted_header(header)) return false;
    take_header(s, header);
    take_rows_and_channels(s, lines);
    return true;
}

bool save_memory_file(Context& c) {
    // Both are tried: a report that cannot be written must not keep the
    // channels from being saved.
    const bool bank_written = write_bank_file(c);
    const bool report_written = write_memory_report(c);
    if (bank_written && report_written) return true;
    say(c, "notsaved");
    return false;
}

void load_memory_file(Context& c) {
    const std::string path = c.paths.file(bank_file_name);
    std::string content;
    if (!platform::read_regular_file(path, content)) {
        platform::remove_file(c.paths.file(old_bank_file_name));
        // The replacement supersedes an unreadable savmem.dat in one step;
        // deleting it first would lose it should the new one not be written.
        save_memory_file(c);
        return;
    }
    if (take_memory_text(c.st, content)) return;
    const bool holds_lines = !meaningful_lines(content).empty();
    // Not ours in any recognisable way: the defaults are used and saved, but
    // the file is kept beside them (it may hold channels someone can still
    // read) and the operator hears so. A file that cannot be kept is not
    // written over either. An empty file holds nothing to keep.
    if (holds_lines) {
        if (platform::keep_aside(path).empty()) return;
        say(c, "badmem");
    }
    save_memory_file(c);
}

}  // namespace vlr
