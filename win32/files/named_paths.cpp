#include "win32/named_paths.h"

#include "win32/full_path.h"
#include "win32/text.h"
#include "win32/unique_handle.h"  // <windows.h> first

#include <shellapi.h>

namespace zel::win32 {

namespace {

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
        const std::wstring full = fullPathName(name).value_or(name);
        // A name the code page cannot hold would name another file or none: shown as it comes
        // out, and never taken, whatever it names.
        const std::optional<std::string> exact = fromWide(full);
        paths.push_back(exact ? NamedPath{*exact, kindOf(full)}
                              : NamedPath{fromWideForDisplay(full), NameKind::unusable});
    }
    return paths;
}

}  // namespace zel::win32
