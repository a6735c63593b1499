// Big files through the real window: a source past 2 GiB, and a job long enough to watch the
// progress bar move and the window stay alive while it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "e2e_files.h"
#include "file_dialog_driver.h"

#include <commctrl.h>

namespace zel::test {
namespace {

using namespace control;

constexpr int64_t mebibyte = int64_t{1} << 20;
constexpr int64_t gibibyte = int64_t{1} << 30;

void quit(const ZelProcess& zel) {
    zel.click(quitButton);
    EXPECT_EQ(zel.waitForExit(), std::optional<DWORD>(0));
}

uint8_t byteAt(const std::wstring& path, int64_t offset) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    uint8_t value = 0;
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    DWORD got = 0;
    if (file != INVALID_HANDLE_VALUE) {
        SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
        ReadFile(file, &value, 1, &got, nullptr);
        CloseHandle(file);
    }
    return value;
}

// A sparse source of 2.5 GiB: lengths past the signed 32-bit range, the bytes around 2 GiB
// marked. The coded and decoded files are real data, 2.5 GiB each.
TEST(BigFiles, SourceOfTwoAndAHalfGiBCodesAndDecodesToTheSameBytes) {
    WorkFolder folder;
    const int64_t length = 5 * gibibyte / 2;
    const int64_t needed = 2 * length + gibibyte;
    const int64_t available = freeBytesAt(folder.path());
    if (available >= 0 && available < needed) {
        GTEST_SKIP() << "needs " << needed / mebibyte << " MiB free on the disk of "
                     << folder.narrowPath() << ", has " << available / mebibyte << " MiB";
    }
    const int64_t twoGiB = 2 * gibibyte;
    makeSparseFile(
        folder / L"big.img", length,
        {{0, 'a'}, {twoGiB - 1, 0x7F}, {twoGiB, 0x80}, {twoGiB + 1, 0x81}, {length - 1, 'z'}});
    ZelProcess zel(folder.narrowPath());

    ASSERT_TRUE(chooseSources(zel, L"big.img"));
    ASSERT_TRUE(chooseDestination(zel, L"big.zel"));
    zel.click(codeButton);
    ASSERT_TRUE(waitForJobEnd(zel));
    EXPECT_TRUE(zel.shownDialogs().empty());
    const std::string key = zel.text(keyDisplay);
    ASSERT_EQ(key.size(), 9u);
    EXPECT_EQ(fileSize(folder / L"big.zel"), length + 3);
    EXPECT_EQ(byteAt(folder / L"big.zel", 0), 'Z');

    ASSERT_TRUE(chooseSources(zel, L"big.zel"));
    ASSERT_TRUE(chooseDestination(zel, L"big.back"));
    typeKey(zel, key);
    zel.click(decodeButton);
    ASSERT_TRUE(waitForJobEnd(zel));
    EXPECT_TRUE(zel.shownDialogs().empty());
    EXPECT_EQ(compareFiles(folder / L"big.img", folder / L"big.back"), "");
    EXPECT_EQ(folder.names(), (std::vector<std::wstring>{L"big.back", L"big.img", L"big.zel"}));
    quit(zel);
}

struct BarRange {
    int low = 0;
    int high = 0;
};

std::optional<BarRange> barRange(const ZelProcess& zel) {
    DWORD_PTR low = 0;
    DWORD_PTR high = 0;
    const HWND bar = zel.control(progressBar);
    if (!SendMessageTimeoutA(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 1000, &low) ||
        !SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 1000, &high)) {
        return std::nullopt;
    }
    return BarRange{static_cast<int>(low), static_cast<int>(high)};
}

// The share of the bar's middle row painted in the highlight colour, and whether the painted
// part is one run from the left edge.
struct BarFill {
    double share = 0;
    bool fromTheLeft = false;
};

BarFill barFill(const Capture& bar) {
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const int row = bar.height / 2;
    // The filled part lies inside a one-pixel frame.
    const int first = 1;
    const int last = bar.width - 2;
    int filled = 0;
    int runEnd = first;
    while (runEnd <= last && bar.at(runEnd, row) == highlight) {
        ++runEnd;
    }
    for (int x = first; x <= last; ++x) {
        filled += bar.at(x, row) == highlight ? 1 : 0;
    }
    BarFill fill;
    fill.share = static_cast<double>(filled) / (last - first + 1);
    fill.fromTheLeft = filled == runEnd - first;
    return fill;
}

