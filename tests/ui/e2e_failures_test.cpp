// What the user is told when a choice or a file is not right, through the real window and file
// dialogs: the message, no existing file changed, nothing half-written left behind.
#include <gtest/gtest.h>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;

const std::wstring cantReadSource = L"can\u00B4t read sourcefile !!\n";

class Failures : public ZelInFolder {
protected:
    // Chooses the source and the destination, and types the key when one is given.
    void choose(const std::wstring& source, const std::wstring& destination,
                const std::string& key = {}) {
        ASSERT_TRUE(chooseSources(*zel_, source));
        ASSERT_TRUE(chooseDestination(*zel_, destination));
        ASSERT_TRUE(key.empty() || typeKey(*zel_, key));
    }
    // Clicks the job's button: the job reports the message and ends.
    void expectReported(int button, const std::wstring& message) {
        zel_->click(button);
        EXPECT_EQ(dismissInfo(*zel_), message);
        ASSERT_TRUE(waitForJobEnd(*zel_));
    }
};

TEST_F(Failures, ExistingDestinationIsRefusedAndAskedForAgainUntilCancelled) {
    const Bytes taken = pseudoRandomBytes(100, 10);
    startIn({{L"plain.txt", pseudoRandomBytes(10, 11)}, {L"taken.bin", taken}});
    choose(L"plain.txt", L"taken.bin");
    EXPECT_EQ(dismissInfo(*zel_), L"File already exists !!");
    ASSERT_TRUE(cancelChooser(*zel_, destinationChooserTitle));
    EXPECT_EQ(zel_->wideText(destDisplay), folder_ / L"taken.bin");

    // Nothing is chosen as destination now.
    zel_->click(codeButton);
    EXPECT_EQ(dismissInfo(*zel_), L"No destfile !");
    EXPECT_TRUE(readWholeFile(folder_ / L"taken.bin") == taken);
    EXPECT_EQ(folder_.names(), (Names{L"plain.txt", L"taken.bin"}));
}

TEST_F(Failures, CancellingTheSourceChooserAfterAChoiceLeavesNoSource) {
    startIn({{L"plain.txt", pseudoRandomBytes(10, 12)}});
    ASSERT_TRUE(chooseSources(*zel_, L"plain.txt"));
    ASSERT_TRUE(chosenAs(*zel_, folder_ / L"plain.txt", 1));
    ASSERT_TRUE(chooseDestination(*zel_, L"out.zel"));

    ASSERT_TRUE(cancelSourceChooser(*zel_));
    EXPECT_TRUE(chosenAs(*zel_, folder_ / L"plain.txt", 0));
    zel_->click(codeButton);
    EXPECT_EQ(dismissInfo(*zel_), L"No sourcefile !");
    zel_->click(decodeButton);
    EXPECT_EQ(dismissInfo(*zel_), L"No sourcefile !");
    EXPECT_EQ(folder_.names(), (Names{L"plain.txt"}));
}

TEST_F(Failures, KeyOfTheWrongLengthIsRefusedAndCanBeCorrected) {
    const Bytes plain = pseudoRandomBytes(3000, 13);
    const std::string key = "077150201";
    startIn({{L"coded.zel", codedFileOf(parseKeyText(key), plain)}});

    choose(L"coded.zel", L"back.txt", key.substr(0, 8));
    for (const std::string& typed : {key.substr(0, 8), key + "0"}) {
        ASSERT_TRUE(typeKey(*zel_, typed));
        zel_->click(decodeButton);
        EXPECT_EQ(dismissInfo(*zel_), L"invalid decodekeylength !!");
        // The choices and the typed text stay, so the user can correct the key.
        EXPECT_EQ(zel_->text(keyEntry), typed);
        EXPECT_EQ(zel_->wideText(sourceDisplay), folder_ / L"coded.zel");
        EXPECT_EQ(zel_->wideText(destDisplay), folder_ / L"back.txt");
        EXPECT_FALSE(pathExists(folder_ / L"back.txt"));
    }
    ASSERT_TRUE(typeKey(*zel_, key));
    zel_->click(decodeButton);
    ASSERT_TRUE(waitForJobEnd(*zel_));
    EXPECT_TRUE(readWholeFile(folder_ / L"back.txt") == plain);
}

