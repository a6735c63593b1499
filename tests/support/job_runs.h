// The jobs run as the dialog starts them, checked to have ended idle, and the outcome of a run
// under an injected fault. Needs GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "jobs/binary_file.h"
#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/shared_state.h"
#include "tests/support/memory_files.h"
#include "tests/support/recording_host.h"

namespace zel::test {

// Codes the chosen files (selection as the chooser gives it) and gives the key text shown.
inline std::string runCoding(BinaryFile& files, const std::string& selection, int16_t count,
                             const std::string& destination, RecordingHost& host,
                             const TimeOfDayClock& clock = localTimeOfDay) {
    SharedState state;
    state.sourceSelection = selection;
    state.sourceCount = count;
    state.destinationPath = destination;
    runCodingJob(state, host, files, clock);
    EXPECT_TRUE(host.endedCodingRun(state.keyText)) << "the coding run did not end idle";
    return state.keyText;
}

// Decodes one chosen file with host.keyEntryText as the typed key.
inline void runDecoding(BinaryFile& files, const std::string& source,
                        const std::string& destination, RecordingHost& host) {
    SharedState state;
    state.sourceSelection = source + '\0';
    state.sourceCount = 1;
    state.destinationPath = destination;
    runDecodingJob(state, host, files);
    EXPECT_TRUE(host.endedDecodingRun()) << "the decoding run did not end idle";
}

// The shared state's fields, to compare a whole state in one assertion.
inline auto fieldsOf(const SharedState& s) {
    return std::make_tuple(s.sourceSelection, s.sourceCount, s.destinationPath, s.statusMessage,
                           s.keyText);
}

using Paths = std::vector<std::string>;

// The reason given for a source that ends before its length.
inline constexpr char sourceEndedEarly[] =
    "The file ended before all of its bytes were read; it may have been changed meanwhile.";

// The messages of a failed run, with the reason as the in-memory files word a system error.
inline std::string cantReadMessage(const std::string& path, const std::string& reason) {
    return "can´t read sourcefile !!\n" + path + "\n" + reason;
}
inline std::string cantReadMessage(const std::string& path, SystemError error) {
    return cantReadMessage(path, "system error " + std::to_string(error));
}
inline std::string cantWriteMessage(const std::string& path, SystemError error) {
    return "can´t write destfile !!\n" + path + "\nsystem error " + std::to_string(error);
}
inline std::string alreadyExistsMessage(const std::string& path) {
    return "File already exists !!\n" + path;
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
         {cantReadMessage(source, MemoryFiles::fileNotFound), {}, 0}},
        {{"short read", [=](auto& f) { f.readStopsAt[source] = 900; }},
         {cantReadMessage(source, sourceEndedEarly), {source}, 1}},
        {{"destination exists", [=](auto& f) { f.put(destination, old); }},
         {alreadyExistsMessage(destination), {source, destination}, 0}},
        {{"write fails midway", [](auto& f) { f.writeLimit = 1000; }},
         {cantWriteMessage(destination, MemoryFiles::diskFull), {source}, 1}},
        {{"flush fails", [](auto& f) { f.failFlush = true; }},
         {cantWriteMessage(destination, MemoryFiles::diskFull), {source}, 1}},
        {{"close fails", [](auto& f) { f.failClose = true; }},
         {cantWriteMessage(destination, MemoryFiles::accessDenied), {source}, 1}},
        {{"destination appears late", [=](auto& f) { f.appearOnRename[destination] = old; }},
         {alreadyExistsMessage(destination), {source, destination}, 1}},
    };
}

// Checks the message, what is left (a destination in the way keeps the bytes `old`), that
// nothing stays open or is created but the unfinished output, and that the run ended with `end`.
inline void expectFaultOutcome(const FaultCase& c, const RecordingHost& host,
                               const MemoryFiles& files, const std::string& source,
                               const std::string& destination, const Bytes& old, const Calls& end) {
    EXPECT_EQ(host.infos(), std::vector<std::string>{c.outcome.message});
    EXPECT_EQ(files.paths(), c.outcome.left);
    if (files.has(destination)) {
        EXPECT_EQ(files.at(destination).bytes, old);
    }
    EXPECT_EQ(files.openCount, 0);
    EXPECT_EQ(files.logCount("create " + source), 0);
    EXPECT_EQ(files.logCount("create " + destination + ".part"), c.outcome.partsCreated);
    ASSERT_GE(host.calls.size(), end.size());
    EXPECT_EQ(Calls(host.calls.end() - end.size(), host.calls.end()), end);
}

}  // namespace zel::test
