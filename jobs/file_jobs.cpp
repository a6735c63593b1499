#include "jobs/file_jobs.h"

#include <algorithm>
#include <functional>

#include "cipher/byte_transform.h"
#include "cipher/coded_file.h"
#include "jobs/chunk_pass.h"
#include "jobs/pending_output.h"
#include "jobs/texts.h"

namespace zel {

namespace {

// A problem, with the unfinished output it left behind, if any.
FileOutcome problem(FileProblem kind, const std::string& path, const std::string& reason,
                    const PendingOutput* output = nullptr) {
    FileOutcome outcome;
    outcome.problem = kind;
    outcome.path = path;
    outcome.reason = reason;
    if (output != nullptr) {
        outcome.leftBehindPath = output->notRemovedPath();
        outcome.leftBehindReason = output->notRemovedReason();
    }
    return outcome;
}

FileOutcome cantRead(const std::string& sourcePath, SystemError error, const BinaryFile& files,
                     const PendingOutput* output = nullptr) {
    return problem(FileProblem::cantRead, sourcePath,
                   error != noSystemError ? files.errorText(error) : texts().sourceEndedEarly,
                   output);
}

// An output that failed: alreadyExists or cantWrite.
FileOutcome outputFailed(const PendingOutput& output, OutputResult result) {
    if (result == OutputResult::alreadyExists) {
        return problem(FileProblem::alreadyExists, output.finalPath(), "", &output);
    }
    return problem(FileProblem::cantWrite, output.finalPath(), output.reason(), &output);
}

// Ends a file whose pass has ended: names the output when the pass is done (and `mayName`, if
// given, agrees once the output is on the disk), else removes it.
FileOutcome finishPass(const PassResult& passed, PendingOutput& output, const FileAttributes& kept,
                       const std::string& sourcePath, BinaryFile& files,
                       const std::function<bool()>& mayName) {
    switch (passed.outcome) {
        case PassResult::done: {
            output.takeAttributes(kept);
            const OutputResult committed = output.commit(mayName);
            if (committed == OutputResult::stopped) {
                return problem(FileProblem::stopped, output.finalPath(), "", &output);
            }
            if (committed != OutputResult::ok) {
                return outputFailed(output, committed);
            }
            return {};
        }
        case PassResult::cantRead:
            output.abandon();
            return cantRead(sourcePath, passed.readError, files, &output);
        case PassResult::cantWrite:
            output.abandon();
            break;
    }
    return outputFailed(output, OutputResult::cantWrite);
}

std::unique_ptr<OpenFile> openSource(const FilePair& file, BinaryFile& files) {
    return file.fromStandardInput ? files.openStandardInput() : files.openBinary(file.source);
}

// What the output may take over: nothing of a stream.
FileAttributes attributesOf(const FilePair& file, OpenFile& source) {
    return file.fromStandardInput ? FileAttributes{} : source.attributes();
}

FileOutcome codeFile(const FilePair& file, const CodingKey& key, BinaryFile& files,
                     JobProgress& progress, OutputRule rule, const std::function<bool()>& mayName) {
    auto source = openSource(file, files);
    if (!source) {
        return cantRead(file.source, files.lastError(), files);
    }
    const FileAttributes attributes = attributesOf(file, *source);
    PendingOutput output(files, file.output, file.toStandardOutput);
    if (const OutputResult created = output.create(attributes); created != OutputResult::ok) {
        return outputFailed(output, created);
    }
    const int64_t length = source->length();
    if (length < 0) {
        const PassResult unread{PassResult::cantRead, source->lastError()};
        source.reset();
        return finishPass(unread, output, {}, file.source, files, mayName);
    }
    progress.passStarted(length);
    const int64_t chunkSize = std::min(largestChunk, length);
    progress.setChunkSize(chunkSize);

    PassResult passed{PassResult::cantWrite};
    if (output.write(codedFileMarker.data(), codedFileMarker.size())) {
        passed = passChunks(*source, length, chunkSize, codeBlock, key, output, progress);
    }
    source.reset();
    return finishPass(passed, output, rule.keepAttributes ? attributes : FileAttributes{},
                      file.source, files, mayName);
}

}  // namespace

std::string infoText(const FileOutcome& outcome) {
    std::string message;
    switch (outcome.problem) {
        case FileProblem::none:
            return "";
        case FileProblem::notCoded:
            return texts().notCodedFile;
        case FileProblem::cantRead:
            message = text::aboutFailure(texts().cantReadSource, outcome.path, outcome.reason);
            break;
        case FileProblem::alreadyExists:
            message = text::aboutFile(texts().fileAlreadyExists, outcome.path);
            break;
        case FileProblem::cantWrite:
        case FileProblem::stopped:
            message = text::aboutFailure(texts().cantWriteDest, outcome.path, outcome.reason);
            break;
    }
    if (!outcome.leftBehindPath.empty()) {
        message += "\n" + text::aboutFailure(texts().unfinishedNotRemoved, outcome.leftBehindPath,
                                             outcome.leftBehindReason);
    }
    return message;
}

void codeFiles(const std::vector<FilePair>& files, const CodingKey& key, BinaryFile& fileSystem,
               CodingEvents& events, OutputRule rule) {
    for (std::size_t index = 0; index < files.size(); ++index) {
        events.fileStarting(index);
        const FileOutcome outcome = codeFile(files[index], key, fileSystem, events.progress(), rule,
                                             [&] { return events.mayName(index); });
        events.fileEnded(index, outcome);
        if (outcome.problem == FileProblem::stopped) {
            return;
        }
    }
}

FileOutcome decodeFile(const FilePair& file, const CodingKey& key, BinaryFile& fileSystem,
                       JobProgress& progress, OutputRule rule) {
    auto source = openSource(file, fileSystem);
    if (!source) {
        return cantRead(file.source, fileSystem.lastError(), fileSystem);
    }
    const int64_t length = source->length();
    if (length < 0) {
        const SystemError error = source->lastError();
        return cantRead(file.source, error, fileSystem);
    }
    const auto markerLength = static_cast<int64_t>(codedFileMarker.size());
    progress.passStarted(length - markerLength);
    const int64_t chunkSize = std::min(largestChunk, length);
    progress.setChunkSize(chunkSize);

    // The marker is tested before the output exists, so a refused file leaves nothing. A size
    // that says less than the marker (a file of /proc, a file that grows) does not hide one.
    uint8_t marker[3];
    if (!isCodedFileMarker(marker, source->readBytes(marker, sizeof marker))) {
        if (source->lastError() != noSystemError) {
            return cantRead(file.source, source->lastError(), fileSystem);
        }
        return problem(FileProblem::notCoded, file.source, "");
    }
    const FileAttributes attributes = attributesOf(file, *source);
    PendingOutput output(fileSystem, file.output, file.toStandardOutput);
    if (const OutputResult created = output.create(attributes); created != OutputResult::ok) {
        return outputFailed(output, created);
    }
    const PassResult passed = passChunks(*source, std::max<int64_t>(0, length - markerLength),
                                         chunkSize, decodeBlock, key, output, progress);
    source.reset();
    return finishPass(passed, output, rule.keepAttributes ? attributes : FileAttributes{},
                      file.source, fileSystem, nullptr);
}

}  // namespace zel
