// The source and destination choosers as the dialog opens them, and the keyboard's ways to
// them (Esc and Enter are the commands IDCANCEL and IDOK, the ids of two buttons).
#include <gtest/gtest.h>

#include <string>

#include "jobs/job_texts.h"
#include "tests/support/zel_driver.h"

namespace zel::test {
namespace {

using namespace ui;

// A fresh folder holding the named empty files.
class FolderWith : public TempFolder {
public:
    explicit FolderWith(std::initializer_list<const char*> files) {
        for (const char* name : files) {
            writeWholeFile(*this / name, {});
        }
    }
};

TEST(SourceChooser, OpensBesideTheDialogAndACancelLeavesNoFilesToCrypt) {
    ZelProcess zel;
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
    EXPECT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 0"; }));
    EXPECT_EQ(zel.text(sourceDisplay), "earlier choice");
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(SourceChooser, ShowsOnePathOrTheFolderOfSeveralFiles) {
    FolderWith folder({"a.txt", "b.txt", "c.txt"});
    ZelProcess zel(folder.path());

    ASSERT_TRUE(chooseSources(zel, L"b.txt"));
    ASSERT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 1"; }));
    EXPECT_STRCASEEQ(zel.text(sourceDisplay).c_str(), (folder.path() + "\\b.txt").c_str());

    ASSERT_TRUE(chooseSources(zel, L"\"a.txt\" \"b.txt\" \"c.txt\""));
    ASSERT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 3"; }));
    EXPECT_STRCASEEQ(zel.text(sourceDisplay).c_str(), folder.path().c_str());
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(DestinationChooser, RefusesAnExistingNameAndAsksAgain) {
    FolderWith folder({"taken.bin"});
    ZelProcess zel(folder.path());
    zel.post(WM_CLOSE, 0, 0);  // the platform turns a close request into IDCANCEL: id 2
    auto chooser = zel.waitForDialog(destinationChooserTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::chooseFiles(chooser->window, L"taken.bin");

    const auto refusal = zel.waitForDialog(text::infoTitle);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->owner, zel.window());
    EXPECT_STRCASEEQ(zel.text(destDisplay).c_str(), (folder.path() + "\\taken.bin").c_str());
    EXPECT_EQ(dismissInfo(zel), L"File already exists !!");

    ASSERT_TRUE(cancelChooser(zel, destinationChooserTitle));
    // The refused name stays on show; nothing is chosen, so a job asks for a destination.
    EXPECT_STRCASEEQ(zel.text(destDisplay).c_str(), (folder.path() + "\\taken.bin").c_str());
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(Keyboard, EscOpensTheDestinationChooserAndEnterInTheKeyEntryTheSourceChooser) {
    ZelProcess zel;
    PostMessageA(zel.control(loadSourceButton), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(cancelChooser(zel, destinationChooserTitle));

    PostMessageA(zel.control(keyEntry), WM_KEYDOWN, VK_RETURN, 1);
    ASSERT_TRUE(cancelChooser(zel, sourceChooserTitle));
    EXPECT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 0"; }));
    EXPECT_EQ(zel.quit(), 0u);
}

TEST(InfoMessages, ShowTheAcuteAccentUnderTheProgramsUtf8CodePage) {
    FolderWith folder({"plain.txt"});
    ZelProcess zel(folder.path());
    ASSERT_TRUE(chooseSources(zel, L"plain.txt"));
    ASSERT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 1"; }));
    ASSERT_TRUE(chooseDestination(zel, L"out.bin"));
    ASSERT_TRUE(waitUntil([&] { return !zel.text(destDisplay).empty(); }));
    zel.setText(keyEntry, "123456789");

    zel.click(decodeButton);  // "Decode file": the empty plain.txt has no marker
    const auto box = zel.waitForDialog(text::infoTitle);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->owner, zel.window());
    EXPECT_EQ(dismissInfo(zel), L"can\u00B4t decode, not a ZEL coded file !!!");
    EXPECT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Idle . . ."; }));
    // A refused file leaves nothing behind.
    EXPECT_FALSE(pathExists(folder / "out.bin"));
    EXPECT_EQ(zel.quit(), 0u);
}

}  // namespace
}  // namespace zel::test
