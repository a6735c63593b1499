#include "jobs/coding_job.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/job_runs.h"

namespace zel::test {
namespace {

const std::string source = "C:\\in\\a.bin";
const std::string destination = "C:\\out\\a.zel";

// The clock reads its first value three times before moving on, so a first reading that fails
// is retried as the job would meet it; the key it draws.
TimeOfDayClock clock() {
    return fakeClock(36000.0, 3);
}
const CodingKey key = drawCodingKey(clock());
const Calls end = RecordingHost::codingRunEnd(formatKeyText(key));

TEST(CodingJob, OneFileAsTheUserSeesItAndItsOutput) {
    // The bar's fill after its range is set.
    const std::pair<std::size_t, Calls> cases[] = {
        {0, {}},
        {800, {"bar 800/800"}},
        {801, {"bar 800/801", "bar 801/801"}},
        {1000, {"bar 800/1000", "bar 1000/1000"}},
    };
    for (const auto& [size, steps] : cases) {
        SCOPED_TRACE(size);
        const Bytes plain = pseudoRandomBytes(size, 7);
        MemoryRun r(source, plain);
        EXPECT_TRUE(r.code({selectionOf({source}), 1, destination, "", "old key"}, clock()));

        const Calls start = {"setBusyPointer true", "setButtonsEnabled false",
                             "showStatus Now coding file... 1/ 1", "bar 0/" + std::to_string(size)};
        EXPECT_EQ(r.host.seen(), concat({start, steps, end}));
        // Lowered at the file's end: the window then shows the bar where the steps left it.
        EXPECT_EQ(r.host.step, 0);
        EXPECT_EQ(r.files.paths(), (Paths{source, destination}));
        EXPECT_EQ(r.files.at(source).bytes, plain);
        EXPECT_EQ(r.files.at(destination).bytes, codedFileOf(key, plain));
        EXPECT_EQ(r.files.at(destination).writeCalls, 1 + static_cast<int>((size + 799) / 800));
        EXPECT_EQ(r.files.logCount("create " + destination + ".part"), 1);
        EXPECT_EQ(r.files.logCount("rename " + destination + ".part -> " + destination), 1);
        EXPECT_EQ(r.files.openCount, 0);
        EXPECT_EQ(fieldsOf(r.state),
                  fieldsOf({"", 1, "", "Now coding file... 1/ 1", formatKeyText(key)}));
    }
}

TEST(CodingJob, ChecksRefuseMissingChoicesAndTouchNothing) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"", destination, "No sourcefile !"},
        {"", "", "No sourcefile !"},
        {source + '\0', "", "No destfile !"},
    };
    for (const auto& [selection, to, message] : cases) {
        MemoryRun r(source, Bytes(10));
        const SharedState start{selection, 1, to, "status", "old key"};
        EXPECT_FALSE(r.code(start, clock()));
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
        MemoryRun r;
        Paths pieces = {folder}, statuses;
        for (int k = 1; k <= count; ++k) {
            pieces.push_back("f" + std::to_string(k) + ".txt");
            r.files.put(joined + pieces.back(), pseudoRandomBytes(100 * k + 3, k));
            statuses.push_back("Now coding file... " + std::to_string(k) + "/ " +
                               std::to_string(count));
        }
        statuses.push_back("Idle . . .");
        EXPECT_TRUE(r.code({selectionOf(pieces), count, "C:\\out\\batch", "", ""}, clock()));

        EXPECT_TRUE(r.host.infos().empty());
        for (const std::string& name : Paths(pieces.begin() + 1, pieces.end())) {
            const std::string output = "C:\\out\\batch_" + name + "_ZEL";
            ASSERT_TRUE(r.files.has(output)) << output;
            EXPECT_EQ(r.files.at(output).bytes, codedFileOf(key, r.files.at(joined + name).bytes));
        }
        EXPECT_EQ(r.host.argumentsOf("showStatus"), statuses);
        EXPECT_EQ(r.files.paths().size(), 2u * count);  // sources and outputs, nothing else
        EXPECT_FALSE(r.files.has("C:\\out\\batch"));
        EXPECT_EQ(r.host.shownKeyText, formatKeyText(key));
    }
}

