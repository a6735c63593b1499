// The decoding job on an in-memory file of any bytes with any typed key text, under an injected
// file-system fault; then a coding run followed by a decoding run on the same bytes.
// Input: the key text's length (byte 0), the fault, whether to put the marker in front and the
// block of a BufferedFiles between the job and the files, if any (byte 1), a clock reading (bytes
// 2-5), the fault's offset (bytes 6-7), the typed key text, then the file's content.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cipher/byte_transform.h"
#include "tests/support/memory_files.h"

namespace zel::test {
namespace {

const std::string source = "C:\\in\\coded";
const std::string destination = "C:\\out\\plain";

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

enum class Fault { none, shortRead, writeLimit, closeFails, destinationAppears };

void decodeAnyFile(const Bytes& content, const std::string& typedKey, Fault fault, int64_t offset,
                   std::size_t block) {
    MemoryRun run(source, content);
    MemoryFiles& files = run.files;
    if (fault == Fault::shortRead) {
        files.readStopsAt[source] = offset;
    } else if (fault == Fault::writeLimit) {
        files.writeLimit = offset;
    } else if (fault == Fault::destinationAppears) {
        files.appearOnRename[destination] = bytesOf("late");
    }
    files.failClose = fault == Fault::closeFails;
    const bool keyTaken = typedKey.size() == keyTextLength;
    // Only a key of the wrong length keeps the run from ending idle.
    require(run.decode({source, 1, destination, "", "old"}, typedKey, block) == keyTaken);

    require(files.openCount == 0);
    require(files.at(source).bytes == content);
    const auto infos = run.host.infos();
    if (!keyTaken) {
        require(infos == std::vector<std::string>{"invalid decodekeylength !!"});
        require(files.log.empty());
        return;
    }

    // What the fault makes of the run: the one message, or none when the file is decoded.
    const auto size = static_cast<int64_t>(content.size());
    const bool marked = size >= 3 && std::memcmp(content.data(), "ZEL", 3) == 0;
    std::string message;
    if (!marked || (fault == Fault::shortRead && offset < 3)) {
        message = "can´t decode, not a ZEL coded file !!!";
    } else if (fault == Fault::shortRead && offset < size) {
        message = expectedCantRead(source, sourceEndedEarly);
    } else if (fault == Fault::writeLimit && offset < size - 3) {
        message = expectedCantWrite(destination, MemoryFiles::diskFull);
    } else if (fault == Fault::closeFails) {
        message = expectedCantWrite(destination, MemoryFiles::accessDenied);
    } else if (fault == Fault::destinationAppears) {
        message = expectedAlreadyExists(destination);
    }

    if (message.empty()) {
        require(infos.empty());
        Bytes expected;
        const CodingKey key = parseKeyText(typedKey);
        for (std::size_t i = 3; i < content.size(); ++i) {
            expected.push_back(decodeByte(key, content[i]));
        }
        require(files.paths().size() == 2 && files.at(destination).bytes == expected);
    } else {
        require(infos == std::vector<std::string>{message});
        const bool appeared = marked && fault == Fault::destinationAppears;
        // Nothing left of the output: no file under its name, no unfinished file beside it.
        require(files.paths().size() == (appeared ? 2u : 1u));
        require(!appeared || files.at(destination).bytes == bytesOf("late"));
    }
    require(marked || files.logCount("create") == 0);
}

void codeThenDecode(const Bytes& content, double clockReading) {
    MemoryRun run("C:\\p\\plain", content);
    // Ends idle, showing the key drawn from the clock's readings.
    require(run.code({"C:\\p\\plain", 1, "C:\\p\\coded", "", ""}, fakeClock(clockReading)));

    const CodingKey key = parseKeyText(run.host.shownKeyText);
    for (const int k : {key.k1, key.k2, key.k3}) {
        require(k >= 50 && k <= 255);
    }
    require(formatKeyText(key) == run.host.shownKeyText);
    require(run.files.at("C:\\p\\coded").bytes == codedFileOf(key, content));

    require(run.decode({"C:\\p\\coded", 1, "C:\\p\\back", "", ""}, run.host.shownKeyText));
    require(run.files.at("C:\\p\\back").bytes == content);
}

}  // namespace
}  // namespace zel::test

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace zel::test;
    constexpr std::size_t header = 8;
    if (size < header) {
        return 0;
    }
    const std::size_t keyLength = (data[0] & 0x80) != 0 ? (data[0] & 0x0F) : zel::keyTextLength;
    const auto fault = static_cast<Fault>((data[1] & 0x07) % 5);
    const bool addMarker = (data[1] & 0x08) != 0;    // reaches the decoding path more often
    const std::size_t block = (data[1] >> 4) * 97u;  // faults keep their outcomes beneath it
    uint32_t millis = 0;
    std::memcpy(&millis, data + 2, sizeof millis);
    const int64_t offset = data[6] | (data[7] << 8);
    if (size < header + keyLength) {
        return 0;
    }
    const std::string typedKey(reinterpret_cast<const char*>(data + header), keyLength);
    Bytes content = addMarker ? bytesOf("ZEL") : Bytes{};
    content.insert(content.end(), data + header + keyLength, data + size);

    decodeAnyFile(content, typedKey, fault, offset, block);
    codeThenDecode(content, (millis % 86400000u) / 1000.0);
    return 0;
}
