// One move-only owner for every kind of Win32 handle, templated on how the handle closes.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace zel::win32 {

// Traits name the handle type, the value that means none, and how to close one.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    bool valid() const { return Traits::valid(handle_); }
    explicit operator bool() const { return valid(); }

    Handle release() { return std::exchange(handle_, Traits::none()); }
    // Closes the handle held now (if any) and holds the given one.
    void reset(Handle handle = Traits::none()) {
        if (valid()) {
            Traits::close(handle_);
        }
        handle_ = handle;
    }
    // Closes the handle now; false when the system reports that closing failed.
    bool close() { return !valid() || Traits::close(release()); }

private:
    Handle handle_ = Traits::none();
};

// Kernel objects: files (INVALID_HANDLE_VALUE for none), processes, threads, events (null).
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle none() { return INVALID_HANDLE_VALUE; }
    static bool valid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static bool close(Handle handle) { return CloseHandle(handle) != 0; }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// A directory search started with FindFirstFile.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle none() { return INVALID_HANDLE_VALUE; }
    static bool valid(Handle handle) { return handle != INVALID_HANDLE_VALUE; }
    static bool close(Handle handle) { return FindClose(handle) != 0; }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// GDI objects: fonts, brushes, bitmaps.
template <typename Gdi>
struct GdiObjectTraits {
    using Handle = Gdi;
    static Handle none() { return nullptr; }
    static bool valid(Handle handle) { return handle != nullptr; }
    static bool close(Handle handle) { return DeleteObject(handle) != 0; }
};
using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;

// Memory the system allocated for the caller to free with LocalFree (FormatMessage,
// CommandLineToArgvW).
template <typename Pointer>
struct LocalMemoryTraits {
    using Handle = Pointer;
    static Handle none() { return nullptr; }
    static bool valid(Handle handle) { return handle != nullptr; }
    static bool close(Handle handle) { return LocalFree(handle) == nullptr; }
};
template <typename Pointer>
using LocalMemory = UniqueHandle<LocalMemoryTraits<Pointer>>;

}  // namespace zel::win32
