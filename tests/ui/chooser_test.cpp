// The source and destination choosers as the dialog opens them, and the keyboard's ways to
// them (Esc and Enter are the commands IDCANCEL and IDOK, the ids of two buttons).
#include <gtest/gtest.h>

#include <string>

#include "zel_driver.h"

namespace zel::test {
namespace {

constexpr int loadSourceButton = 1;
constexpr int quitButton = 5;
constexpr int sourceDisplay = 10;
constexpr int destDisplay = 11;
constexpr int statusDisplay = 12;
constexpr int keyEntry = 16;

constexpr char sourceTitle[] = "Select sourcefile";
constexpr char destinationTitle[] = "Select destination";

// A fresh folder holding the named empty files; removed afterwards.
class TemporaryFolder {
public:
    explicit TemporaryFolder(std::initializer_list<const char*> files) {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "zel_chooser_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(GetTickCount64());
        CreateDirectoryA(path_.c_str(), nullptr);
        for (const char* name : files) {
            const HANDLE file = CreateFileA((path_ + "\\" + name).c_str(), GENERIC_WRITE, 0,
                                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            CloseHandle(file);
            files_.push_back(name);
        }
    }
    ~TemporaryFolder() {
        for (const std::string& name : files_) {
            DeleteFileA((path_ + "\\" + name).c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

void quit(ZelProcess& zel) {
    zel.click(quitButton);
    EXPECT_EQ(zel.waitForExit(), std::optional<DWORD>(0));
}

TEST(SourceChooser, OpensBesideTheDialogAndACancelLeavesNoFilesToCrypt) {
    ZelProcess zel;
    zel.setText(sourceDisplay, "earlier choice");
    zel.click(loadSourceButton);
    const auto chooser = zel.waitForDialog(sourceTitle);
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
    quit(zel);
}

TEST(SourceChooser, ShowsOnePathOrTheFolderOfSeveralFiles) {
    TemporaryFolder folder({"a.txt", "b.txt", "c.txt"});
    ZelProcess zel(folder.path());

    zel.click(loadSourceButton);
    auto chooser = zel.waitForDialog(sourceTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::chooseFiles(chooser->window, "b.txt");
    ASSERT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 1"; }));
    EXPECT_STRCASEEQ(zel.text(sourceDisplay).c_str(), (folder.path() + "\\b.txt").c_str());

    zel.click(loadSourceButton);
    chooser = zel.waitForDialog(sourceTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::chooseFiles(chooser->window, "\"a.txt\" \"b.txt\" \"c.txt\"");
    ASSERT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 3"; }));
    EXPECT_STRCASEEQ(zel.text(sourceDisplay).c_str(), folder.path().c_str());
    quit(zel);
}

TEST(DestinationChooser, RefusesAnExistingNameAndAsksAgain) {
    TemporaryFolder folder({"taken.bin"});
    ZelProcess zel(folder.path());
    zel.post(WM_CLOSE, 0, 0);  // the platform turns a close request into IDCANCEL: id 2
    auto chooser = zel.waitForDialog(destinationTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::chooseFiles(chooser->window, "taken.bin");

    const auto refusal = zel.waitForDialog("ZEL 0.23 - Info");
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, "File already exists !!");
    EXPECT_EQ(refusal->owner, zel.window());
    EXPECT_STRCASEEQ(zel.text(destDisplay).c_str(), (folder.path() + "\\taken.bin").c_str());
    ZelProcess::pressOk(refusal->window);

    chooser = zel.waitForDialog(destinationTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::pressCancel(chooser->window);
    ASSERT_TRUE(zel.waitUntilGone(destinationTitle));
    ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(zel.window()) != 0; }));
    // The refused name stays on show; nothing is chosen, so a job asks for a destination.
    EXPECT_STRCASEEQ(zel.text(destDisplay).c_str(), (folder.path() + "\\taken.bin").c_str());
    quit(zel);
}

TEST(Keyboard, EscOpensTheDestinationChooserAndEnterInTheKeyEntryTheSourceChooser) {
    ZelProcess zel;
    PostMessageA(zel.control(loadSourceButton), WM_KEYDOWN, VK_ESCAPE, 1);
    auto chooser = zel.waitForDialog(destinationTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::pressCancel(chooser->window);
    ASSERT_TRUE(zel.waitUntilGone(destinationTitle));

    PostMessageA(zel.control(keyEntry), WM_KEYDOWN, VK_RETURN, 1);
    chooser = zel.waitForDialog(sourceTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::pressCancel(chooser->window);
    EXPECT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 0"; }));
    quit(zel);
}

TEST(InfoMessages, ShowTheAcuteAccentUnderTheProgramsUtf8CodePage) {
    TemporaryFolder folder({"plain.txt"});
    ZelProcess zel(folder.path());
    zel.click(loadSourceButton);
    auto chooser = zel.waitForDialog(sourceTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::chooseFiles(chooser->window, "plain.txt");
    ASSERT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Files to crypt: 1"; }));
    zel.click(2);
    chooser = zel.waitForDialog(destinationTitle);
    ASSERT_TRUE(chooser.has_value());
    ZelProcess::chooseFiles(chooser->window, "out.bin");
    ASSERT_TRUE(waitUntil([&] { return !zel.text(destDisplay).empty(); }));
    zel.setText(keyEntry, "123456789");

    zel.click(4);  // "Decode file": the empty plain.txt has no marker
    const auto box = zel.waitForDialog("ZEL 0.23 - Info");
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(wideWindowText(GetDlgItem(box->window, 0xFFFF)),
              L"can\u00B4t decode, not a ZEL coded file !!!");
    EXPECT_EQ(box->owner, zel.window());
    ZelProcess::pressOk(box->window);
    EXPECT_TRUE(waitUntil([&] { return zel.text(statusDisplay) == "Idle . . ."; }));
    // A refused file leaves nothing behind.
    EXPECT_EQ(GetFileAttributesA((folder.path() + "\\out.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    quit(zel);
}

}  // namespace
}  // namespace zel::test
