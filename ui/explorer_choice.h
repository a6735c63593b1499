// Files handed over from outside the dialog (a drop on the window, Send To, the command line)
// turned into the source choice the source chooser would have made, or refused with the rule
// they break. Window-free: the caller has made each name absolute and found out what it is.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zel::text {

// Information box texts; the offending path or folders follow on their own lines.
inline constexpr char refusedMissing[] = "Nothing chosen: this file does not exist.";
inline constexpr char refusedFolder[] = "Nothing chosen: a folder cannot be coded, only files.";
inline constexpr char refusedSeveralFolders[] =
    "Nothing chosen: the files must all be in one folder.";
inline constexpr char refusedUnusableName[] =
    "Nothing chosen: this name has characters this system's code page cannot hold.";
inline constexpr char refusedTooMany[] = "Nothing chosen: too many files at once.";

}  // namespace zel::text

namespace zel::ui {

enum class NameKind { file, folder, missing, unusable };

struct NamedPath {
    std::string path;  // absolute, in the process's code page
    NameKind kind = NameKind::missing;
};

// A choice (count > 0 and the selection text, pieces ended by NUL, as the source chooser
// gives them) or a refusal (count 0 and the information box's text).
struct ExplorerChoice {
    int count = 0;
    std::string selection;
    std::string refusal;
};

// One file: its path. Several files of one folder (the same path twice counts once): the
// folder and each name. selectionLimit is the size of the chooser's buffer, which must also
// hold the empty piece that ends the answer; a bigger selection is refused as the chooser
// would have failed on it. No paths: neither choice nor refusal.
ExplorerChoice explorerChoice(const std::vector<NamedPath>& paths, std::size_t selectionLimit);

}  // namespace zel::ui
