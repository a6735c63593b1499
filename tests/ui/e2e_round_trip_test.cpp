// The tool used as a person uses it: files picked in the platform's file dialogs, "Code file",
// the key read off the window, typed back for "Decode file"; the bytes come back unchanged.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;

TEST(EndToEnd, OneFileCodedWithTheShownKeyDecodesToTheSameBytes) {
    TempFolder folder;
    const Bytes plain = pseudoRandomBytes(5 * 800 + 123, 1);
    writeWholeFile(folder / L"letter.doc", plain);
    ZelProcess zel(folder.widePath());

    ASSERT_TRUE(chooseSources(zel, L"letter.doc"));
    EXPECT_TRUE(chosenAs(zel, folder / L"letter.doc", 1));
    ASSERT_TRUE(chooseDestination(zel, L"letter.zel"));
    EXPECT_EQ(wideWindowText(zel.control(destDisplay)), folder / L"letter.zel");

    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    EXPECT_EQ(zel.text(sourceDisplay), "");
    // Every key number is drawn from 50..255.
    for (int group = 0; group < 3; ++group) {
        const int number = std::stoi(key.substr(group * 3, 3));
        EXPECT_GE(number, 50);
        EXPECT_LE(number, 255);
    }
    const Bytes coded = readWholeFile(folder / L"letter.zel");
    EXPECT_EQ(coded.size(), plain.size() + 3);
    EXPECT_TRUE(coded == codedFileOf(parseKeyText(key), plain));
    EXPECT_TRUE(readWholeFile(folder / L"letter.doc") == plain);

    ASSERT_TRUE(chooseSources(zel, L"letter.zel"));
    decodeChosenFile(zel, L"letter-again.doc", key);
    EXPECT_TRUE(readWholeFile(folder / L"letter-again.doc") == plain);
    EXPECT_EQ(zel.text(keyDisplay), "");
    EXPECT_FALSE(holdsUnfinishedOutput(folder));
    EXPECT_EQ(folder.names(),
              (std::vector<std::wstring>{L"letter-again.doc", L"letter.doc", L"letter.zel"}));
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(EndToEnd, ThreeFilesCodedUnderTheDestinationNameDecodeWithTheOneKey) {
    TempFolder folder;
    // An empty file, one of exactly one chunk, and one a byte past two chunks.
    const std::vector<std::pair<std::wstring, Bytes>> sources = {
        {L"a.txt", {}},
        {L"b.bin", pseudoRandomBytes(800, 2)},
        {L"c d.dat", pseudoRandomBytes(1601, 3)},
    };
    for (const auto& [name, bytes] : sources) {
        writeWholeFile(folder / name, bytes);
    }
    ZelProcess zel(folder.widePath());

    ASSERT_TRUE(chooseSources(zel, L"\"a.txt\" \"b.bin\" \"c d.dat\""));
    EXPECT_TRUE(chosenAs(zel, folder.widePath(), 3));
    ASSERT_TRUE(chooseDestination(zel, L"out"));

    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    EXPECT_FALSE(pathExists(folder / L"out"));
    for (const auto& [name, bytes] : sources) {
        const std::wstring coded = L"out_" + name + L"_ZEL";
        ASSERT_TRUE(pathExists(folder / coded));
        EXPECT_TRUE(readWholeFile(folder / coded) == codedFileOf(parseKeyText(key), bytes));
    }
    for (const auto& [name, bytes] : sources) {
        const std::wstring back = L"back_" + name;
        ASSERT_TRUE(chooseSources(zel, L"out_" + name + L"_ZEL"));
        decodeChosenFile(zel, back, key);
        EXPECT_TRUE(readWholeFile(folder / back) == bytes);
    }
    EXPECT_FALSE(holdsUnfinishedOutput(folder));
    EXPECT_EQ(zel.quit(), 0u);
}

// Names in Cyrillic and Japanese, outside Windows-1252: the program takes UTF-8 through the
// -A calls, so the choosers' answers reach the file system unchanged.
TEST(EndToEnd, NamesOutsideTheWesternCodePageCodeAndDecode) {
    TempFolder folder;
    const std::wstring source = L"\u043f\u0438\u0441\u044c\u043c\u043e.txt";  // письмо
    const std::wstring coded = L"\u6697\u53f7\u5316\u3055\u308c\u305f.zel";   // 暗号化された
    const std::wstring decoded =
        L"\u0432\u043e\u0437\u0432\u0440\u0430\u0442_\u623b.txt";  // возврат_戻
    const Bytes plain = pseudoRandomBytes(2000, 4);
    writeWholeFile(folder / source, plain);
    ZelProcess zel(folder.widePath());

    ASSERT_TRUE(chooseSources(zel, source));
    EXPECT_TRUE(chosenAs(zel, folder / source, 1));
    ASSERT_TRUE(chooseDestination(zel, coded));
    EXPECT_EQ(wideWindowText(zel.control(destDisplay)), folder / coded);
    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    ASSERT_TRUE(pathExists(folder / coded));
    EXPECT_TRUE(readWholeFile(folder / coded) == codedFileOf(parseKeyText(key), plain));

    ASSERT_TRUE(chooseSources(zel, coded));
    decodeChosenFile(zel, decoded, key);
    ASSERT_TRUE(pathExists(folder / decoded));
    EXPECT_TRUE(readWholeFile(folder / decoded) == plain);
    EXPECT_EQ(folder.names().size(), 3u);
    EXPECT_EQ(zel.quit(), 0u);
}

}  // namespace
}  // namespace zel::test
