// The command line's options on their own: the forms a Unix user writes, and every conflict
// that makes the command line wrong.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace zel::cli {
namespace {

using Words = std::vector<std::string>;

auto fieldsOf(const Options& o) {
    return std::make_tuple(o.command, o.files, o.destination, o.key, o.keyFile, o.quiet);
}

TEST(Options, ShortLongGroupedAttachedAndEndedAllReadAlike) {
    const Words files = {"a.txt", "-notes.txt", "--", "-q"};
    const auto expected =
        std::make_tuple(Command::code, files, std::optional<std::string>("out"),
                        std::optional<std::string>(), std::optional<std::string>(), true);
    for (const Words& words : {
             Words{"code", "-qo", "out", "a.txt", "--", "-notes.txt", "--", "-q"},
             Words{"-q", "code", "-oout", "a.txt", "--", "-notes.txt", "--", "-q"},
             Words{"code", "a.txt", "--output=out", "--quiet", "--", "-notes.txt", "--", "-q"},
             Words{"code", "--output", "out", "a.txt", "-q", "--", "-notes.txt", "--", "-q"},
         }) {
        const ParsedOptions parsed = parseOptions(words);
        EXPECT_EQ(parsed.usageError, "") << testing::PrintToString(words);
        EXPECT_EQ(fieldsOf(parsed.options), expected) << testing::PrintToString(words);
    }

    // "-" alone is a name, and a value may start with a dash.
    const ParsedOptions decode = parseOptions({"decode", "-k", "-12345678", "--key-file=-", "-"});
    EXPECT_EQ(decode.usageError, "give the key with -k or with --key-file, not both");
    const ParsedOptions keyed = parseOptions({"decode", "-k-12345678", "-o", "-x", "-"});
    EXPECT_EQ(fieldsOf(keyed.options),
              std::make_tuple(Command::decode, Words{"-"}, std::optional<std::string>("-x"),
                              std::optional<std::string>("-12345678"), std::optional<std::string>(),
                              false));
}

TEST(Options, ConflictsAndMistakesAreUsageErrorsAndHelpWinsOverTheRest) {
    const std::pair<Words, std::string> wrong[] = {
        {{}, "no command: give code or decode"},
        {{"encode", "a"}, "unknown command 'encode': give code or decode"},
        {{"code"}, "no files to code"},
        {{"code", "-x", "a"}, "unknown option '-x'"},
        {{"code", "-qx", "a"}, "unknown option '-x'"},
        {{"code", "--colour", "a"}, "unknown option '--colour'"},
        {{"code", "a", "-o"}, "option '-o' needs a value"},
        {{"code", "a", "--output"}, "option '--output' needs a value"},
        {{"code", "--quiet=yes", "a"}, "option '--quiet' takes no value"},
        {{"code", "-k", "123456789", "a"},
         "code draws its own key: -k and --key-file are for decode"},
        {{"code", "--key-file", "k", "a"},
         "code draws its own key: -k and --key-file are for decode"},
        {{"decode"}, "no file to decode"},
        {{"decode", "-k", "1", "--key-file", "k", "a_ZEL"},
         "give the key with -k or with --key-file, not both"},
    };
    for (const auto& [words, problem] : wrong) {
        EXPECT_EQ(parseOptions(words).usageError, problem) << testing::PrintToString(words);
    }
    EXPECT_EQ(parseOptions({"code", "-k", "1", "--help"}).options.command, Command::help);
    EXPECT_EQ(parseOptions({"--version", "decode"}).options.command, Command::version);
    EXPECT_EQ(parseOptions({"--help", "-x"}).usageError, "unknown option '-x'");
}

}  // namespace
}  // namespace zel::cli
