// The steps the end-to-end tests repeat, checked as they go: files chosen, coded, decoded.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/zel_driver.h"

namespace zel::test {

// zel.exe for one case, which the case leaves with "Quit": the program must then end normally.
class ZelUntilQuit : public ZelProcess {
public:
    using ZelProcess::ZelProcess;
    ~ZelUntilQuit() { EXPECT_EQ(quit(), 0u); }
};

// Files by name, to be written into a folder.
using NamedFiles = std::vector<std::pair<std::wstring, Bytes>>;

// A fresh folder, and zel.exe started there once the case has put its files in.
class ZelInFolder : public testing::Test {
protected:
    const ZelProcess& startIn(const NamedFiles& files,
                              const std::vector<std::wstring>& arguments = {}) {
        for (const auto& [name, bytes] : files) {
            writeWholeFile(folder_ / name, bytes);
        }
        return zel_.emplace(folder_.widePath(), arguments);
    }

    TempFolder folder_;
    std::optional<ZelUntilQuit> zel_;
};

// Waits until the window shows the choice: the path (or folder) and the count.
inline bool chosenAs(const ZelProcess& zel, const std::wstring& shown, int count) {
    return waitUntil([&] {
        return zel.wideText(ui::sourceDisplay) == shown &&
               zel.text(ui::statusDisplay) == "Files to crypt: " + std::to_string(count);
    });
}

// "Code file" after the choices: the job ends without a message. The key the window shows
// then, empty when the job did not end.
inline std::string codeChosenFiles(const ZelProcess& zel) {
    zel.click(ui::codeButton);
    if (!waitForJobEnd(zel)) {
        ADD_FAILURE() << "the coding job did not end";
        return {};
    }
    EXPECT_TRUE(zel.shownDialogs().empty());
    return zel.text(ui::keyDisplay);
}

// With the coded file chosen: chooses the destination, types the key and decodes; the job
// ends without a message and empties the key entry.
inline void decodeChosenFile(const ZelProcess& zel, const std::wstring& destination,
                             const std::string& key) {
    ASSERT_TRUE(chooseDestination(zel, destination));
    ASSERT_TRUE(typeKey(zel, key));
    zel.click(ui::decodeButton);
    ASSERT_TRUE(waitForJobEnd(zel));
    EXPECT_TRUE(zel.shownDialogs().empty());
    EXPECT_EQ(zel.text(ui::keyEntry), "");
}

}  // namespace zel::test
