// Reading numbers out of the radio's replies. A reply is a two- or
// three-letter code, fixed-width fields and ";" ("PC050;", "RM6120000;"); a
// burst read off the line may hold several replies, or noise around them.
#pragma once

#include <optional>
#include <string>

namespace vlr {

// The number in the `width` characters that start `skip` characters after the
// first `code` in `reply` (the code's own letters count: "PC050;" with code
// "PC", skip 2, width 3 gives 50). Nothing when the code is missing or the
// field is not `width` digits (a reply cut short or garbled on the line).
std::optional<int> reply_field(const std::string& reply, const std::string& code, int skip,
                               int width);

}  // namespace vlr
