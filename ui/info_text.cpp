#include "ui/info_text.h"

#include "jobs/job_texts.h"
#include "win32/text.h"

namespace zel::ui {

namespace {

constexpr unsigned windows1252 = 1252;

bool isJobLiteral(const std::string& line) {
    static const char* const literals[] = {
        text::noSourceFile,      text::noDestFile,     text::invalidKeyLength, text::notCodedFile,
        text::fileAlreadyExists, text::cantReadSource, text::cantWriteDest,
    };
    for (const char* literal : literals) {
        if (line == literal) {
            return true;
        }
    }
    return false;
}

std::wstring widen(const std::string& bytes, unsigned codePage) {
    const std::wstring wide = win32::toWide(bytes, codePage);
    if (wide.empty() && !bytes.empty() && codePage != windows1252) {
        // A code page the system lacks: show the bytes as Windows-1252 rather than nothing.
        return win32::toWide(bytes, windows1252);
    }
    return wide;
}

}  // namespace

std::wstring infoDisplayText(const std::string& text, unsigned activeCodePage) {
    // A message box shows a text only up to its first NUL, as MessageBoxA would.
    const std::string shown = text.substr(0, text.find('\0'));
    std::wstring result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = shown.find('\n', start);
        const std::string line = shown.substr(start, end - start);
        result += widen(line, isJobLiteral(line) ? windows1252 : activeCodePage);
        if (end == std::string::npos) {
            return result;
        }
        result += L'\n';
        start = end + 1;
    }
}

}  // namespace zel::ui
