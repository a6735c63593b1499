#include "win32/full_path.h"

#include "win32/unique_handle.h"

namespace zel::win32 {

std::optional<std::wstring> fullPathName(const std::wstring& name) {
    // The size may grow if the current folder changes between the two calls; try again then.
    for (DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr); size > 0;) {
        std::wstring full(size, L'\0');
        const DWORD written = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
        if (written == 0) {
            break;
        }
        if (written < size) {
            full.resize(written);
            return full;
        }
        size = written;
    }
    return std::nullopt;
}

}  // namespace zel::win32
