// The few file operations that differ between Linux (linux_files.cpp) and macOS
// (macos_files.cpp). Each gives false or an invalid descriptor with errno set on failure.
#pragma once

#include <string>

#include "posix/unique_fd.h"

namespace zel::posix {

// A new file without a name in the folder, open for writing, with the permission bits (less the
// umask), that disappears with the process unless nameUnnamedFile names it. Fails where the
// system or the file system cannot make one (always on macOS).
UniqueFd createUnnamedFile(const std::string& folder, unsigned permissions);

// Gives the file made by createUnnamedFile a name; never replaces anything (EEXIST).
bool nameUnnamedFile(int fd, const std::string& name);

// Renames without ever replacing (EEXIST when the target exists). Fails with EINVAL, ENOSYS,
// ENOTSUP or EOPNOTSUPP where the file system cannot rename that way.
bool renameNoReplace(const std::string& from, const std::string& to);

// Writes the file's data and size through to the disk.
bool flushFileToDisk(int fd);

}  // namespace zel::posix
