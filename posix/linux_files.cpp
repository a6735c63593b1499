#include "platform_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

namespace zel::posix {

UniqueFd createUnnamedFile(const std::string& folder, unsigned permissions) {
    // Not O_EXCL: that would keep the file from ever getting a name.
    return UniqueFd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, permissions));
}

bool nameUnnamedFile(int fd, const std::string& name) {
    // Through /proc, as any user may; AT_EMPTY_PATH, where /proc is missing, needs privileges.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0) {
        return false;
    }
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}

bool renameNoReplace(const std::string& from, const std::string& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

bool flushFileToDisk(int fd) {
    return ::fsync(fd) == 0;
}

}  // namespace zel::posix
