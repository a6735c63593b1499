// The Win32 owners the dialog uses: the handle owners of the Win32 base, and the thread's COM
// apartment.
#pragma once

#include <objbase.h>

#include "win32/unique_handle.h"

namespace zel::ui {

using win32::Bitmap;
using win32::Brush;
using win32::FindHandle;
using win32::Font;

// COM initialised for the calling thread for this object's lifetime.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

}  // namespace zel::ui
