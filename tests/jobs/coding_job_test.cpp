#include "jobs/coding_job.h"

#include <gtest/gtest.h>

#include <functional>

#include "jobs/job_texts.h"
#include "tests/support/job_runs.h"
#include "tests/support/memory_files.h"
#include "tests/support/recording_host.h"
#include "tests/support/test_bytes.h"

namespace zel::test {
namespace {

const std::string source = "C:\\in\\a.bin";
const std::string destination = "C:\\out\\a.zel";

Calls endSequence(const CodingKey& key) {
    return RecordingHost::codingRunEnd(formatKeyText(key));
}

// One coding run. The clock reads its first value three times before moving on, so a first
// reading that fails is retried as the job would meet it.
struct CodingRun {
    SharedState state;
    RecordingHost host;
    MemoryFiles files;
    CodingKey key;

    void run(double clockStart = 36000.0) {
        key = drawCodingKey(fakeClock(clockStart, 3));
        runCodingJob(state, host, files, fakeClock(clockStart, 3));
    }
};

TEST(CodingJob, OneFileCallsAndOutput) {
    struct Case {
        std::size_t size;
        Calls progress;
    };
    const Case cases[] = {
        {0, {"setProgressRange 1 0", "setProgressStep 0"}},
        {800,
         {"setProgressRange 1 800", "setProgressStep 800", "stepProgress", "setProgressStep 0"}},
        {801,
         {"setProgressRange 1 801", "setProgressStep 800", "stepProgress", "setProgressStep 1",
          "stepProgress", "setProgressStep 0"}},
        {1000,
         {"setProgressRange 1 1000", "setProgressStep 800", "stepProgress", "setProgressStep 200",
          "stepProgress", "setProgressStep 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        CodingRun r;
        const Bytes plain = pseudoRandomBytes(c.size, 7);
        r.files.put(source, plain);
        r.state = {source + '\0', 1, destination, "", "old key"};
        r.run();

        EXPECT_EQ(r.host.calls, concat({{"setBusyPointer true", "setButtonsEnabled false",
                                         "showStatus Now coding file... 1/ 1"},
                                        c.progress,
                                        endSequence(r.key)}));
        EXPECT_EQ(r.files.paths(), (Paths{source, destination}));
        EXPECT_EQ(r.files.at(source).bytes, plain);
        EXPECT_EQ(r.files.at(destination).bytes, codedFileOf(r.key, plain));
        EXPECT_EQ(r.files.at(destination).writeCalls, 1 + static_cast<int>((c.size + 799) / 800));
        // Written under the unfinished name, then renamed; nothing left open.
        EXPECT_EQ(r.files.logCount("create " + destination + ".part"), 1);
        EXPECT_EQ(r.files.logCount("rename " + destination + ".part -> " + destination), 1);
        EXPECT_EQ(r.files.openCount, 0);

        EXPECT_EQ(r.state.sourceSelection, "");
        EXPECT_EQ(r.state.destinationPath, "");
        EXPECT_EQ(r.state.sourceCount, 1);
        EXPECT_EQ(r.state.keyText, formatKeyText(r.key));
        EXPECT_EQ(r.state.statusMessage, "Now coding file... 1/ 1");
    }
}

TEST(CodingJob, ChecksRefuseMissingChoicesAndTouchNothing) {
    struct Case {
        std::string selection, destination, message;
    };
    const Case cases[] = {
        {"", destination, "No sourcefile !"},
        {"", "", "No sourcefile !"},
        {source + '\0', "", "No destfile !"},
    };
    for (const Case& c : cases) {
        CodingRun r;
        r.files.put(source, Bytes(10));
        r.state = {c.selection, 1, c.destination, "status", "old key"};
        r.run();
        EXPECT_EQ(r.host.calls, (Calls{"showInfo " + c.message, "setBusyPointer false"}));
        EXPECT_TRUE(r.files.log.empty());
        EXPECT_EQ(r.state.sourceSelection, c.selection);
        EXPECT_EQ(r.state.destinationPath, c.destination);
        EXPECT_EQ(r.state.keyText, "old key");
        EXPECT_EQ(r.state.statusMessage, "status");
    }
}

TEST(CodingJob, SeveralFilesNamesAndStatuses) {
    struct Case {
        std::string folder;
        int count;
        std::string joined;  // folder as joined with a name
    };
    const Case cases[] = {
        {"C:\\docs", 2, "C:\\docs\\"},
        {"C:\\", 3, "C:\\"},
        {"D:\\many files\\", 12, "D:\\many files\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        CodingRun r;
        std::string selection = c.folder + '\0';
        for (int k = 1; k <= c.count; ++k) {
            const std::string name = "f" + std::to_string(k) + ".txt";
            selection += name + '\0';
            r.files.put(c.joined + name, pseudoRandomBytes(100 * k + 3, k));
        }
        r.state = {selection, static_cast<int16_t>(c.count), "C:\\out\\batch", "", ""};
        r.run();

        EXPECT_TRUE(r.host.infos().empty());
        std::vector<std::string> expectedStatuses;
        for (int k = 1; k <= c.count; ++k) {
            const std::string name = "f" + std::to_string(k) + ".txt";
            const std::string output = "C:\\out\\batch_" + name + "_ZEL";
            ASSERT_TRUE(r.files.has(output)) << output;
            EXPECT_EQ(r.files.at(output).bytes,
                      codedFileOf(r.key, r.files.at(c.joined + name).bytes));
            expectedStatuses.push_back("Now coding file... " + std::to_string(k) + "/ " +
                                       std::to_string(c.count));
        }
        expectedStatuses.push_back("Idle . . .");
        EXPECT_EQ(r.host.argumentsOf("showStatus"), expectedStatuses);
        EXPECT_EQ(r.files.paths().size(), 2u * c.count);  // sources and outputs, nothing else
        EXPECT_FALSE(r.files.has("C:\\out\\batch"));
        EXPECT_EQ(r.host.shownKeyText, formatKeyText(r.key));
    }
}

TEST(CodingJob, MendedFaultsReportAndLeaveNoOutput) {
    const Bytes old = bytesOf("old");
    std::vector<FaultCase> cases = faultsOfBothJobs(source, destination, old);
    const FaultCase codingOnly[] = {
        {{"read fails", [](auto& f) { f.readStopsAt[source] = 1000, f.readStopError = 23; }},
         {cantReadMessage(source, 23), {source}, 1}},
        {{"source held elsewhere", [](auto& f) { f.refuseOpen.insert(source); }},
         {cantReadMessage(source, MemoryFiles::sharingViolation), {source}, 0}},
        {{"create refused", [](auto& f) { f.refuseCreate = true; }},
         {cantWriteMessage(destination, MemoryFiles::accessDenied), {source}, 0}},
        {{"marker not written", [](auto& f) { f.writeLimit = 0; }},
         {cantWriteMessage(destination, MemoryFiles::diskFull), {source}, 1}},
        {{"rename fails", [](auto& f) { f.failRename = true; }},
         {cantWriteMessage(destination, MemoryFiles::accessDenied), {source}, 1}},
    };
    cases.insert(cases.end(), std::begin(codingOnly), std::end(codingOnly));
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.fault.name);
        CodingRun r;
        const Bytes plain = pseudoRandomBytes(2000, 3);
        r.files.put(source, plain);
        c.fault.inject(r.files);
        r.state = {source + '\0', 1, destination, "", ""};
        r.run();

        if (r.files.has(source)) {
            EXPECT_EQ(r.files.at(source).bytes, plain);
        }
        expectFaultOutcome(c, r.host, r.files, source, destination, old, endSequence(r.key));
    }
}

TEST(CodingJob, RunGoesOnAfterAFileFails) {
    CodingRun r;
    const Bytes plain = pseudoRandomBytes(900, 5);
    r.files.put("C:\\d\\b", plain);
    r.files.put("C:\\d\\c", plain);
    r.files.readStopsAt["C:\\d\\b"] = 850;
    r.state = {std::string("C:\\d\0a\0b\0c\0", 11), 3, "C:\\o", "", ""};
    r.run();

    EXPECT_EQ(r.host.infos(), (Paths{cantReadMessage("C:\\d\\a", MemoryFiles::fileNotFound),
                                     cantReadMessage("C:\\d\\b", text::sourceEndedEarly)}));
    EXPECT_EQ(r.files.paths(), (Paths{"C:\\d\\b", "C:\\d\\c", "C:\\o_c_ZEL"}));
    EXPECT_EQ(r.files.at("C:\\o_c_ZEL").bytes, codedFileOf(r.key, plain));
    EXPECT_EQ(r.host.shownKeyText, formatKeyText(r.key));
}

TEST(CodingJob, EveryOutputIsOnTheDiskBeforeItGetsItsName) {
    CodingRun r;
    for (const char* name : {"a", "b", "c"}) {
        r.files.put(std::string("C:\\d\\") + name, pseudoRandomBytes(900, 1));
    }
    r.state = {std::string("C:\\d\0a\0b\0c\0", 11), 3, "C:\\o", "", ""};
    r.run();

    Calls expected;
    for (const std::string name : {"a", "b", "c"}) {
        const std::string output = "C:\\o_" + name + "_ZEL";
        expected.insert(expected.end(),
                        {"open C:\\d\\" + name, "create " + output + ".part",
                         "close C:\\d\\" + name, "flush " + output + ".part",
                         "close " + output + ".part", "rename " + output + ".part -> " + output});
    }
    EXPECT_EQ(r.files.log, expected);
}

}  // namespace
}  // namespace zel::test
