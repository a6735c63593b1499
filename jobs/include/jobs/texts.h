// The system's own texts: every message, status and title that the jobs, the dialog and the
// command line show. Each is written once, in UTF-8, in texts.cpp. A program turns the table
// into its process's code page once, at its start, so that the texts and the paths they name
// are in one code page from end to end: on Windows the ANSI code page (UTF-8 under the
// programs' manifest), on POSIX UTF-8, the table's own.
#pragma once

#include <string>
#include <string_view>

namespace zel {

struct Texts {
    std::string infoTitle;  // of the information box

    // What the jobs tell the user.
    std::string noSourceFile;
    std::string noDestFile;
    std::string invalidKeyLength;
    std::string notCodedFile;
    std::string fileAlreadyExists;
    std::string cantReadSource;
    std::string cantWriteDest;
    // The reasons given when a file fails without a system error.
    std::string sourceEndedEarly;
    std::string noSystemReason;
    // Added to a failure's message when its unfinished output could not be removed; the path of
    // that file and the reason follow on their own lines.
    std::string unfinishedNotRemoved;

    std::string idleStatus;
    std::string decodingStatus;
    std::string codingStatusPrefix;
    std::string filesToCryptPrefix;

    // What the system shows a user who ends the session during a job.
    std::string codingHoldsSessionEnd;
    std::string decodingHoldsSessionEnd;

    // Files named from outside the choosers that are refused; the offending path or folders
    // follow on their own lines.
    std::string refusedMissing;
    std::string refusedFolder;
    std::string refusedSeveralFolders;
    std::string refusedUnusableName;
    std::string refusedTooMany;

    // The reason given for a name on a command line that the system cannot take as given.
    std::string unusableName;
};

// The table in the code page it was last converted into; UTF-8 until then.
const Texts& texts();

// UTF-8 into the process's code page.
using TextConversion = std::string (*)(std::string_view utf8);
// Converts the whole table once, before any text is used; a text the conversion fails on
// stays as it is.
void convertTexts(TextConversion fromUtf8);

namespace text {

// The text with the ASCII capitals in lower case, and nothing else changed.
inline std::string asciiLowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// A message about one file: the message, a line break, the path.
inline std::string aboutFile(const std::string& message, const std::string& path) {
    return message + "\n" + path;
}

// A file-system failure: the message, the path and, on a third line, the reason.
inline std::string aboutFailure(const std::string& message, const std::string& path,
                                const std::string& reason) {
    return aboutFile(message, path) + "\n" + reason;
}

}  // namespace text

}  // namespace zel