TEST_F(Failures, FileThatIsNotCodedIsRefusedAndLeavesNothing) {
    // "zel" in lower case is not the marker.
    const Bytes plain{'z', 'e', 'l', 1, 2, 3};
    startIn({{L"plain.txt", plain}});
    choose(L"plain.txt", L"out.txt", "123456789");
    expectReported(decodeButton, L"can\u00B4t decode, not a ZEL coded file !!!");
    EXPECT_EQ(zel_->text(keyEntry), "");
    EXPECT_TRUE(readWholeFile(folder_ / L"plain.txt") == plain);
    EXPECT_EQ(folder_.names(), (Names{L"plain.txt"}));
}

// The source chooser takes the name of a file that does not exist; the jobs say so and
// create nothing, neither the source nor an output.
TEST_F(Failures, MissingSourceIsReportedWithItsPathAndNothingIsCreated) {
    startIn({});
    choose(L"ghost.bin", L"out.zel");
    const std::wstring cantReadGhost =
        cantReadSource + (folder_ / L"ghost.bin") + L"\nFile not found.";
    expectReported(codeButton, cantReadGhost);
    // The run still ends as usual, with a key.
    EXPECT_EQ(zel_->text(keyDisplay).size(), 9u);
    EXPECT_TRUE(folder_.names().empty());

    choose(L"ghost.bin", L"out.txt", "123456789");
    expectReported(decodeButton, cantReadGhost);
    EXPECT_TRUE(folder_.names().empty());
}

TEST_F(Failures, SourceHeldOpenByAnotherProgramIsReportedAndLeftAlone) {
    const Bytes plain = pseudoRandomBytes(2000, 14);
    const std::string key = "199088250";
    startIn({{L"plain.txt", plain}, {L"coded.zel", codedFileOf(parseKeyText(key), plain)}});
    for (const bool coding : {true, false}) {
        const std::wstring source = coding ? L"plain.txt" : L"coded.zel";
        const win32::KernelHandle held = openUnshared(folder_ / source);
        ASSERT_TRUE(held.valid());
        choose(source, coding ? L"again.zel" : L"back.txt", coding ? "" : key);
        expectReported(coding ? codeButton : decodeButton,
                       cantReadSource + (folder_ / source) + L"\nSharing violation.");
    }
    EXPECT_TRUE(readWholeFile(folder_ / L"plain.txt") == plain);
    EXPECT_EQ(folder_.names(), (Names{L"coded.zel", L"plain.txt"}));
}

// One output name of a run over several files is taken: that file is reported and kept as it
// is, the others are coded.
TEST_F(Failures, TakenOutputNameInARunOverSeveralFilesIsReportedAndTheOthersAreCoded) {
    const Bytes a = pseudoRandomBytes(900, 15);
    const Bytes c = pseudoRandomBytes(10, 16);
    const Bytes taken = pseudoRandomBytes(50, 17);
    startIn({{L"a.txt", a},
             {L"b.txt", pseudoRandomBytes(70, 18)},
             {L"c.txt", c},
             {L"out_b.txt_ZEL", taken}});
    choose(L"\"a.txt\" \"b.txt\" \"c.txt\"", L"out");
    expectReported(codeButton, L"File already exists !!\n" + (folder_ / L"out_b.txt_ZEL"));
    const std::string key = zel_->text(keyDisplay);
    ASSERT_EQ(key.size(), 9u);
    EXPECT_TRUE(readWholeFile(folder_ / L"out_b.txt_ZEL") == taken);
    EXPECT_EQ(fileSize(folder_ / L"out_a.txt_ZEL"), 903);
    EXPECT_EQ(fileSize(folder_ / L"out_c.txt_ZEL"), 13);
    EXPECT_FALSE(holdsUnfinishedOutput(folder_));

    ASSERT_TRUE(chooseSources(*zel_, L"out_c.txt_ZEL"));
    decodeChosenFile(*zel_, L"c.back", key);
    EXPECT_TRUE(readWholeFile(folder_ / L"c.back") == c);
}

}  // namespace
}  // namespace zel::test
