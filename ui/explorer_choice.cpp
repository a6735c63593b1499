#include "ui/explorer_choice.h"

#include <unordered_set>

namespace zel::ui {

namespace {

// Windows compares names without regard to case; beyond ASCII a difference in case reads as
// another name, so such a folder is refused rather than guessed at.
std::string caseFolded(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

struct FolderAndName {
    std::string folder;
    std::string name;
};

// A drive's root keeps its backslash ("C:\"), as the chooser gives it: "C:" alone would name
// the drive's current folder.
FolderAndName splitPath(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        return {std::string(), path};
    }
    const bool driveRoot = separator > 0 && path[separator - 1] == ':';
    return {path.substr(0, driveRoot ? separator + 1 : separator), path.substr(separator + 1)};
}

ExplorerChoice refuse(const char* rule, const std::string& detail) {
    return {0, std::string(), std::string(rule) + "\n" + detail};
}

}  // namespace

ExplorerChoice explorerChoice(const std::vector<NamedPath>& paths, std::size_t selectionLimit) {
    std::vector<const NamedPath*> distinct;
    std::unordered_set<std::string> seen;
    for (const NamedPath& named : paths) {
        switch (named.kind) {
            case NameKind::missing:
                return refuse(text::refusedMissing, named.path);
            case NameKind::folder:
                return refuse(text::refusedFolder, named.path);
            case NameKind::unusable:
                return refuse(text::refusedUnusableName, named.path);
            case NameKind::file:
                break;
        }
        if (seen.insert(caseFolded(named.path)).second) {
            distinct.push_back(&named);
        }
    }
    if (distinct.empty()) {
        return {};
    }

    ExplorerChoice choice;
    if (distinct.size() == 1) {
        choice.selection = distinct.front()->path + '\0';
    } else {
        const std::string folder = splitPath(distinct.front()->path).folder;
        const std::string foldedFolder = caseFolded(folder);
        choice.selection = folder + '\0';
        for (const NamedPath* named : distinct) {
            const FolderAndName parts = splitPath(named->path);
            if (caseFolded(parts.folder) != foldedFolder) {
                return refuse(text::refusedSeveralFolders, folder + "\n" + parts.folder);
            }
            choice.selection += parts.name + '\0';
        }
    }
    // The chooser's answer ends with an empty piece, one more NUL.
    if (choice.selection.size() + 1 > selectionLimit) {
        return refuse(text::refusedTooMany, std::to_string(distinct.size()) + " files");
    }
    choice.count = static_cast<int>(distinct.size());
    return choice;
}

}  // namespace zel::ui
