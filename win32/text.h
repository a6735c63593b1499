// Text between the process's code page (the -A calls' bytes; UTF-8 under the program's
// manifest) and the UTF-16 of the wide calls.
#pragma once

#include <string>
#include <string_view>

namespace zel::win32 {

// CP_ACP is the process's active code page.
std::wstring toWide(std::string_view text, unsigned codePage = 0 /* CP_ACP */);
std::string fromWide(std::wstring_view text, unsigned codePage = 0 /* CP_ACP */);

// UTF-8 (the table of texts) in the given code page; for convertTexts.
std::string fromUtf8(std::string_view utf8, unsigned codePage);
inline std::string inProcessCodePage(std::string_view utf8) {
    return fromUtf8(utf8, 0 /* CP_ACP */);
}

}  // namespace zel::win32
