// Big files through the real window: a source past 2 GiB, and a job long enough to watch the
// progress bar move and the window stay alive while it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "tests/support/zel_steps.h"

#include <commctrl.h>

namespace zel::test {
namespace {

using namespace ui;

constexpr int64_t mebibyte = int64_t{1} << 20;
constexpr int64_t gibibyte = int64_t{1} << 30;
constexpr auto sendLimit = static_cast<UINT>(waitLimit.count());

using BigFiles = ZelInFolder;

// A sparse source of 2.5 GiB: lengths past the signed 32-bit range, the bytes around 2 GiB
// marked. The coded and decoded files are real data, 2.5 GiB each.
TEST_F(BigFiles, SourceOfTwoAndAHalfGiBCodesAndDecodesToTheSameBytes) {
    const int64_t length = 5 * gibibyte / 2;
    const int64_t needed = 2 * length + gibibyte;
    const int64_t available = volumeSpaceAt(folder_.widePath()).free;
    if (available >= 0 && available < needed) {
        GTEST_SKIP() << "needs " << needed / mebibyte << " MiB free on the disk of "
                     << folder_.path() << ", has " << available / mebibyte << " MiB";
    }
    const int64_t twoGiB = 2 * gibibyte;
    makeSparseFile(
        folder_ / L"big.img", length,
        {{0, 'a'}, {twoGiB - 1, 0x7F}, {twoGiB, 0x80}, {twoGiB + 1, 0x81}, {length - 1, 'z'}});
    const ZelProcess& zel = startIn({});

    ASSERT_TRUE(chooseSources(zel, L"big.img"));
    ASSERT_TRUE(chooseDestination(zel, L"big.zel"));
    const std::string key = codeChosenFiles(zel);
    ASSERT_TRUE(isKeyText(key)) << key;
    EXPECT_EQ(fileSize(folder_ / L"big.zel"), length + 3);
    EXPECT_EQ(byteAt(folder_ / L"big.zel", 0), 'Z');

    ASSERT_TRUE(chooseSources(zel, L"big.zel"));
    decodeChosenFile(zel, L"big.back", key);
    EXPECT_EQ(compareFiles(folder_ / L"big.img", folder_ / L"big.back"), "");
    EXPECT_EQ(folder_.names(), (Names{L"big.back", L"big.img", L"big.zel"}));
}

std::optional<PBRANGE> barRange(const ZelProcess& zel) {
    DWORD_PTR low = 0, high = 0;
    const HWND bar = zel.control(progressBar);
    if (!SendMessageTimeoutA(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, sendLimit, &low) ||
        !SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, sendLimit, &high)) {
        return std::nullopt;
    }
    return PBRANGE{static_cast<int>(low), static_cast<int>(high)};
}

// The share of the bar's middle row painted in the highlight colour, and whether the painted
// part is one run from the left edge.
struct BarFill {
    double share = 0;
    bool fromTheLeft = false;
};

BarFill barFill(const Capture& bar) {
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    // The filled part lies inside a one-pixel frame.
    const auto first = bar.pixels.begin() + (bar.height / 2) * bar.width + 1;
    const auto last = first + bar.width - 2;  // past the end
    const auto filled = std::count(first, last, highlight);
    const auto run = std::find_if(first, last, [&](COLORREF c) { return c != highlight; }) - first;
    return {static_cast<double>(filled) / (last - first), filled == run};
}

// A job of some seconds: the bar's position, read from outside, advances; the bar on the
// screen is part-filled; the window keeps its title and answers, again and again, while the
// job goes on. The source is large enough for several seconds at the speed of the large-block
// file access.
TEST_F(BigFiles, ProgressBarAdvancesAndTheWindowAnswersWhileAJobRuns) {
    const int64_t length = 3 * gibibyte;
    const int64_t available = volumeSpaceAt(folder_.widePath()).free;
    if (available >= 0 && available < length + gibibyte) {
        GTEST_SKIP() << "needs " << (length + gibibyte) / mebibyte << " MiB free on the disk of "
                     << folder_.path();
    }
    makeSparseFile(folder_ / L"long.img", length, {{0, 1}, {length - 1, 2}});
    const ZelProcess& zel = startIn({});
    ASSERT_TRUE(chooseSources(zel, L"long.img"));
    ASSERT_TRUE(chooseDestination(zel, L"long.zel"));
    zel.click(codeButton);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowEnabled(zel.control(codeButton)); }));

    const std::wstring title = wideOf(programTitle);
    std::vector<int> readings;
    // The bar's position after each answer that came while the job still ran.
    std::vector<int> answeredAt;
    std::optional<PBRANGE> range;
    std::optional<BarFill> seen;
    double shareBefore = 0, shareAfter = 0;
    int unanswered = 0, titleChanges = 0;
    bool commandsSent = false;
    const auto end = std::chrono::steady_clock::now() + jobLimit;
    while (!IsWindowEnabled(zel.control(codeButton)) && std::chrono::steady_clock::now() < end) {
        const bool answered = zel.responds();
        unanswered += answered ? 0 : 1;
        wchar_t shownTitle[64] = {};
        InternalGetWindowText(zel.window(), shownTitle, 64);
        titleChanges += shownTitle == title ? 0 : 1;

        // The job sets the range after it has disabled the buttons.
        if (const auto now = barRange(zel)) {
            range = now;
        }
        const auto position = progressPosition(zel, waitLimit);
        if (position && (readings.empty() || *position != readings.back())) {
            readings.push_back(*position);
        }
        if (answered && position && !IsWindowEnabled(zel.control(codeButton))) {
            answeredAt.push_back(*position);
        }
        // Once the bar is well inside its range, look at it on the screen.
        const auto shareOf = [&](int at) {
            return static_cast<double>(at - range->iLow) / (range->iHigh - range->iLow);
        };
        if (!seen && range && position && range->iHigh > range->iLow && shareOf(*position) > 0.2 &&
            shareOf(*position) < 0.7) {
            const Capture bar = captureClientArea(zel.control(progressBar));
            if (const auto after = progressPosition(zel, waitLimit)) {
                seen = barFill(bar);
                shareBefore = shareOf(*position);
                shareAfter = shareOf(*after);
            }
        }
        // Commands sent by another program during the job start no second job and do not
        // end the dialog.
        if (!commandsSent && readings.size() >= 2) {
            commandsSent = true;
            DWORD_PTR result = 0;
            for (const int id : {codeButton, quitButton}) {
                SendMessageTimeoutA(zel.window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(zel.control(id)), SMTO_ABORTIFHUNG,
                                    sendLimit, &result);
            }
            SendMessageTimeoutA(zel.window(), WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG,
                                sendLimit, &result);
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    EXPECT_TRUE(commandsSent);
    ASSERT_TRUE(IsWindow(zel.window()));
    ASSERT_TRUE(waitForJobEnd(zel));
    EXPECT_TRUE(zel.shownDialogs().empty());
    EXPECT_EQ(zel.text(keyDisplay).size(), 9u);

    EXPECT_EQ(unanswered, 0);
    EXPECT_EQ(titleChanges, 0);
    ASSERT_TRUE(range.has_value());
    EXPECT_GE(readings.size(), 4u) << "too few distinct positions seen during the job";
    EXPECT_TRUE(std::is_sorted(readings.begin(), readings.end()));
    // Answers between steps of the bar: the window answered while the job went on, not only
    // once it had ended.
    const std::set<int> answeredInside(answeredAt.begin(), answeredAt.end());
    EXPECT_GE(std::count_if(answeredInside.begin(), answeredInside.end(),
                            [&](int position) { return position < range->iHigh; }),
              3)
        << "too few answers while the bar moved";
    ASSERT_TRUE(seen.has_value()) << "no reading in the middle of the bar, range " << range->iLow
                                  << ".." << range->iHigh << ", last position "
                                  << (readings.empty() ? -1 : readings.back());
    // The screen may lag the position by a paint interval; a few percent either way.
    EXPECT_TRUE(seen->fromTheLeft);
    EXPECT_GT(seen->share, shareBefore - 0.05);
    EXPECT_LT(seen->share, shareAfter + 0.05);
    EXPECT_GT(seen->share, 0.1);
    EXPECT_LT(seen->share, 0.9);
    EXPECT_EQ(fileSize(folder_ / L"long.zel"), length + 3);
    EXPECT_EQ(folder_.names(), (Names{L"long.img", L"long.zel"}));
}

}  // namespace
}  // namespace zel::test
