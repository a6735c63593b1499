// The key of a coding run: three small numbers, and the nine-digit text the user is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zel {

struct CodingKey {
    int16_t k1 = 0;
    int16_t k2 = 0;
    int16_t k3 = 0;
};

inline bool operator==(const CodingKey& a, const CodingKey& b) {
    return a.k1 == b.k1 && a.k2 == b.k2 && a.k3 == b.k3;
}
inline bool operator!=(const CodingKey& a, const CodingKey& b) {
    return !(a == b);
}

// Seconds since local midnight, with the milliseconds as fraction.
using TimeOfDayClock = std::function<double()>;
double localTimeOfDay();

// Draws k1, k2, k3 uniformly from 1..255, reseeding from the clock on every attempt, until
// all three are at least 50. A clock that never moves on must not be handed in: its one
// reading would be drawn again and again.
CodingKey drawCodingKey(const TimeOfDayClock& clock = localTimeOfDay);

inline constexpr std::size_t keyTextLength = 9;

// Nine ASCII digits: k1, k2, k3 as three-digit groups with leading zeros.
std::string formatKeyText(const CodingKey& key);

// Reads characters 1-3, 4-6, 7-9 as decimal numbers the way the C library does: leading white
// space, an optional sign, then digits up to the first other character; no number gives 0.
// Nothing is checked, so every text gives a key. Characters past the ninth are ignored.
CodingKey parseKeyText(std::string_view text);

}  // namespace zel
