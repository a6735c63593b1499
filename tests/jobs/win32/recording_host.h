// A JobHost that records what the jobs tell the window. Progress steps are only counted, since
// a big file makes millions of them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jobs/binary_file.h"
#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/job_host.h"
#include "jobs/job_texts.h"

namespace zeltest {

class RecordingHost final : public zel::JobHost {
public:
    explicit RecordingHost(std::string typedKey = "") : typedKey_(std::move(typedKey)) {}

    std::vector<std::string> calls;
    std::vector<std::string> infos;
    int64_t progressSteps = 0;
    int32_t progressHigh = 0;

    void showStatus(const std::string& text) override { record("showStatus", text); }
    void showSourceText(const std::string& text) override { record("showSourceText", text); }
    void showDestinationText(const std::string& text) override {
        record("showDestinationText", text);
    }
    void showKeyText(const std::string& text) override { record("showKeyText", text); }
    void setButtonsEnabled(bool enabled) override {
        record("setButtonsEnabled", enabled ? "yes" : "no");
    }
    void setBusyPointer(bool busy) override { record("setBusyPointer", busy ? "yes" : "no"); }
    void setProgressRange(int32_t low, int32_t high) override {
        progressHigh = high;
        record("setProgressRange", std::to_string(low) + "," + std::to_string(high));
    }
    void setProgressStep(int32_t) override {}
    void stepProgress() override { ++progressSteps; }
    void showInfo(const std::string& text) override {
        infos.push_back(text);
        record("showInfo", text);
    }
    std::string readKeyEntryText() override {
        record("readKeyEntryText", "");
        return typedKey_;
    }
    void setKeyEntryText(const std::string& text) override { record("setKeyEntryText", text); }

    // Whether the last calls are the coding job's end sequence showing the key text.
    bool endedCodingRun(const std::string& keyText) const {
        return endsWith({"setButtonsEnabled(yes)", "showStatus(" + idle() + ")", "showSourceText()",
                         "showDestinationText()", "showKeyText(" + keyText + ")",
                         "setBusyPointer(no)"});
    }
    // Whether the last calls are the decoding job's end sequence.
    bool endedDecodingRun() const {
        return endsWith({"setButtonsEnabled(yes)", "showStatus(" + idle() + ")", "showSourceText()",
                         "showDestinationText()", "setKeyEntryText()", "setBusyPointer(no)"});
    }

private:
    static std::string idle() { return zel::text::idleStatus; }

    void record(const char* operation, const std::string& argument) {
        calls.push_back(std::string(operation) + "(" + argument + ")");
    }

    bool endsWith(const std::vector<std::string>& tail) const {
        return calls.size() >= tail.size() &&
               std::equal(tail.begin(), tail.end(), calls.end() - tail.size());
    }

    std::string typedKey_;
};

// Runs the coding job as the chooser would set it up and checks that it ended idle; gives the
// key text shown.
inline std::string runCoding(zel::BinaryFile& files, const std::string& selection, int16_t count,
                             const std::string& destination, RecordingHost& host) {
    zel::SharedState state;
    state.sourceSelection = selection;
    state.sourceCount = count;
    state.destinationPath = destination;
    zel::runCodingJob(state, host, files);
    EXPECT_TRUE(host.endedCodingRun(state.keyText)) << "the coding run did not end idle";
    return state.keyText;
}

// Runs the decoding job on one chosen file and checks that it ended idle.
inline void runDecoding(zel::BinaryFile& files, const std::string& source,
                        const std::string& destination, RecordingHost& host) {
    zel::SharedState state;
    state.sourceSelection = source + '\0';
    state.sourceCount = 1;
    state.destinationPath = destination;
    zel::runDecodingJob(state, host, files);
    EXPECT_TRUE(host.endedDecodingRun()) << "the decoding run did not end idle";
}

}  // namespace zeltest
