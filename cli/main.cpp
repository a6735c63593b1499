// zel on the command line: codes files and decodes them again, as the dialog does.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/system.h"
#include "jobs/texts.h"

namespace {

// The name the program was started by, without its folder and ".exe": it prefixes messages.
std::string programName(const char* started) {
    std::string name = started != nullptr ? started : "";
    name = name.substr(name.find_last_of("/\\") + 1);
    if (name.size() > 4 && zel::text::asciiLowerCase(name.substr(name.size() - 4)) == ".exe") {
        name.resize(name.size() - 4);
    }
    return name.empty() ? "zel" : name;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = zel::cli::startProgram(argc, argv);
    return zel::cli::runCommandLine(programName(argc > 0 ? argv[0] : nullptr), arguments);
}
