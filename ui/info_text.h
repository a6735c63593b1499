// The text of an information message as it is shown. The jobs' own literals are
// Windows-1252 bytes (jobs/job_texts.h: byte 0xB4 is the acute accent), while the paths that
// follow them after a line break come from the file dialogs in the active code page (UTF-8
// under the program's manifest). Each line is converted from its own code page, so both show
// right under either code page.
#pragma once

#include <string>

namespace zel::ui {

// Lines equal to one of the jobs' literals are read as Windows-1252, all others in
// activeCodePage (CP_ACP for the process's own).
std::wstring infoDisplayText(const std::string& text, unsigned activeCodePage);

}  // namespace zel::ui
