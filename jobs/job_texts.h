// Every text the jobs show. The literals are Windows-1252 bytes ("\xB4" is the acute accent);
// the dialog converts them when it shows them.
#pragma once

#include <string>

#include "zel_version.h"

namespace zel::text {

inline constexpr char infoTitle[] = ZEL_PROGRAM_TITLE " - Info";

inline constexpr char noSourceFile[] = "No sourcefile !";
inline constexpr char noDestFile[] = "No destfile !";
inline constexpr char invalidKeyLength[] = "invalid decodekeylength !!";
inline constexpr char notCodedFile[] = "can\xB4t decode, not a ZEL coded file !!!";
inline constexpr char fileAlreadyExists[] = "File already exists !!";
inline constexpr char cantReadSource[] = "can\xB4t read sourcefile !!";
inline constexpr char cantWriteDest[] = "can\xB4t write destfile !!";

inline constexpr char idleStatus[] = "Idle . . .";
inline constexpr char decodingStatus[] = "now decoding . . .";
inline constexpr char codingStatusPrefix[] = "Now coding file...";
inline constexpr char filesToCryptPrefix[] = "Files to crypt:";

// The reason given when a file fails without a system error.
inline constexpr char sourceEndedEarly[] =
    "The file ended before all of its bytes were read; it may have been changed meanwhile.";
inline constexpr char noSystemReason[] = "The system gave no reason.";

// A message about one file: the message, a line break, the path.
inline std::string aboutFile(const char* message, const std::string& path) {
    return std::string(message) + "\n" + path;
}

// A file-system failure: the message, the path and, on a third line, the reason.
inline std::string aboutFailure(const char* message, const std::string& path,
                                const std::string& reason) {
    return aboutFile(message, path) + "\n" + reason;
}

}  // namespace zel::text
