#include "jobs/pending_output.h"

#include <utility>

#include "jobs/texts.h"

namespace zel {

namespace {

// Enough tries to get past leftovers of earlier interrupted runs.
constexpr int maxPartNameTries = 100;

std::string partName(const std::string& finalPath, int attempt) {
    return attempt == 1 ? finalPath + ".part" : finalPath + "." + std::to_string(attempt) + ".part";
}

}  // namespace

PendingOutput::PendingOutput(BinaryFile& files, std::string finalPath, bool toStandardOutput)
    : files_(files), finalPath_(std::move(finalPath)), toStandardOutput_(toStandardOutput) {
    finalPath_ = upToNul(finalPath_);
}

PendingOutput::~PendingOutput() {
    abandon();
}

OutputResult PendingOutput::create(const FileAttributes& source) {
    if (toStandardOutput_) {
        file_ = files_.openStandardOutput();
        return file_ ? OutputResult::ok : fail(files_.lastError());
    }
    if (files_.exists(finalPath_)) {
        return OutputResult::alreadyExists;
    }
    for (int attempt = 1; attempt <= maxPartNameTries; ++attempt) {
        const std::string candidate = partName(finalPath_, attempt);
        CreateOutcome outcome = CreateOutcome::failed;
        file_ = files_.createBinary(candidate, outcome, source);
        if (outcome == CreateOutcome::created && file_) {
            partPath_ = candidate;
            return OutputResult::ok;
        }
        file_.reset();
        if (outcome != CreateOutcome::alreadyExists) {
            return fail(files_.lastError());
        }
    }
    return fail(noSystemError);
}

bool PendingOutput::write(const uint8_t* bytes, std::size_t count) {
    if (!file_) {
        return false;
    }
    if (!file_->writeBytes(bytes, count)) {
        error_ = file_->lastError();
        return false;
    }
    return true;
}

void PendingOutput::takeAttributes(const FileAttributes& source) {
    if (file_ && source.known && !toStandardOutput_) {
        file_->takeAttributes(source);
    }
}

OutputResult PendingOutput::commit(const std::function<bool()>& mayName) {
    if (!file_) {
        return OutputResult::cantWrite;
    }
    // The data must be on the disk before the final name is: a power cut after the rename
    // must not leave an empty or zero-filled file under the name the user trusts.
    // Kept only once complete and on the disk: until then a process that dies takes the
    // unfinished file with it.
    if (!file_->flushToDisk() || !file_->keepWhenClosed()) {
        return fail(file_->lastError());
    }
    const bool closed = file_->closeFile();
    const SystemError closeError = closed ? noSystemError : file_->lastError();
    file_.reset();
    if (!closed) {
        return fail(closeError);
    }
    if (toStandardOutput_) {
        return OutputResult::ok;
    }
    if (mayName && !mayName()) {
        abandon();
        return OutputResult::stopped;
    }
    switch (files_.renameFile(partPath_, finalPath_)) {
        case RenameOutcome::renamed:
            partPath_.clear();
            return OutputResult::ok;
        case RenameOutcome::targetExists:
            abandon();
            return OutputResult::alreadyExists;
        case RenameOutcome::failed:
            break;
    }
    return fail(files_.lastError());
}

OutputResult PendingOutput::fail(SystemError error) {
    error_ = error;
    abandon();
    return OutputResult::cantWrite;
}

void PendingOutput::abandon() {
    if (file_) {
        // An output never kept is removed by its close where the system can; deleting it by
        // name afterwards could only meet a file that another run has made since.
        if (file_->removedWhenClosed()) {
            partPath_.clear();
        }
        file_->closeFile();
        file_.reset();
    }
    if (!partPath_.empty()) {
        if (!files_.deleteFile(partPath_)) {
            const SystemError error = files_.lastError();
            if (files_.exists(partPath_)) {
                notRemovedPath_ = partPath_;
                notRemovedError_ = error;
            }
        }
        partPath_.clear();
    }
}

std::string PendingOutput::notRemovedReason() const {
    return notRemovedPath_.empty() ? std::string() : reasonFor(notRemovedError_);
}

std::string PendingOutput::reasonFor(SystemError error) const {
    return error != noSystemError ? files_.errorText(error) : texts().noSystemReason;
}

}  // namespace zel
