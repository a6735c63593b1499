// The choices and texts that the choosers, the jobs and the dialog share. The dialog owns the
// one instance. Texts are byte strings in the ANSI code page and may hold NUL bytes.
#pragma once

#include <cstdint>
#include <string>

namespace zel {

struct SharedState {
    // Empty, or one full path followed by NUL, or the folder followed by each chosen name,
    // every piece followed by NUL.
    std::string sourceSelection;
    int16_t sourceCount = 0;
    std::string destinationPath;
    std::string statusMessage;
    std::string keyText;
};

}  // namespace zel
