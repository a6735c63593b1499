#include "cipher/coding_key.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>

namespace zel {

double localTimeOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + millis / 1000.0;
}

CodingKey drawCodingKey(const TimeOfDayClock& clock) {
    for (;;) {
        const double secondsOfDay = clock();
        std::mt19937 generator(static_cast<uint32_t>(std::llround(secondsOfDay * 1000.0)));
        std::uniform_int_distribution<int> draw(1, 255);
        CodingKey key;
        key.k1 = static_cast<int16_t>(draw(generator));
        key.k2 = static_cast<int16_t>(draw(generator));
        key.k3 = static_cast<int16_t>(draw(generator));
        if (key.k1 >= 50 && key.k2 >= 50 && key.k3 >= 50) {
            return key;
        }
    }
}

std::string formatKeyText(const CodingKey& key) {
    char text[3 * 12 + 1];
    std::snprintf(text, sizeof text, "%03d%03d%03d", key.k1, key.k2, key.k3);
    return text;
}

namespace {

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int16_t parseGroup(std::string_view group) {
    std::size_t i = 0;
    while (i < group.size() && isCSpace(group[i])) {
        ++i;
    }
    bool negative = false;
    if (i < group.size() && (group[i] == '+' || group[i] == '-')) {
        negative = group[i] == '-';
        ++i;
    }
    int value = 0;  // at most three digits: no overflow
    for (; i < group.size() && group[i] >= '0' && group[i] <= '9'; ++i) {
        value = value * 10 + (group[i] - '0');
    }
    return static_cast<int16_t>(negative ? -value : value);
}

}  // namespace

CodingKey parseKeyText(std::string_view text) {
    auto group = [&](std::size_t first) {
        return first < text.size() ? parseGroup(text.substr(first, 3)) : int16_t{0};
    };
    CodingKey key;
    key.k1 = group(0);
    key.k2 = group(3);
    key.k3 = group(6);
    return key;
}

}  // namespace zel
