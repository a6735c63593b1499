#include "cli/options.h"

#include <utility>

namespace zel::cli {

namespace {

struct OptionError {
    std::string message;
};

class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    ParsedOptions parse() {
        ParsedOptions parsed;
        try {
            readAll();
            parsed.options = finish();
        } catch (const OptionError& error) {
            parsed.usageError = error.message;
        }
        return parsed;
    }

private:
    void readAll() {
        bool optionsEnded = false;
        for (next_ = 0; next_ < arguments_.size();) {
            const std::string& argument = arguments_[next_++];
            if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                operands_.push_back(argument);
            } else if (argument == "--") {
                optionsEnded = true;
            } else if (argument.compare(0, 2, "--") == 0) {
                readLong(argument.substr(2));
            } else {
                readShort(argument.substr(1));
            }
        }
    }

    void readLong(const std::string& option) {
        const std::size_t equals = option.find('=');
        const std::string name = option.substr(0, equals);
        const auto value = [&]() {
            return equals != std::string::npos ? option.substr(equals + 1) : valueOf("--" + name);
        };
        const auto noValue = [&]() {
            if (equals != std::string::npos) {
                throw OptionError{"option '--" + name + "' takes no value"};
            }
        };
        if (name == "help") {
            noValue();
            help_ = true;
        } else if (name == "version") {
            noValue();
            version_ = true;
        } else if (name == "quiet") {
            noValue();
            options_.quiet = true;
        } else if (name == "output") {
            options_.destination = value();
        } else if (name == "key") {
            options_.key = value();
        } else if (name == "key-file") {
            options_.keyFile = value();
        } else {
            throw OptionError{"unknown option '--" + name + "'"};
        }
    }

    void readShort(const std::string& letters) {
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const char letter = letters[i];
            // A letter that takes a value takes the rest of the word, or the next word.
            const auto value = [&]() {
                std::string rest = letters.substr(i + 1);
                i = letters.size();
                return rest.empty() ? valueOf(std::string("-") + letter) : rest;
            };
            switch (letter) {
                case 'h':
                    help_ = true;
                    break;
                case 'q':
                    options_.quiet = true;
                    break;
                case 'o':
                    options_.destination = value();
                    break;
                case 'k':
                    options_.key = value();
                    break;
                default:
                    throw OptionError{std::string("unknown option '-") + letter + "'"};
            }
        }
    }

    std::string valueOf(const std::string& option) {
        if (next_ >= arguments_.size()) {
            throw OptionError{"option '" + option + "' needs a value"};
        }
        return arguments_[next_++];
    }

    Options finish() {
        if (help_ || version_) {
            options_.command = help_ ? Command::help : Command::version;
            return options_;
        }
        if (operands_.empty()) {
            throw OptionError{"no command: give code or decode"};
        }
        const std::string command = operands_.front();
        options_.files.assign(operands_.begin() + 1, operands_.end());
        if (command == "code") {
            options_.command = Command::code;
            if (options_.key || options_.keyFile) {
                throw OptionError{"code draws its own key: -k and --key-file are for decode"};
            }
            if (options_.files.empty()) {
                throw OptionError{"no files to code"};
            }
        } else if (command == "decode") {
            options_.command = Command::decode;
            if (options_.key && options_.keyFile) {
                throw OptionError{"give the key with -k or with --key-file, not both"};
            }
            if (options_.files.empty()) {
                throw OptionError{"no file to decode"};
            }
        } else {
            throw OptionError{"unknown command '" + command + "': give code or decode"};
        }
        return options_;
    }

    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
    std::vector<std::string> operands_;
    Options options_;
    bool help_ = false;
    bool version_ = false;
};

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
    return Parser(arguments).parse();
}

}  // namespace zel::cli
