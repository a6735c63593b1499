// The work on files that the dialog's jobs and the command line share, with no window and no
// console: sources coded under a key it is given, a coded file decoded under one, each output
// named only when complete and on the disk, and for each file what became of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cipher/coding_key.h"
#include "jobs/binary_file.h"
#include "jobs/job_progress.h"

namespace zel {

// A file to read, and the name its output gets; or instead, the standard input or output, which
// keep their names for the messages about them.
struct FilePair {
    std::string source;
    std::string output;
    bool fromStandardInput = false;
    bool toStandardOutput = false;
};

enum class FileProblem {
    none,           // done: the output holds all the source gave
    cantRead,       // the source could not be opened or read (path: the source)
    notCoded,       // decoding: the source does not start with the marker (path: the source)
    alreadyExists,  // something has the output's name already (path: the output)
    cantWrite,      // the output could not be made, written, or named (path: the output)
    stopped,        // the caller stopped the run before the output was named (path: the output)
};

// What became of one file.
struct FileOutcome {
    FileProblem problem = FileProblem::none;
    std::string path;    // what the problem is about, as the caller named it
    std::string reason;  // the system's words, or why else it failed; empty where none applies
    // An unfinished output that could not be removed, and why; empty when none stayed.
    std::string leftBehindPath;
    std::string leftBehindReason;

    bool done() const { return problem == FileProblem::none; }
};

// The information box's text of a problem: its message, then the path and the reason on lines
// of their own, then any unfinished output left behind (texts().unfinishedNotRemoved, its path
// and its reason). The not-coded message stands alone.
std::string infoText(const FileOutcome& outcome);

// What a run over several files tells its caller, and asks.
class CodingEvents {
public:
    virtual ~CodingEvents() = default;
    // File `index` (0-based) is next, before its files are opened.
    virtual void fileStarting(std::size_t /*index*/) {}
    virtual JobProgress& progress() = 0;
    // The output of file `index` is complete and on the disk; it gets its name once this says
    // yes. No removes it and ends the file as stopped, and the run with it.
    virtual bool mayName(std::size_t /*index*/) { return true; }
    virtual void fileEnded(std::size_t index, const FileOutcome& outcome) = 0;
};

// How the outputs are made.
struct OutputRule {
    // The source's permission bits and times go over to an output that is a file of its own
    // (see OpenFile); a stream has none to give.
    bool keepAttributes = false;
};

// Codes each source into its output under the key, one after the other: the marker, then the
// source's bytes to its end, whatever size it said it had (a source that gives fewer bytes than
// that fails as changed while read). A file that fails is told and the run goes on.
void codeFiles(const std::vector<FilePair>& files, const CodingKey& key, BinaryFile& fileSystem,
               CodingEvents& events, OutputRule rule = {});

// Decodes one coded file under the key: the marker is tested before the output exists, so a
// file that is not coded leaves nothing.
FileOutcome decodeFile(const FilePair& file, const CodingKey& key, BinaryFile& fileSystem,
                       JobProgress& progress, OutputRule rule = {});

}  // namespace zel
