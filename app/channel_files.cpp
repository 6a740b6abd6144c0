#include "app/channel_files.hpp"

#include <filesystem>
#include <ostream>
#include <vector>

#include "app/startup.hpp"
#include "base/rows.hpp"
#include "base/text.hpp"
#include "memory/bank_file.hpp"
#include "memory/channel_csv.hpp"
#include "memory/channel_names.hpp"
#include "platform/files.hpp"
#include "radio/bands.hpp"

namespace vlr {

namespace {

// A list of 100 channels takes some 10 kB; anything far larger is not one,
// and is not read into memory to find that out.
constexpr std::uintmax_t largest_list_bytes = 1 << 20;

int refuse(Context& c, const std::string& why, int status) {
    if (c.errors) *c.errors << "veloran: " << why << '\n';
    return status;
}

void tell(Context& c, const std::string& what) {
    if (c.console) *c.console << what << '\n';
}

bool used(const std::string& record) { return !record.empty() && !chan_empty(record); }

// The band rows and channels of savmem.dat over the start-up defaults; a
// missing file leaves the defaults. False for a file that is not a memory file.
bool load_state(Context& c, bool& file_exists) {
    set_fixed_texts(c.st);
    reset_state(c.st);
    fill_band_rows(c.st);
    for (auto& channel : c.st.memory_channels) channel = "9";
    std::string content;
    file_exists = platform::read_regular_file(c.paths.file(memory_file_name), content);
    return !file_exists || take_memory_text(c.st, content);
}

// The file's lines after its header, or a status when it is no channel list.
int read_list(Context& c, const std::string& file, std::vector<CsvLine>& lines) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    std::string content, why;
    if (!ec && size > largest_list_bytes)
        return refuse(c,
                      file + " is " + digits(static_cast<long long>(size)) +
                          " bytes, far more than 100 channels take: not read",
                      list_not_chirp);
    if (ec || !platform::read_regular_file(file, content))
        return refuse(c, "cannot read " + file + ": no such file, or not a readable file",
                      list_unreadable);
    if (!split_csv(content, lines, why)) return refuse(c, file + ": " + why, list_not_chirp);
    if (lines.empty()) return refuse(c, file + " is empty: no header, no channels", list_not_chirp);
    why = check_chirp_header(lines.front().fields);
    if (!why.empty()) return refuse(c, file + ": " + why, list_not_chirp);
    if (lines.size() == 1) return refuse(c, file + " has a header and no channels", list_not_chirp);
    return list_done;
}

struct Taken {
    int line;
    int slot;
    ChirpChannel channel;
};

// Why a row's channel cannot go to `slot`, "" when it can.
std::string slot_problem(const Context& c, const ChannelImport& job, int slot,
                         const std::string& record, const std::array<int, 100>& line_of_slot) {
    if (slot > 99)
        return "channel " + digits(slot) + " would be past 99 (--first " + digits(job.first) + ")";
    const auto at = static_cast<std::size_t>(slot);
    if (line_of_slot[at] != 0)
        return "channel " + digits(slot) + " is given on line " + digits(line_of_slot[at]) +
               " already";
    // The same channel again (a list imported twice) overwrites nothing.
    const std::string& old = c.st.memory_channels[at];
    if (used(old) && old != record && !job.replace)
        return "channel " + digits(slot) + " is in use (--replace overwrites it)";
    return {};
}

// Checks every row: the channels to write, and a line for each row that
// cannot be one (reported on c.errors). The count of bad rows.
int check_rows(Context& c, const ChannelImport& job, const std::vector<CsvLine>& lines,
               std::vector<Taken>& taken) {
    std::array<int, 100> line_of_slot{};
    int bad = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string why;
        ChirpChannel channel = channel_from_row(lines.front().fields, lines[i].fields, why);
        const int slot = job.first >= 0 ? job.first + static_cast<int>(i) - 1 : channel.location;
        if (why.empty()) why = slot_problem(c, job, slot, channel.record, line_of_slot);
        if (!why.empty()) {
            refuse(c, job.file + " line " + digits(lines[i].number) + ": " + why, 0);
            ++bad;
            continue;
        }
        line_of_slot[static_cast<std::size_t>(slot)] = lines[i].number;
        taken.push_back({lines[i].number, slot, channel});
    }
    return bad;
}

}  // namespace

int export_channels(Context& c, const std::string& file) {
    bool file_exists = false;
    if (!load_state(c, file_exists))
        return refuse(c, "savmem.dat is not a memory file", list_memory_unusable);
    if (!file_exists)
        return refuse(c, "no savmem.dat in this folder: no channels to export", list_unreadable);
    const ChannelNames names = read_channel_names(c.paths, c.st);
    std::string out = chirp_header_line();
    int written = 0;
    for (int slot = 0; slot < 100; ++slot) {
        const auto at = static_cast<std::size_t>(slot);
        if (!used(c.st.memory_channels[at])) continue;
        const std::string row = chirp_row_line(slot, c.st.memory_channels[at], names[at]);
        if (row.empty())
            refuse(c, "channel " + digits(slot) + " is damaged in savmem.dat: left out", 0);
        out += row;
        written += row.empty() ? 0 : 1;
    }
    if (!platform::replace_file(file, out))
        return refuse(c, "cannot write " + file, list_not_written);
    tell(c, digits(written) + " channels written to " + file);
    return list_done;
}

int import_channels(Context& c, const ChannelImport& job) {
    platform::FileLock lock;
    if (!lock.take(c.paths.file(running_lock_name)))
        return refuse(
            c, "veloran is running in this folder and would save over the import: end it first",
            list_program_running);
    std::vector<CsvLine> lines;
    if (const int status = read_list(c, job.file, lines); status != list_done) return status;
    bool file_exists = false;
    if (!load_state(c, file_exists))
        return refuse(
            c,
            "savmem.dat is not a memory file: start veloran once (it keeps it as savmem.dat.bad)",
            list_memory_unusable);
    std::vector<Taken> taken;
    const int bad = check_rows(c, job, lines, taken);
    if (bad > 0 && (!job.skip_bad || taken.empty()))
        return refuse(c,
                      "nothing written: " + digits(bad) + " rows cannot be channels" +
                          (job.skip_bad ? "" : " (--skip-bad writes the others)"),
                      list_bad_rows);
    const std::string kept =
        file_exists ? platform::keep_copy(c.paths.file(memory_file_name), ".bak") : "";
    if (file_exists && kept.empty())
        return refuse(c, "cannot keep a copy of savmem.dat: nothing written", list_not_written);
    ChannelNames names = read_channel_names(c.paths, c.st);
    for (const Taken& t : taken) {
        c.st.memory_channels[static_cast<std::size_t>(t.slot)] = t.channel.record;
        names[static_cast<std::size_t>(t.slot)] = t.channel.name;
    }
    // The names first: should savmem.dat not be written, names of records it
    // does not hold name nothing.
    if (!write_channel_names(c.paths, c.st, names) || !save_memory_file(c))
        return refuse(
            c,
            "cannot write savmem.names, savmem.dat or memory.txt" +
                (kept.empty() ? std::string() : "; " + kept + " holds the channels as they were"),
            list_not_written);
    for (const Taken& t : taken)
        tell(c, "channel " + digits(t.slot) + " from line " + digits(t.line));
    tell(c, digits(static_cast<long long>(taken.size())) + " channels imported" +
                (kept.empty() ? std::string() : ", the old savmem.dat kept as " + kept));
    return list_done;
}

}  // namespace vlr
