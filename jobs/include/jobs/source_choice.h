// Files named from outside the source chooser (a drop on the window, Send To, a command line)
// turned into the source choice the chooser would have made, or refused with the rule they
// break. The caller has made each name absolute and found out what it names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zel {

enum class NameKind { file, folder, missing, unusable };

struct NamedPath {
    std::string path;  // absolute, in the process's code page
    NameKind kind = NameKind::missing;
};

// How the paths are written: Windows ("C:\d\a.txt"; '\' or '/' between the parts, names equal
// without regard to ASCII case) or POSIX ("/d/a.txt"; '/' only, case matters).
enum class PathStyle { windows, posix };

// A choice (count > 0 and the selection text, pieces ended by NUL, as the source chooser
// gives them) or a refusal (count 0 and the message, texts().refused... and what it is about).
struct SourceChoice {
    int count = 0;
    std::string selection;
    std::string refusal;
};

// One file: its path. Several files of one folder (the same path twice counts once): the
// folder and each name. selectionLimit is the size of the chooser's buffer, which must also
// hold the empty piece that ends the answer; a bigger selection is refused as the chooser
// would have failed on it, and so are more files than the shared state can count. No paths:
// neither choice nor refusal.
SourceChoice sourceChoice(const std::vector<NamedPath>& paths, std::size_t selectionLimit,
                          PathStyle style);

}  // namespace zel
