// The one place that turns a system error code into words for the user.
#pragma once

#include <cstdint>
#include <string>

namespace zel::win32 {

// The system's own text for the error, in the user's language and the process's code page,
// without trailing line breaks; "Error <code>" when the system has no text for it.
std::string errorText(uint32_t code);

}  // namespace zel::win32
