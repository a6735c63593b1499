#include "win32/win32_binary_file.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win32/error_text.h"
#include "win32/full_path.h"
#include "win32/text.h"
#include "win32/unique_handle.h"

namespace zel {

namespace {

using win32::FindHandle;
using win32::KernelHandle;

// Marks the file to be removed when its last handle closes, or clears the mark. The system
// honours the mark also when the process dies with the handle open.
bool markRemovedOnClose(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// Under "access denied" the system keeps the status that caused it, which tells a file marked for
// removal, that goes once its holders close it, from a refusal that lasts.
extern "C" __declspec(dllimport) LONG NTAPI RtlGetLastNtStatus();
constexpr LONG statusDeletePending = static_cast<LONG>(0xC0000056);

// Another program may hold a file for a moment just as it is renamed or deleted: virus scanners
// and indexers open a file as soon as it is closed, cloud-sync clients do the same. Such a
// refusal is tried again after these pauses, which grow, for about two seconds in all.
constexpr DWORD heldFilePauses[] = {20, 40, 80, 160, 320, 640, 740};

// One try of a rename or delete: done, or refused with the system's error, and whether the
// refusal is another program's hold: a sharing violation (it has the file open without
// FILE_SHARE_DELETE), or "access denied" over a file marked for removal that it still holds.
// Any other "access denied" is the file system's lasting answer (the folder's permissions, a
// read-only file), which trying again would only delay.
struct Try {
    bool done = true;
    SystemError error = noSystemError;
    bool held = false;
};

// The try whose call returned `result`, judged right after the call.
Try tryOf(BOOL result) {
    if (result) {
        return {};
    }
    const DWORD error = GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION ||
                      (error == ERROR_ACCESS_DENIED && RtlGetLastNtStatus() == statusDeletePending);
    return {false, error, held};
}

// Tries, and again after each pause while another program holds the file up; whether it was
// done at last, with the error of the last try when not.
template <typename Call>
bool triedWhileHeld(Call call, const Win32BinaryFile::Pause& pause, SystemError& error) {
    for (std::size_t tried = 0;; ++tried) {
        const Try attempt = call();
        if (attempt.done) {
            return true;
        }
        error = attempt.error;
        if (tried == std::size(heldFilePauses) || !attempt.held) {
            return false;
        }
        pause(heldFilePauses[tried]);
    }
}

// An output made by createBinary that has not yet got its final name.
struct UnfinishedOutput {
    std::wstring name;
    KernelHandle handle;  // until closed
    bool removedOnClose = false;
};

// Every unfinished output of the process, so that the end of the session can remove them while
// a job still writes one on another thread; and while outputs are held, those named since, whose
// key has not reached the user. The lock is never held over a call that waits for the disk's
// data, only over marking, closing and renaming.
class UnfinishedOutputs {
public:
    std::shared_ptr<UnfinishedOutput> add(std::wstring name, KernelHandle handle, bool marked) {
        auto output = std::make_shared<UnfinishedOutput>();
        output->name = std::move(name);
        output->handle = std::move(handle);
        output->removedOnClose = marked;
        const std::lock_guard<std::mutex> hold(lock_);
        outputs_.push_back(output);
        return output;
    }

    bool keep(UnfinishedOutput& output, SystemError& error) {
        const std::lock_guard<std::mutex> hold(lock_);
        if (output.removedOnClose) {
            if (!output.handle || !markRemovedOnClose(output.handle.get(), false)) {
                error = output.handle ? GetLastError() : ERROR_INVALID_HANDLE;
                return false;
            }
            output.removedOnClose = false;
        }
        return true;
    }

    bool removedWhenClosed(const UnfinishedOutput& output) {
        const std::lock_guard<std::mutex> hold(lock_);
        return output.handle && output.removedOnClose;
    }

    // A closed output that was not kept is gone; one that was stays listed under its name
    // until it is renamed or deleted.
    bool close(UnfinishedOutput& output, SystemError& error) {
        const std::lock_guard<std::mutex> hold(lock_);
        const bool closed = output.handle.close();
        if (!closed) {
            error = GetLastError();
        }
        if (output.removedOnClose) {
            forgetLocked([&](const UnfinishedOutput& listed) { return &listed == &output; });
        }
        return closed;
    }

    // The closed output of this name has got its final name or has been deleted.
    void forget(const std::wstring& name) {
        const std::lock_guard<std::mutex> hold(lock_);
        forgetLocked(
            [&](const UnfinishedOutput& listed) { return !listed.handle && listed.name == name; });
    }

    // Renames under the lock, so that the end of the session finds the output either unfinished
    // (and removes it, so that the rename fails) or named, and then held. One try: a caller
    // that tries again pauses without the lock.
    Try rename(const std::wstring& from, const std::wstring& to, DWORD flags) {
        const std::lock_guard<std::mutex> hold(lock_);
        const Try attempt = tryOf(MoveFileExW(from.c_str(), to.c_str(), flags));
        if (!attempt.done) {
            return attempt;
        }
        forgetLocked(
            [&](const UnfinishedOutput& listed) { return !listed.handle && listed.name == from; });
        if (holding_) {
            held_.push_back(to);
        }
        return attempt;
    }

    void holdNamed(bool hold) {
        const std::lock_guard<std::mutex> locked(lock_);
        holding_ = hold;
        held_.clear();
    }

    void discardAll() {
        const std::lock_guard<std::mutex> hold(lock_);
        for (const std::wstring& name : held_) {
            DeleteFileW(name.c_str());
        }
        held_.clear();
        for (const auto& output : outputs_) {
            if (output->handle) {
                output->removedOnClose =
                    output->removedOnClose || markRemovedOnClose(output->handle.get(), true);
                output->handle.close();
            }
            if (!output->removedOnClose) {
                DeleteFileW(output->name.c_str());
            }
        }
        outputs_.clear();
    }

private:
    template <typename Matches>
    void forgetLocked(Matches matches) {
        outputs_.erase(std::remove_if(outputs_.begin(), outputs_.end(),
                                      [&](const auto& listed) { return matches(*listed); }),
                       outputs_.end());
    }

    std::mutex lock_;
    std::vector<std::shared_ptr<UnfinishedOutput>> outputs_;
    bool holding_ = false;
    std::vector<std::wstring> held_;
};

// FILETIME counts 100 ns from 1601-01-01 UTC.
constexpr int64_t fileTimeOf1970 = 116444736000000000;

int64_t nanosecondsOf(const FILETIME& time) {
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                               time.dwLowDateTime);
    return (ticks - fileTimeOf1970) * 100;
}

FILETIME fileTimeOf(int64_t nanoseconds) {
    const auto ticks = static_cast<uint64_t>(nanoseconds / 100 + fileTimeOf1970);
    FILETIME time{};
    time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

UnfinishedOutputs& unfinishedOutputs() {
    static UnfinishedOutputs outputs;
    return outputs;
}

// A file opened to read, or an unfinished output, whose handle the list of unfinished outputs
// owns. Reads, writes and flushes use the handle without the list's lock: the end of the
// session closes it under them only to end the process right after.
class Win32OpenFile final : public OpenFile {
public:
    // stream: a standard input or output, which may be a pipe or a console, or a file already
    // part read or written.
    explicit Win32OpenFile(KernelHandle handle, bool stream = false)
        : handle_(handle.get()), ownHandle_(std::move(handle)), stream_(stream) {}
    explicit Win32OpenFile(std::shared_ptr<UnfinishedOutput> output)
        : handle_(output->handle.get()), output_(std::move(output)) {}
    ~Win32OpenFile() override { closeFile(); }

    int64_t length() override {
        LARGE_INTEGER size{};
        if (stream_) {
            // What is left of a file from where the stream stands; a pipe says nothing.
            LARGE_INTEGER at{};
            const bool file = GetFileType(handle_) == FILE_TYPE_DISK &&
                              GetFileSizeEx(handle_, &size) &&
                              SetFilePointerEx(handle_, LARGE_INTEGER{}, &at, FILE_CURRENT);
            return file && at.QuadPart <= size.QuadPart ? size.QuadPart - at.QuadPart : 0;
        }
        return succeeded(GetFileSizeEx(handle_, &size)) ? size.QuadPart : -1;
    }

    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        std::size_t total = 0;
        while (total < count) {
            const auto ask = static_cast<DWORD>(std::min(count - total, largestSystemTransfer));
            DWORD got = 0;
            if (!ReadFile(handle_, buffer + total, ask, &got, nullptr)) {
                // A pipe whose writer has gone has ended.
                if (!(stream_ && GetLastError() == ERROR_BROKEN_PIPE)) {
                    lastError_ = GetLastError();
                }
                break;
            }
            if (got == 0) {
                break;
            }
            total += got;
        }
        return total;
    }

    bool writeBytes(const uint8_t* bytes, std::size_t count) override {
        std::size_t total = 0;
        while (total < count) {
            const auto ask = static_cast<DWORD>(std::min(count - total, largestSystemTransfer));
            DWORD written = 0;
            if (!succeeded(WriteFile(handle_, bytes + total, ask, &written, nullptr))) {
                return false;
            }
            if (written == 0) {
                // Nothing written and no error: the system took no more; call it a full disk.
                lastError_ = ERROR_DISK_FULL;
                return false;
            }
            total += written;
        }
        return true;
    }

    // The times only: an output's permissions are those the folder gives it.
    FileAttributes attributes() override {
        FILETIME accessed{};
        FILETIME modified{};
        if (!GetFileTime(handle_, nullptr, &accessed, &modified)) {
            return {};
        }
        FileAttributes kept;
        kept.known = true;
        kept.accessedNs = nanosecondsOf(accessed);
        kept.modifiedNs = nanosecondsOf(modified);
        return kept;
    }

    void takeAttributes(const FileAttributes& source) override {
        const FILETIME accessed = fileTimeOf(source.accessedNs);
        const FILETIME modified = fileTimeOf(source.modifiedNs);
        SetFileTime(handle_, nullptr, &accessed, &modified);
    }

    bool flushToDisk() override {
        // A pipe or a console has no disk to write through to.
        return (stream_ && GetFileType(handle_) != FILE_TYPE_DISK) ||
               succeeded(FlushFileBuffers(handle_));
    }

    bool keepWhenClosed() override {
        return !output_ || unfinishedOutputs().keep(*output_, lastError_);
    }

    bool removedWhenClosed() const override {
        return output_ && unfinishedOutputs().removedWhenClosed(*output_);
    }

    bool closeFile() override {
        if (output_) {
            return unfinishedOutputs().close(*output_, lastError_);
        }
        return succeeded(ownHandle_.close());
    }

    SystemError lastError() const override { return lastError_; }

private:
    // Keeps the system's error of a call that failed.
    bool succeeded(BOOL result) {
        if (!result) {
            lastError_ = GetLastError();
        }
        return result != FALSE;
    }

    const HANDLE handle_;
    KernelHandle ownHandle_;
    bool stream_ = false;
    std::shared_ptr<UnfinishedOutput> output_;
    SystemError lastError_ = noSystemError;
};

// Puts the entries of the folder that holds the name on the disk, and with them a name just
// given. The flush of a folder's handle does that on the Windows file systems, as Microsoft
// describes their algorithms (the directory structure persisted). Opening a folder takes
// FILE_FLAG_BACKUP_SEMANTICS, which needs no privilege, and the flush write access, which for a
// folder is FILE_ADD_FILE, as creating the output in it did. Where the file system refuses
// either, the name reaches the disk when the system writes the folder out; a disk that fails
// the flush fails the next write.
void flushFolderOf(const std::wstring& name) {
    const std::optional<std::wstring> full =
        name.rfind(L"\\\\?\\", 0) == 0 ? name : win32::fullPathName(name);
    const std::size_t separator = full ? full->find_last_of(L'\\') : std::wstring::npos;
    if (separator == std::wstring::npos) {
        return;
    }
    // With its separator, so that a drive's root stays a folder and does not become the drive.
    const std::wstring folder = full->substr(0, separator + 1);
    const KernelHandle handle(CreateFileW(
        folder.c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (handle.valid()) {
        FlushFileBuffers(handle.get());
    }
}

// Whether the folder lists an entry of that name, whether or not it can be opened.
bool nameTaken(const std::wstring& name) {
    WIN32_FIND_DATAW found;
    return FindHandle(FindFirstFileExW(name.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                       nullptr, 0))
        .valid();
}

}  // namespace

Win32BinaryFile::Win32BinaryFile(Pause pause) : pause_(std::move(pause)) {
    if (!pause_) {
        pause_ = [](uint32_t milliseconds) { Sleep(milliseconds); };
    }
}

// A name that reaches the classic limit of 260 characters once made absolute is given the "\\?\"
// form, which has no such limit: the unfinished "<name>.part" beside a final name of 255
// characters is already 260 long, and names built in a run over several files can be longer
// still. Shorter names pass unchanged.
std::optional<std::wstring> Win32BinaryFile::systemName(const std::string& path) {
    const std::optional<std::wstring> name = win32::toWide(upToNul(path));
    if (!name) {
        lastError_ = ERROR_NO_UNICODE_TRANSLATION;
        return name;
    }
    if (name->rfind(L"\\\\?\\", 0) == 0 || name->rfind(L"\\\\.\\", 0) == 0) {
        return name;
    }
    const std::optional<std::wstring> full = win32::fullPathName(*name);
    if (!full || full->size() < MAX_PATH) {
        return name;
    }
    if (full->rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full->substr(2);
    }
    return L"\\\\?\\" + *full;
}

std::unique_ptr<OpenFile> Win32BinaryFile::openBinary(const std::string& path) {
    const std::optional<std::wstring> name = systemName(path);
    if (!name) {
        return nullptr;
    }
    constexpr DWORD noSharing = 0;
    // Reading and writing first, reading only when that is refused (a read-only file or medium),
    // as openBinary is defined. The write access holds the file no more firmly than reading
    // alone would: sharing nothing keeps every other opener out whatever this one asks for, and
    // the job never writes to the file.
    KernelHandle handle(CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE, noSharing, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.valid()) {
        handle.reset(CreateFileW(name->c_str(), GENERIC_READ, noSharing, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    }
    if (!handle.valid()) {
        // The error of the second try: it says why the file cannot even be read.
        lastError_ = GetLastError();
        return nullptr;
    }
    return std::make_unique<Win32OpenFile>(std::move(handle));
}

std::unique_ptr<OpenFile> Win32BinaryFile::createBinary(const std::string& path,
                                                        CreateOutcome& outcome,
                                                        const FileAttributes&) {
    outcome = CreateOutcome::failed;
    std::optional<std::wstring> name = systemName(path);
    if (!name) {
        return nullptr;
    }
    // DELETE access, to mark the new file for removal; still without sharing.
    KernelHandle handle(CreateFileW(name->c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        const DWORD error = GetLastError();
        lastError_ = error;
        // Windows refuses the name of a file marked for removal, such as another run's
        // unfinished output, with "access denied" rather than "exists".
        const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                           (error == ERROR_ACCESS_DENIED && nameTaken(*name));
        outcome = taken ? CreateOutcome::alreadyExists : CreateOutcome::failed;
        return nullptr;
    }
    outcome = CreateOutcome::created;
    // Unfinished until kept: a process that dies before takes the file with it. Where the file
    // system cannot mark it, the output is written all the same and removed by name on failure,
    // and only a process that dies leaves it behind.
    const bool marked = markRemovedOnClose(handle.get(), true);
    return std::make_unique<Win32OpenFile>(
        unfinishedOutputs().add(std::move(*name), std::move(handle), marked));
}

std::unique_ptr<OpenFile> Win32BinaryFile::openStandard(DWORD stream) {
    // A handle of its own, so that closing the file leaves the stream open.
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(stream), GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
        lastError_ = GetLastError();
        return nullptr;
    }
    return std::make_unique<Win32OpenFile>(KernelHandle(copy), true);
}

std::unique_ptr<OpenFile> Win32BinaryFile::openStandardInput() {
    return openStandard(STD_INPUT_HANDLE);
}

std::unique_ptr<OpenFile> Win32BinaryFile::openStandardOutput() {
    return openStandard(STD_OUTPUT_HANDLE);
}

bool Win32BinaryFile::exists(const std::string& path) {
    const std::optional<std::wstring> name = systemName(path);
    return name && GetFileAttributesW(name->c_str()) != INVALID_FILE_ATTRIBUTES;
}

RenameOutcome Win32BinaryFile::renameFile(const std::string& from, const std::string& to) {
    const std::optional<std::wstring> unfinished = systemName(from);
    const std::optional<std::wstring> target = systemName(to);
    if (!unfinished || !target) {
        return RenameOutcome::failed;
    }
    // No MOVEFILE_REPLACE_EXISTING: a file that appeared under the final name is never replaced.
    // No MOVEFILE_COPY_ALLOWED: the unfinished file lies beside its final name, so this is a
    // rename in one folder, never a copy. Nor MOVEFILE_WRITE_THROUGH, which only makes a move
    // done as a copy and a delete wait until the copy is on the disk: a rename returns once the
    // file system has the new name, which it writes to the disk in its own time (NTFS in its
    // journal), and the folder's flush after it is what puts the name there at once.
    SystemError error = noSystemError;
    if (!triedWhileHeld([&] { return unfinishedOutputs().rename(*unfinished, *target, 0); }, pause_,
                        error)) {
        lastError_ = error;
        return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
                   ? RenameOutcome::targetExists
                   : RenameOutcome::failed;
    }
    // The name is given: whatever the folder's flush says now, the output is done.
    flushFolderOf(*target);
    return RenameOutcome::renamed;
}

bool Win32BinaryFile::deleteFile(const std::string& path) {
    const std::optional<std::wstring> name = systemName(path);
    if (!name) {
        return false;
    }
    SystemError error = noSystemError;
    if (!triedWhileHeld([&] { return tryOf(DeleteFileW(name->c_str())); }, pause_, error)) {
        lastError_ = error;
        return false;
    }
    unfinishedOutputs().forget(*name);
    return true;
}

std::string Win32BinaryFile::errorText(SystemError error) const {
    return win32::errorText(error);
}

void discardUnfinishedOutputs() {
    unfinishedOutputs().discardAll();
}

void holdNamedOutputs() {
    unfinishedOutputs().holdNamed(true);
}

void releaseNamedOutputs() {
    unfinishedOutputs().holdNamed(false);
}

}  // namespace zel
