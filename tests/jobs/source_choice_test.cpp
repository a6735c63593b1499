// The rule that turns files named from outside the chooser into a source choice or a refusal,
// for Windows paths (the dialog, the Windows command line) and POSIX ones.
#include "jobs/source_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/support/recording_host.h"

namespace zel::test {
namespace {

using namespace std::string_literals;

NamedPath file(const std::string& path) {
    return {path, NameKind::file};
}

// The count and the selection of a choice that is not refused.
std::pair<int, std::string> chosen(const std::vector<NamedPath>& paths,
                                   PathStyle style = PathStyle::windows) {
    const SourceChoice choice = sourceChoice(paths, 100, style);
    EXPECT_EQ(choice.refusal, "");
    return choiceOf(choice);
}

std::string refusal(const std::vector<NamedPath>& paths, std::size_t limit = 100,
                    PathStyle style = PathStyle::windows) {
    const SourceChoice choice = sourceChoice(paths, limit, style);
    EXPECT_EQ(choice.count, 0);
    EXPECT_EQ(choice.selection, "");
    return choice.refusal;
}

TEST(SourceChoice, OneFileOrSeveralOfOneFolderAreChosenAsTheChooserAnswers) {
    EXPECT_EQ(chosen({file("C:\\d\\a.txt")}), std::pair(1, "C:\\d\\a.txt\0"s));

    // The folder's case does not make another folder; the first spelling is kept.
    EXPECT_EQ(chosen({file("C:\\d\\a.txt"), file("c:\\D\\b c.bin"), file("C:\\d\\x")}),
              std::pair(3, "C:\\d\0a.txt\0b c.bin\0x\0"s));

    // A drive's root keeps its backslash: "C:" alone is the drive's current folder.
    EXPECT_EQ(chosen({file("C:\\a"), file("C:\\b")}), std::pair(2, "C:\\\0a\0b\0"s));

    // A file named twice is chosen once, else the second coding would meet the first's output.
    EXPECT_EQ(chosen({file("C:\\d\\a"), file("C:\\D\\A"), file("C:\\d\\b")}),
              std::pair(2, "C:\\d\0a\0b\0"s));
    EXPECT_EQ(chosen({file("C:\\d\\a"), file("C:\\d\\a")}), std::pair(1, "C:\\d\\a\0"s));

    EXPECT_EQ(chosen({}), std::pair(0, ""s));
}

TEST(SourceChoice, PosixPathsSplitAtSlashesOnlyAndKeepTheirCase) {
    const PathStyle posix = PathStyle::posix;
    EXPECT_EQ(chosen({file("/d/a"), file("/d/A"), file("/d/b\\c")}, posix),
              std::pair(3, "/d\0a\0A\0b\\c\0"s));
    EXPECT_EQ(chosen({file("/a"), file("/b")}, posix), std::pair(2, "/\0a\0b\0"s));
    EXPECT_EQ(chosen({file("/d/a"), file("/d/a")}, posix), std::pair(1, "/d/a\0"s));
    EXPECT_EQ(refusal({file("/d/a"), file("/D/b")}, 100, posix),
              "Nothing chosen: the files must all be in one folder.\n/d\n/D");
}

TEST(SourceChoice, RefusesWhatTheChooserCouldNeverReturnAndSaysWhy) {
    EXPECT_EQ(refusal({file("C:\\d\\a"), {"C:\\d\\gone", NameKind::missing}}),
              "Nothing chosen: this file does not exist.\nC:\\d\\gone");
    EXPECT_EQ(refusal({{"C:\\d\\sub", NameKind::folder}, file("C:\\d\\a")}),
              "Nothing chosen: a folder cannot be coded, only files.\nC:\\d\\sub");
    EXPECT_EQ(refusal({{"C:\\d\\?.txt", NameKind::unusable}}),
              "Nothing chosen: this name has characters this system's code page cannot hold."
              "\nC:\\d\\?.txt");
    EXPECT_EQ(refusal({file("C:\\d\\a"), file("C:\\d\\b"), file("C:\\e\\c")}),
              "Nothing chosen: the files must all be in one folder.\nC:\\d\nC:\\e");
    // "C:\d\e\f" is not in "C:\d".
    EXPECT_EQ(refusal({file("C:\\d\\a"), file("C:\\d\\e\\f")}),
              "Nothing chosen: the files must all be in one folder.\nC:\\d\nC:\\d\\e");

    // The selection and the empty piece that ends it must fit the chooser's buffer.
    const std::vector<NamedPath> two = {file("C:\\d\\a"), file("C:\\d\\b")};  // "C:\d\0a\0b\0\0"
    EXPECT_EQ(sourceChoice(two, 10, PathStyle::windows).count, 2);
    EXPECT_EQ(refusal(two, 9), "Nothing chosen: too many files at once.\n2 files");
    EXPECT_EQ(sourceChoice({file("C:\\a")}, 6, PathStyle::windows).count, 1);  // "C:\a\0\0"
    EXPECT_EQ(refusal({file("C:\\a")}, 5), "Nothing chosen: too many files at once.\n1 files");

    // The shared state counts the files in 16 bits.
    std::vector<NamedPath> many;
    for (int i = 0; i <= 32767; ++i) {
        many.push_back(file("/d/" + std::to_string(i)));
    }
    EXPECT_EQ(refusal(many, SIZE_MAX, PathStyle::posix),
              "Nothing chosen: too many files at once.\n32768 files");
    many.pop_back();
    EXPECT_EQ(sourceChoice(many, SIZE_MAX, PathStyle::posix).count, 32767);
}

}  // namespace
}  // namespace zel::test
