// The source and destination choosers as the dialog opens them, and the keyboard's ways to
// them (Esc and Enter are the commands IDCANCEL and IDOK, the ids of two buttons).
#include <gtest/gtest.h>

#include <string>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;
using SourceChooser = ZelInFolder;
using DestinationChooser = ZelInFolder;
using InfoMessages = ZelInFolder;

TEST_F(SourceChooser, OpensBesideTheDialogAndACancelLeavesNoFilesToCrypt) {
    const ZelProcess& zel = startIn({});
    zel.setText(sourceDisplay, "earlier choice");
    zel.click(loadSourceButton);
    const auto chooser = zel.waitForDialog(sourceChooserTitle);
    ASSERT_TRUE(chooser.has_value());
    EXPECT_EQ(chooser->owner, zel.window());
    EXPECT_FALSE(IsWindowEnabled(zel.window()));
    RECT dialog{}, placed{};
    GetWindowRect(zel.window(), &dialog);
    GetWindowRect(chooser->window, &placed);
    EXPECT_EQ(placed.left, dialog.left + 30);
    EXPECT_EQ(placed.top, dialog.top + 30);

    ZelProcess::pressCancel(chooser->window);
    EXPECT_TRUE(chosenAs(zel, L"earlier choice", 0));
}

TEST_F(SourceChooser, ShowsOnePathOrTheFolderOfSeveralFiles) {
    const ZelProcess& zel = startIn({{L"a.txt", {}}, {L"b.txt", {}}, {L"c.txt", {}}});
    ASSERT_TRUE(chooseSources(zel, L"b.txt"));
    ASSERT_TRUE(chosenAs(zel, folder_ / L"b.txt", 1));

    ASSERT_TRUE(chooseSources(zel, L"\"a.txt\" \"b.txt\" \"c.txt\""));
    ASSERT_TRUE(chosenAs(zel, folder_.widePath(), 3));
}

TEST_F(DestinationChooser, RefusesAnExistingNameAndAsksAgain) {
    const ZelProcess& zel = startIn({{L"taken.bin", {}}});
    zel.post(WM_CLOSE, 0, 0);  // the platform turns a close request into IDCANCEL: id 2
    auto chooser = zel.waitForDialog(destinationChooserTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::chooseFiles(chooser->window, L"taken.bin");

    const auto refusal = zel.waitForDialog(infoTitle);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->owner, zel.window());
    EXPECT_EQ(zel.wideText(destDisplay), folder_ / L"taken.bin");
    EXPECT_EQ(dismissInfo(zel), L"File already exists !!");

    ASSERT_TRUE(cancelChooser(zel, destinationChooserTitle));
    // The refused name stays on show; nothing is chosen, so a job asks for a destination.
    EXPECT_EQ(zel.wideText(destDisplay), folder_ / L"taken.bin");
}

TEST(Keyboard, EscOpensTheDestinationChooserAndEnterInTheKeyEntryTheSourceChooser) {
    const ZelUntilQuit zel;
    PostMessageA(zel.control(loadSourceButton), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(cancelChooser(zel, destinationChooserTitle));

    PostMessageA(zel.control(keyEntry), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_TRUE(cancelChooser(zel, sourceChooserTitle));
    EXPECT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 0"; }));
}

TEST_F(InfoMessages, ShowTheAcuteAccentUnderTheProgramsUtf8CodePage) {
    const ZelProcess& zel = startIn({{L"plain.txt", {}}});
    ASSERT_TRUE(chooseSources(zel, L"plain.txt"));
    ASSERT_TRUE(chosenAs(zel, folder_ / L"plain.txt", 1));
    ASSERT_TRUE(chooseDestination(zel, L"out.bin"));
    ASSERT_TRUE(waitUntil([&] { return !zel.text(destDisplay).empty(); }));
    zel.setText(keyEntry, "123456789");

    zel.click(decodeButton);  // "Decode file": the empty plain.txt has no marker
    const auto box = zel.waitForDialog(infoTitle);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->owner, zel.window());
    EXPECT_EQ(dismissInfo(zel), L"can\u00B4t decode, not a ZEL coded file !!!");
    EXPECT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Idle . . ."; }));
    // A refused file leaves nothing behind.
    EXPECT_FALSE(pathExists(folder_ / L"out.bin"));
}

}  // namespace
}  // namespace zel::test
