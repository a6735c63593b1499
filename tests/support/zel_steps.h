// The steps the end-to-end tests repeat, checked as they go: files chosen, coded, decoded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/zel_driver.h"

namespace zel::test {

// Nine digits, as the window shows a key.
inline bool isKeyText(const std::string& text) {
    return text.size() == 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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
