// Checks shared by the radio tests.
#pragma once

#include <string>
#include <vector>

namespace vlr::test {

// True when `expected` occurs in `seen` in this order, other entries allowed
// in between (the mode display and the preamp add their own commands).
inline bool in_order(const std::vector<std::string>& seen,
                     const std::vector<std::string>& expected) {
    std::size_t next = 0;
    for (const auto& item : seen)
        if (next < expected.size() && item == expected[next]) ++next;
    return next == expected.size();
}

inline int count_of(const std::vector<std::string>& seen, const std::string& item) {
    int n = 0;
    for (const auto& s : seen) n += s == item ? 1 : 0;
    return n;
}

// Commands that begin with `prefix`, in order.
inline std::vector<std::string> starting_with(const std::vector<std::string>& seen,
                                              const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& s : seen)
        if (s.rfind(prefix, 0) == 0) out.push_back(s);
    return out;
}

}  // namespace vlr::test
