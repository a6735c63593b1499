// The tool used as a person uses it: files picked in the platform's file dialogs, "Code file",
// the key read off the window, typed back for "Decode file"; the bytes come back unchanged.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;
using EndToEnd = ZelInFolder;

TEST_F(EndToEnd, OneFileCodedWithTheShownKeyDecodesToTheSameBytes) {
    const Bytes plain = pseudoRandomBytes(5 * 800 + 123, 1);
    const ZelProcess& zel = startIn({{L"letter.doc", plain}});

    ASSERT_TRUE(chooseSources(zel, L"letter.doc"));
    EXPECT_TRUE(chosenAs(zel, folder_ / L"letter.doc", 1));
    ASSERT_TRUE(chooseDestination(zel, L"letter.zel"));
    EXPECT_EQ(zel.wideText(destDisplay), folder_ / L"letter.zel");

    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    EXPECT_EQ(zel.text(sourceDisplay), "");
    // Every key number is drawn from 50..255.
    for (int group = 0; group < 3; ++group) {
        const int number = std::stoi(key.substr(group * 3, 3));
        EXPECT_GE(number, 50);
        EXPECT_LE(number, 255);
    }
    const Bytes coded = readWholeFile(folder_ / L"letter.zel");
    EXPECT_EQ(coded.size(), plain.size() + 3);
    EXPECT_TRUE(coded == codedFileOf(parseKeyText(key), plain));
    EXPECT_TRUE(readWholeFile(folder_ / L"letter.doc") == plain);

    ASSERT_TRUE(chooseSources(zel, L"letter.zel"));
    decodeChosenFile(zel, L"letter-again.doc", key);
    EXPECT_TRUE(readWholeFile(folder_ / L"letter-again.doc") == plain);
    EXPECT_EQ(zel.text(keyDisplay), "");
    EXPECT_EQ(folder_.names(), (Names{L"letter-again.doc", L"letter.doc", L"letter.zel"}));
}

TEST_F(EndToEnd, ThreeFilesCodedUnderTheDestinationNameDecodeWithTheOneKey) {
    // An empty file, one of exactly one chunk, and one a byte past two chunks.
    const NamedFiles sources = {
        {L"a.txt", {}},
        {L"b.bin", pseudoRandomBytes(800, 2)},
        {L"c d.dat", pseudoRandomBytes(1601, 3)},
    };
    const ZelProcess& zel = startIn(sources);

    ASSERT_TRUE(chooseSources(zel, L"\"a.txt\" \"b.bin\" \"c d.dat\""));
    EXPECT_TRUE(chosenAs(zel, folder_.widePath(), 3));
    ASSERT_TRUE(chooseDestination(zel, L"out"));

    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    EXPECT_FALSE(pathExists(folder_ / L"out"));
    for (const auto& [name, bytes] : sources) {
        const std::wstring coded = L"out_" + name + L"_ZEL";
        ASSERT_TRUE(pathExists(folder_ / coded));
        EXPECT_TRUE(readWholeFile(folder_ / coded) == codedFileOf(parseKeyText(key), bytes));
    }
    for (const auto& [name, bytes] : sources) {
        const std::wstring back = L"back_" + name;
        ASSERT_TRUE(chooseSources(zel, L"out_" + name + L"_ZEL"));
        decodeChosenFile(zel, back, key);
        EXPECT_TRUE(readWholeFile(folder_ / back) == bytes);
    }
    EXPECT_FALSE(holdsUnfinishedOutput(folder_));
}

// Names in Cyrillic and Japanese, outside Windows-1252: the program takes UTF-8 through the
// -A calls, so the choosers' answers reach the file system unchanged.
TEST_F(EndToEnd, NamesOutsideTheWesternCodePageCodeAndDecode) {
    const std::wstring source = L"\u043f\u0438\u0441\u044c\u043c\u043e.txt";  // письмо
    const std::wstring coded = L"\u6697\u53f7\u5316\u3055\u308c\u305f.zel";   // 暗号化された
    const std::wstring decoded =
        L"\u0432\u043e\u0437\u0432\u0440\u0430\u0442_\u623b.txt";  // возврат_戻
    const Bytes plain = pseudoRandomBytes(2000, 4);
    const ZelProcess& zel = startIn({{source, plain}});

    ASSERT_TRUE(chooseSources(zel, source));
    EXPECT_TRUE(chosenAs(zel, folder_ / source, 1));
    ASSERT_TRUE(chooseDestination(zel, coded));
    EXPECT_EQ(zel.wideText(destDisplay), folder_ / coded);
    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    ASSERT_TRUE(pathExists(folder_ / coded));
    EXPECT_TRUE(readWholeFile(folder_ / coded) == codedFileOf(parseKeyText(key), plain));

    ASSERT_TRUE(chooseSources(zel, coded));
    decodeChosenFile(zel, decoded, key);
    ASSERT_TRUE(pathExists(folder_ / decoded));
    EXPECT_TRUE(readWholeFile(folder_ / decoded) == plain);
    EXPECT_EQ(folder_.names().size(), 3u);
}

}  // namespace
}  // namespace zel::test
