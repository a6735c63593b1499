#include "tests/support/recording_host.h"

#include <algorithm>
#include <sstream>

#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"

namespace zel::test {

Calls concat(std::initializer_list<Calls> parts) {
    Calls all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::vector<std::string> RecordingHost::argumentsOf(const std::string& operation) const {
    const std::string prefix = operation + " ";
    std::vector<std::string> arguments;
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0) {
            arguments.push_back(call.substr(prefix.size()));
        }
    }
    return arguments;
}

bool RecordingHost::endsWith(const Calls& tail) const {
    return calls.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), calls.end() - tail.size());
}

Calls RecordingHost::seen() const {
    Calls shown;
    int64_t top = 0, barStep = 0, filled = 0;
    const auto bar = [&] { return "bar " + std::to_string(filled) + "/" + std::to_string(top); };
    for (const std::string& call : calls) {
        std::istringstream words(call);
        std::string operation;
        int64_t low = 0;
        words >> operation;
        if (operation == "setProgressStep") {
            words >> barStep;
        } else if (operation == "setProgressRange" && words >> low >> top) {
            filled = 0;
            shown.push_back(bar());
        } else if (operation == "stepProgress") {
            if (barStep != 0) {
                filled += barStep;
                shown.push_back(bar());
            }
        } else if (operation != "readKeyEntryText") {
            shown.push_back(call);
        }
    }
    return shown;
}

Calls RecordingHost::codingRunEnd(const std::string& keyText) {
    return {"setButtonsEnabled true", "showStatus Idle . . .",  "showSourceText ",
            "showDestinationText ",   "showKeyText " + keyText, "setBusyPointer false"};
}

Calls RecordingHost::decodingRunEnd() {
    return {"setButtonsEnabled true", "showStatus Idle . . .", "showSourceText ",
            "showDestinationText ",   "setKeyEntryText ",      "setBusyPointer false"};
}

void RecordingHost::setProgressRange(int32_t low, int32_t high) {
    rangeHigh = high;
    stepTotal = 0;
    passedTop = false;
    record("setProgressRange " + std::to_string(low) + " " + std::to_string(high));
}

void RecordingHost::setProgressStep(int32_t newStep) {
    step = newStep;
    if (recordProgress) {
        record("setProgressStep " + std::to_string(newStep));
    }
}

void RecordingHost::stepProgress() {
    ++stepsMade;
    stepTotal += step;
    passedTop = passedTop || stepTotal > rangeHigh;
    if (recordProgress) {
        record("stepProgress");
    }
}

bool runCoding(SharedState& state, RecordingHost& host, BinaryFile& files,
               const TimeOfDayClock& clock) {
    TimeOfDayClock sameReadings = clock;
    const std::string drawn = formatKeyText(drawCodingKey(sameReadings));
    runCodingJob(state, host, files, clock);
    return host.endsWith(RecordingHost::codingRunEnd(drawn));
}

bool runDecoding(SharedState& state, RecordingHost& host, BinaryFile& files) {
    runDecodingJob(state, host, files);
    return host.endsWith(RecordingHost::decodingRunEnd());
}

std::string selectionOf(const std::vector<std::string>& pieces) {
    std::string selection;
    for (const std::string& piece : pieces) {
        selection += piece + '\0';
    }
    return selection;
}

}  // namespace zel::test
