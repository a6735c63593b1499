// COM initialised for the calling thread for the lifetime of one object.
#pragma once

#include "win32/unique_handle.h"  // <windows.h> first

#include <objbase.h>

namespace zel::win32 {

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

}  // namespace zel::win32
