#include "file_dialog_driver.h"

#include <commctrl.h>

namespace zel::test {

namespace {

constexpr int messageTextId = 0xFFFF;

// A device context of the screen, released when it goes.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDc() { DeleteDC(dc_); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class GdiBitmap {
public:
    explicit GdiBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~GdiBitmap() {
        if (bitmap_ != nullptr) {
            DeleteObject(bitmap_);
        }
    }
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;
    HBITMAP get() const { return bitmap_; }

private:
    HBITMAP bitmap_;
};

bool infoShown(const ZelProcess& zel) {
    for (const ShownDialog& shown : zel.shownDialogs()) {
        if (shown.title == infoBoxTitle) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::wstring toWide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

bool chooseSources(const ZelProcess& zel, const std::wstring& names) {
    zel.click(control::loadSourceButton);
    const auto chooser = zel.waitForDialog(sourceChooserTitle);
    if (!chooser) {
        return false;
    }
    ZelProcess::chooseFiles(chooser->window, names);
    return zel.waitUntilGone(sourceChooserTitle);
}

bool cancelSourceChooser(const ZelProcess& zel) {
    zel.click(control::loadSourceButton);
    const auto chooser = zel.waitForDialog(sourceChooserTitle);
    if (!chooser) {
        return false;
    }
    ZelProcess::pressCancel(chooser->window);
    return zel.waitUntilGone(sourceChooserTitle);
}

bool chooseDestination(const ZelProcess& zel, const std::wstring& name) {
    zel.click(control::chooseDestButton);
    const auto chooser = zel.waitForDialog(destinationChooserTitle);
    if (!chooser) {
        return false;
    }
    ZelProcess::chooseFiles(chooser->window, name);
    // The chooser closes; then the dialog takes input again, or the name is refused.
    return waitUntil([&] {
        return infoShown(zel) || (IsWindow(chooser->window) == 0 && IsWindowEnabled(zel.window()));
    });
}

bool cancelDestinationChooser(const ZelProcess& zel) {
    const auto chooser = zel.waitForDialog(destinationChooserTitle);
    if (!chooser) {
        return false;
    }
    ZelProcess::pressCancel(chooser->window);
    return zel.waitUntilGone(destinationChooserTitle) &&
           waitUntil([&] { return IsWindowEnabled(zel.window()) != 0; });
}

std::optional<InfoBox> waitForInfo(const ZelProcess& zel, milliseconds limit) {
    const auto shown = zel.waitForDialog(infoBoxTitle, limit);
    if (!shown) {
        return std::nullopt;
    }
    return InfoBox{shown->window, wideWindowText(GetDlgItem(shown->window, messageTextId))};
}

std::optional<std::wstring> dismissInfo(const ZelProcess& zel, milliseconds limit) {
    const auto box = waitForInfo(zel, limit);
    if (!box) {
        return std::nullopt;
    }
    ZelProcess::pressOk(box->window);
    if (!waitUntil([&] { return IsWindow(box->window) == 0; })) {
        return std::nullopt;
    }
    return box->text;
}

bool waitForJobEnd(const ZelProcess& zel, milliseconds limit) {
    return waitUntil(
        [&] {
            return IsWindowEnabled(zel.control(control::codeButton)) &&
                   zel.text(control::destDisplay).empty() &&
                   zel.text(control::statusDisplay) == "Idle . . .";
        },
        limit);
}

void typeKey(const ZelProcess& zel, const std::string& key) {
    zel.setText(control::keyEntry, "");
    zel.type(control::keyEntry, key);
    waitUntil([&] { return zel.text(control::keyEntry) == key; });
}

std::optional<int> progressPosition(const ZelProcess& zel, milliseconds limit) {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(zel.control(control::progressBar), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(limit.count()), &position)) {
        return std::nullopt;
    }
    return static_cast<int>(position);
}

Capture captureClientArea(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT corner{0, 0};
    ClientToScreen(window, &corner);

    Capture capture;
    capture.width = client.right - client.left;
    capture.height = client.bottom - client.top;
    if (capture.width <= 0 || capture.height <= 0) {
        return capture;
    }
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = capture.width;
    format.bmiHeader.biHeight = -capture.height;  // top-down rows
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;

    const ScreenDc screen;
    const MemoryDc memory(screen.get());
    void* bits = nullptr;
    const GdiBitmap bitmap(
        CreateDIBSection(memory.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap.get() == nullptr || bits == nullptr) {
        return capture;
    }
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, capture.width, capture.height, screen.get(), corner.x, corner.y,
           SRCCOPY);
    GdiFlush();
    SelectObject(memory.get(), previous);

    const auto* pixels = static_cast<const uint8_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(capture.width) * capture.height;
    capture.pixels.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        const uint8_t* bgra = pixels + index * 4;
        capture.pixels.push_back(RGB(bgra[2], bgra[1], bgra[0]));
    }
    return capture;
}

}  // namespace zel::test
