// The jobs run as the dialog starts them (runCoding, runDecoding) and checked to have ended
// idle, and the outcome of a run under an injected fault. Needs GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "jobs/binary_file.h"
#include "jobs/shared_state.h"
#include "tests/support/memory_files.h"
#include "tests/support/recording_host.h"

namespace zel::test {

using Paths = std::vector<std::string>;

// A job run on the files given, with the host given (a copy): the host afterwards, and the key
// text a coding run showed.
struct JobRun {
    RecordingHost host;
    std::string keyText;
    Paths infos() const { return host.infos(); }
};

// Codes the chosen files (selectionOf); the run must end idle, showing the key drawn from the
// clock given, or from runCoding's (the time of day).
inline JobRun codeChosen(BinaryFile& files, const std::string& selection, int16_t count,
                         const std::string& destination, RecordingHost host = RecordingHost(),
                         const TimeOfDayClock& clock = {}) {
    SharedState state{selection, count, destination, "", ""};
    const bool idle = clock ? runCoding(state, host, files, clock) : runCoding(state, host, files);
    EXPECT_TRUE(idle) << "the coding run did not end idle";
    return {std::move(host), state.keyText};
}

// Decodes one file with the key text typed; the run must end idle.
inline JobRun decodeChosen(BinaryFile& files, const std::string& source,
                           const std::string& destination, const std::string& keyText,
                           RecordingHost host = RecordingHost()) {
    SharedState state{selectionOf({source}), 1, destination, "", ""};
    host.keyEntryText = keyText;
    EXPECT_TRUE(runDecoding(state, host, files)) << "the decoding run did not end idle";
    return {std::move(host), ""};
}

// The shared state's fields, to compare a whole state in one assertion.
inline auto fieldsOf(const SharedState& s) {
    return std::make_tuple(s.sourceSelection, s.sourceCount, s.destinationPath, s.statusMessage,
                           s.keyText);
}

// A fault injected into the files in memory, and what a run under it must leave.
struct FaultCase {
    struct {
        const char* name;
        std::function<void(MemoryFiles&)> inject;
    } fault;
    struct {
        std::string message;  // the one message shown
        Paths left;           // the paths left
        int partsCreated;     // unfinished outputs created
    } outcome;
};

// The faults that both jobs meet alike; a destination in the way holds `old`.
inline std::vector<FaultCase> faultsOfBothJobs(const std::string& source,
                                               const std::string& destination, const Bytes& old) {
    return {
        {{"missing source", [=](auto& f) { f.entries.erase(source); }},
         {expectedCantRead(source, MemoryFiles::fileNotFound), {}, 0}},
        {{"short read", [=](auto& f) { f.readStopsAt[source] = 900; }},
         {expectedCantRead(source, sourceEndedEarly), {source}, 1}},
        {{"destination exists", [=](auto& f) { f.put(destination, old); }},
         {expectedAlreadyExists(destination), {source, destination}, 0}},
        {{"write fails midway", [](auto& f) { f.writeLimit = 1000; }},
         {expectedCantWrite(destination, MemoryFiles::diskFull), {source}, 1}},
        {{"flush fails", [](auto& f) { f.failFlush = true; }},
         {expectedCantWrite(destination, MemoryFiles::diskFull), {source}, 1}},
        {{"close fails", [](auto& f) { f.failClose = true; }},
         {expectedCantWrite(destination, MemoryFiles::accessDenied), {source}, 1}},
        {{"destination appears late", [=](auto& f) { f.appearOnRename[destination] = old; }},
         {expectedAlreadyExists(destination), {source, destination}, 1}},
    };
}

// Runs the job (`run` on a MemoryRun whose source holds `content`; it must end idle) under each
// fault and checks the message, what is left (the source unchanged, a destination in the way
// with the bytes `old`), that nothing stays open or is created but the unfinished output, and
// that the run ended with `end`. A fault that leaves an unfinished output to delete is run
// twice more: with the delete refused, as for a file another program holds (the message then
// names the file that stays), and failing on a file another program removed first.
template <typename Run>
void expectFaultOutcomes(const std::vector<FaultCase>& cases, const std::string& source,
                         const Bytes& content, const std::string& destination, const Bytes& old,
                         const Calls& end, Run run) {
    const std::string part = destination + ".part";
    for (const FaultCase& c : cases) {
        for (const SystemError deleteError :
             {noSystemError, MemoryFiles::accessDenied, MemoryFiles::fileNotFound}) {
            if (deleteError != noSystemError && c.outcome.partsCreated == 0) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << c.fault.name << ", delete error " << deleteError);
            MemoryRun r(source, content);
            c.fault.inject(r.files);
            r.files.deleteError = deleteError;
            EXPECT_TRUE(run(r));
            const bool stays = deleteError == MemoryFiles::accessDenied;
            Paths left = c.outcome.left;
            left.insert(std::upper_bound(left.begin(), left.end(), part), stays ? 1 : 0, part);
            const std::string note = "\nThe unfinished file could not be removed:\n" + part +
                                     "\nsystem error " + std::to_string(deleteError);
            EXPECT_EQ(r.host.infos(), Paths{c.outcome.message + (stays ? note : "")});
            EXPECT_EQ(r.files.paths(), left);
            for (const auto& [path, bytes] :
                 {std::pair(source, content), std::pair(destination, old)}) {
                if (r.files.has(path)) {
                    EXPECT_EQ(r.files.at(path).bytes, bytes) << path;
                }
            }
            EXPECT_EQ(r.files.openCount, 0);
            EXPECT_EQ(r.files.logCount("create " + source), 0);
            EXPECT_EQ(r.files.logCount("create " + part), c.outcome.partsCreated);
            EXPECT_TRUE(r.host.endsWith(end)) << testing::PrintToString(r.host.calls);
        }
    }
}

}  // namespace zel::test
