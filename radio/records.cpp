#include "radio/records.hpp"

#include <iterator>

namespace vlr {

namespace {

// The record each command keeps, by the start of the command: a number or
// a switch. A switch's level key (level_target) follows the switch.
struct Record {
    const char* head;
    int State::*number = nullptr;
    bool State::*flag = nullptr;
};
constexpr Record records[] = {
    {"PR0", {}, &State::speech_proc_on}, {"PR0", &State::level_target},    {"ML0", {}, &State::monitor_on},
    {"ML0", &State::level_target},       {"CO00", {}, &State::contour_on}, {"CO00", &State::level_target},
    {"BC0", {}, &State::notch_on},       {"RA0", {}, &State::att_on},      {"NL0", {}, &State::nb_on},
    {"RL0", {}, &State::nr_on},          {"PA0", &State::preamp},          {"BI", {}, &State::break_in_on},
    {"VX", {}, &State::vox_on},          {"GT0", &State::agc_setting},     {"AC", &State::tuner_mode},
    {"AC", {}, &State::tuner_engaged},   {"EX030704", {}, &State::antenna2},
    {"EX086", {}, &State::tone_active},  {"EX086", {}, &State::tone_is_dcs}, {"CN0", {}, &State::tone_active},
    {"CN0", {}, &State::tone_is_dcs},    {"CT0", {}, &State::tone_active},
};

// The tone's code goes back with the tone.
bool keeps_tone_code(const std::string& command) {
    return command.starts_with("EX086") || command.starts_with("CN0") || command.starts_with("CT0");
}

}  // namespace

KeptRecords keep_records(const State& s) {
    KeptRecords kept;
    for (const Record& r : records) kept.values.push_back(r.number ? s.*r.number : s.*r.flag);
    kept.tone_code = s.tone_code;
    return kept;
}

void put_back_record(State& s, const KeptRecords& before, const std::string& refused_command) {
    if (before.values.size() != std::size(records)) return;  // nothing was kept
    for (std::size_t i = 0; i < std::size(records); ++i) {
        const Record& r = records[i];
        if (!refused_command.starts_with(r.head)) continue;
        if (r.number) s.*r.number = before.values[i];
        else s.*r.flag = before.values[i] != 0;
    }
    if (keeps_tone_code(refused_command)) s.tone_code = before.tone_code;
}

}  // namespace vlr
