// The settings the set-up walks through, in the order of veloran.cfg: how
// each is named in words, how its value sounds and how the keys change it.
#pragma once

#include <string>
#include <vector>

#include "app/settings.hpp"
#include "base/context.hpp"

namespace vlr {

struct SetupItem {
    std::string label;                                 // its name on the panel
    std::vector<std::string> name;                     // the words naming it
    void (*say_value)(Context& c, const Settings& s);  // its value in words
    std::string (*show)(const Settings& s);            // its value on the panel
    void (*step)(Settings& s, int direction);          // Left -1, Right +1
    void (*type)(Settings& s, int digit, bool first);  // a digit key; null: none
    void (*sign)(Settings& s, int sign);               // + or - keys; null: none
};

const std::vector<SetupItem>& setup_items();

// A number said digit by digit.
void say_digits(Context& c, long long n);

}  // namespace vlr
