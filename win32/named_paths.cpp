#include "win32/named_paths.h"

#include "win32/text.h"
#include "win32/unique_handle.h"  // <windows.h> first

#include <shellapi.h>

namespace zel::win32 {

namespace {

std::wstring absolutePath(const std::wstring& name) {
    if (name.empty()) {
        return name;
    }
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
    return name;
}

NameKind kindOf(const std::wstring& path) {
    if (path.empty()) {
        return NameKind::missing;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        switch (GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_NETPATH:
            case ERROR_BAD_NET_NAME:
                return NameKind::missing;
            default:
                // It is there but cannot be looked at (no access, held open, ...): as the
                // chooser would, take it; the job tells whether it can be read.
                return NameKind::file;
        }
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? NameKind::folder : NameKind::file;
}

std::string narrow(const std::wstring& wide, bool& exact) {
    const std::string bytes = fromWide(wide);
    // A name the code page cannot hold comes back changed ('?' or a look-alike letter), and
    // would name another file or none: only an exact round trip is taken.
    exact = toWide(bytes) == wide;
    return bytes;
}

}  // namespace

std::vector<std::wstring> commandLineArguments() {
    int count = 0;
    const LocalMemory<LPWSTR*> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> names;
    for (int i = 1; arguments && i < count; ++i) {
        names.emplace_back(arguments.get()[i]);
    }
    return names;
}

std::vector<NamedPath> namedPaths(const std::vector<std::wstring>& names) {
    std::vector<NamedPath> paths;
    for (const std::wstring& name : names) {
        const std::wstring full = absolutePath(name);
        bool exact = true;
        NamedPath named{narrow(full, exact), kindOf(full)};
        if (!exact && named.kind == NameKind::file) {
            named.kind = NameKind::unusable;
        }
        paths.push_back(std::move(named));
    }
    return paths;
}

}  // namespace zel::win32
