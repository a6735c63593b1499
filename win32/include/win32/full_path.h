// A name made absolute as the system resolves it.
#pragma once

#include <optional>
#include <string>

namespace zel::win32 {

// The name made absolute against the current folder (GetFullPathNameW: "." and ".." resolved,
// '/' turned into '\'); nothing when the system cannot, as for an empty name.
std::optional<std::wstring> fullPathName(const std::wstring& name);

}  // namespace zel::win32
