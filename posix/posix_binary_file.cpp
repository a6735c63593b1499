#include "posix/posix_binary_file.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform_files.h"

namespace zel {

namespace {

using posix::UniqueFd;

// Keeps errno as the last error of a call that failed; false, for `return failedWith(...)`.
bool failedWith(SystemError& lastError) {
    lastError = static_cast<SystemError>(errno);
    return false;
}

// "." for a bare name, "/" for a name in the root.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool nameTaken(const std::string& name) {
    struct stat status {};
    return ::lstat(name.c_str(), &status) == 0;
}

// The permission bits an output of the source may have. Outputs belong to whoever runs the
// program, in their group: unless that is the source's group too, the group's bits and the
// others' are both cut to what the two have in common, so that nobody gains access to the
// content that the source did not give them.
mode_t keptPermissions(const FileAttributes& source, bool sameGroup) {
    const mode_t bits = static_cast<mode_t>(source.permissions) & 0777;
    if (sameGroup) {
        return bits;
    }
    const mode_t common = (bits >> 3) & bits & 07;
    return (bits & 0700) | (common << 3) | common;
}

// Until its group is known, an output is made with the narrower bits.
mode_t creationPermissions(const FileAttributes& source) {
    return source.known ? keptPermissions(source, false) : 0666;
}

timespec timeOf(int64_t nanoseconds) {
    constexpr int64_t perSecond = 1000000000;
    int64_t seconds = nanoseconds / perSecond;
    int64_t rest = nanoseconds % perSecond;
    if (rest < 0) {
        --seconds;
        rest += perSecond;
    }
    timespec time{};
    time.tv_sec = static_cast<time_t>(seconds);
    time.tv_nsec = static_cast<long>(rest);
    return time;
}

int64_t nanosecondsOf(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (posix::renameNoReplace(from, to)) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP) {
        return false;
    }
    // The file system cannot rename that way: a second name, which is never made over an
    // existing one, then the first goes. Should that fail, the whole file has both names.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

// The names of the unfinished outputs that have one, for the signal handler: copies made
// beforehand, in slots it can read without taking a lock. A process writes one output at a
// time; an output that finds no free slot is only not removed on a signal.
constexpr int namedOutputSlots = 16;
std::atomic<char*> namedOutputs[namedOutputSlots];
static_assert(std::atomic<char*>::is_always_lock_free, "the signal handler reads the slots");

void rememberNamedOutput(const std::string& name) {
    char* copy = ::strdup(name.c_str());
    for (std::atomic<char*>& slot : namedOutputs) {
        char* none = nullptr;
        if (copy != nullptr && slot.compare_exchange_strong(none, copy)) {
            return;
        }
    }
    std::free(copy);
}

void forgetNamedOutput(const std::string& name) {
    for (std::atomic<char*>& slot : namedOutputs) {
        char* held = slot.load();
        if (held != nullptr && name == held && slot.compare_exchange_strong(held, nullptr)) {
            std::free(held);
        }
    }
}

// Only async-signal-safe calls: unlink, signal, raise. The signal, blocked while this runs,
// ends the process by its default action as soon as the handler returns.
extern "C" void removeNamedOutputsAndEnd(int signalNumber) {
    removeUnfinishedOutputsNow();
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

class PosixOpenFile final : public OpenFile {
public:
    // stream: standard input or output, which may be a pipe or a terminal, or a file already
    // part read or written.
    explicit PosixOpenFile(UniqueFd fd, bool stream = false)
        : fd_(std::move(fd)), stream_(stream) {}

    int64_t length() override {
        struct stat status {};
        if (::fstat(fd_.get(), &status) != 0) {
            return failed(), -1;
        }
        if (stream_) {
            // What is left of a file from where the stream stands; a pipe says nothing.
            const off_t at = ::lseek(fd_.get(), 0, SEEK_CUR);
            return S_ISREG(status.st_mode) && at >= 0 && at <= status.st_size
                       ? static_cast<int64_t>(status.st_size - at)
                       : 0;
        }
        return static_cast<int64_t>(status.st_size);
    }

    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        std::size_t total = 0;
        while (total < count) {
            const ssize_t got =
                ::read(fd_.get(), buffer + total, std::min(count - total, largestSystemTransfer));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && errno == EAGAIN) {
                // A standard input left non-blocking by whoever started the program.
                pollfd waiting{fd_.get(), POLLIN, 0};
                ::poll(&waiting, 1, -1);
                continue;
            }
            if (got < 0) {
                failed();
            }
            if (got <= 0) {
                break;
            }
            total += static_cast<std::size_t>(got);
        }
        return total;
    }

