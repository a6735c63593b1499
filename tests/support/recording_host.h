// A JobHost that records every call as one line, "operation arguments": for example
// "setProgressRange 1 1000", "setButtonsEnabled false", "showInfo No sourcefile !"; and the one
// way that tests, fuzzers, benchmarks and the test programs' job role run a job with it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "cipher/coding_key.h"
#include "jobs/binary_file.h"
#include "jobs/job_host.h"
#include "jobs/shared_state.h"
#include "jobs/source_choice.h"
#include "tests/support/test_bytes.h"

namespace zel::test {

using Calls = std::vector<std::string>;

// Recorded calls of several steps, one after the other.
Calls concat(std::initializer_list<Calls> parts);

class RecordingHost final : public JobHost {
public:
    explicit RecordingHost(std::string typedKey = "") : keyEntryText(std::move(typedKey)) {}

    Calls calls;
    // What readKeyEntryText answers.
    std::string keyEntryText;
    // Off for big files, which make millions of steps: progress calls other than the range are
    // then only added up below.
    bool recordProgress = true;

    int32_t rangeHigh = 0;
    int32_t step = 0;
    int64_t stepsMade = 0;
    int64_t stepTotal = 0;  // since the last setProgressRange
    bool passedTop = false;
    std::string shownKeyText;

    // The arguments of the recorded calls of one operation, in order.
    std::vector<std::string> argumentsOf(const std::string& operation) const;
    std::vector<std::string> infos() const { return argumentsOf("showInfo"); }
    bool endsWith(const Calls& tail) const;
    // What the user sees of the calls, in order: each call but the reading of the key entry,
    // with the progress calls as the bar's fill, "bar 800/1000" (the steps since the range was
    // set, out of its top), once when the range is set and again after each step that moves it.
    Calls seen() const;

    // The last calls of a run that ended idle.
    static Calls codingRunEnd(const std::string& keyText);
    static Calls decodingRunEnd();

    void showStatus(const std::string& text) override { record("showStatus " + text); }
    void showSourceText(const std::string& text) override { record("showSourceText " + text); }
    void showDestinationText(const std::string& text) override {
        record("showDestinationText " + text);
    }
    void showKeyText(const std::string& text) override {
        shownKeyText = text;
        record("showKeyText " + text);
    }
    void setButtonsEnabled(bool enabled) override {
        record(std::string("setButtonsEnabled ") + (enabled ? "true" : "false"));
    }
    void setBusyPointer(bool busy) override {
        record(std::string("setBusyPointer ") + (busy ? "true" : "false"));
    }
    void setProgressRange(int32_t low, int32_t high) override;
    void setProgressStep(int32_t newStep) override;
    void stepProgress() override;
    void showInfo(const std::string& text) override { record("showInfo " + text); }
    std::string readKeyEntryText() override {
        record("readKeyEntryText");
        return keyEntryText;
    }
    void setKeyEntryText(const std::string& text) override { record("setKeyEntryText " + text); }

private:
    void record(std::string call) { calls.push_back(std::move(call)); }
};

// A job run in this process as the dialog starts it, on the files given (in memory, real, or in
// blocks over either), from the choices in the state: the selection as the source chooser gives
// it (selectionOf), how many files, the destination. The state is left as the job leaves it.
// Whether the run ended idle, a coding run showing the key drawn from the clock's readings (a
// copy of the clock draws it first).
bool runCoding(SharedState& state, RecordingHost& host, BinaryFile& files,
               const TimeOfDayClock& clock = fakeClock(localTimeOfDay()));
// With host.keyEntryText as the typed key.
bool runDecoding(SharedState& state, RecordingHost& host, BinaryFile& files);

// The selection the source chooser gives: one full path, or the folder and each chosen name;
// every piece ended by NUL.
std::string selectionOf(const std::vector<std::string>& pieces);

// A choice of sources as its count and its selection, to compare both in one assertion: a choice
// of named files, the shared state, or a chooser's answer (whose text is the selection).
inline std::pair<int, std::string> choiceOf(const SourceChoice& choice) {
    return {choice.count, choice.selection};
}
inline std::pair<int, std::string> choiceOf(const SharedState& state) {
    return {state.sourceCount, state.sourceSelection};
}
template <typename Answer>
std::pair<int, std::string> choiceOf(const Answer& answer) {
    return {answer.count, answer.text};
}

}  // namespace zel::test
