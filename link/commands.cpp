#include "link/commands.hpp"

#include "base/modes.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"

namespace vlr::cmd {

std::string set(Level level, long long value) { return level.code + zero_pad(value, level.width); }
std::string set(Switch sw, bool on) { return std::string(sw.code) + (on ? "1" : "0"); }
std::string ask(Query query) { return query.code; }
std::string fixed(Fixed command) { return command.text; }

std::string frequency(int hz) { return "FA" + nine_digits(hz); }
std::string frequency_b(int hz) { return "FB" + nine_digits(hz); }
std::string frequency_a_digits(const std::string& nine) { return "FA" + nine; }
std::string vfo_frequency(const std::string& vfo_and_nine) { return "F" + vfo_and_nine; }
std::string band_stack(int radio_band) { return "BS0" + zero_pad(radio_band, 2); }

std::string mode(int mode_code) {
    const ModeRow* row = mode_row(mode_code);
    return row ? row->command : "";
}

std::string ctcss_tone(const std::string& number) { return "CN00" + number; }
std::string dcs_code(bool upper, const std::string& last_two) {
    return std::string(upper ? "CN011" : "CN010") + last_two;
}

std::string menu(const std::string& item, const std::string& value) { return "EX" + item + value; }
std::string antenna(int number) { return menu("030704", digits(number - 1)); }

}  // namespace vlr::cmd
