// Text between the process's code page (the -A calls' bytes; UTF-8 under the program's
// manifest) and the UTF-16 of the wide calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zel::win32 {

// Exact conversions, for names: nothing when the text holds a byte sequence (toWide) or a
// character (fromWide) that the code page does not carry over unchanged. Such a name would come
// out changed, as U+FFFD, '?' or a look-alike letter, and name another file or none. CP_ACP (0)
// is the process's code page.
std::optional<std::wstring> toWide(std::string_view text, unsigned codePage = 0);
std::optional<std::string> fromWide(std::wstring_view text, unsigned codePage = 0);

// For texts that are only shown (messages, a typed key): what the code page does not carry over
// shows as its replacement character.
std::wstring toWideForDisplay(std::string_view text, unsigned codePage = 0);
std::string fromWideForDisplay(std::wstring_view text, unsigned codePage = 0);

// UTF-8 (the table of texts) in the given code page, for showing; for convertTexts.
std::string fromUtf8(std::string_view utf8, unsigned codePage);
inline std::string inProcessCodePage(std::string_view utf8) {
    return fromUtf8(utf8, 0);
}

}  // namespace zel::win32
