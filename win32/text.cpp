#include "win32/text.h"

#include "win32/unique_handle.h"

namespace zel::win32 {

namespace {

// MultiByteToWideChar with the flags; nothing when it fails.
std::optional<std::wstring> wideOf(std::string_view text, unsigned codePage, DWORD flags) {
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return text.empty() ? std::optional<std::wstring>(std::in_place) : std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
    return wide;
}

}  // namespace

std::optional<std::wstring> toWide(std::string_view text, unsigned codePage) {
    return wideOf(text, codePage, MB_ERR_INVALID_CHARS);
}

std::optional<std::string> fromWide(std::wstring_view text, unsigned codePage) {
    // A character the code page lacks may turn into a look-alike without any error reported
    // (U+0100 into 'A' in Windows-1252): only a text that converts back to itself is exact.
    std::string narrow = fromWideForDisplay(text, codePage);
    const std::optional<std::wstring> back = toWide(narrow, codePage);
    if (!back || *back != text) {
        return std::nullopt;
    }
    return narrow;
}

std::wstring toWideForDisplay(std::string_view text, unsigned codePage) {
    return wideOf(text, codePage, 0).value_or(std::wstring());
}

std::string fromWideForDisplay(std::wstring_view text, unsigned codePage) {
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string fromUtf8(std::string_view utf8, unsigned codePage) {
    return fromWideForDisplay(toWideForDisplay(utf8, CP_UTF8), codePage);
}

}  // namespace zel::win32
