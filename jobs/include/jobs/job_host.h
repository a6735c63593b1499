// What the file jobs need of the window. The dialog implements it; tests record it.
#pragma once

#include <cstdint>
#include <string>

namespace zel {

class JobHost {
public:
    virtual ~JobHost() = default;

    virtual void showStatus(const std::string& text) = 0;
    virtual void showSourceText(const std::string& text) = 0;
    virtual void showDestinationText(const std::string& text) = 0;
    virtual void showKeyText(const std::string& text) = 0;
    // The five buttons, ids 1 to 5 in id order.
    virtual void setButtonsEnabled(bool enabled) = 0;
    virtual void setBusyPointer(bool busy) = 0;
    virtual void setProgressRange(int32_t low, int32_t high) = 0;
    virtual void setProgressStep(int32_t step) = 0;
    virtual void stepProgress() = 0;
    // Shows the text in the information box and returns once the user has dismissed it.
    virtual void showInfo(const std::string& text) = 0;
    virtual std::string readKeyEntryText() = 0;
    virtual void setKeyEntryText(const std::string& text) = 0;
};

}  // namespace zel
