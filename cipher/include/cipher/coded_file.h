// A coded file: the three bytes "ZEL", then one coded byte per source byte. Nothing else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zel {

inline constexpr std::array<uint8_t, 3> codedFileMarker{'Z', 'E', 'L'};

// A file is accepted exactly when its first three bytes are "ZEL" (case matters).
inline bool isCodedFileMarker(const uint8_t* bytes, std::size_t count) {
    return count == codedFileMarker.size() && bytes[0] == codedFileMarker[0] &&
           bytes[1] == codedFileMarker[1] && bytes[2] == codedFileMarker[2];
}

}  // namespace zel
