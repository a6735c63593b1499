// The source and destination choosers: the platform's open-file and save-file dialogs, and
// what the dialog keeps of their answers.
#pragma once

#include <cstddef>
#include <string>

#include "jobs/job_host.h"
#include "ui/ui_state.h"

namespace zel::ui {

// What a chooser gives: the number of files and their text (empty after a cancel).
struct ChooserResult {
    int count = 0;
    std::string text;
};

// The result buffer is this big; a longer selection fails like a cancel.
inline constexpr std::size_t chooserBufferSize = 32768;

// The answer of the open-file dialog as it fills the buffer: NUL-terminated pieces ended by an
// empty one, either one full path or the folder and each chosen name. Every piece keeps its
// NUL in the text.
ChooserResult sourceChooserResult(const char* buffer, std::size_t size);
// The answer of the save-file dialog: one name, kept without its NUL.
ChooserResult destinationChooserResult(const char* buffer, std::size_t size);

// Whether anything (file, folder, wildcard match) exists under the name.
bool destinationExists(const std::string& path);

// onLoadSource's work: asks for the sources and stores and shows the answer.
void chooseSource(UiState& state, JobHost& host);
// Stores and shows a source chooser's answer (or one made like it), as chooseSource does.
void storeSourceChoice(UiState& state, JobHost& host, const ChooserResult& chosen);
// onChooseDestination's work: asks for the destination until the name is new or the user
// cancels.
void chooseDestination(UiState& state, JobHost& host);

}  // namespace zel::ui
