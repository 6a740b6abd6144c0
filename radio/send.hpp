// One CAT command out: the radio routines name the command text and let the
// exchange complete and send it.
#pragma once

#include <string>

#include "app/context.hpp"
#include "app/text.hpp"
#include "link/cat.hpp"

namespace vlr {

inline void send_cat(Context& c, const std::string& command) {
    c.st.cat_command = cut(command);
    send_command(c);
}

}  // namespace vlr
