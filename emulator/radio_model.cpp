#include "emulator/radio_model.hpp"

#include <algorithm>
#include <cctype>

namespace vlr::emu {
namespace {

// A setting that is one number after a fixed head: "AG0" + 3 digits, "VX" + 1
// digit. Set by head + digits, read by the head alone, answered by head +
// digits zero-padded to `width`.
struct PlainSetting {
    const char* head;
    int width;      // digits in the answer
    int min_width;  // fewest digits a set command may carry
    int low, high;  // accepted values
    int initial;
};

// clang-format off
constexpr PlainSetting plain_settings[] = {
    {"AG0", 3, 3, 0, 255,  90},  {"AG1", 3, 3, 0, 255,  80},   // AF gain, main and sub receiver
    {"RG0", 3, 3, 0, 255, 255},  {"RG1", 3, 3, 0, 255, 255},   // RF gain
    {"SQ0", 3, 3, 0, 255,  10},                                  // squelch
    {"ML0", 1, 1, 0, 1,     0},  {"ML1", 3, 3, 0, 100,  40},   // monitor on/off, level
    {"PR0", 1, 1, 0, 1,     0},  {"PR1", 1, 1, 0, 1,     0},   // speech processor, parametric EQ
    {"PL",  3, 3, 0, 100,  50},                                  // processor level
    {"VX",  1, 1, 0, 1,     0},  {"BI",  1, 1, 0, 1,     0},   // VOX, break-in
    {"GT0", 1, 1, 0, 6,     2},                                  // AGC
    {"KS",  3, 3, 4, 60,   15},  {"MG",  3, 3, 0, 100,  50},   // keyer speed, mic gain
    {"CT0", 1, 1, 0, 3,     0},  {"CN00", 3, 3, 0, 49,   12},  // tone mode, CTCSS tone number
    {"CN01", 3, 3, 0, 999,  0},  {"OS0", 1, 1, 0, 2,     0},   // DCS code number, repeater shift
    {"PA0", 1, 1, 0, 2,     0},  {"PA1", 1, 1, 0, 2,     0},   // preamp: HF, 2 m, 70 cm
    {"PA2", 1, 1, 0, 2,     0},  {"RA0", 1, 1, 0, 1,     0},   // attenuator
    {"NL0", 3, 3, 0, 15,    0},  {"RL0", 2, 2, 0, 15,    0},   // noise blanker, noise reduction level
    {"NR0", 1, 1, 0, 1,     0},  {"BC0", 1, 1, 0, 1,     0},   // noise reduction, auto notch
    // Width: "SH00" + 2 digits as the FTDX radios take it, or "SH0" + 2
    // digits as the FT-991 (and Hamlib's backend for it) sends it.
    {"NA0", 1, 1, 0, 1,     0},  {"SH0", 3, 2, 0, 23,   16},   // narrow filter, width
    {"CO00", 4, 3, 0, 1,    0},  {"CO01", 4, 4, 0, 3200, 1000},  // contour on/off, frequency
    {"CO02", 4, 3, 0, 1,    0},  {"CO03", 4, 4, 0, 9999, 700},   // audio peak filter
    {"TX",  1, 1, 0, 2,     0},  {"ST",  1, 1, 0, 2,     0},   // transmit, split
    {"VS",  1, 1, 0, 1,     0},  {"AI",  1, 1, 0, 1,     0},   // VFO select, auto information
};
// clang-format on

const PlainSetting* find_plain(const std::string& body) {
    const PlainSetting* best = nullptr;
    for (const auto& s : plain_settings) {
        std::string head = s.head;
        if (body.compare(0, head.size(), head) == 0 &&
            (!best || head.size() > std::string(best->head).size()))
            best = &s;
    }
    return best;
}

bool all_digits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string zero_padded(long long value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

// Mode characters the radio takes after "MD0": LSB, USB, CW, FM, AM, RTTY,
// CW-R, data modes, FM narrow, AM narrow, C4FM and the rest of its list.
bool known_mode(char c) { return (c >= '1' && c <= '9') || (c >= 'A' && c <= 'H'); }

const std::string refused = "?;";

// The menu items this radio has, and what they hold until set.
const std::map<std::string, std::string> menu_defaults = {
    {"010316", "0100"}, {"010317", "1000"}, {"010318", "0012"},
    {"010319", "0100"}, {"030703", "0"},    {"030704", "0"},
};

}  // namespace

RadioModel::RadioModel(Variant variant, std::string identity, std::uint32_t seed)
    : variant_(variant),
      identity_(std::move(identity)),
      power_(variant == Variant::watts10 ? 5 : 100),
      random_(seed == 0 ? 1 : seed) {
    for (const auto& s : plain_settings) settings_[s.head] = s.initial;
    // The band stacks, by their "BS" number, with where each one starts.
    stacks_ = {
        {0, 1'800'000, 2'000'000, 1'840'000, '1'},
        {1, 3'500'000, 4'000'000, 3'700'000, '1'},
        {2, 5'250'000, 5'450'000, 5'357'000, '2'},
        {3, 7'000'000, 7'300'000, 7'100'000, '1'},
        {4, 10'100'000, 10'150'000, 10'120'000, '3'},
        {5, 14'000'000, 14'350'000, 14'200'000, '2'},
        {6, 18'068'000, 18'168'000, 18'120'000, '2'},
        {7, 21'000'000, 21'450'000, 21'200'000, '2'},
        {8, 24'890'000, 24'990'000, 24'940'000, '2'},
        {9, 28'000'000, 29'700'000, 28'500'000, '2'},
        {10, 50'000'000, 54'000'000, 50'150'000, '2'},
        {11, 0, 0, 9'670'000, '5'},
        {12, 520'000, 1'710'000, 1'000'000, '5'},
        {14, 108'000'000, 137'000'000, 118'000'000, '5'},
        {15, 144'000'000, 148'000'000, 145'000'000, 'B'},
        {16, 430'000'000, 450'000'000, 432'000'000, 'B'},
    };
}

std::string RadioModel::handle(const std::string& command) {
    record_.push_back(command);
    return operate(command);
}

std::string RadioModel::operate(const std::string& command) {
    if (command.empty() || command.back() != ';') return powered_ ? refused : "";
    std::string body = command.substr(0, command.size() - 1);
    if (!powered_) {
        // Switched off it hears only the command that switches it on again.
        if (body == "PS1") powered_ = true;
        return "";
    }
    return answer(body);
}

std::string RadioModel::answer(const std::string& body) {
    if (body.size() < 2) return refused;
    std::string code = body.substr(0, 2);
    std::string param = body.substr(2);
    if (refused_codes_.count(code) && !asks(body)) return refused;
    if (strict_ && !known_form(code, param)) return refused;
    if (code == "ID") return param.empty() ? "ID" + identity_ + ";" : refused;
    if (code == "IF") return param.empty() ? information() : refused;
    if (code == "FT") return transmit_vfo(param);
    if (code == "FA" || code == "FB") return frequency(code[1], param);
    if (code == "MD") return mode(param);
    if (code == "BS") return band_stack(param);
    if (code == "PC") return power_control(param);
    if (code == "AC") return tuner(param);
    if (code == "EX") return menu_item(param);
    if (code == "SM") return param == "0" ? "SM0" + zero_padded(read(s_meter_), 3) + ";" : refused;
    if (code == "RM") return read_meter(param);
    if (code == "ZI") return param.empty() || param == "0" ? "" : refused;
    if (code == "PS") {
        if (param.empty()) return "PS1;";
        if (param == "0") powered_ = false, ptt_ = false, settings_["TX"] = 0;
        return param == "0" || param == "1" ? "" : refused;
    }
    return plain_setting(body);
}

bool RadioModel::asks(const std::string& command) {
    const std::string body =
        command.ends_with(";") ? command.substr(0, command.size() - 1) : command;
    const std::string code = body.substr(0, 2), param = body.size() > 2 ? body.substr(2) : "";
    if (code == "ZI" || code == "BS") return false;
    if (code == "ID" || code == "IF" || code == "SM" || code == "RM") return true;
    if (code == "MD") return param.empty() || param == "0";
    if (code == "EX") return param.size() == 6 || param.size() == 3;
    if (const PlainSetting* s = find_plain(body)) return body == s->head;
    return param.empty();
}

bool RadioModel::known_form(const std::string& code, const std::string& param) const {
    if (code == "ZI") return param == "0";
    if (code == "EX") return param.size() >= 6 && menu_defaults.count(param.substr(0, 6)) > 0;
    const PlainSetting* s = find_plain(code + param);
    if (!s) return true;
    const std::size_t digits = code.size() + param.size() - std::string(s->head).size();
    return digits == 0 || digits == static_cast<std::size_t>(s->width);
}

std::string RadioModel::frequency(char vfo, const std::string& param) {
    long long& hz = vfo == 'A' ? vfo_a_ : vfo_b_;
    if (param.empty()) return std::string("F") + vfo + zero_padded(hz, 9) + ";";
    if (param.size() != 9 || !all_digits(param)) return refused;
    long long wanted = std::stoll(param);
    if (wanted < lowest_frequency || wanted > highest_frequency) return refused;
    hz = wanted;
    return "";
}

std::string RadioModel::mode(const std::string& param) {
    if (param == "0") return std::string("MD0") + mode_ + ";";
    if (param.size() != 2 || param[0] != '0' || !known_mode(param[1])) return refused;
    mode_ = param[1];
    return "";
}

// Selecting a band stack remembers where the radio was in its current band
// and moves VFO A to where it last was in the chosen band, mode included.
std::string RadioModel::band_stack(const std::string& param) {
    if ((param.size() != 2 && param.size() != 3) || !all_digits(param)) return refused;
    int code = std::stoi(param);
    auto chosen = std::find_if(stacks_.begin(), stacks_.end(),
                               [&](const BandStack& b) { return b.code == code; });
    if (chosen == stacks_.end()) return refused;
    auto current = std::find_if(stacks_.begin(), stacks_.end(), [&](const BandStack& b) {
        return vfo_a_ >= b.low && vfo_a_ <= b.high;
    });
    if (current == stacks_.end())
        current = std::find_if(stacks_.begin(), stacks_.end(),
                               [](const BandStack& b) { return b.code == 11; });
    current->frequency = vfo_a_;
    current->mode = mode_;
    vfo_a_ = chosen->frequency;
    mode_ = chosen->mode;
    return "";
}

std::string RadioModel::power_control(const std::string& param) {
    char kind = variant_ == Variant::watts10 ? '1' : '2';
    if (param.empty()) return std::string("PC") + kind + zero_padded(power_, 3) + ";";
    std::string watts = param.substr(1);
    if (param.size() != 4 || param[0] != kind || !all_digits(watts)) return refused;
    int value = std::stoi(watts);
    int low = variant_ == Variant::watts10 ? 1 : 5;
    int high = variant_ == Variant::watts10 ? 10 : 100;
    if (value < low || value > high) return refused;
    power_ = value;
    return "";
}

// The information answer, 28 characters: "IF", memory channel (3 digits),
// VFO A (9 digits), clarifier direction and offset ("+0000"), RX and TX
// clarifier (0 = off), mode (as after "MD0"), VFO/memory (0 = VFO), tone
// mode (as after "CT0"), "00", repeater shift (as after "OS0"), ";".
// Clients tell the frequency field's width from the answer's length, so a
// shorter answer would make them send frequencies with 8 digits.
std::string RadioModel::information() {
    return "IF001" + zero_padded(vfo_a_, 9) + "+0000" + "00" + mode_ + "0" +
           zero_padded(settings_["CT0"], 1) + "00" + zero_padded(settings_["OS0"], 1) + ";";
}

// Which VFO transmits: answered 0 (A) or 1 (B). Transmitting on B is split,
// so this is the split setting seen from the transmitter's side. Set with
// 0/1, or with 2/3 as the FT-991 and FT-950 take it.
std::string RadioModel::transmit_vfo(const std::string& param) {
    int& split = settings_["ST"];
    if (param.empty()) return split != 0 ? "FT1;" : "FT0;";
    if (param.size() != 1 || param[0] < '0' || param[0] > '3') return refused;
    const bool on_b = (param[0] - '0') % 2 == 1;
    if (!on_b)
        split = 0;
    else if (split == 0)
        split = 1;
    return "";
}

// "AC" + three digits: the first says whether the tuner is in line, the last
// 0/1 off/on, 2 or 3 starts a tuning run (which leaves the tuner in line).
std::string RadioModel::tuner(const std::string& param) {
    if (param.empty()) return "AC" + tuner_state_ + ";";
    if (param.size() != 3 || !all_digits(param) || param[0] > '1' || param[1] != '0' ||
        param[2] > '3')
        return refused;
    if (param[2] >= '2') {
        ++tune_count_;
        tuner_state_ = "100";
    } else {
        tuner_state_ = param;
    }
    return "";
}

// Menu items are six digits ("EX030704"); what follows them is the value, any
// text ("1", "0012", "0012.50"). A shorter all-digit parameter is an item of
// the older three-digit menu ("EX0863" sets item 086 to 3).
std::string RadioModel::menu_item(const std::string& param) {
    std::size_t item_len = param.size() >= 6 ? 6 : 3;
    std::string item = param.substr(0, std::min(item_len, param.size()));
    if (item.size() != item_len || !all_digits(item)) return refused;
    if (item_len == 3 && !all_digits(param)) return refused;
    std::string value = param.substr(item_len);
    if (!value.empty()) {
        menu_[item] = value;
        return "";
    }
    auto found = menu_.find(item);
    auto fallback = menu_defaults.find(item);
    std::string stored = found != menu_.end()              ? found->second
                         : fallback != menu_defaults.end() ? fallback->second
                                                           : "0";
    return "EX" + item + stored + ";";
}

// "RM" + meter number: answered as the number, three digits of reading and
// "000". SWR (6) and ALC/mic level (4) read 0 unless the transmitter is on.
std::string RadioModel::read_meter(const std::string& param) {
    if (param.size() != 1 || param[0] < '1' || param[0] > '9') return refused;
    int value = 0;
    if (param == "1") value = read(s_meter_);
    if (transmitting()) {
        if (param == "6") value = read(swr_);
        if (param == "4") value = read(mic_);
        if (param == "5") value = power_ * 255 / (variant_ == Variant::watts10 ? 10 : 100);
    }
    return "RM" + param + zero_padded(value, 3) + "000;";
}

std::string RadioModel::plain_setting(const std::string& body) {
    const PlainSetting* s = find_plain(body);
    if (!s) return refused;
    std::string head = s->head;
    std::string digits = body.substr(head.size());
    if (digits.empty()) return head + zero_padded(settings_[head], s->width) + ";";
    int len = static_cast<int>(digits.size());
    if (len < s->min_width || len > s->width || !all_digits(digits)) return refused;
    int value = std::stoi(digits);
    if (value < s->low || value > s->high) return refused;
    settings_[head] = value;
    return "";
}

// A reading drifts a few steps up or down on every look, within its range.
int RadioModel::read(Meter& meter) {
    if (meter.held) return std::clamp(*meter.held, 0, 255);
    int step = static_cast<int>(random_() % 17) - 8;
    meter.value = std::clamp(meter.value + step, meter.low, meter.high);
    return meter.value;
}

void RadioModel::turn_dial(long long hz) {
    long long& vfo = settings_["VS"] == 1 ? vfo_b_ : vfo_a_;
    vfo = std::clamp(vfo + hz, lowest_frequency, highest_frequency);
}

void RadioModel::key_transmitter(bool on) { ptt_ = on; }

bool RadioModel::transmitting() const {
    auto tx = settings_.find("TX");
    return ptt_ || (tx != settings_.end() && tx->second != 0);
}

std::optional<int> RadioModel::setting(const std::string& head) const {
    auto found = settings_.find(head);
    if (found == settings_.end()) return std::nullopt;
    return found->second;
}

std::optional<std::string> RadioModel::menu(const std::string& item) const {
    auto found = menu_.find(item);
    if (found == menu_.end()) return std::nullopt;
    return found->second;
}

}  // namespace vlr::emu
