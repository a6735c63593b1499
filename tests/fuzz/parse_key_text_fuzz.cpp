// parseKeyText on any bytes, against the C library's reading of each three-character group.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cipher/coding_key.h"

namespace {

// A group as strtol reads it: leading white space, an optional sign, decimal digits; no number
// gives 0. The group is copied so that strtol stops at its end.
int16_t referenceGroup(const std::string& text, std::size_t first) {
    const std::string group = first < text.size() ? text.substr(first, 3) : std::string();
    return static_cast<int16_t>(std::strtol(group.c_str(), nullptr, 10));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string text = input.substr(0, zel::keyTextLength);

    const zel::CodingKey expected{referenceGroup(text, 0), referenceGroup(text, 3),
                                  referenceGroup(text, 6)};
    // The groups as the C library reads them; characters after the ninth are ignored.
    if (zel::parseKeyText(text) != expected || zel::parseKeyText(input) != expected) {
        std::abort();
    }
    // Nine digits are a key text as the coding job shows it, and read back unchanged.
    if (text.size() == zel::keyTextLength &&
        text.find_first_not_of("0123456789") == std::string::npos &&
        zel::formatKeyText(expected) != text) {
        std::abort();
    }
    return 0;
}
