#include "posix/named_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace zel::posix {

namespace {

std::string currentFolder() {
    for (std::size_t size = PATH_MAX;; size *= 2) {
        std::string folder(size, '\0');
        if (::getcwd(folder.data(), size) != nullptr) {
            folder.resize(folder.find('\0'));
            return folder;
        }
        if (errno != ERANGE) {
            return std::string();
        }
    }
}

std::string absolutePath(const std::string& name, const std::string& current) {
    const std::string joined = name.empty() || name.front() == '/' ? name : current + "/" + name;
    if (joined.empty() || joined.front() != '/') {
        return name;  // nothing named, or no current folder to start from
    }
    std::string clean;
    for (std::size_t start = 0; start <= joined.size();) {
        const std::size_t end = std::min(joined.find('/', start), joined.size());
        const std::string part = joined.substr(start, end - start);
        if (!part.empty() && part != ".") {
            clean += "/" + part;
        }
        start = end + 1;
    }
    return clean.empty() ? "/" : clean;
}

NameKind kindOf(const std::string& path) {
    struct stat status {};
    if (path.empty()) {
        return NameKind::missing;
    }
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == ENAMETOOLONG
                   ? NameKind::missing
                   : NameKind::file;
    }
    return S_ISDIR(status.st_mode) ? NameKind::folder : NameKind::file;
}

}  // namespace

std::vector<NamedPath> namedPaths(const std::vector<std::string>& names) {
    const std::string current = currentFolder();
    std::vector<NamedPath> paths;
    for (const std::string& name : names) {
        const std::string path = absolutePath(name, current);
        paths.push_back({path, kindOf(path)});
    }
    return paths;
}

}  // namespace zel::posix
