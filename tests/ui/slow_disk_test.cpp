// zel.exe on a drive that takes seconds to write each file through, as a USB stick or a network
// drive can: CTest loads tests/support/slow_flush.c into Wine, which delays the flush of every
// file whose name holds "slow-flush". The window answers throughout; the end of the session
// during a job leaves nothing unfinished behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/zel_steps.h"

namespace zel::test {
namespace {

using namespace ui;
using Clock = std::chrono::steady_clock;

// The longest a message sent to the window, or a repaint, may wait.
constexpr milliseconds answerLimit{500};
constexpr UINT probeLimitMs = 30000;

milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

class SlowDisk : public ZelInFolder {
protected:
    void SetUp() override {
        if (!slowFlushLoaded()) {
            GTEST_SKIP() << "needs tests/support's slow_flush.so in LD_PRELOAD, as CTest runs it";
        }
        const char* delay = std::getenv("ZEL_SLOW_FLUSH_MS");
        flushDelay = milliseconds(delay != nullptr ? std::atol(delay) : 5000);
    }

    // Chooses the sources and the destination, types the key when one is given, clicks the
    // job's button and, until the job has ended, sends the window WM_NULL and invalidates its
    // status display: the job writes `files` outputs through, each taking the delay, while the
    // answers and the repaints never wait long.
    void expectAnsweredThroughout(const std::wstring& sources, const std::wstring& destination,
                                  int button, int files, const std::string& key = {}) {
        const ZelProcess& zel = *zel_;
        ASSERT_TRUE(chooseSources(zel, sources));
        ASSERT_TRUE(chooseDestination(zel, destination));
        ASSERT_TRUE(key.empty() || typeKey(zel, key));
        const HWND status = zel.control(statusDisplay);
        milliseconds answer{0}, paint{0};
        const auto start = Clock::now();
        zel.click(button);
        EXPECT_TRUE(waitUntil([&] { return !IsWindowEnabled(zel.control(codeButton)); }));
        while (!IsWindowEnabled(zel.control(codeButton)) && since(start) < jobLimit) {
            auto asked = Clock::now();
            DWORD_PTR ignored = 0;
            EXPECT_TRUE(SendMessageTimeoutA(zel.window(), WM_NULL, 0, 0, SMTO_NORMAL, probeLimitMs,
                                            &ignored));
            answer = std::max(answer, since(asked));
            asked = Clock::now();
            InvalidateRect(status, nullptr, FALSE);
            EXPECT_TRUE(waitUntil([&] { return !GetUpdateRect(status, nullptr, FALSE); },
                                  milliseconds(probeLimitMs), milliseconds(1)));
            paint = std::max(paint, since(asked));
            std::this_thread::sleep_for(milliseconds(20));
        }
        std::cout << "[          ] job " << since(start).count()
                  << " ms, longest wait for an answer " << answer.count() << " ms, for a repaint "
                  << paint.count() << " ms\n";
        EXPECT_GE(since(start), files * flushDelay);
        EXPECT_LE(answer, answerLimit);
        EXPECT_LE(paint, answerLimit);
        EXPECT_TRUE(waitForJobEnd(zel));
        EXPECT_TRUE(zel.shownDialogs().empty());
    }

    // Sends a message of the session's end; the answer, or -1 when none came.
    int endOfSession(UINT message, WPARAM wParam) const {
        DWORD_PTR answer = 0;
        return SendMessageTimeoutA(zel_->window(), message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                   5000, &answer)
                   ? static_cast<int>(answer)
                   : -1;
    }

    milliseconds flushDelay{0};
};

TEST_F(SlowDisk, WindowAnswersWhileOneFileIsCodedAndDecoded) {
    const Bytes plain = pseudoRandomBytes(300000, 1);
    const ZelProcess& zel = startIn({{L"a.txt", plain}});
    expectAnsweredThroughout(L"a.txt", L"slow-flush.zel", codeButton, 1);
    EXPECT_EQ(endOfSession(WM_QUERYENDSESSION, 0), TRUE) << "refused after the job";
    const std::string key = zel.text(keyDisplay);
    ASSERT_TRUE(isKeyText(key)) << key;
    EXPECT_TRUE(readWholeFile(folder_ / L"slow-flush.zel") ==
                codedFileOf(parseKeyText(key), plain));

    expectAnsweredThroughout(L"slow-flush.zel", L"slow-flush.back", decodeButton, 1, key);
    EXPECT_TRUE(readWholeFile(folder_ / L"slow-flush.back") == plain);
    EXPECT_EQ(folder_.names(), (Names{L"a.txt", L"slow-flush.back", L"slow-flush.zel"}));
}

TEST_F(SlowDisk, WindowAnswersWhileThreeFilesAreCoded) {
    const NamedFiles sources = {{L"a", pseudoRandomBytes(1000, 2)},
                                {L"b", pseudoRandomBytes(200000, 3)},
                                {L"c", pseudoRandomBytes(5, 4)}};
    const ZelProcess& zel = startIn(sources);
    expectAnsweredThroughout(L"\"a\" \"b\" \"c\"", L"slow-flush", codeButton, 3);
    const std::string key = zel.text(keyDisplay);
    ASSERT_TRUE(isKeyText(key)) << key;
    for (const auto& [name, plain] : sources) {
        EXPECT_TRUE(readWholeFile(folder_ / (L"slow-flush_" + name + L"_ZEL")) ==
                    codedFileOf(parseKeyText(key), plain));
    }
    EXPECT_EQ(folder_.names().size(), 6u) << "an unfinished output is left";
}

// The session ends during a run over three files, while the last one is written through: the
// end is refused while the job works (and allowed before), and once it comes anyway the process
// ends, leaving no coded file: the two completed before could never be decoded, as their key
// was never shown.
TEST_F(SlowDisk, EndOfTheSessionBeforeTheKeyIsShownLeavesNoCodedFile) {
    const ZelProcess& zel = startIn({{L"a", pseudoRandomBytes(100, 6)},
                                     {L"b", pseudoRandomBytes(100, 7)},
                                     {L"slow-flush", pseudoRandomBytes(100000, 5)}});
    EXPECT_EQ(endOfSession(WM_QUERYENDSESSION, 0), TRUE) << "refused while idle";

    ASSERT_TRUE(chooseSources(zel, L"\"a\" \"b\" \"slow-flush\""));
    ASSERT_TRUE(chooseDestination(zel, L"out"));
    zel.click(codeButton);
    const std::wstring unfinished = folder_ / L"out_slow-flush_ZEL.part";
    ASSERT_TRUE(waitUntil([&] { return fileSize(unfinished) == 100003; }, jobLimit))
        << "the third output was not written";
    ASSERT_TRUE(zel.running());
    EXPECT_EQ(endOfSession(WM_QUERYENDSESSION, 0), FALSE) << "allowed during the job";
    endOfSession(WM_ENDSESSION, TRUE);

    EXPECT_EQ(zel.waitForExit(), std::optional<DWORD>(0));
    EXPECT_EQ(folder_.names(), (Names{L"a", L"b", L"slow-flush"}));
}

}  // namespace
}  // namespace zel::test
