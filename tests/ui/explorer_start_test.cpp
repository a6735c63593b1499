// zel.exe started as Explorer starts it for "Send To" and "Open with": with the files on its
// command line. The choice, the count and any refusal are read from the real window.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"
#include "ui/explorer_choice.h"
#include "win32/text.h"

namespace zel::test {
namespace {

using namespace ui;
using win32::toWide;

const std::wstring cyrillicName = L"\u0414\u0430\u043D.txt";  // Дан.txt, outside Windows-1252

// Starts zel.exe with the coded file, decodes it with the key into the destination.
void decodeStartedWith(const TempFolder& folder, const std::wstring& coded,
                       const std::wstring& destination, const std::string& key) {
    const ZelProcess zel(folder.widePath(), {coded});
    ASSERT_TRUE(chosenAs(zel, folder / coded, 1));
    decodeChosenFile(zel, destination, key);
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(StartedWithFiles, OneFileIsChosenByItsFullPath) {
    TempFolder folder;
    writeWholeFile(folder / L"letter.doc", pseudoRandomBytes(10, 1));
    const ZelProcess zel(folder.widePath(), {L"letter.doc"});
    EXPECT_TRUE(chosenAs(zel, folder / L"letter.doc", 1));
    EXPECT_TRUE(zel.shownDialogs().empty());
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(StartedWithFiles, ThreeFilesOfOneFolderAreCodedAndDecodeToTheSameBytes) {
    TempFolder folder;
    const std::vector<std::pair<std::wstring, Bytes>> sources = {
        {L"a.txt", pseudoRandomBytes(1601, 2)},
        {L"b c.bin", pseudoRandomBytes(800, 3)},
        {cyrillicName, pseudoRandomBytes(5, 4)},
    };
    std::vector<std::wstring> arguments;
    for (const auto& [name, bytes] : sources) {
        writeWholeFile(folder / name, bytes);
        arguments.push_back(folder / name);  // absolute, as Explorer passes them
    }

    std::string key;
    {
        const ZelProcess zel(folder.widePath(), arguments);
        ASSERT_TRUE(chosenAs(zel, folder.widePath(), 3));
        ASSERT_TRUE(chooseDestination(zel, L"out"));
        key = codeChosenFiles(zel);
        ASSERT_TRUE(isKeyText(key)) << key;
        EXPECT_EQ(zel.quit(), 0u);
    }
    for (const auto& [name, bytes] : sources) {
        const std::wstring coded = L"out_" + name + L"_ZEL";
        ASSERT_EQ(fileSize(folder / coded), static_cast<int64_t>(bytes.size() + 3));
        decodeStartedWith(folder, coded, name + L".back", key);
        EXPECT_TRUE(readWholeFile(folder / (name + L".back")) == bytes) << folder.path();
    }
}

// A refusal names the rule, shows the offending path, and leaves nothing chosen: "Code file"
// then finds no source.
void expectRefused(const TempFolder& folder, const std::vector<std::wstring>& arguments,
                   const std::wstring& message) {
    const ZelProcess zel(folder.widePath(), arguments);
    EXPECT_EQ(dismissInfo(zel), std::optional<std::wstring>(message));
    EXPECT_EQ(zel.text(sourceDisplay), "");
    EXPECT_EQ(zel.text(statusDisplay), "Idle . . .");
    zel.click(codeButton);
    EXPECT_EQ(dismissInfo(zel), std::optional<std::wstring>(L"No sourcefile !"));
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(StartedWithFiles, WhatTheChooserCouldNeverReturnIsRefusedWithTheRuleItBreaks) {
    TempFolder folder;
    makeFolder(folder / L"sub");
    writeWholeFile(folder / L"a.txt", {});
    writeWholeFile(folder / L"sub\\x.txt", {});

    expectRefused(folder, {L"a.txt", L"sub\\x.txt"},
                  toWide(text::refusedSeveralFolders) + L"\n" + folder.widePath() + L"\n" +
                      (folder / L"sub"));
    expectRefused(folder, {L"sub"}, toWide(text::refusedFolder) + L"\n" + (folder / L"sub"));
    expectRefused(folder, {L"a.txt", L"missing.txt"},
                  toWide(text::refusedMissing) + L"\n" + (folder / L"missing.txt"));
}

}  // namespace
}  // namespace zel::test
