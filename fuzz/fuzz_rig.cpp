#include "fuzz/fuzz_rig.hpp"

#include <cstdio>

#include "commands/handler.hpp"

namespace vlr::fuzz {

namespace {

// Shows a text with its unprintable bytes escaped, for the crash report.
std::string printable(const std::string& s) {
    std::string out;
    char hex[8];
    for (unsigned char ch : s) out += ch >= 0x20 && ch < 0x7f ? std::string(1, static_cast<char>(ch)) : (std::snprintf(hex, sizeof hex, "\\x%02x", ch), hex);
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
    for (const std::string* t : {&s.top_band, &s.offset10_sign, &s.offset10_digits, &s.offset6_sign, &s.offset6_digits,
             &s.offset2_sign, &s.offset2_digits, &s.offset70_sign, &s.offset70_digits, &s.shift10_sign, &s.shift10_digits,
             &s.shift6_sign, &s.shift6_digits, &s.shift2_sign, &s.shift2_digits, &s.shift70_sign, &s.shift70_digits,
             &s.cat_command, &s.cat_reply, &s.last_freq_command, &s.log_line, &s.passthru_inbuf, &s.passthru_chunk,
             &s.freq_text, &s.last_freq_reply, &s.vfo_a_text, &s.vfo_b_text, &s.saved_vfo_a, &s.mode_cmd_lsb,
             &s.mode_cmd_usb, &s.mode_cmd_cw, &s.mode_cmd_am, &s.mode_cmd_fm, &s.mode_cmd_fmn, &s.mode_cmd_c4fm,
             &s.row_build, &s.tone_code, &s.saved_tone_code, &s.swr_peak_text, &s.offset_entry, &s.menu_number_text,
             &s.menu_value_text, &s.version_text, &s.banner_text, &s.wave_folder})
        check_text(*t, "a text of the state longer than 255");
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
    // Letters and digits (their codes are their ASCII codes), Enter, Shift, Ctrl, space, Page Up/Down,
    // arrows, Insert, Windows, the pad's digits and point, F1..F12, plus, minus, point.
    static const std::vector<int> keys = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'K', 'L', 'M', 'N', 'O', 'P', 'Q',
        'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Z', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 13, 16, 17, 32, 33, 34, 37,
        38, 39, 40, 45, 91, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 110, 112, 113, 114, 115, 116, 117, 118, 119, 120,
        121, 122, 123, 187, 189, 190};
    const int count = static_cast<int>(keys.size()), pick = in.ConsumeIntegralInRange<int>(0, count + 1);
    if (pick < count) return keys[static_cast<std::size_t>(pick)];
    return pick == count ? in.ConsumeIntegralInRange<int>(0, 255) : in.ConsumeIntegral<int>();
}

void deliver(test::Rig& rig, int event_id, int param) {
    rig.st().event_id = event_id, rig.st().event_param = param, handle_event(rig.c);
}

void press(test::Rig& rig, int key) { deliver(rig, platform::event_key_down, key), deliver(rig, platform::event_key_up, key); }

void ticks(test::Rig& rig, int n) {
    for (int i = 0; i < n; ++i) deliver(rig, platform::event_timer, 1);
}

}  // namespace vlr::fuzz
