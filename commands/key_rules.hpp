// The key rules as data. A key press is tried against the rows top to bottom;
// a row applies when the key state, the key and the row's extra condition
// (if any) all match at the moment the row is reached. Its action runs, and
// the row says whether later rows still see the key.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/context.hpp"

namespace vlr {

// Which key states a row is for (a set of `ks` values).
struct KeyStates {
    std::uint32_t mask;
    constexpr bool has(int state) const {
        return state >= 0 && state < 32 && (mask >> static_cast<unsigned>(state) & 1u) != 0;
    }
};
inline constexpr KeyStates any_state{~0u};
template <class... S>
constexpr KeyStates in(S... states) {
    return {((1u << static_cast<unsigned>(states)) | ...)};
}

// Which keys a row is for: the listed ones, or all but the listed ones.
struct Keys {
    std::array<int, 12> list{};
    std::size_t count = 0;
    bool all_but = false;
    constexpr bool matches(int key) const {
        for (std::size_t i = 0; i < count; ++i)
            if (list[i] == key) return !all_but;
        return all_but;
    }
};
template <class... K>
constexpr Keys keys(K... k) {
    return {{k...}, sizeof...(k), false};
}
template <class... K>
constexpr Keys all_keys_but(K... k) {
    return {{k...}, sizeof...(k), true};
}
inline constexpr Keys any_key{{}, 0, true};
inline constexpr Keys digit_keys = keys('0', '1', '2', '3', '4', '5', '6', '7', '8', '9');

// What happens after a row's action.
enum class Then {
    stop,   // the key is done
    go_on,  // later rows still see it
    ask,    // the action answers: true when later rows still see it
};

struct KeyAction {
    void (*run)(Context&) = nullptr;
    bool (*ask)(Context&) = nullptr;
    constexpr KeyAction(void (*f)(Context&)) : run(f) {}
    constexpr KeyAction(bool (*f)(Context&)) : ask(f) {}
};

struct KeyRule {
    KeyStates states;
    Keys keys;
    KeyAction action;
    Then then;
    bool (*when)(const State&) = nullptr;  // a further condition
};

// The rows, in the order they are tried.
std::span<const KeyRule> key_rules();

}  // namespace vlr
