// zel.exe started as Explorer starts it for "Send To" and "Open with": with the files on its
// command line. The choice, the count and any refusal are read from the real window.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;
using StartedWithFiles = ZelInFolder;

const std::wstring cyrillicName = L"\u0414\u0430\u043D.txt";  // Дан.txt, outside Windows-1252

TEST_F(StartedWithFiles, OneFileIsChosenByItsFullPath) {
    const ZelProcess& zel = startIn({{L"letter.doc", pseudoRandomBytes(10, 1)}}, {L"letter.doc"});
    EXPECT_TRUE(chosenAs(zel, folder_ / L"letter.doc", 1));
    EXPECT_TRUE(zel.shownDialogs().empty());
}

TEST_F(StartedWithFiles, ThreeFilesOfOneFolderAreCodedAndDecodeToTheSameBytes) {
    const NamedFiles sources = {{L"a.txt", pseudoRandomBytes(1601, 2)},
                                {L"b c.bin", pseudoRandomBytes(800, 3)},
                                {cyrillicName, pseudoRandomBytes(5, 4)}};
    std::vector<std::wstring> arguments;
    for (const auto& [name, bytes] : sources) {
        arguments.push_back(folder_ / name);  // absolute, as Explorer passes them
    }

    startIn(sources, arguments);
    ASSERT_TRUE(chosenAs(*zel_, folder_.widePath(), 3));
    ASSERT_TRUE(chooseDestination(*zel_, L"out"));
    const std::string key = codeChosenFiles(*zel_);
    ASSERT_TRUE(isKeyText(key)) << key;
    zel_.reset();  // Quit: each coded file is then opened in a zel.exe of its own.

    for (const auto& [name, bytes] : sources) {
        const std::wstring coded = L"out_" + name + L"_ZEL";
        ASSERT_EQ(fileSize(folder_ / coded), static_cast<int64_t>(bytes.size() + 3));
        const ZelUntilQuit zel(folder_.widePath(), {coded});
        ASSERT_TRUE(chosenAs(zel, folder_ / coded, 1));
        decodeChosenFile(zel, name + L".back", key);
        EXPECT_TRUE(readWholeFile(folder_ / (name + L".back")) == bytes) << folder_.path();
    }
}

// A refusal names the rule, shows the offending path, and leaves nothing chosen: "Code file"
// then finds no source.
void expectRefused(const TempFolder& folder, const std::vector<std::wstring>& arguments,
                   const std::wstring& message) {
    const ZelUntilQuit zel(folder.widePath(), arguments);
    EXPECT_EQ(dismissInfo(zel), std::optional<std::wstring>(message));
    EXPECT_EQ(zel.text(sourceDisplay), "");
    EXPECT_EQ(zel.text(statusDisplay), "Idle . . .");
    zel.click(codeButton);
    EXPECT_EQ(dismissInfo(zel), std::optional<std::wstring>(L"No sourcefile !"));
}

TEST_F(StartedWithFiles, WhatTheChooserCouldNeverReturnIsRefusedWithTheRuleItBreaks) {
    makeFolder(folder_ / L"sub");
    writeWholeFile(folder_ / L"a.txt", {});
    writeWholeFile(folder_ / L"sub\\x.txt", {});

    expectRefused(folder_, {L"a.txt", L"sub\\x.txt"},
                  L"Nothing chosen: the files must all be in one folder.\n" + folder_.widePath() +
                      L"\n" + (folder_ / L"sub"));
    expectRefused(folder_, {L"sub"},
                  L"Nothing chosen: a folder cannot be coded, only files.\n" + (folder_ / L"sub"));
    expectRefused(folder_, {L"a.txt", L"missing.txt"},
                  L"Nothing chosen: this file does not exist.\n" + (folder_ / L"missing.txt"));
}

}  // namespace
}  // namespace zel::test