TEST(CodingJob, MendedFaultsReportAndLeaveNoOutput) {
    const Bytes old = bytesOf("old"), plain = pseudoRandomBytes(2000, 3);
    std::vector<FaultCase> cases = faultsOfBothJobs(source, destination, old);
    const FaultCase codingOnly[] = {
        {{"read fails", [](auto& f) { f.readStopsAt[source] = 1000, f.readStopError = 23; }},
         {expectedCantRead(source, 23), {source}, 1}},
        {{"source held elsewhere", [](auto& f) { f.refuseOpen.insert(source); }},
         {expectedCantRead(source, MemoryFiles::sharingViolation), {source}, 0}},
        {{"length unknown", [](auto& f) { f.unknownLength.insert(source); }},
         {expectedCantRead(source, MemoryFiles::accessDenied), {source}, 1}},
        {{"create refused", [](auto& f) { f.refuseCreate = true; }},
         {expectedCantWrite(destination, MemoryFiles::accessDenied), {source}, 0}},
        {{"marker not written", [](auto& f) { f.writeLimit = 0; }},
         {expectedCantWrite(destination, MemoryFiles::diskFull), {source}, 1}},
        {{"rename fails", [](auto& f) { f.failRename = true; }},
         {expectedCantWrite(destination, MemoryFiles::accessDenied), {source}, 1}},
    };
    cases.insert(cases.end(), std::begin(codingOnly), std::end(codingOnly));
    expectFaultOutcomes(cases, source, plain, destination, old, end, [](MemoryRun& r) {
        return r.code({selectionOf({source}), 1, destination, "", ""}, clock());
    });
}

const std::string abcInD = selectionOf({"C:\\d", "a", "b", "c"});

TEST(CodingJob, RunGoesOnAfterAFileFails) {
    MemoryRun r;
    const Bytes plain = pseudoRandomBytes(900, 5);
    r.files.put("C:\\d\\b", plain);
    r.files.put("C:\\d\\c", plain);
    r.files.readStopsAt["C:\\d\\b"] = 850;
    EXPECT_TRUE(r.code({abcInD, 3, "C:\\o", "", ""}, clock()));

    EXPECT_EQ(r.host.infos(), (Paths{expectedCantRead("C:\\d\\a", MemoryFiles::fileNotFound),
                                     expectedCantRead("C:\\d\\b", sourceEndedEarly)}));
    EXPECT_EQ(r.files.paths(), (Paths{"C:\\d\\b", "C:\\d\\c", "C:\\o_c_ZEL"}));
    EXPECT_EQ(r.files.at("C:\\o_c_ZEL").bytes, codedFileOf(key, plain));
    EXPECT_EQ(r.host.shownKeyText, formatKeyText(key));
}

TEST(CodingJob, EveryOutputIsOnTheDiskBeforeItGetsItsName) {
    MemoryRun r;
    Calls expected;
    for (const std::string name : {"a", "b", "c"}) {
        r.files.put("C:\\d\\" + name, pseudoRandomBytes(900, 1));
        const std::string output = "C:\\o_" + name + "_ZEL";
        expected.insert(expected.end(), {"open C:\\d\\" + name, "create " + output + ".part",
                                         "close C:\\d\\" + name, "flush " + output + ".part",
                                         "keep " + output + ".part", "close " + output + ".part",
                                         "rename " + output + ".part -> " + output});
    }
    EXPECT_TRUE(r.code({abcInD, 3, "C:\\o", "", ""}, clock()));
    EXPECT_EQ(r.files.log, expected);
}

}  // namespace
}  // namespace zel::test
