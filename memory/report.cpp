#include "memory/report.hpp"

#include "base/modes.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"
#include "platform/files.hpp"

namespace vlr {

namespace {

const char* const line_end = "\r\n";

// A frequency field in MHz: whole megahertz, then at least one decimal and
// no trailing zeros ("014200000" -> "14.2", "145000000" -> "145.0").
std::string mhz_text(const std::string& nine_digits) {
    std::string out = digits(text_num(left(nine_digits, 3))) + ".";
    int pos = 4;
    out += mid(nine_digits, pos, 1);
    while (pos < 9) {
        std::string rest = mid(nine_digits, pos + 1);
        if (rest.find_first_not_of('0') == std::string::npos) break;
        ++pos;
        out += mid(nine_digits, pos, 1);
    }
    return out;
}

std::string mode_piece(const std::string& mode_digit) {
    // Only a single digit names a mode ("01" or " 1" in a damaged record do not).
    if (mode_digit.size() != 1) return {};
    const ModeRow* row = mode_row(mode_digit[0] - '0');
    return row ? std::string("  ") + row->report_label : std::string();
}

std::string without_leading_zeros(const std::string& s) {
    auto first = s.find_first_not_of('0');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string channel_line(int channel, const std::string& record) {
    const std::string kind = chan_kind(record);
    std::string line = "Slot " + digits(channel) + " ";
    line += "A=" + mhz_text(chan_vfo_a_digits(record));
    if (kind != "5") line += "  B=" + mhz_text(chan_vfo_b_digits(record));
    line += mode_piece(chan_mode_digit(record));
    if (kind == "5") {
        line += "  Repeater";
        line += chan_shift_sign(record) == "+" ? "  +" : "  -";
        line += without_leading_zeros(mid(record, 17, 8)) + "Khz";
    }
    line += kind == "1" ? "  split" : "       ";
    const std::string tone = chan_tone(record);
    if (tone != "999") {
        // Compared as text: a first digit 5..9 marks a DCS code.
        bool dcs = !tone.empty() && static_cast<unsigned char>(tone[0]) > '4';
        line += "   " + std::string(dcs ? "DCS=" : "CTCSS=") + tone;
    }
    return line;
}

bool channel_used(const std::string& record) { return left(record, 1) != "9"; }

}  // namespace

std::string memory_report_text(const State& s) {
    std::string out = std::string("Memory Bank Information") + line_end + "  " + line_end;
    bool any_used = false;
    for (int bank = 0; bank <= 9; ++bank) {
        const auto* channels = &s.memory_channels[static_cast<std::size_t>(bank * 10)];
        bool bank_used = false;
        for (int ch = 0; ch <= 9; ++ch) bank_used = bank_used || channel_used(channels[ch]);
        if (!bank_used) continue;
        out += std::string("  ") + line_end + "Bank" + digits(bank) + line_end;
        for (int ch = 0; ch <= 9; ++ch) {
            if (!channel_used(channels[ch])) continue;
            any_used = true;
            out += channel_line(ch, channels[ch]) + line_end;
        }
    }
    if (!any_used) out += std::string("Empty") + line_end;
    return out;
}

bool write_memory_report(Context& c) {
    // Replaced whole, so a reader never finds half a list.
    return platform::replace_file(c.paths.file("memory.txt"), memory_report_text(c.st));
}

}  // namespace vlr
