#include "jobs/coding_job.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/job_runs.h"

namespace zel::test {
namespace {

const std::string source = "C:\\in\\a.bin";
const std::string destination = "C:\\out\\a.zel";

// One coding run. The clock reads its first value three times before moving on, so a first
// reading that fails is retried as the job would meet it.
struct CodingRun {
    SharedState state;
    RecordingHost host;
    MemoryFiles files;
    CodingKey key;

    void run(const SharedState& start) {
        state = start;
        key = drawCodingKey(fakeClock(36000.0, 3));
        runCodingJob(state, host, files, fakeClock(36000.0, 3));
    }
    Calls end() const { return RecordingHost::codingRunEnd(formatKeyText(key)); }
};

TEST(CodingJob, OneFileCallsAndOutput) {
    // The progress steps between the range and the closing zero step.
    const std::pair<std::size_t, Calls> cases[] = {
        {0, {}},
        {800, {"setProgressStep 800", "stepProgress"}},
        {801, {"setProgressStep 800", "stepProgress", "setProgressStep 1", "stepProgress"}},
        {1000, {"setProgressStep 800", "stepProgress", "setProgressStep 200", "stepProgress"}},
    };
    for (const auto& [size, steps] : cases) {
        SCOPED_TRACE(size);
        CodingRun r;
        const Bytes plain = pseudoRandomBytes(size, 7);
        r.files.put(source, plain);
        r.run({source + '\0', 1, destination, "", "old key"});

        const Calls start = {"setBusyPointer true", "setButtonsEnabled false",
                             "showStatus Now coding file... 1/ 1",
                             "setProgressRange 1 " + std::to_string(size)};
        EXPECT_EQ(r.host.calls, concat({start, steps, {"setProgressStep 0"}, r.end()}));
        EXPECT_EQ(r.files.paths(), (Paths{source, destination}));
        EXPECT_EQ(r.files.at(source).bytes, plain);
        EXPECT_EQ(r.files.at(destination).bytes, codedFileOf(r.key, plain));
        EXPECT_EQ(r.files.at(destination).writeCalls, 1 + static_cast<int>((size + 799) / 800));
        EXPECT_EQ(r.files.logCount("create " + destination + ".part"), 1);
        EXPECT_EQ(r.files.logCount("rename " + destination + ".part -> " + destination), 1);
        EXPECT_EQ(r.files.openCount, 0);
        EXPECT_EQ(fieldsOf(r.state),
                  fieldsOf({"", 1, "", "Now coding file... 1/ 1", formatKeyText(r.key)}));
    }
}

TEST(CodingJob, ChecksRefuseMissingChoicesAndTouchNothing) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"", destination, "No sourcefile !"},
        {"", "", "No sourcefile !"},
        {source + '\0', "", "No destfile !"},
    };
    for (const auto& [selection, to, message] : cases) {
        CodingRun r;
        r.files.put(source, Bytes(10));
        const SharedState start{selection, 1, to, "status", "old key"};
        r.run(start);
        EXPECT_EQ(r.host.calls, (Calls{"showInfo " + message, "setBusyPointer false"}));
        EXPECT_TRUE(r.files.log.empty());
        EXPECT_EQ(fieldsOf(r.state), fieldsOf(start));
    }
}

