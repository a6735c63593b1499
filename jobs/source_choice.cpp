#include "jobs/source_choice.h"

#include <cstdint>
#include <limits>
#include <unordered_set>

#include "jobs/texts.h"

namespace zel {

namespace {

// Windows compares names without regard to case; beyond ASCII a difference in case reads as
// another name, so such a folder is refused rather than guessed at.
std::string comparable(const std::string& name, PathStyle style) {
    return style == PathStyle::windows ? text::asciiLowerCase(name) : name;
}

struct FolderAndName {
    std::string folder;
    std::string name;
};

// A root keeps its separator ("C:\", "/"), as the chooser gives it: "C:" alone would name the
// drive's current folder.
FolderAndName splitPath(const std::string& path, PathStyle style) {
    const std::size_t separator = path.find_last_of(style == PathStyle::windows ? "\\/" : "/");
    if (separator == std::string::npos) {
        return {std::string(), path};
    }
    const bool root =
        style == PathStyle::windows ? separator > 0 && path[separator - 1] == ':' : separator == 0;
    return {path.substr(0, root ? separator + 1 : separator), path.substr(separator + 1)};
}

SourceChoice refuse(const std::string& rule, const std::string& detail) {
    return {0, std::string(), rule + "\n" + detail};
}

}  // namespace

SourceChoice sourceChoice(const std::vector<NamedPath>& paths, std::size_t selectionLimit,
                          PathStyle style) {
    std::vector<const NamedPath*> distinct;
    std::unordered_set<std::string> seen;
    for (const NamedPath& named : paths) {
        switch (named.kind) {
            case NameKind::missing:
                return refuse(texts().refusedMissing, named.path);
            case NameKind::folder:
                return refuse(texts().refusedFolder, named.path);
            case NameKind::unusable:
                return refuse(texts().refusedUnusableName, named.path);
            case NameKind::file:
                break;
        }
        if (seen.insert(comparable(named.path, style)).second) {
            distinct.push_back(&named);
        }
    }
    if (distinct.empty()) {
        return {};
    }

    SourceChoice choice;
    if (distinct.size() == 1) {
        choice.selection = distinct.front()->path + '\0';
    } else {
        const std::string folder = splitPath(distinct.front()->path, style).folder;
        const std::string comparableFolder = comparable(folder, style);
        choice.selection = folder + '\0';
        for (const NamedPath* named : distinct) {
            const FolderAndName parts = splitPath(named->path, style);
            if (comparable(parts.folder, style) != comparableFolder) {
                return refuse(texts().refusedSeveralFolders, folder + "\n" + parts.folder);
            }
            choice.selection += parts.name + '\0';
        }
    }
    // The chooser's answer ends with an empty piece, one more NUL; the count is 16-bit.
    if (choice.selection.size() + 1 > selectionLimit ||
        distinct.size() > static_cast<std::size_t>(std::numeric_limits<int16_t>::max())) {
        return refuse(texts().refusedTooMany, std::to_string(distinct.size()) + " files");
    }
    choice.count = static_cast<int>(distinct.size());
    return choice;
}

}  // namespace zel
