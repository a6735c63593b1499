#include "jobs/decoding_job.h"

#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "tests/support/job_runs.h"

namespace zel::test {
namespace {

const std::string notCoded = "can´t decode, not a ZEL coded file !!!";
const std::string coded = "C:\\in\\a.zel";
const std::string plainPath = "C:\\out\\a.bin";

// How a run starts and ends, as the user sees it.
const Calls startSequence = {"showKeyText ", "setBusyPointer true", "setButtonsEnabled false",
                             "showStatus now decoding . . ."};
const Calls endSequence = RecordingHost::decodingRunEnd();

// Codes `plain` with the coding job and returns the coded file and the key text shown.
std::pair<Bytes, std::string> codeWithJob(const Bytes& plain, double clockStart) {
    MemoryRun r("p", plain);
    EXPECT_TRUE(r.code({"p", 1, "c", "", ""}, fakeClock(clockStart)));
    return {r.files.at("c").bytes, r.state.keyText};
}

Bytes decodeWithJob(const Bytes& codedFile, const std::string& keyText) {
    MemoryRun r(coded, codedFile);
    EXPECT_TRUE(r.decode({selectionOf({coded}), 1, plainPath, "", ""}, keyText));
    EXPECT_TRUE(r.host.infos().empty());
    return r.files.has(plainPath) ? r.files.at(plainPath).bytes : Bytes{};
}

TEST(DecodingJob, ChecksInOrderTouchNothing) {
    const Calls keyLengthRefused = {"showKeyText ", "readKeyEntryText",
                                    "showInfo invalid decodekeylength !!"};
    const std::tuple<std::string, std::string, std::string, Calls> cases[] = {
        {"", "", "123456789", {"showKeyText ", "showInfo No sourcefile !"}},
        {"", plainPath, "", {"showKeyText ", "showInfo No sourcefile !"}},
        {coded, "", "123456789", {"showKeyText ", "showInfo No destfile !"}},
        {coded, plainPath, "12345678", keyLengthRefused},
        {coded, plainPath, "1234567890", keyLengthRefused},
        {coded, plainPath, "", keyLengthRefused},
    };
    for (const auto& [selection, to, key, calls] : cases) {
        MemoryRun r(coded, bytesOf("ZEL123"));
        EXPECT_FALSE(r.decode({selection, 1, to, "", "old key"}, key));
        EXPECT_EQ(r.host.calls, calls) << key;
        EXPECT_TRUE(r.files.log.empty());
        EXPECT_EQ(fieldsOf(r.state), fieldsOf({selection, 1, to, "", "old key"}));
    }
}

TEST(DecodingJob, RoundTripsThroughBothJobs) {
    for (const std::size_t size : {0, 1, 2, 3, 799, 800, 801, 803, 1000, 65537}) {
        const Bytes plain = pseudoRandomBytes(size, static_cast<uint32_t>(size));
        const auto [codedFile, keyText] = codeWithJob(plain, 1000.0 + size);
        ASSERT_EQ(codedFile.size(), size + 3);
        EXPECT_EQ(decodeWithJob(codedFile, keyText), plain) << size;
    }
}

TEST(DecodingJob, CodedFileCodedAgainDecodesOnceToTheFirst) {
    const Bytes plain = pseudoRandomBytes(1234, 9);
    const auto [first, firstKey] = codeWithJob(plain, 20000.0);
    const auto [second, secondKey] = codeWithJob(first, 30000.0);
    ASSERT_NE(firstKey, secondKey);
    const Bytes once = decodeWithJob(second, secondKey);
    EXPECT_EQ(once, first);
    EXPECT_EQ(decodeWithJob(once, firstKey), plain);
}

TEST(DecodingJob, TheBarAsTheUserSeesItAndAWritePerChunk) {
    const std::pair<std::size_t, Calls> cases[] = {
        {3, {"bar 0/0"}},
        {803, {"bar 0/800", "bar 800/800"}},
        {1000, {"bar 0/997", "bar 800/997", "bar 997/997"}},
    };
    const CodingKey key{60, 70, 80};
    for (const auto& [size, progress] : cases) {
        const Bytes body = pseudoRandomBytes(size - 3, 4);
        MemoryRun r(coded, codedFileOf(key, body));
        EXPECT_TRUE(r.decode({coded, 1, plainPath, "", "old key"}, "060070080"));
        EXPECT_EQ(r.host.seen(), concat({startSequence, progress, endSequence})) << size;
        // Lowered at the file's end: the window then shows the bar where the steps left it.
        EXPECT_EQ(r.host.step, 0);
        EXPECT_EQ(r.files.paths(), (Paths{coded, plainPath}));
        EXPECT_EQ(r.files.at(plainPath).bytes, body);
        EXPECT_EQ(r.files.at(plainPath).writeCalls, static_cast<int>((size - 3 + 799) / 800));
        EXPECT_EQ(r.files.logCount("create " + plainPath + ".part"), 1);
        EXPECT_EQ(fieldsOf(r.state), fieldsOf({"", 1, "", "", ""}));
    }
}

TEST(DecodingJob, TypedKeyTextsDecodeAsTheRulesSay) {
    Bytes all(256), file = bytesOf("ZEL");
    std::iota(all.begin(), all.end(), uint8_t{0});
    file.insert(file.end(), all.begin(), all.end());
    const auto mirrored = [&](int k) {
        Bytes out;
        for (const int x : all) {
            out.push_back(static_cast<uint8_t>((k - x) % 256));
        }
        return out;
    };
    EXPECT_EQ(decodeWithJob(file, "abcdefghi"), all);
    EXPECT_EQ(decodeWithJob(file, "000000000"), all);
    EXPECT_EQ(decodeWithJob(file, "-12-34-56"), all);
    EXPECT_EQ(decodeWithJob(file, "300300300"), mirrored(300));
    EXPECT_EQ(decodeWithJob(file, "999999999"), mirrored(999));
}

TEST(DecodingJob, FilesWithoutTheMarkerAreRejectedAndLeaveNothing) {
    for (const std::string content :
         {"", "Z", "ZE", "zel", "zEL123", "XEL123", "ZXL123", "ZEX123", "plain text"}) {
        MemoryRun r(coded, bytesOf(content));
        EXPECT_TRUE(r.decode({selectionOf({coded}), 1, plainPath, "", ""}, "123123123"));
        const auto n = static_cast<int>(content.size());
        EXPECT_EQ(r.host.seen(), concat({startSequence,
                                         {"bar 0/" + std::to_string(n - 3), "showInfo " + notCoded},
                                         endSequence}))
            << content;
        EXPECT_EQ(r.files.paths(), Paths{coded});
        EXPECT_EQ(r.files.at(coded).bytes, bytesOf(content));
        EXPECT_EQ(r.files.logCount("create"), 0);
        EXPECT_EQ(r.files.openCount, 0);
    }
}

TEST(DecodingJob, SeveralChosenFilesAreRejected) {
    MemoryRun r;
    r.files.putFolder("C:\\docs");
    const Bytes codedFile = codedFileOf({60, 60, 60}, Bytes(10, 1));
    r.files.put("C:\\docs\\a.zel", codedFile);
    r.files.put("C:\\docs\\b.zel", codedFile);
    EXPECT_TRUE(
        r.decode({selectionOf({"C:\\docs", "a.zel", "b.zel"}), 2, plainPath, "", ""}, "060060060"));
    EXPECT_EQ(r.host.infos(), Paths{expectedCantRead("C:\\docs", MemoryFiles::accessDenied)});
    EXPECT_EQ(r.files.paths(), (Paths{"C:\\docs", "C:\\docs\\a.zel", "C:\\docs\\b.zel"}));
    EXPECT_EQ(r.files.at("C:\\docs\\a.zel").bytes, codedFile);
    EXPECT_EQ(r.files.logCount("create"), 0);
}

TEST(DecodingJob, MendedFaultsReportAndLeaveNoOutput) {
    const Bytes old = bytesOf("old");
    std::vector<FaultCase> cases = faultsOfBothJobs(coded, plainPath, old);
    cases.push_back({{"length unknown", [](auto& f) { f.unknownLength.insert(coded); }},
                     {expectedCantRead(coded, MemoryFiles::accessDenied), {coded}, 0}});
    cases.push_back(
        {{"marker cut short", [](auto& f) { f.readStopsAt[coded] = 2; }}, {notCoded, {coded}, 0}});
    const Bytes codedFile = codedFileOf({60, 60, 60}, pseudoRandomBytes(1500, 2));
    expectFaultOutcomes(cases, coded, codedFile, plainPath, old, endSequence, [](MemoryRun& r) {
        return r.decode({selectionOf({coded}), 1, plainPath, "", ""}, "060060060");
    });
}

}  // namespace
}  // namespace zel::test
