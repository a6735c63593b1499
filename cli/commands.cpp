#include "cli/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/console_output.h"
#include "cli/options.h"
#include "cli/system.h"
#include "jobs/buffered_files.h"
#include "jobs/file_jobs.h"
#include "jobs/texts.h"
#include "zel_version.h"

namespace zel::cli {

namespace {

constexpr char codedSuffix[] = "_ZEL";
// A key file's first line is read up to this many bytes; a longer one is no key.
constexpr std::size_t largestKeyLine = 4096;

std::string helpText(const std::string& name) {
    return "Usage: " + name + " code [-q] [-o DEST] FILE...\n" + "       " + name +
           " decode [-q] [-k KEY | --key-file F] [-o DEST] FILE\n"
           "\n"
           "code    codes each FILE with one freshly drawn key and prints the key (nine\n"
           "        digits) alone on one line of standard output, before the first coded\n"
           "        file gets its name. Without -o each FILE is coded into FILE_ZEL beside\n"
           "        it; with -o one FILE is coded into DEST, and several FILEs into\n"
           "        DEST_<name>_ZEL each.\n"
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
           "Exit status: 0 when everything was done, 1 when a file failed or was refused\n"
           "(each says why; the others are still done), 2 when the command line is wrong.\n"
           "The cipher keeps casual eyes off a file, nothing more; see the manual page.\n";
}

int usage(const std::string& name, const std::string& problem) {
    writeText(Stream::error,
              name + ": " + problem + "\nTry '" + name + " --help' for more information.\n");
    return usageError;
}

// The last part of a path, after its folders.
std::string lastPart(const std::string& path) {
    const char* separators = pathStyle() == PathStyle::windows ? "\\/:" : "/";
    const std::size_t cut = path.find_last_of(separators);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The first line of the file, without its line break ("\n" or "\r\n"), read up to
// largestKeyLine bytes; nothing, with errno set, when it cannot be read, and with errno 0 when
// it is too long.
std::optional<std::string> firstLineOf(std::FILE* file) {
    std::string line;
    int c = 0;
    for (c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file)) {
        if (line.size() == largestKeyLine) {
            errno = 0;
            return std::nullopt;
        }
        line += static_cast<char>(c);
    }
    if (c == EOF && std::ferror(file)) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// The key from -k, --key-file or the prompt; nothing after the failure was told (status 1) or
// when the command line gives no way to it (status 2, in `status`).
std::optional<std::string> keyOf(const Options& options, const std::string& name,
                                 ConsoleOutput& console, int& status) {
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
            const std::string reason = error != 0 ? std::strerror(error)
                                                  : "its first line is longer than " +
                                                        std::to_string(largestKeyLine) +
                                                        " bytes, so it holds no key";
            console.say("cannot read the key file " + shownName(*options.keyFile) + ": " + reason);
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
        console.say("no key was typed");
        status = someFailed;
    }
    return typed;
}

// A run of `zel code`: the key goes out before the first coded file gets its name, and a file
// that fails is told on its own line while the others are coded.
class CommandLineCoding final : public CodingEvents {
public:
    CommandLineCoding(const std::vector<FilePair>& files, const CodingKey& key,
                      ConsoleOutput& console)
        : files_(files), key_(key), console_(console) {}

    void fileStarting(std::size_t index) override {
        console_.fileStarting(index + 1, files_.size());
    }
    JobProgress& progress() override { return console_; }
    bool mayName(std::size_t) override {
        if (!keyDelivered_) {
            console_.clearProgress();
            keyDelivered_ = writeText(Stream::output, formatKeyText(key_) + "\n") && syncOutput();
            if (!keyDelivered_) {
                // Without its key a coded file could never be decoded.
                console_.say("cannot write the key: " + streamFailure() + "; nothing was coded");
                failed_ = true;
            }
        }
        return keyDelivered_;
    }
    void fileEnded(std::size_t, const FileOutcome& outcome) override {
        if (outcome.done()) {
            return;
        }
        failed_ = true;
        if (outcome.problem != FileProblem::stopped) {
            console_.tell(outcome);
        }
    }

