#include "cli/commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

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
// The name of the standard input or output, as a file or -o names it.
constexpr char standardStream[] = "-";
// A key file's first line is read up to this many bytes; a longer one is no key.
constexpr std::size_t largestKeyLine = 4096;

std::string helpText(const std::string& name) {
    return "Usage: " + name + " code [-q] [-o DEST] FILE...\n" + "       " + name +
           " decode [-q] [-k KEY | --key-file F] [-o DEST] FILE...\n"
           "\n"
           "code    codes each FILE with one freshly drawn key and prints the key (nine\n"
           "        digits) alone on one line of standard output, before the first coded\n"
           "        file gets its name. Without -o each FILE is coded into FILE_ZEL beside\n"
           "        it; with -o one FILE is coded into DEST, and several FILEs into\n"
           "        DEST_<name>_ZEL each.\n"
           "decode  decodes each coded FILE with the one key. Without -o a FILE named\n"
           "        NAME_ZEL is decoded into NAME.\n"
           "\n"
           "A FILE of - is standard input; its output, and that of -o -, is standard output,\n"
           "and with coded data there the key goes to standard error as 'zel: key NNNNNNNNN'.\n"
           "A DEST that ends in / or is a folder takes the outputs under their own names.\n"
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

bool isSeparator(char c) {
    return c == '/' || (pathStyle() == PathStyle::windows && (c == '\\' || c == ':'));
}

// The last part of a path, after its folders.
std::string lastPart(const std::string& path) {
    for (std::size_t end = path.size(); end > 0; --end) {
        if (isSeparator(path[end - 1])) {
            return path.substr(end);
        }
    }
    return path;
}

// Whether -o names a folder for the outputs: it ends in a separator or is a folder. Asked once a
// run.
bool namesFolder(const std::optional<std::string>& destination) {
    return destination && *destination != standardStream &&
           (isSeparator(destination->back()) || isFolder(*destination));
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return isSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

// The name of a coded file without its suffix; empty when it has none after a name.
std::string withoutSuffix(const std::string& coded) {
    const std::size_t suffixLength = std::strlen(codedSuffix);
    const bool suffixed =
        lastPart(coded).size() > suffixLength &&
        coded.compare(coded.size() - suffixLength, suffixLength, codedSuffix) == 0;
    return suffixed ? coded.substr(0, coded.size() - suffixLength) : std::string();
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
        const bool standardInput = *options.keyFile == standardStream;
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
    if (!canPrompt()) {
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
                      ConsoleOutput& console, bool keyDelivered)
        : files_(files), key_(key), console_(console), keyDelivered_(keyDelivered) {}

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
    bool keyDelivered_;
    bool failed_ = false;
};

// One line of a file's problem.
void tell(ConsoleOutput& console, FileProblem problem, const std::string& path,
          const std::string& reason = "") {
    FileOutcome outcome;
    outcome.problem = problem;
    outcome.path = path;
    outcome.reason = reason;
    console.tell(outcome);
}

// Each file and where its output goes: standard output for -o -, and for standard input without
// -o; into the folder that -o names (intoFolder), under the name outputName makes of the file's;
// to the name -o gives one file; else to the name outputName makes. A name the system cannot take
// as given is told and left out, and `refused` set.
template <typename OutputName>
std::vector<FilePair> pairsOf(const Options& options, bool intoFolder, OutputName outputName,
                              ConsoleOutput& console, bool& refused) {
    const std::optional<std::string>& destination = options.destination;
    std::vector<FilePair> pairs;
    for (const std::string& file : options.files) {
        FilePair pair{file, "", file == standardStream, false};
        if (destination == std::optional<std::string>(standardStream) ||
            (!destination && pair.fromStandardInput)) {
            pair.toStandardOutput = true;
            pair.output = standardStream;
        } else if (intoFolder) {
            pair.output = inFolder(*destination, lastPart(outputName(file)));
        } else if (destination && options.files.size() == 1) {
            pair.output = *destination;
        } else {
            pair.output = outputName(file);
        }
        if (!nameFits(pair.source)) {
            tell(console, FileProblem::cantRead, pair.source, texts().unusableName);
        } else if (!pair.toStandardOutput && !nameFits(pair.output)) {
            tell(console, FileProblem::cantWrite, pair.output, texts().unusableName);
        } else {
            pairs.push_back(std::move(pair));
            continue;
        }
        refused = true;
    }
    return pairs;
}

// What the command line cannot mean with streams: a usage problem, or empty.
std::string streamProblem(const Options& options, bool intoFolder) {
    const bool fromInput = std::find(options.files.begin(), options.files.end(), standardStream) !=
                           options.files.end();
    if (fromInput && options.files.size() > 1) {
        return "- (standard input) goes alone, not with other files";
    }
    if (fromInput && intoFolder) {
        return "standard input has no name to give an output in a folder: name it with -o";
    }
    if (options.destination == std::optional<std::string>(standardStream) &&
        options.files.size() > 1) {
        return "-o - (standard output) takes one file";
    }
    if (fromInput && options.keyFile == std::optional<std::string>(standardStream)) {
        return "standard input cannot give both the key and the coded data";
    }
    return "";
}

int runCode(const Options& options, const std::string& name, ConsoleOutput& console) {
    const bool intoFolder = namesFolder(options.destination);
    if (const std::string problem = streamProblem(options, intoFolder); !problem.empty()) {
        return usage(name, problem);
    }
    bool refused = false;
    const std::vector<FilePair> pairs = pairsOf(
        options, intoFolder,
        [&](const std::string& file) {
            // As "Code file" names the outputs of several files: DEST_name_ZEL.
            if (options.destination && !intoFolder) {
                return *options.destination + "_" + lastPart(file) + codedSuffix;
            }
            return file + codedSuffix;
        },
        console, refused);
    const bool toStandardOutput = !pairs.empty() && pairs.front().toStandardOutput;
    // As the compressors do: coded bytes on a terminal help nobody and can upset it.
    if (toStandardOutput && isTerminal(Stream::output)) {
        console.say(
            "coded data not written to a terminal: redirect standard output, or name an output "
            "with -o");
        return someFailed;
    }
    // Drawn once: every file of the run is coded under it. With the coded bytes on standard
    // output, the key goes to standard error before the first of them.
    const CodingKey key = drawCodingKey();
    if (toStandardOutput && !console.say("key " + formatKeyText(key))) {
        return someFailed;
    }
    auto systemFileAccess = systemFiles();
    BufferedFiles files(*systemFileAccess);
    CommandLineCoding run(pairs, key, console, toStandardOutput);
    codeFiles(pairs, key, files, run, {true});
    console.clearProgress();
    return refused || run.failed() ? someFailed : allDone;
}

int runDecode(const Options& options, const std::string& name, ConsoleOutput& console) {
    const bool intoFolder = namesFolder(options.destination);
    if (const std::string problem = streamProblem(options, intoFolder); !problem.empty()) {
        return usage(name, problem);
    }
    const bool oneOutputNamed = options.destination && !intoFolder;
    if (oneOutputNamed && options.files.size() > 1) {
        return usage(name, "-o names the output of one file: give a folder for several");
    }
    for (const std::string& coded : options.files) {
        if (!oneOutputNamed && coded != standardStream && withoutSuffix(coded).empty()) {
            return usage(name, "'" + shownName(coded) + "' does not end in " + codedSuffix +
                                   " after a name: name the decoded file with -o");
        }
    }
    auto systemFileAccess = systemFiles();
    BufferedFiles files(*systemFileAccess);
    bool refused = false;
    std::vector<FilePair> pairs;
    for (FilePair& pair : pairsOf(options, intoFolder, withoutSuffix, console, refused)) {
        // Said before the key is asked for; the output makes sure again when it is made.
        if (!pair.toStandardOutput && files.exists(pair.output)) {
            tell(console, FileProblem::alreadyExists, pair.output);
            refused = true;
            continue;
        }
        pairs.push_back(std::move(pair));
    }
    if (pairs.empty()) {
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
    for (std::size_t index = 0; index < pairs.size(); ++index) {
        console.fileStarting(index + 1, pairs.size());
        const FileOutcome outcome =
            decodeFile(pairs[index], parseKeyText(*key), files, console, {true});
        if (!outcome.done()) {
            console.tell(outcome);
            refused = true;
        }
    }
    console.clearProgress();
    return refused ? someFailed : allDone;
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
            return runCode(options, programName, console);
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
