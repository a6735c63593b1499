#include "win32/error_text.h"

#include "win32/text.h"
#include "win32/unique_handle.h"

namespace zel::win32 {

std::string errorText(uint32_t code) {
    wchar_t* buffer = nullptr;
    // Language 0: the user's language, falling back as the system does.
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory<wchar_t*> owned(buffer);
    std::wstring text(owned ? owned.get() : L"", owned ? length : 0);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        return "Error " + std::to_string(code);
    }
    return fromWideForDisplay(text);
}

}  // namespace zel::win32
