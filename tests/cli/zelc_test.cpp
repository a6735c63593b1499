// zelc.exe, the console program beside zel.exe, under Wine: a round trip with a name outside
// the western code page, and a file that zel.exe coded through its dialog decodes with it.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

// A file's time of last modification, set or read.
constexpr uint64_t in2020 = 132223104000000000;  // 2020-01-01 in 100 ns since 1601
void setModified(const AnyPath& path, uint64_t time) {
    const win32::KernelHandle file = openFile(path, FILE_WRITE_ATTRIBUTES, 0, OPEN_EXISTING);
    const FILETIME modified{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SetFileTime(file.get(), nullptr, nullptr, &modified);
}
uint64_t modifiedOf(const AnyPath& path) {
    const win32::KernelHandle file = openFile(path, FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING);
    FILETIME modified{};
    GetFileTime(file.get(), nullptr, nullptr, &modified);
    return (uint64_t{modified.dwHighDateTime} << 32) | modified.dwLowDateTime;
}

class Zelc : public ZelInFolder {
protected:
    ProgramRun zelc(const std::vector<std::wstring>& arguments) const {
        return runToEnd(wideOf(windowsPath(ZELC_EXE_PATH)), arguments, folder_.widePath());
    }
};

TEST_F(Zelc, CodesAndDecodesNamesInAnyScriptAndSaysWhyInUtf8) {
    const std::wstring source = L"\u043f\u0438\u0441\u044c\u043c\u043e.txt";  // письмо
    const Bytes plain = pseudoRandomBytes(3000, 7);
    writeWholeFile(folder_ / source, plain);
    setModified(folder_ / source, in2020);

    const ProgramRun coded = zelc({L"code", source});
    EXPECT_EQ(coded.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(coded.error, "");
    ASSERT_EQ(coded.output.size(), 10u) << coded.output;
    const std::string key = coded.output.substr(0, 9);
    EXPECT_TRUE(isKeyText(key) && coded.output.back() == '\n') << coded.output;
    EXPECT_TRUE(readWholeFile(folder_ / (source + L"_ZEL")) ==
                codedFileOf(parseKeyText(key), plain));

    const ProgramRun decoded =
        zelc({L"decode", L"-k", wideOf(key), source + L"_ZEL", L"-o", L"back.txt"});
    EXPECT_EQ(decoded.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(decoded.output + decoded.error, "");
    EXPECT_TRUE(readWholeFile(folder_ / L"back.txt") == plain);
    // The time of the source, kept both ways.
    EXPECT_EQ(modifiedOf(folder_ / (source + L"_ZEL")), in2020);
    EXPECT_EQ(modifiedOf(folder_ / L"back.txt"), in2020);

    const ProgramRun refused = zelc({L"decode", L"-k", L"123456789", source, L"-o", L"x"});
    EXPECT_EQ(refused.exitCode, std::optional<DWORD>(1));
    EXPECT_EQ(refused.error,
              "zelc: can\xC2\xB4t decode, not a ZEL coded file !!! "
              "\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C\xD0\xBC\xD0\xBE.txt\n");  // письмо.txt
    EXPECT_EQ(folder_.names().size(), 3u);
}

TEST_F(Zelc, DecodesAFileThatTheDialogCoded) {
    const Bytes plain = pseudoRandomBytes(5 * 800 + 17, 8);
    const ZelProcess& zel = startIn({{L"letter.doc", plain}});
    ASSERT_TRUE(chooseSources(zel, L"letter.doc"));
    ASSERT_TRUE(chooseDestination(zel, L"letter.zel"));
    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;

    const ProgramRun decoded =
        zelc({L"decode", L"--key", wideOf(key), L"-o", L"letter-again.doc", L"letter.zel"});
    EXPECT_EQ(decoded.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(decoded.output + decoded.error, "");
    EXPECT_TRUE(readWholeFile(folder_ / L"letter-again.doc") == plain);
}

}  // namespace
}  // namespace zel::test
