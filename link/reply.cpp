#include "link/reply.hpp"

namespace vlr {

std::optional<int> reply_field(const std::string& reply, const std::string& code, int skip,
                               int width) {
    const std::size_t at = reply.find(code);
    if (at == std::string::npos || skip < 0 || width < 1 || width > 9) return std::nullopt;
    const std::size_t from = at + static_cast<std::size_t>(skip);
    if (from + static_cast<std::size_t>(width) > reply.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = from; i < from + static_cast<std::size_t>(width); ++i) {
        if (reply[i] < '0' || reply[i] > '9') return std::nullopt;
        value = value * 10 + (reply[i] - '0');
    }
    return value;
}

}  // namespace vlr
