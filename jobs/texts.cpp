// This file is UTF-8: "can´t" holds U+00B4, the acute accent.
#include "jobs/texts.h"

#include "zel_version.h"

namespace zel {

namespace {

std::string unchanged(std::string_view utf8) {
    return std::string(utf8);
}

Texts makeTexts(TextConversion convert) {
    const auto in = [convert](std::string_view utf8) {
        std::string converted = convert(utf8);
        return converted.empty() ? std::string(utf8) : converted;
    };
    Texts t;
    t.infoTitle = in(ZEL_PROGRAM_TITLE " - Info");

    t.noSourceFile = in("No sourcefile !");
    t.noDestFile = in("No destfile !");
    t.invalidKeyLength = in("invalid decodekeylength !!");
    t.notCodedFile = in("can´t decode, not a ZEL coded file !!!");
    t.fileAlreadyExists = in("File already exists !!");
    t.cantReadSource = in("can´t read sourcefile !!");
    t.cantWriteDest = in("can´t write destfile !!");
    t.sourceEndedEarly =
        in("The file ended before all of its bytes were read; it may have been changed meanwhile.");
    t.noSystemReason = in("The system gave no reason.");
    t.unfinishedNotRemoved = in("The unfinished file could not be removed:");

    t.idleStatus = in("Idle . . .");
    t.decodingStatus = in("now decoding . . .");
    t.codingStatusPrefix = in("Now coding file...");
    t.filesToCryptPrefix = in("Files to crypt:");

    t.codingHoldsSessionEnd =
        in("ZEL is coding files. Wait for it to finish, or the unfinished file is discarded.");
    t.decodingHoldsSessionEnd =
        in("ZEL is decoding a file. Wait for it to finish, or the unfinished file is discarded.");

    t.refusedMissing = in("Nothing chosen: this file does not exist.");
    t.refusedFolder = in("Nothing chosen: a folder cannot be coded, only files.");
    t.refusedSeveralFolders = in("Nothing chosen: the files must all be in one folder.");
    t.refusedUnusableName =
        in("Nothing chosen: this name has characters this system's code page cannot hold.");
    t.refusedTooMany = in("Nothing chosen: too many files at once.");

    t.unusableName = in("The name has characters this system's code page cannot hold.");
    return t;
}

Texts& table() {
    static Texts texts = makeTexts(unchanged);
    return texts;
}

}  // namespace

const Texts& texts() {
    return table();
}

void convertTexts(TextConversion fromUtf8) {
    table() = makeTexts(fromUtf8);
}

}  // namespace zel