    bool writeBytes(const uint8_t* bytes, std::size_t count) override {
        std::size_t total = 0;
        while (total < count) {
            const ssize_t written =
                ::write(fd_.get(), bytes + total, std::min(count - total, largestSystemTransfer));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                return failed();
            }
            if (written == 0) {
                // Nothing written and no error: the system took no more; call it a full disk.
                lastError_ = ENOSPC;
                return false;
            }
            total += static_cast<std::size_t>(written);
        }
        return true;
    }

    FileAttributes attributes() override {
        struct stat status {};
        if (::fstat(fd_.get(), &status) != 0) {
            return {};
        }
        FileAttributes kept;
        kept.known = true;
        kept.permissions = static_cast<uint32_t>(status.st_mode & 0777);
        kept.group = static_cast<uint32_t>(status.st_gid);
        kept.accessedNs = nanosecondsOf(status.st_atim);
        kept.modifiedNs = nanosecondsOf(status.st_mtim);
        return kept;
    }

    // As gzip and xz do: a file system that keeps no such bits or times (FAT) leaves the output
    // as created, which is no wider than the source.
    void takeAttributes(const FileAttributes& source) override {
        struct stat own {};
        if (::fstat(fd_.get(), &own) == 0) {
            ::fchmod(fd_.get(), keptPermissions(source, own.st_gid == source.group));
        }
        const timespec times[2] = {timeOf(source.accessedNs), timeOf(source.modifiedNs)};
        ::futimens(fd_.get(), times);
    }

    bool flushToDisk() override {
        if (posix::flushFileToDisk(fd_.get())) {
            return true;
        }
        // A pipe or a terminal has no disk to write through to.
        return (stream_ && (errno == EINVAL || errno == EROFS || errno == ENOTSUP)) || failed();
    }

    // Nothing to do: an unnamed output lives on in the descriptor that PosixBinaryFile keeps
    // until renameFile names it, and a named one is removed by a signal or by the job's delete.
    bool keepWhenClosed() override { return true; }

    bool closeFile() override { return fd_.close() || failed(); }

    SystemError lastError() const override { return lastError_; }

private:
    bool failed() { return failedWith(lastError_); }

    UniqueFd fd_;
    bool stream_;
    SystemError lastError_ = noSystemError;
};

}  // namespace

bool PosixBinaryFile::failed() {
    return failedWith(lastError_);
}

