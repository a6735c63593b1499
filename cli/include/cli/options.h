// The command line: a command (code or decode), its options and its files, in the manner of
// small Unix tools: options before or after the files, "--" ends them, short options may be
// grouped ("-qo DEST") and take their value attached or as the next word.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zel::cli {

enum class Command { none, code, decode, help, version };

struct Options {
    Command command = Command::none;
    std::vector<std::string> files;
    std::optional<std::string> destination;  // -o, --output
    std::optional<std::string> key;          // -k, --key
    std::optional<std::string> keyFile;      // --key-file ("-": standard input)
    bool quiet = false;                      // -q, --quiet
};

// The options, or why the command line is wrong (one line, without the program's name).
struct ParsedOptions {
    Options options;
    std::string usageError;
};

// The arguments after the program's name. --help and --version win over everything else
// but an unknown option.
ParsedOptions parseOptions(const std::vector<std::string>& arguments);

}  // namespace zel::cli
