#include "fuzz/fuzz_rig.hpp"

#include <cstdio>

#include "commands/handler.hpp"
#include "platform/interfaces.hpp"

namespace vlr::fuzz {

namespace {

// Shows a text with its unprintable bytes escaped, for the crash report.
std::string printable(const std::string& s) {
    std::string out;
    char hex[8];
    for (unsigned char ch : s)
        out += ch >= 0x20 && ch < 0x7f ? std::string(1, static_cast<char>(ch))
                                       : (std::snprintf(hex, sizeof hex, "\\x%02x", ch), std::string(hex));
    return out;
}

void check_text(const std::string& s, const char* name) { require(s.size() <= 255, name, s); }

}  // namespace

void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "\n*** invariant broken: %s\n*** %s\n", what, printable(detail).c_str());
    std::fflush(stderr);
    __builtin_trap();
}

void check_state(const State& s) {
#define VLR_TEXT(name) check_text(s.name, #name " longer than 255")
    VLR_TEXT(top_band), VLR_TEXT(offset10_sign), VLR_TEXT(offset10_digits), VLR_TEXT(offset6_sign);
    VLR_TEXT(offset6_digits), VLR_TEXT(offset2_sign), VLR_TEXT(offset2_digits), VLR_TEXT(offset70_sign);
    VLR_TEXT(offset70_digits), VLR_TEXT(shift10_sign), VLR_TEXT(shift10_digits), VLR_TEXT(shift6_sign);
    VLR_TEXT(shift6_digits), VLR_TEXT(shift2_sign), VLR_TEXT(shift2_digits), VLR_TEXT(shift70_sign);
    VLR_TEXT(shift70_digits), VLR_TEXT(cat_command), VLR_TEXT(cat_reply), VLR_TEXT(last_freq_command);
    VLR_TEXT(log_line), VLR_TEXT(passthru_inbuf), VLR_TEXT(passthru_chunk), VLR_TEXT(freq_text);
    VLR_TEXT(last_freq_reply), VLR_TEXT(vfo_a_text), VLR_TEXT(vfo_b_text), VLR_TEXT(saved_vfo_a);
    VLR_TEXT(mode_cmd_lsb), VLR_TEXT(mode_cmd_usb), VLR_TEXT(mode_cmd_cw), VLR_TEXT(mode_cmd_am);
    VLR_TEXT(mode_cmd_fm), VLR_TEXT(mode_cmd_fmn), VLR_TEXT(mode_cmd_c4fm), VLR_TEXT(row_build), VLR_TEXT(tone_code);
    VLR_TEXT(saved_tone_code), VLR_TEXT(swr_peak_text), VLR_TEXT(offset_entry), VLR_TEXT(menu_number_text);
    VLR_TEXT(menu_value_text), VLR_TEXT(version_text), VLR_TEXT(banner_text), VLR_TEXT(wave_folder);
#undef VLR_TEXT
    for (const auto& row : s.band_table) check_text(row, "band row longer than 255");
    for (const auto& ch : s.memory_channels) check_text(ch, "memory channel longer than 255");
    require(s.band_index >= 0 && s.band_index <= 15, "band_index outside 0..15", std::to_string(s.band_index));
    require(s.vfo_frequency >= 0 && s.vfo_frequency <= 999'999'999,
            "vfo_frequency beyond the nine digits of the radio's field", std::to_string(s.vfo_frequency));
}

namespace {
void check_command(const std::string& cmd, bool relayed) {
    require(cmd.size() <= 255, "command to the radio longer than 255", cmd);
    require(cmd.size() >= 1 && cmd.back() == ';', "command to the radio without \";\"", cmd);
    for (std::size_t i = 0; i + 1 < cmd.size(); ++i) {
        const auto ch = static_cast<unsigned char>(cmd[i]);
        require(ch >= 0x20 && ch < 0x7f, "command to the radio not printable ASCII", cmd);
    }
    // A frequency command carries nine digits at most: the radio's field.
    if (!relayed && (cmd.rfind("FA", 0) == 0 || cmd.rfind("FB", 0) == 0)) {
        const std::string body = cmd.substr(2, cmd.size() - 3);
        const bool all_digits = body.find_first_not_of("0123456789") == std::string::npos;
        require(!all_digits || body.size() <= 9, "frequency command with more than nine digits", cmd);
    }
}
}  // namespace

void watch_commands(test::FakeLine& line, bool relayed) {
    auto answer = line.respond;
    line.respond = [answer, relayed](const std::string& cmd) {
        check_command(cmd, relayed);
        return answer ? answer(cmd) : std::string();
    };
}

void check_radio_commands(const test::FakeLine& line, std::size_t& from, bool relayed) {
    for (; from < line.commands.size(); ++from) check_command(line.commands[from], relayed);
    // The fake splits what was written at each ";": bytes after the last one
    // are a command that was never terminated.
    const auto last = line.written.rfind(';');
    const std::size_t tail = last == std::string::npos ? line.written.size() : line.written.size() - last - 1;
    require(tail == 0, "bytes written to the radio without a closing \";\"", line.written);
}

int key_code_from(FuzzedDataProvider& in) {
    static const int keys[] = {
        // letters and digits (their virtual-key codes are their ASCII codes)
        'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S',
        'T', 'U', 'V', 'W', 'X', 'Z', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
        // Enter, Shift, Ctrl, space, Page Up/Down, arrows, Insert, Windows
        13, 16, 17, 32, 33, 34, 37, 38, 39, 40, 45, 91,
        // numeric pad digits and point, F1..F12, plus, minus, point
        96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 110, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123,
        187, 189, 190};
    constexpr int count = static_cast<int>(sizeof keys / sizeof keys[0]);
    const int pick = in.ConsumeIntegralInRange<int>(0, count + 1);
    if (pick < count) return keys[pick];
    if (pick == count) return in.ConsumeIntegralInRange<int>(0, 255);
    return in.ConsumeIntegral<int>();
}

void deliver(test::Rig& rig, int event_id, int param) {
    rig.st().event_id = event_id, rig.st().event_param = param;
    handle_event(rig.c);
}

void press(test::Rig& rig, int key) {
    deliver(rig, platform::event_key_down, key);
    deliver(rig, platform::event_key_up, key);
}

void ticks(test::Rig& rig, int n) {
    for (int i = 0; i < n; ++i) deliver(rig, platform::event_timer, 1);
}

}  // namespace vlr::fuzz