TEST(CodingJob, SeveralFilesNamesAndStatuses) {
    // The folder as chosen, how many names, and the folder as joined with a name.
    const std::tuple<std::string, int16_t, std::string> cases[] = {
        {"C:\\docs", 2, "C:\\docs\\"},
        {"C:\\", 3, "C:\\"},
        {"D:\\many files\\", 12, "D:\\many files\\"},
        // POSIX folders: joined with '/', also when a name in them ends with '\'.
        {"/docs", 2, "/docs/"},
        {"/", 2, "/"},
        {"/odd\\", 2, "/odd\\/"},
    };
    for (const auto& [folder, count, joined] : cases) {
        SCOPED_TRACE(folder);
        CodingRun r;
        std::string selection = folder + '\0';
        Paths names, statuses;
        for (int k = 1; k <= count; ++k) {
            names.push_back("f" + std::to_string(k) + ".txt");
            selection += names.back() + '\0';
            r.files.put(joined + names.back(), pseudoRandomBytes(100 * k + 3, k));
            statuses.push_back("Now coding file... " + std::to_string(k) + "/ " +
                               std::to_string(count));
        }
        statuses.push_back("Idle . . .");
        r.run({selection, count, "C:\\out\\batch", "", ""});

        EXPECT_TRUE(r.host.infos().empty());
        for (const std::string& name : names) {
            const std::string output = "C:\\out\\batch_" + name + "_ZEL";
            ASSERT_TRUE(r.files.has(output)) << output;
            EXPECT_EQ(r.files.at(output).bytes,
                      codedFileOf(r.key, r.files.at(joined + name).bytes));
        }
        EXPECT_EQ(r.host.argumentsOf("showStatus"), statuses);
        EXPECT_EQ(r.files.paths().size(), 2u * count);  // sources and outputs, nothing else
        EXPECT_FALSE(r.files.has("C:\\out\\batch"));
        EXPECT_EQ(r.host.shownKeyText, formatKeyText(r.key));
    }
}

TEST(CodingJob, MendedFaultsReportAndLeaveNoOutput) {
    const Bytes old = bytesOf("old"), plain = pseudoRandomBytes(2000, 3);
    std::vector<FaultCase> cases = faultsOfBothJobs(source, destination, old);
    const FaultCase codingOnly[] = {
        {{"read fails", [](auto& f) { f.readStopsAt[source] = 1000, f.readStopError = 23; }},
         {cantReadMessage(source, 23), {source}, 1}},
        {{"source held elsewhere", [](auto& f) { f.refuseOpen.insert(source); }},
         {cantReadMessage(source, MemoryFiles::sharingViolation), {source}, 0}},
        {{"length unknown", [](auto& f) { f.unknownLength.insert(source); }},
         {cantReadMessage(source, MemoryFiles::accessDenied), {source}, 1}},
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
        r.files.put(source, plain);
        c.fault.inject(r.files);
        r.run({source + '\0', 1, destination, "", ""});
        if (r.files.has(source)) {
            EXPECT_EQ(r.files.at(source).bytes, plain);
        }
        expectFaultOutcome(c, r.host, r.files, source, destination, old, r.end());
    }
}

const std::string abcInD("C:\\d\0a\0b\0c\0", 11);

TEST(CodingJob, RunGoesOnAfterAFileFails) {
    CodingRun r;
    const Bytes plain = pseudoRandomBytes(900, 5);
    r.files.put("C:\\d\\b", plain);
    r.files.put("C:\\d\\c", plain);
    r.files.readStopsAt["C:\\d\\b"] = 850;
    r.run({abcInD, 3, "C:\\o", "", ""});

    EXPECT_EQ(r.host.infos(), (Paths{cantReadMessage("C:\\d\\a", MemoryFiles::fileNotFound),
                                     cantReadMessage("C:\\d\\b", sourceEndedEarly)}));
    EXPECT_EQ(r.files.paths(), (Paths{"C:\\d\\b", "C:\\d\\c", "C:\\o_c_ZEL"}));
    EXPECT_EQ(r.files.at("C:\\o_c_ZEL").bytes, codedFileOf(r.key, plain));
    EXPECT_EQ(r.host.shownKeyText, formatKeyText(r.key));
}

TEST(CodingJob, EveryOutputIsOnTheDiskBeforeItGetsItsName) {
    CodingRun r;
    Calls expected;
    for (const std::string name : {"a", "b", "c"}) {
        r.files.put("C:\\d\\" + name, pseudoRandomBytes(900, 1));
        const std::string output = "C:\\o_" + name + "_ZEL";
        expected.insert(expected.end(), {"open C:\\d\\" + name, "create " + output + ".part",
                                         "close C:\\d\\" + name, "flush " + output + ".part",
                                         "keep " + output + ".part", "close " + output + ".part",
                                         "rename " + output + ".part -> " + output});
    }
    r.run({abcInD, 3, "C:\\o", "", ""});
    EXPECT_EQ(r.files.log, expected);
}

}  // namespace
}  // namespace zel::test
