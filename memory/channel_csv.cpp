#include "memory/channel_csv.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/names.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"

namespace vlr {

namespace {

const char* const line_end = "\r\n";

// The radio's tone numbers 0..49 in tenths of a hertz: the standard CTCSS
// tones in their usual order, the order CHIRP lists them in too.
constexpr int ctcss_tenths[50] = {670,  693,  719,  744,  770,  797,  825,  854,  885,  915,
                                  948,  974,  1000, 1035, 1072, 1109, 1148, 1188, 1230, 1273,
                                  1318, 1365, 1413, 1462, 1514, 1567, 1598, 1622, 1655, 1679,
                                  1713, 1738, 1773, 1799, 1835, 1862, 1899, 1928, 1966, 1995,
                                  2035, 2065, 2107, 2181, 2257, 2291, 2336, 2418, 2503, 2541};

// The radio's DCS numbers 0..103: the standard DCS codes, written as CHIRP
// writes them (the octal digits read as a decimal number).
constexpr int dcs_codes[104] = {
    23,  25,  26,  31,  32,  36,  43,  47,  51,  53,  54,  65,  71,  72,  73,  74,  114, 115,
    116, 122, 125, 131, 132, 134, 143, 145, 152, 155, 156, 162, 165, 172, 174, 205, 212, 223,
    225, 226, 243, 244, 245, 246, 251, 252, 255, 261, 263, 265, 266, 271, 274, 306, 311, 315,
    325, 331, 332, 343, 346, 351, 356, 364, 365, 371, 411, 412, 413, 423, 431, 432, 445, 446,
    452, 454, 455, 462, 464, 465, 466, 503, 506, 516, 523, 526, 532, 546, 565, 606, 612, 624,
    627, 631, 632, 654, 662, 664, 703, 712, 723, 731, 732, 734, 743, 754};

const char* const columns[] = {"Location", "Name",      "Frequency", "Duplex",   "Offset",
                               "Tone",     "rToneFreq", "cToneFreq", "DtcsCode", "DtcsPolarity",
                               "Mode",     "TStep",     "Skip",      "Comment",  "URCALL",
                               "RPT1CALL", "RPT2CALL",  "DVCODE"};

// What the radio receives: 30 kHz to 56 MHz, 118 to 164 MHz, 420 to 470 MHz.
bool in_radio_range(long long hz) {
    return (hz >= 30'000 && hz <= 56'000'000) || (hz >= 118'000'000 && hz <= 164'000'000) ||
           (hz >= 420'000'000 && hz <= 470'000'000);
}

std::string mhz_text(long long hz) {
    return digits(hz / 1'000'000) + "." + zero_pad(hz % 1'000'000, 6);
}

// CHIRP's frequency text: MHz with up to six decimals, a " MHz" after it
// allowed. False for anything else.
bool parse_mhz(std::string text, long long& hz) {
    if (text.size() > 4 && text.ends_with(" MHz")) text.resize(text.size() - 4);
    const auto point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string part = point == std::string::npos ? std::string() : text.substr(point + 1);
    if (whole.size() > 4 || part.size() > 6 || (whole.empty() && part.empty())) return false;
    if ((!whole.empty() && !all_digits(whole)) || (!part.empty() && !all_digits(part)))
        return false;
    hz = std::atoll(whole.c_str()) * 1'000'000 + std::atoll((part + "000000").substr(0, 6).c_str());
    return true;
}

// The tone number of a CTCSS frequency ("88.5"), -1 when the radio has none.
int ctcss_number(const std::string& text) {
    char* end = nullptr;
    const double hz = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || std::abs(hz * 10 - std::round(hz * 10)) > 0.001) return -1;
    const int* found =
        std::find(std::begin(ctcss_tenths), std::end(ctcss_tenths), std::lround(hz * 10));
    return found == std::end(ctcss_tenths) ? -1
                                           : static_cast<int>(found - std::begin(ctcss_tenths));
}

// The program's tone code of a DCS code ("023"): the radio's DCS number n
// goes out as a hundreds digit and two digits (see apply_tone), so numbers
// 0..3 are 500..503, 4..99 are 704..799 and 100..103 are 800..803.
std::string dcs_tone_code(const std::string& text) {
    if (text.empty() || text.size() > 3 || !all_digits(text)) return {};
    const int* found =
        std::find(std::begin(dcs_codes), std::end(dcs_codes), std::atoi(text.c_str()));
    if (found == std::end(dcs_codes)) return {};
    const int n = static_cast<int>(found - std::begin(dcs_codes));
    return digits(n <= 3 ? 500 + n : 700 + n);
}

// The DCS number a tone code sends the radio, -1 for none.
int dcs_number(int code) {
    const int hundreds = (code > 599 && code < 703) || (code > 799 && code < 900) ? 1 : 0;
    const int n = hundreds * 100 + code % 100;
    return code >= 500 && n < 104 ? n : -1;
}

std::string quoted(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string out = "\"";
    for (char ch : field) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return out + "\"";
}

// The tone columns (Tone, rToneFreq, cToneFreq, DtcsCode, DtcsPolarity) of a
// tone code; empty when the code means nothing to the radio.
std::vector<std::string> tone_columns(const std::string& tone) {
    if (tone == "999") return {"", "88.5", "88.5", "023", "NN"};
    if (!all_digits(tone, 3)) return {};
    const int code = text_num(tone);
    if (code < 50) {
        const int tenths = ctcss_tenths[code];
        const std::string hz = digits(tenths / 10) + "." + digits(tenths % 10);
        return {"Tone", hz, hz, "023", "NN"};
    }
    const int n = dcs_number(code);
    if (n < 0) return {};
    return {"DTCS", "88.5", "88.5", zero_pad(dcs_codes[n], 3), "NN"};
}

// The Duplex and Offset columns of a record.
std::vector<std::string> duplex_columns(const std::string& record) {
    const std::string kind = chan_kind(record);
    if (kind == "0") return {"", "0.000000"};
    if (kind == "1" && all_digits(chan_vfo_b_digits(record)))
        return {"split", mhz_text(std::atoll(chan_vfo_b_digits(record).c_str()))};
    const std::string sign = chan_shift_sign(record);
    if (kind == "5" && (sign == "+" || sign == "-") && all_digits(mid(record, 17, 8)))
        return {sign, mhz_text(std::atoll(mid(record, 17, 8).c_str()) * 1000)};
    return {};
}

const char* mode_name(const std::string& digit) {
    for (const ModeRow& m : mode_rows)
        if (digit == digit_of(m.code)) return m.chirp_name;
    return nullptr;
}

int column(const std::vector<std::string>& header, const char* name) {
    const auto found = std::find(header.begin(), header.end(), name);
    return found == header.end() ? -1 : static_cast<int>(found - header.begin());
}

}  // namespace

bool split_csv(const std::string& text, std::vector<CsvLine>& lines, std::string& why) {
    const std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    CsvLine line{1, {""}};
    int number = 1;
    bool in_quotes = false;
    auto finish_line = [&] {
        if (line.fields.size() > 1 || !line.fields[0].empty()) lines.push_back(line);
        line = CsvLine{number, {""}};
    };
    for (std::size_t i = start; i < text.size(); ++i) {
        const char ch = text[i];
        const auto byte = static_cast<unsigned char>(ch);
        if ((byte < 0x20 && ch != '\t' && ch != '\r' && ch != '\n') || byte == 0x7F) {
            why = "line " + digits(number) + " holds binary data (byte " + digits(byte) +
                  "): not a text file";
            return false;
        }
        const bool line_break =
            ch == '\n' || (ch == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
        if (line_break) ++number;
        if (in_quotes) {
            if (ch != '"')
                line.fields.back() += ch;
            else if (i + 1 < text.size() && text[i + 1] == '"')
                line.fields.back() += text[++i];
            else
                in_quotes = false;
        } else if (ch == '"') {
            in_quotes = true;
        } else if (ch == ',') {
            line.fields.emplace_back();
        } else if (line_break) {
            finish_line();
        } else if (ch != '\r') {
            line.fields.back() += ch;
        }
    }
    if (in_quotes) {
        why = "line " + digits(line.number) + ": a quote is never closed";
        return false;
    }
    finish_line();
    return true;
}

std::string chirp_header_line() {
    std::string out;
    for (const char* name : columns) out += std::string(out.empty() ? "" : ",") + name;
    return out + line_end;
}

std::string chirp_row_line(int slot, const std::string& record, const std::string& name) {
    if (record.size() != 28 || !all_digits(chan_vfo_a_digits(record))) return {};
    const std::vector<std::string> duplex = duplex_columns(record);
    const std::vector<std::string> tone = tone_columns(chan_tone(record));
    const char* mode = mode_name(chan_mode_digit(record));
    const std::string preamp = chan_preamp_digit(record);
    if (duplex.empty() || tone.empty() || !mode || preamp < "0" || preamp > "2") return {};
    std::string out = digits(slot) + "," + quoted(name) + "," +
                      mhz_text(std::atoll(chan_vfo_a_digits(record).c_str()));
    for (const auto& field : duplex) out += "," + field;
    for (const auto& field : tone) out += "," + field;
    out += std::string(",") + mode + ",5.00,,";
    // CHIRP has no column for the preamp: the Comment keeps it.
    if (preamp != "0") out += "preamp " + preamp;
    return out + ",,,," + line_end;
}

std::string check_chirp_header(const std::vector<std::string>& header) {
    if (column(header, "Location") < 0 || column(header, "Frequency") < 0)
        return "the first line names no Location and Frequency columns: not a CHIRP channel list";
    return {};
}

namespace {

struct RowReader {
    const std::vector<std::string>& header;
    const std::vector<std::string>& row;
    std::string operator()(const char* name, const char* missing = "") const {
        const int at = column(header, name);
        if (at < 0) return missing;
        std::string value = row[static_cast<std::size_t>(at)];
        const auto first = value.find_first_not_of(' ');
        value.erase(0, first == std::string::npos ? value.size() : first);
        while (!value.empty() && value.back() == ' ') value.pop_back();
        return value;
    }
};

// The tone code of a row's tone columns, or the reason in `why`.
std::string tone_code_of(const RowReader& get, std::string& why) {
    const std::string kind = get("Tone");
    if (kind.empty()) return "999";
    if (kind == "Tone" || kind == "TSQL") {
        const std::string hz = get(kind == "Tone" ? "rToneFreq" : "cToneFreq");
        const int n = ctcss_number(hz);
        if (n < 0) why = "tone " + hz + " Hz is not one of the radio's 50 CTCSS tones";
        return zero_pad(n, 3);
    }
    if (kind == "DTCS") {
        const std::string code = get("DtcsCode"), polarity = get("DtcsPolarity", "NN");
        const std::string rx_code = get("RxDtcsCode", code.c_str());
        const std::string tone = dcs_tone_code(code);
        if (tone.empty())
            why = "DCS code " + code + " is not one of the radio's 104 codes";
        else if (polarity != "NN")
            why = "DCS polarity " + polarity + ": the radio uses NN only";
        else if (rx_code != code)
            why = "cross tone (receive DCS " + rx_code + "): the radio has one code";
        return tone;
    }
    if (kind == "Cross")
        why = "cross tone: the radio has one tone for both directions";
    else
        why = "tone mode \"" + kind + "\" is not Tone, TSQL or DTCS";
    return {};
}

// The B part of the record (the VFO B digits, or the shift) for the row's
// Duplex and Offset, or the reason in `why`.
std::string b_part_of(const RowReader& get, long long hz, int band, std::string& why) {
    const std::string duplex = get("Duplex"), offset_text = get("Offset", "0");
    long long offset = 0;
    if (!duplex.empty() && !parse_mhz(offset_text, offset)) {
        why = "Offset \"" + offset_text + "\" is not a frequency in MHz";
        return {};
    }
    if (duplex.empty()) return nine_digits(hz);
    if (duplex == "split") {
        if (!in_radio_range(offset))
            why = "split frequency " + mhz_text(offset) + " MHz is outside the radio's ranges";
        return nine_digits(offset);
    }
    if (duplex != "+" && duplex != "-") {
        why = "Duplex \"" + duplex + "\" is not +, - or split";
        return {};
    }
    const long long khz = offset / 1000;
    if (band < band::m10 || band > band::cm70)
        why = "a repeater shift needs 10 m, 6 m, 2 m or 70 cm";
    else if (offset % 1000 != 0 || khz > 9999)
        why = "shift " + mhz_text(offset) + " MHz is not whole kHz up to 9999 kHz";
    else if (band >= band::m2 && khz % 50 != 0)
        why = "shift " + digits(khz) + " kHz is not in 50 kHz steps, as 2 m and 70 cm need";
    return duplex + "0000" + zero_pad(khz, 4);
}

int mode_code_of(const std::string& name) {
    for (const ModeRow& m : mode_rows)
        if (name == m.chirp_name) return m.code;
    return 0;
}

// The preamp digit a Comment carries ("preamp 2"), "0" when none.
std::string preamp_of(const std::string& comment) {
    const auto at = comment.find("preamp ");
    const std::string digit = at == std::string::npos ? "0" : comment.substr(at + 7, 1);
    return digit == "1" || digit == "2" ? digit : "0";
}

// A name as a line of the names file can hold it: printable, at most 64 bytes.
std::string clean_name(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20; },
        ' ');
    return name.substr(0, 64);
}

}  // namespace

