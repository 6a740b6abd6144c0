// Channel lists as CHIRP's generic CSV: the rows CHIRP writes and reads, and
// the channel records they stand for.
#pragma once

#include <string>
#include <vector>

namespace vlr {

// One line of a CSV text, split into its fields, with the line it starts on.
struct CsvLine {
    int number = 0;
    std::vector<std::string> fields;
};

// Splits `text` into lines of fields: a UTF-8 byte order mark is skipped,
// lines end in CR LF, LF or CR, a field in double quotes may hold commas,
// line ends and doubled quotes, and blank lines are left out. False with the
// reason in `why` for bytes that are not text or a quote left open.
bool split_csv(const std::string& text, std::vector<CsvLine>& lines, std::string& why);

// The export's first line, as CHIRP writes it (with its CR LF).
std::string chirp_header_line();
// The export's line for channel `slot` (0..99) holding `record`, named
// `name`; "" when the record is damaged and no row can say it.
std::string chirp_row_line(int slot, const std::string& record, const std::string& name);

// "" when `header` names the columns a channel needs; otherwise why not.
std::string check_chirp_header(const std::vector<std::string>& header);

// The channel a row asks for: its Location, record and name.
struct ChirpChannel {
    int location = -1;
    std::string record;
    std::string name;
};
// The channel of one row of a file with `header`, or the reason in `why`
// that the radio cannot hold it.
ChirpChannel channel_from_row(const std::vector<std::string>& header,
                              const std::vector<std::string>& row, std::string& why);

}  // namespace vlr