    bool failed() const { return failed_; }

private:
    const std::vector<FilePair>& files_;
    CodingKey key_;
    ConsoleOutput& console_;
    bool keyDelivered_ = false;
    bool failed_ = false;
};

// A name the system cannot take as given; told as the message of the file it is about.
bool refusedName(const std::string& name, FileProblem problem, ConsoleOutput& console) {
    if (nameFits(name)) {
        return false;
    }
    FileOutcome refused;
    refused.problem = problem;
    refused.path = name;
    refused.reason = texts().unusableName;
    console.tell(refused);
    return true;
}

int runCode(const Options& options, ConsoleOutput& console) {
    const auto systemFileAccess = systemFiles();
    BufferedFiles files(*systemFileAccess);

    bool refused = false;
    std::vector<FilePair> pairs;
    for (const std::string& source : options.files) {
        std::string output = source + codedSuffix;
        if (options.destination) {
            output = options.files.size() == 1
                         ? *options.destination
                         : *options.destination + "_" + lastPart(source) + codedSuffix;
        }
        if (refusedName(source, FileProblem::cantRead, console) ||
            refusedName(output, FileProblem::cantWrite, console)) {
            refused = true;
            continue;
        }
        pairs.push_back({source, output});
    }
    // Drawn once: every file of the run is coded under it.
    const CodingKey key = drawCodingKey();
    CommandLineCoding run(pairs, key, console);
    codeFiles(pairs, key, files, run, {true});
    console.clearProgress();
    return refused || run.failed() ? someFailed : allDone;
}

int runDecode(const Options& options, const std::string& name, ConsoleOutput& console) {
    const std::string& coded = options.files.front();
    std::string destination;
    if (options.destination) {
        destination = *options.destination;
    } else {
        const std::size_t suffixLength = std::strlen(codedSuffix);
        const bool suffixed =
            lastPart(coded).size() > suffixLength &&
            coded.compare(coded.size() - suffixLength, suffixLength, codedSuffix) == 0;
        if (!suffixed) {
            return usage(name, "'" + shownName(coded) + "' does not end in " + codedSuffix +
                                   " after a name: name the decoded file with -o");
        }
        destination = coded.substr(0, coded.size() - suffixLength);
    }
    if (refusedName(coded, FileProblem::cantRead, console) ||
        refusedName(destination, FileProblem::cantWrite, console)) {
        return someFailed;
    }

    const auto systemFileAccess = systemFiles();
    BufferedFiles files(*systemFileAccess);
    // Said before the key is asked for; the output makes sure again when it is made.
    if (files.exists(destination)) {
        FileOutcome exists;
        exists.problem = FileProblem::alreadyExists;
        exists.path = destination;
        console.tell(exists);
        return someFailed;
    }
    int status = allDone;
    const std::optional<std::string> key = keyOf(options, name, console, status);
    if (!key) {
        return status;
    }
    if (key->size() != keyTextLength) {
        console.say(texts().invalidKeyLength);
        return someFailed;
    }
    console.fileStarting(1, 1);
    const FileOutcome outcome =
        decodeFile({coded, destination}, parseKeyText(*key), files, console, {true});
    console.clearProgress();
    if (!outcome.done()) {
        console.tell(outcome);
        return someFailed;
    }
    return allDone;
}

int runCommand(const std::string& programName, const std::vector<std::string>& arguments) {
    const ParsedOptions parsed = parseOptions(arguments);
    if (!parsed.usageError.empty()) {
        return usage(programName, parsed.usageError);
    }
    const Options& options = parsed.options;
    ConsoleOutput console(programName, !options.quiet && isTerminal(Stream::error));
    switch (options.command) {
        case Command::help:
            writeText(Stream::output, helpText(programName));
            return allDone;
        case Command::version:
            writeText(Stream::output, programName + " " ZEL_VERSION_TEXT "\n");
            return allDone;
        case Command::code:
            return runCode(options, console);
        case Command::decode:
            return runDecode(options, programName, console);
        case Command::none:
            break;
    }
    return usage(programName, "no command: give code or decode");
}

}  // namespace

int runCommandLine(const std::string& programName, const std::vector<std::string>& arguments) {
    const int status = runCommand(programName, arguments);
    // As the common Unix tools do: output that did not arrive fails the run, whatever else went
    // well (a full disk under `zel --help > file`, a reader that went away). A run that failed
    // has said so already.
    const bool closed = closeOutput();
    if (status == allDone && (!closed || !streamFailure().empty())) {
        writeText(Stream::error, programName + ": write error: " + streamFailure() + "\n");
        return someFailed;
    }
    return status;
}

}  // namespace zel::cli