ChirpChannel channel_from_row(const std::vector<std::string>& header,
                              const std::vector<std::string>& row, std::string& why) {
    ChirpChannel channel;
    if (row.size() < header.size()) {
        why = digits(static_cast<long long>(row.size())) + " fields where the first line names " +
              digits(static_cast<long long>(header.size())) + " columns";
        return channel;
    }
    const RowReader get{header, row};
    const std::string location = get("Location"), freq_text = get("Frequency"),
                      mode = get("Mode", "FM");
    long long hz = 0;
    if (location.empty() || location.size() > 3 || !all_digits(location))
        why = "Location \"" + location + "\" is not a channel number";
    else if ((channel.location = text_num(location)) > 99)
        why = "Location " + location + " is over 99: the radio has channels 0 to 99";
    else if (!parse_mhz(freq_text, hz))
        why = "Frequency \"" + freq_text + "\" is not a frequency in MHz";
    else if (!in_radio_range(hz))
        why = "Frequency " + mhz_text(hz) +
              " MHz is outside the radio's ranges (0.03-56, 118-164, 420-470 MHz)";
    else if (mode_code_of(mode) == 0)
        why = "mode \"" + mode + "\": the radio has LSB, USB, CW, AM, NFM, FM and DN";
    else if (mode == "DN" && hz < 144'000'000)
        why = "mode DN (C4FM) only on 2 m and 70 cm";
    if (!why.empty()) return channel;
    const int band = band_of_mhz(static_cast<int>(hz / 1'000'000));
    const std::string b_part = b_part_of(get, hz, band, why);
    if (!why.empty()) return channel;
    const std::string tone = tone_code_of(get, why);
    if (!why.empty()) return channel;
    if (tone != "999" && !is_fm(mode_code_of(mode))) {
        why = "a tone needs FM or NFM, not " + mode;
        return channel;
    }
    const std::string kind = get("Duplex") == "split" ? "1" : get("Duplex").empty() ? "0" : "5";
    channel.record = kind + digit_of(mode_code_of(mode)) + band_digits(band) + "A" +
                     nine_digits(hz) + "B" + b_part + tone + preamp_of(get("Comment"));
    channel.name = clean_name(get("Name"));
    return channel;
}

}  // namespace vlr
