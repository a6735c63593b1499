#include "cli/console_output.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/system.h"
#include "jobs/texts.h"

namespace zel::cli {

namespace {

constexpr auto progressInterval = std::chrono::milliseconds(100);
// The clock is looked at once every so many chunks of 800 bytes, not for each.
constexpr uint32_t chunksBetweenLooks = 256;

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

std::string messageOf(FileProblem problem) {
    switch (problem) {
        case FileProblem::cantRead:
            return texts().cantReadSource;
        case FileProblem::notCoded:
            return texts().notCodedFile;
        case FileProblem::alreadyExists:
            return texts().fileAlreadyExists;
        case FileProblem::none:
        case FileProblem::cantWrite:
        case FileProblem::stopped:
            break;
    }
    return texts().cantWriteDest;
}

}  // namespace

std::string shownName(const std::string& name) {
    if (std::none_of(name.begin(), name.end(), [](char c) { return isControl(c); })) {
        return name;
    }
    std::string quoted = "$'";
    for (const char c : name) {
        switch (c) {
            case '\n':
                quoted += "\\n";
                break;
            case '\t':
                quoted += "\\t";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\\':
            case '\'':
                quoted += std::string("\\") + c;
                break;
            default:
                if (isControl(static_cast<unsigned char>(c))) {
                    char escaped[5];
                    std::snprintf(escaped, sizeof escaped, "\\x%02X",
                                  static_cast<unsigned char>(c));
                    quoted += escaped;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "'";
}

std::string problemLine(const FileOutcome& outcome) {
    // "-" is what the command line calls the standard streams.
    const bool aboutSource =
        outcome.problem == FileProblem::cantRead || outcome.problem == FileProblem::notCoded;
    const std::string name = outcome.path != "-" ? shownName(outcome.path)
                             : aboutSource       ? "(standard input)"
                                                 : "(standard output)";
    std::string line = messageOf(outcome.problem) + " " + name;
    if (!outcome.reason.empty()) {
        line += ": " + outcome.reason;
    }
    if (!outcome.leftBehindPath.empty()) {
        line += "; " + texts().unfinishedNotRemoved + " " + shownName(outcome.leftBehindPath) +
                ": " + outcome.leftBehindReason;
    }
    // A system's reason of several lines stays on this one.
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    return line;
}

ConsoleOutput::ConsoleOutput(std::string programName, bool showProgress)
    : programName_(std::move(programName)), showProgress_(showProgress) {}

void ConsoleOutput::fileStarting(std::size_t number, std::size_t count) {
    file_ = number;
    fileCount_ = count;
}

void ConsoleOutput::passStarted(int64_t expectedBytes) {
    expected_ = expectedBytes;
    done_ = 0;
    chunksSinceLook_ = 0;
    fileStart_ = lastShown_ = Clock::now();
}

void ConsoleOutput::chunkDone() {
    done_ += chunkSize_;
    if (!showProgress_ || ++chunksSinceLook_ < chunksBetweenLooks) {
        return;
    }
    chunksSinceLook_ = 0;
    if (Clock::now() - lastShown_ >= progressInterval) {
        showProgressLine();
    }
}

bool ConsoleOutput::say(const std::string& text) {
    clearProgress();
    return writeText(Stream::error, programName_ + ": " + text + "\n");
}

void ConsoleOutput::showProgressLine() {
    lastShown_ = Clock::now();
    const double fraction =
        expected_ > 0 ? std::min(1.0, static_cast<double>(done_) / static_cast<double>(expected_))
                      : 1.0;
    std::string line = programName_ + ": file " + std::to_string(file_) + " of " +
                       std::to_string(fileCount_) + ", " +
                       std::to_string(static_cast<int>(fraction * 100)) + "%";
    const double seconds = std::chrono::duration<double>(lastShown_ - fileStart_).count();
    if (seconds > 0) {
        const double megabytes = static_cast<double>(done_) / 1e6;
        line += ", " + std::to_string(static_cast<long long>(megabytes / seconds)) + " MB/s";
    }
    // Padded over what the line showed before, as the new one may be shorter.
    const std::size_t width = line.size();
    line.resize(std::max(width, shownWidth_), ' ');
    if (width > shownWidth_) {
        clearLineOnInterrupt(width);
    }
    shownWidth_ = width;
    writeText(Stream::error, "\r" + line);
}

void ConsoleOutput::clearProgress() {
    if (shownWidth_ > 0) {
        writeText(Stream::error, "\r" + std::string(shownWidth_, ' ') + "\r");
        shownWidth_ = 0;
        clearLineOnInterrupt(0);
    }
}

}  // namespace zel::cli
