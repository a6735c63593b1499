// The tool used as a person uses it: files picked in the platform's file dialogs, "Code file",
// the key read off the window, typed back for "Decode file"; the bytes come back unchanged.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;

class EndToEnd : public ZelInFolder {
protected:
    // One file coded and decoded, each name chosen in the file dialogs: the coded bytes are those
    // of the shown key (kept in key_), the source stays unchanged, the bytes come back, and the
    // folder holds the three files alone.
    void roundTrip(const std::wstring& source, const Bytes& plain, const std::wstring& coded,
                   const std::wstring& decoded) {
        const ZelProcess& zel = startIn({{source, plain}});
        ASSERT_TRUE(chooseSources(zel, source));
        EXPECT_TRUE(chosenAs(zel, folder_ / source, 1));
        ASSERT_TRUE(chooseDestination(zel, coded));
        EXPECT_EQ(zel.wideText(destDisplay), folder_ / coded);

        key_ = codeChosenFiles(zel);
        ASSERT_TRUE(isKeyText(key_)) << key_;
        EXPECT_EQ(zel.text(sourceDisplay), "");
        EXPECT_EQ(fileSize(folder_ / coded), static_cast<int64_t>(plain.size() + 3));
        EXPECT_TRUE(readWholeFile(folder_ / coded) == codedFileOf(parseKeyText(key_), plain));
        EXPECT_TRUE(readWholeFile(folder_ / source) == plain);

        ASSERT_TRUE(chooseSources(zel, coded));
        decodeChosenFile(zel, decoded, key_);
        EXPECT_TRUE(readWholeFile(folder_ / decoded) == plain);
        EXPECT_EQ(zel.text(keyDisplay), "");
        Names all{source, coded, decoded};
        std::sort(all.begin(), all.end());
        EXPECT_EQ(folder_.names(), all);
    }

    std::string key_;
};

TEST_F(EndToEnd, OneFileCodedWithTheShownKeyDecodesToTheSameBytes) {
    roundTrip(L"letter.doc", pseudoRandomBytes(5 * 800 + 123, 1), L"letter.zel",
              L"letter-again.doc");
    // Every key number is drawn from 50..255.
    for (int group = 0; group < 3 && isKeyText(key_); ++group) {
        const int number = std::stoi(key_.substr(group * 3, 3));
        EXPECT_GE(number, 50);
        EXPECT_LE(number, 255);
    }
}

TEST_F(EndToEnd, ThreeFilesCodedUnderTheDestinationNameDecodeWithTheOneKey) {
    // An empty file, one of exactly one chunk, and one a byte past two chunks.
    const NamedFiles sources = {{L"a.txt", {}},
                                {L"b.bin", pseudoRandomBytes(800, 2)},
                                {L"c d.dat", pseudoRandomBytes(1601, 3)}};
    const ZelProcess& zel = startIn(sources);

    ASSERT_TRUE(chooseSources(zel, L"\"a.txt\" \"b.bin\" \"c d.dat\""));
    EXPECT_TRUE(chosenAs(zel, folder_.widePath(), 3));
    ASSERT_TRUE(chooseDestination(zel, L"out"));

    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    EXPECT_FALSE(pathExists(folder_ / L"out"));
    for (const auto& [name, bytes] : sources) {
        const std::wstring coded = L"out_" + name + L"_ZEL", back = L"back_" + name;
        ASSERT_TRUE(pathExists(folder_ / coded));
        EXPECT_TRUE(readWholeFile(folder_ / coded) == codedFileOf(parseKeyText(key), bytes));
        ASSERT_TRUE(chooseSources(zel, coded));
        decodeChosenFile(zel, back, key);
        EXPECT_TRUE(readWholeFile(folder_ / back) == bytes);
    }
    EXPECT_FALSE(holdsUnfinishedOutput(folder_));
}

// Names in Cyrillic and Japanese, outside Windows-1252: the program takes UTF-8 through the
// -A calls, so the choosers' answers reach the file system unchanged.
TEST_F(EndToEnd, NamesOutsideTheWesternCodePageCodeAndDecode) {
    roundTrip(L"\u043f\u0438\u0441\u044c\u043c\u043e.txt",  // письмо
              pseudoRandomBytes(2000, 4),
              L"\u6697\u53f7\u5316\u3055\u308c\u305f.zel",                // 暗号化された
              L"\u0432\u043e\u0437\u0432\u0440\u0430\u0442_\u623b.txt");  // возврат_戻
}

}  // namespace
}  // namespace zel::test
