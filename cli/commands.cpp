#include "cli/commands.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>

#include "cipher/coded_file.h"
#include "cli/console_job_host.h"
#include "cli/options.h"
#include "cli/system.h"
#include "jobs/buffered_files.h"
#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/shared_state.h"
#include "jobs/texts.h"
#include "zel_version.h"

namespace zel::cli {

namespace {

// No chooser's buffer limits what the command line names.
constexpr std::size_t noSelectionLimit = std::numeric_limits<std::size_t>::max();
constexpr char codedSuffix[] = "_ZEL";

std::string helpText(const std::string& name) {
    return "Usage: " + name + " code [-q] [-o DEST] FILE...\n" + "       " + name +
           " decode [-q] [-k KEY | --key-file F] [-o DEST] FILE\n"
           "\n"
           "code    codes each FILE with one freshly drawn key, then prints the key (nine\n"
           "        digits) alone on one line of standard output. Without -o each FILE is\n"
           "        coded into FILE_ZEL beside it; with -o one FILE is coded into DEST, and\n"
           "        several FILEs, all of one folder, into DEST_<name>_ZEL each.\n"
           "decode  decodes the coded FILE with the key. Without -o a FILE named ..._ZEL is\n"
           "        decoded into the name without _ZEL.\n"
           "\n"
           "  -o, --output DEST    the name of the output; an existing file is never replaced\n"
           "  -k, --key KEY        the key; other users of this machine can see it in the\n"
           "                       process list, so prefer --key-file or the prompt\n"
           "      --key-file F     the key is the first line of F (- for standard input)\n"
           "                       (without -k or --key-file, the key is asked for on the\n"
           "                       terminal and not shown while typed)\n"
           "  -q, --quiet          no progress line on standard error\n"
           "  -h, --help           this help\n"
           "      --version        the version\n"
           "\n"
           "Exit status: 0 when everything was done, 1 when a file failed (the others are\n"
           "still done), 2 when the command line is wrong.\n"
           "The cipher keeps casual eyes off a file, nothing more; see the manual page.\n";
}

int usage(const std::string& name, const std::string& problem) {
    writeText(Stream::error,
              name + ": " + problem + "\nTry '" + name + " --help' for more information.\n");
    return usageError;
}

class StandardError final : public MessageSink {
public:
    void write(const std::string& text) override { writeText(Stream::error, text); }
};

// The first line of the file, without its line break ("\n" or "\r\n"); nothing, with errno
// set, when it cannot be read.
std::optional<std::string> firstLineOf(std::FILE* file) {
    std::string line;
    for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file)) {
        line += static_cast<char>(c);
    }
    if (std::ferror(file)) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// The key from -k, --key-file or the prompt; nothing after a failure was told (status 1) or
// when the command line gives no way to it (status 2, in `status`).
std::optional<std::string> keyOf(const Options& options, const std::string& name,
                                 ConsoleJobHost& host, int& status) {
    if (options.key) {
        return options.key;
    }
    if (options.keyFile) {
        const bool standardInput = *options.keyFile == "-";
        std::FILE* file = standardInput ? stdin : std::fopen(options.keyFile->c_str(), "rb");
        std::optional<std::string> line = file != nullptr ? firstLineOf(file) : std::nullopt;
        const int error = errno;
        if (file != nullptr && !standardInput) {
            std::fclose(file);
        }
        if (!line) {
            host.showInfo(text::aboutFailure("cannot read the key file", *options.keyFile,
                                             std::strerror(error)));
            status = someFailed;
        }
        return line;
    }
    if (!isTerminal(Stream::input)) {
        status = usage(name, "no key: give it with -k or --key-file (- for standard input)");
        return std::nullopt;
    }
    std::optional<std::string> typed = readHiddenLine("Key: ");
    if (!typed) {
        status = usage(name, "no key was typed");
    }
    return typed;
}

// Whether the destination is refused, as a source would be, for a name that the code page cannot
// hold, which would write another file; says so.
bool refusedDestination(const NamedPath& destination, ConsoleJobHost& host) {
    if (destination.kind != NameKind::unusable) {
        return false;
    }
    host.showInfo(text::aboutFile(texts().refusedUnusableName, destination.path));
    return true;
}

// The length of each file (for the progress line), less what it does not pass through the
// transform; 0 when it cannot be told.
std::vector<int64_t> sizesOf(const std::vector<std::string>& paths, int64_t less,
                             BinaryFile& files) {
    std::vector<int64_t> sizes;
    for (const std::string& path : paths) {
        const auto file = files.openBinary(path);
        sizes.push_back(file ? std::max<int64_t>(0, file->length() - less) : 0);
    }
    return sizes;
}

// The one key of a run over several files when each file is coded by a run of its own (its
// output is named after it, not after a destination): the later runs are handed the readings
// of the time of day that the first run's draw took, in the same order, and so draw its key.
class OneKeyForAllRuns {
public:
    TimeOfDayClock clockOfNextRun() {
        if (!firstRunDone_) {
            firstRunDone_ = true;
            return [this] {
                readings_.push_back(localTimeOfDay());
                return readings_.back();
            };
        }
        return [this, next = std::size_t{0}]() mutable { return readings_.at(next++); };
    }

private:
    bool firstRunDone_ = false;
    std::vector<double> readings_;
};

int runCode(const Options& options, const std::string& name) {
    const auto systemFileAccess = systemFiles();
    BufferedFiles files(*systemFileAccess);
    StandardError standardError;

    const SourceChoice choice =
        sourceChoice(namedPaths(options.files), noSelectionLimit, pathStyle());
    std::vector<std::string> sources;
    for (int k = 1; k <= choice.count; ++k) {
        sources.push_back(codingNames(choice.selection, "", choice.count, k).sourcePath);
    }
    const bool showProgress = !options.quiet && isTerminal(Stream::error);
    ConsoleJobHost host(standardError, name,
                        showProgress ? sizesOf(sources, 0, files) : std::vector<int64_t>(),
                        showProgress);
    if (choice.count == 0) {
        host.showInfo(choice.refusal);
        return someFailed;
    }

    if (options.destination) {
        const NamedPath destination = namedPaths({*options.destination}).front();
        if (refusedDestination(destination, host)) {
            return someFailed;
        }
        SharedState state;
        state.sourceSelection = choice.selection;
        state.sourceCount = static_cast<int16_t>(choice.count);
        state.destinationPath = destination.path;
        runCodingJob(state, host, files);
    } else {
        OneKeyForAllRuns draw;
        for (const std::string& source : sources) {
            SharedState state;
            state.sourceSelection = source + '\0';
            state.sourceCount = 1;
            state.destinationPath = source + codedSuffix;
            runCodingJob(state, host, files, draw.clockOfNextRun());
        }
    }
    // Each file that fails shows one message; the key is of use when any file was coded.
    if (host.messageCount() < choice.count) {
        writeText(Stream::output, host.keyText() + "\n");
    }
    return host.messageCount() == 0 ? allDone : someFailed;
}

int runDecode(const Options& options, const std::string& name) {
    const std::string& coded = options.files.front();
    std::string destination;
    if (options.destination) {
        destination = *options.destination;
    } else {
        const std::size_t suffixLength = std::strlen(codedSuffix);
        const bool suffixed =
            coded.size() > suffixLength &&
            coded.compare(coded.size() - suffixLength, suffixLength, codedSuffix) == 0;
        if (!suffixed) {
            return usage(name, "'" + coded + "' does not end in " + codedSuffix +
                                   ": name the decoded file with -o");
        }
        destination = coded.substr(0, coded.size() - suffixLength);
    }

    const auto systemFileAccess = systemFiles();
    BufferedFiles files(*systemFileAccess);
    StandardError standardError;
    const std::vector<NamedPath> named = namedPaths({coded, destination});
    const SourceChoice choice = sourceChoice({named[0]}, noSelectionLimit, pathStyle());
    const bool showProgress = !options.quiet && isTerminal(Stream::error);
    const auto markerLength = static_cast<int64_t>(codedFileMarker.size());
    ConsoleJobHost host(standardError, name,
                        showProgress && choice.count == 1
                            ? sizesOf({named[0].path}, markerLength, files)
                            : std::vector<int64_t>(1, 0),
                        showProgress);
    if (choice.count == 0) {
        host.showInfo(choice.refusal);
        return someFailed;
    }
    if (refusedDestination(named[1], host)) {
        return someFailed;
    }
    // Said before the key is asked for; the job makes sure again when it writes.
    if (files.exists(named[1].path)) {
        host.showInfo(text::aboutFile(texts().fileAlreadyExists, named[1].path));
        return someFailed;
    }
    int status = allDone;
    const std::optional<std::string> key = keyOf(options, name, host, status);
    if (!key) {
        return status;
    }
    host.setKeyEntry(*key);
    SharedState state;
    state.sourceSelection = choice.selection;
    state.sourceCount = 1;
    state.destinationPath = named[1].path;
    runDecodingJob(state, host, files);
    return host.messageCount() == 0 ? allDone : someFailed;
}

}  // namespace

int runCommandLine(const std::string& programName, const std::vector<std::string>& arguments) {
    const ParsedOptions parsed = parseOptions(arguments);
    if (!parsed.usageError.empty()) {
        return usage(programName, parsed.usageError);
    }
    switch (parsed.options.command) {
        case Command::help:
            writeText(Stream::output, helpText(programName));
            return allDone;
        case Command::version:
            writeText(Stream::output, programName + " " ZEL_VERSION_TEXT "\n");
            return allDone;
        case Command::code:
            return runCode(parsed.options, programName);
        case Command::decode:
            return runDecode(parsed.options, programName);
        case Command::none:
            break;
    }
    return usage(programName, "no command: give code or decode");
}

}  // namespace zel::cli