// A job of some seconds: the bar's position, read from outside, advances; the bar on the
// screen is part-filled; the window keeps its title and answers within a second.
TEST(BigFiles, ProgressBarAdvancesAndTheWindowAnswersWhileAJobRuns) {
    WorkFolder folder;
    const int64_t length = 768 * mebibyte;
    const int64_t available = freeBytesAt(folder.path());
    if (available >= 0 && available < length + gibibyte) {
        GTEST_SKIP() << "needs " << (length + gibibyte) / mebibyte << " MiB free on the disk of "
                     << folder.narrowPath();
    }
    makeSparseFile(folder / L"long.img", length, {{0, 1}, {length - 1, 2}});
    ZelProcess zel(folder.narrowPath());
    ASSERT_TRUE(chooseSources(zel, L"long.img"));
    ASSERT_TRUE(chooseDestination(zel, L"long.zel"));
    zel.click(codeButton);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowEnabled(zel.control(codeButton)); }));

    std::vector<int> readings;
    std::optional<BarRange> range;
    std::optional<BarFill> seen;
    double shareBefore = 0;
    double shareAfter = 0;
    int slowAnswers = 0;
    int titleChanges = 0;
    bool commandsSent = false;
    const auto end = std::chrono::steady_clock::now() + jobLimit;
    while (!IsWindowEnabled(zel.control(codeButton)) && std::chrono::steady_clock::now() < end) {
        const auto asked = std::chrono::steady_clock::now();
        const bool answered = zel.responds(milliseconds(1000));
        if (!answered || std::chrono::steady_clock::now() - asked > milliseconds(1000)) {
            ++slowAnswers;
        }
        wchar_t title[64] = {};
        InternalGetWindowText(zel.window(), title, 64);
        titleChanges += std::wstring(title) == L"ZEL 0.23" ? 0 : 1;

        // The job sets the range after it has disabled the buttons.
        if (const auto now = barRange(zel)) {
            range = now;
        }
        const auto position = progressPosition(zel, milliseconds(1000));
        if (position && (readings.empty() || *position != readings.back())) {
            readings.push_back(*position);
        }
        // Once the bar is well inside its range, look at it on the screen.
        if (!seen && range && position && range->high > range->low) {
            const double share =
                static_cast<double>(*position - range->low) / (range->high - range->low);
            if (share > 0.2 && share < 0.7) {
                const Capture bar = captureClientArea(zel.control(progressBar));
                const auto after = progressPosition(zel, milliseconds(1000));
                if (after) {
                    seen = barFill(bar);
                    shareBefore = share;
                    shareAfter =
                        static_cast<double>(*after - range->low) / (range->high - range->low);
                }
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
                                    1000, &result);
            }
            SendMessageTimeoutA(zel.window(), WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, 1000,
                                &result);
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    EXPECT_TRUE(commandsSent);
    ASSERT_TRUE(IsWindow(zel.window()));
    ASSERT_TRUE(waitForJobEnd(zel));
    EXPECT_TRUE(zel.shownDialogs().empty());
    EXPECT_EQ(zel.text(keyDisplay).size(), 9u);

    EXPECT_EQ(slowAnswers, 0);
    EXPECT_EQ(titleChanges, 0);
    ASSERT_TRUE(range.has_value());
    EXPECT_GE(readings.size(), 4u) << "too few distinct positions seen during the job";
    EXPECT_TRUE(std::is_sorted(readings.begin(), readings.end()));
    ASSERT_TRUE(seen.has_value()) << "no reading in the middle of the bar, range " << range->low
                                  << ".." << range->high << ", last position "
                                  << (readings.empty() ? -1 : readings.back());
    // The screen may lag the position by a paint interval; a few percent either way.
    EXPECT_TRUE(seen->fromTheLeft);
    EXPECT_GT(seen->share, shareBefore - 0.05);
    EXPECT_LT(seen->share, shareAfter + 0.05);
    EXPECT_GT(seen->share, 0.1);
    EXPECT_LT(seen->share, 0.9);
    EXPECT_EQ(fileSize(folder / L"long.zel"), length + 3);
    EXPECT_EQ(folder.names(), (std::vector<std::wstring>{L"long.img", L"long.zel"}));
    quit(zel);
}

}  // namespace
}  // namespace zel::test
