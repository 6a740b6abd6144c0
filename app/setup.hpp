// The set-up: finds the radio, lets the operator go through every setting of
// veloran.cfg by ear, and writes the file the program then starts with.
#pragma once

#include <string>
#include <vector>

#include "app/radio_search.hpp"
#include "app/settings.hpp"
#include "base/context.hpp"

namespace vlr {

// --setup: the spoken set-up in the program's window; with `accept` no
// questions are asked (the first radio found, every other value kept). The
// exit status: 0 saved, or why nothing was written.
int run_setup(Context& c, const std::vector<std::string>& ports, bool accept);

// One step of the interactive set-up, fed one key at a time.
class SetupDialog {
public:
    SetupDialog(Context& c, std::vector<PortFinding> radios, Settings values);
    // Says the first question.
    void begin();
    // Takes one key (a key code of platform/keycodes.hpp).
    void key(int code);
    bool finished() const { return stage_ == Stage::saving || stage_ == Stage::left; }
    bool saving() const { return stage_ == Stage::saving; }
    const Settings& values() const { return values_; }
    const PortFinding& radio() const { return radios_[choice_]; }
    // What the panel shows now.
    std::string panel_text() const;

private:
    enum class Stage { choosing, settings, saving, left };
    Context& c_;
    std::vector<PortFinding> radios_;
    Settings values_;
    Stage stage_ = Stage::choosing;
    std::size_t choice_ = 0;
    std::size_t item_ = 0;
    bool typing_ = false;  // digits typed for this item so far

    void say_choice();
    void say_item();
    void next_item();
};

}  // namespace vlr
