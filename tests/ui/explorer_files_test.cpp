// Files from Explorer inside this process: what the names are, and drops on a real (hidden)
// main dialog, built with the HDROP Explorer would send.
#include "ui/explorer_files.h"
#include "ui/main_dialog.h"

#include <gtest/gtest.h>

#include "tests/support/recording_host.h"
#include "tests/support/zel_driver.h"
#include "win32/named_paths.h"

#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>

namespace zel::test {
namespace {

using namespace std::string_literals;
using namespace ui;

// The memory Explorer hands over with WM_DROPFILES: a DROPFILES header, then the wide names,
// each ended by NUL, and one NUL more. The receiver frees it with DragFinish.
HDROP makeDrop(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& name : names) {
        list += name + L'\0';
    }
    list += L'\0';
    const std::size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(),
                list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// What each name is, for the rules above. This program runs in Windows-1252, which cannot hold
// a Cyrillic name: such a name is unusable, as it would be to zel.exe before Windows 10 1903.
TEST(NamedPaths, TellFilesFoldersMissingNamesAndNamesTheCodePageCannotHold) {
    TempFolder folder;
    ASSERT_TRUE(CreateDirectoryW((folder / L"inner").c_str(), nullptr));
    writeWholeFile(folder / L"a.txt", {});
    writeWholeFile(folder / L"\u0414\u0430\u043D.txt", {});
    const std::vector<NamedPath> named =
        win32::namedPaths({folder / L"a.txt", folder / L"inner", folder / L"gone.txt",
                           folder / L"\u0414\u0430\u043D.txt", folder / L"inner\\..\\a.txt", L"",
                           folder / L"\u0414\u0430\u043D-gone.txt"});
    ASSERT_EQ(named.size(), 7u);
    const std::string base = narrowOf(folder.widePath());
    EXPECT_EQ(named[0].path, base + "\\a.txt");
    EXPECT_EQ(named[0].kind, NameKind::file);
    EXPECT_EQ(named[1].kind, NameKind::folder);
    EXPECT_EQ(named[2].path, base + "\\gone.txt");
    EXPECT_EQ(named[2].kind, NameKind::missing);
    EXPECT_EQ(named[3].kind, NameKind::unusable);
    EXPECT_EQ(named[4].path, base + "\\a.txt");
    EXPECT_EQ(named[5].kind, NameKind::missing);
    // Unusable also where it names nothing: the name itself would name another file.
    EXPECT_EQ(named[6].kind, NameKind::unusable);
}

// The real main dialog, hidden, with files and a folder in a fresh temporary folder.
class DroppedFilesTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(path(L"inner").c_str(), nullptr));
        for (const wchar_t* name :
             {L"a.txt", L"b c.txt", L"inner\\x.txt", L"\u0414\u0430\u043D.txt"}) {
            writeWholeFile(path(name), {});
        }
        ASSERT_TRUE(dialog_.buildMainDialog());
    }
    void TearDown() override { DestroyWindow(window()); }

    HWND window() { return dialog_.state().mainDialog; }
    std::wstring text(int id) { return wideWindowText(GetDlgItem(window(), id)); }
    std::wstring path(const std::wstring& name) const { return folder_ / name; }
    void drop(const std::vector<std::wstring>& names) {
        SendMessageW(window(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(names)), 0);
    }
    void expectChoice(const std::string& selection, int count, const std::wstring& shown) {
        EXPECT_EQ(choiceOf(dialog_.state().shared), std::pair(count, selection));
        EXPECT_EQ(text(sourceDisplay), shown);
        EXPECT_EQ(text(statusDisplay), L"Files to crypt: " + std::to_wstring(count));
    }

    TempFolder folder_;
    MainDialog dialog_{GetModuleHandleA(nullptr),
                       static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))};
};

TEST_F(DroppedFilesTest, ChoosesOneFileOrSeveralOfOneFolderAsTheChooserDoes) {
    EXPECT_TRUE(GetWindowLongW(window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    drop({path(L"a.txt")});
    expectChoice(narrowOf(path(L"a.txt")) + '\0', 1, path(L"a.txt"));

    drop({path(L"a.txt"), path(L"b c.txt")});
    expectChoice(narrowOf(folder_.widePath()) + "\0a.txt\0b c.txt\0"s, 2, folder_.widePath());

    // Names on the command line may be relative to the current folder.
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(path(L"inner").c_str());
    dialog_.takeExplorerFiles({L"x.txt"});
    SetCurrentDirectoryW(before);
    expectChoice(narrowOf(path(L"inner\\x.txt")) + '\0', 1, path(L"inner\\x.txt"));
}

TEST_F(DroppedFilesTest, ADropDuringAJobChangesNothingEvenWhenHandledAfterIt) {
    dialog_.runJob([this] {
        drop({path(L"a.txt")});
        PostMessageW(window(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({path(L"b c.txt")})),
                     0);
    });
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(choiceOf(dialog_.state().shared), std::pair(0, ""s));
    EXPECT_EQ(text(sourceDisplay), L"");
    EXPECT_EQ(text(statusDisplay), L"Idle . . .");

    // After the job a drop is taken again.
    drop({path(L"b c.txt")});
    expectChoice(narrowOf(path(L"b c.txt")) + '\0', 1, path(L"b c.txt"));
}

}  // namespace
}  // namespace zel::test
