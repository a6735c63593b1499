#include "platform_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

namespace zel::posix {

// macOS has no files without a name: outputs are written under their unfinished name.
UniqueFd createUnnamedFile(const std::string&, unsigned) {
    errno = ENOTSUP;
    return UniqueFd();
}

bool nameUnnamedFile(int, const std::string&) {
    errno = ENOTSUP;
    return false;
}

bool renameNoReplace(const std::string& from, const std::string& to) {
    return ::renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0;
}

bool flushFileToDisk(int fd) {
    // fsync leaves the data in the drive's cache on macOS; F_FULLFSYNC empties it, where the
    // file system supports it.
    return ::fcntl(fd, F_FULLFSYNC) == 0 || ::fsync(fd) == 0;
}

}  // namespace zel::posix
