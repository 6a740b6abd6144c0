#include "memory/channel_names.hpp"

#include <sstream>

#include "base/rows.hpp"
#include "base/text.hpp"
#include "platform/files.hpp"

namespace vlr {

ChannelNames read_channel_names(const Paths& paths, const State& s) {
    ChannelNames names;
    std::string content;
    if (!platform::read_regular_file(paths.file(names_file_name), content)) return names;
    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "07 0512A145650000B-000006000120 Local repeater"
        const std::string slot = left(line, 2), record = mid(line, 4, 28);
        if (line.size() < 33 || !all_digits(slot, 2) || line[2] != ' ' || line[31] != ' ') continue;
        const auto n = static_cast<std::size_t>(text_num(slot));
        if (s.memory_channels[n] == record) names[n] = line.substr(32);
    }
    return names;
}

bool write_channel_names(const Paths& paths, const State& s, const ChannelNames& names) {
    std::string out;
    for (std::size_t n = 0; n < names.size(); ++n) {
        const std::string& record = s.memory_channels[n];
        if (names[n].empty() || record.size() != 28 || chan_empty(record)) continue;
        out += zero_pad(static_cast<long long>(n), 2) + " " + record + " " + names[n] + "\r\n";
    }
    return platform::replace_file(paths.file(names_file_name), out);
}

}  // namespace vlr