std::unique_ptr<OpenFile> PosixBinaryFile::openBinary(const std::string& path) {
    // Not blocking on a FIFO that has no writer; no effect on a regular file.
    UniqueFd file(::open(upToNul(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0) {
        failed();
        return nullptr;
    }
    // A named source is a regular file: a device may never end, and a pipe is given as the
    // standard input.
    if (!S_ISREG(status.st_mode)) {
        lastError_ = S_ISDIR(status.st_mode) ? EISDIR : notRegularFile;
        return nullptr;
    }
    return std::make_unique<PosixOpenFile>(std::move(file));
}

std::unique_ptr<OpenFile> PosixBinaryFile::openStandard(int stream) {
    // A descriptor of its own, so that closing the file leaves the stream open.
    UniqueFd copy(::fcntl(stream, F_DUPFD_CLOEXEC, 0));
    if (!copy) {
        failed();
        return nullptr;
    }
    return std::make_unique<PosixOpenFile>(std::move(copy), true);
}

std::unique_ptr<OpenFile> PosixBinaryFile::openStandardInput() {
    return openStandard(STDIN_FILENO);
}

std::unique_ptr<OpenFile> PosixBinaryFile::openStandardOutput() {
    return openStandard(STDOUT_FILENO);
}

std::shared_ptr<UniqueFd> PosixBinaryFile::folderToSync(const std::string& folder) {
    if (folder != syncedFolderName_ || !syncedFolder_) {
        // A folder its user may write but not read cannot be opened; its new names then reach
        // the disk when the system next writes the folder out.
        syncedFolder_ =
            std::make_shared<UniqueFd>(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        syncedFolderName_ = folder;
    }
    return syncedFolder_;
}

std::unique_ptr<OpenFile> PosixBinaryFile::createBinary(const std::string& path,
                                                        CreateOutcome& outcome,
                                                        const FileAttributes& source) {
    const std::string name = upToNul(path);
    const std::string folder = folderOf(name);
    const mode_t permissions = creationPermissions(source);
    outcome = CreateOutcome::failed;
    if (outputs_.count(name) != 0 || nameTaken(name)) {
        errno = EEXIST;
        failed();
        outcome = CreateOutcome::alreadyExists;
        return nullptr;
    }
    Unfinished unfinished;
    if (outputKind_ == Outputs::unnamedWherePossible) {
        if (UniqueFd file = posix::createUnnamedFile(folder, permissions)) {
            unfinished.unnamed = UniqueFd(::fcntl(file.get(), F_DUPFD_CLOEXEC, 0));
            if (!unfinished.unnamed) {
                failed();
                return nullptr;
            }
            unfinished.folder = folderToSync(folder);
            outputs_.emplace(name, std::move(unfinished));
            outcome = CreateOutcome::created;
            return std::make_unique<PosixOpenFile>(std::move(file));
        }
        // The file system cannot make a file without a name: one with a name, then.
    }
    UniqueFd file(
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, permissions));
    if (!file) {
        outcome = errno == EEXIST ? CreateOutcome::alreadyExists : CreateOutcome::failed;
        failed();
        return nullptr;
    }
    rememberNamedOutput(name);
    unfinished.folder = folderToSync(folder);
    outputs_.emplace(name, std::move(unfinished));
    outcome = CreateOutcome::created;
    return std::make_unique<PosixOpenFile>(std::move(file));
}

bool PosixBinaryFile::exists(const std::string& path) {
    const std::string name = upToNul(path);
    return outputs_.count(name) != 0 || nameTaken(name);
}

RenameOutcome PosixBinaryFile::renameFile(const std::string& from, const std::string& to) {
    const std::string source = upToNul(from);
    const std::string target = upToNul(to);
    const auto output = outputs_.find(source);
    const bool unnamed = output != outputs_.end() && output->second.unnamed.valid();
    const bool renamed = unnamed ? posix::nameUnnamedFile(output->second.unnamed.get(), target)
                                 : renameWithoutReplacing(source, target);
    if (!renamed) {
        const bool targetExists = errno == EEXIST;
        failed();
        return targetExists ? RenameOutcome::targetExists : RenameOutcome::failed;
    }
    // The name is given: whatever the folder's sync says now, the output is done. (File systems
    // that cannot sync a folder have nothing to sync; a disk that fails it fails the next write.)
    std::shared_ptr<UniqueFd> folder;
    if (output != outputs_.end()) {
        folder = std::move(output->second.folder);
        outputs_.erase(output);
    }
    forgetNamedOutput(source);
    if (!folder || folderOf(source) != folderOf(target)) {
        folder = folderToSync(folderOf(target));
    }
    if (folder->valid()) {
        ::fsync(folder->get());
    }
    return RenameOutcome::renamed;
}

bool PosixBinaryFile::deleteFile(const std::string& path) {
    const std::string name = upToNul(path);
    const auto output = outputs_.find(name);
    if (output != outputs_.end() && output->second.unnamed.valid()) {
        outputs_.erase(output);
        return true;  // its last descriptor is closed: the system frees it
    }
    if (::unlink(name.c_str()) != 0) {
        return failed();
    }
    if (output != outputs_.end()) {
        outputs_.erase(output);
    }
    forgetNamedOutput(name);
    return true;
}

std::string PosixBinaryFile::errorText(SystemError error) const {
    if (error == notRegularFile) {
        return "Not a regular file; give its bytes on standard input, as -";
    }
    return std::strerror(static_cast<int>(error));
}

void removeUnfinishedOutputsNow() {
    for (std::atomic<char*>& slot : namedOutputs) {
        if (const char* name = slot.load()) {
            ::unlink(name);
        }
    }
}

void removeUnfinishedOutputsOnSignals() {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction removing {};
        removing.sa_handler = removeNamedOutputsAndEnd;
        sigemptyset(&removing.sa_mask);
        ::sigaction(signalNumber, &removing, nullptr);
    }
}

}  // namespace zel
