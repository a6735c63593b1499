#include "ui/screen_reader.h"

#include <commctrl.h>
#include <oleacc.h>

#include <memory>
#include <string>

#include "ui/ui_state.h"

namespace zel::ui {

namespace {

// The name each control answers with. A display's name holds its label and what it shows, as
// "Key: 123456789": every screen reader speaks a name, whatever the control's role (Wine calls
// them all "client"), and Narrator reads a live region by its name.
struct OwnName {
    int controlId;
    const wchar_t* name;
    bool withShownText;
};
constexpr OwnName ownNames[] = {
    {progressBar, L"Progress", false}, {sourceDisplay, L"Sourcefile", true},
    {destDisplay, L"Destfile", true},  {statusDisplay, L"Status", true},
    {keyDisplay, L"Key", true},        {keyEntry, L"Key to decode (nine digits)", false},
};

// Declared here rather than taken from MinGW's import libraries, where IID_IAccessible is an
// import thunk (every request for the interface would fail) and the others are absent.
constexpr GUID accPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID accPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
// UI Automation's LiveSetting property (Windows 8 and later), whose value 1 is "polite".
constexpr GUID liveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG politeLiveSetting = 1;

constexpr UINT_PTR subclassId = 0x5a454c;

std::wstring shownText(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The name of one of the controls above: a display's with what it shows now.
std::wstring screenReaderName(HWND control) {
    for (const OwnName& own : ownNames) {
        if (own.controlId == GetDlgCtrlID(control)) {
            const std::wstring shown = own.withShownText ? shownText(control) : L"";
            return shown.empty() ? own.name : own.name + (L": " + shown);
        }
    }
    return {};
}

bool isSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's own object for the control, with the name replaced. Everything else (role,
// state, value, location, the edit's text as its value) is the system's answer.
class NamedControlObject final : public IAccessible {
public:
    NamedControlObject(HWND control, IAccessible* standard) : control_(control), std_(standard) {}
    NamedControlObject(const NamedControlObject&) = delete;
    NamedControlObject& operator=(const NamedControlObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!isSelf(child) || name == nullptr) {
            return std_->get_accName(child, name);
        }
        *name = SysAllocString(screenReaderName(control_).c_str());
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return std_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return std_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return std_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override {
        return std_->Invoke(member, id, locale, flags, parameters, result, exception, badArgument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return std_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return std_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return std_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return std_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return std_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return std_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return std_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return std_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return std_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return std_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return std_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return std_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return std_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return std_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return std_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return std_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
        return std_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return std_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return std_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return std_->put_accValue(child, value);
    }

private:
    struct Released {
        void operator()(IUnknown* object) const { object->Release(); }
    };

    ~NamedControlObject() = default;

    HWND control_;
    std::unique_ptr<IAccessible, Released> std_;
    LONG references_ = 1;
};

// The answer to WM_GETOBJECT for the control's client area, or 0 to leave it to the system.
LRESULT namedControlObject(HWND control, WPARAM flags) {
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard)))) {
        return 0;
    }
    auto* named = new NamedControlObject(control, standard);
    const LRESULT answer = LresultFromObject(__uuidof(IAccessible), flags, named);
    named->Release();  // the answer holds its own reference
    return answer;
}

// Dynamic Annotation's service. Wine has only stubs of it, and Windows before 8 knows no live
// setting: there the key display is announced by its events alone.
struct ReleasedServices {
    void operator()(IAccPropServices* services) const { services->Release(); }
};
std::unique_ptr<IAccPropServices, ReleasedServices> annotationServices() {
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(accPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                                accPropServicesInterface, reinterpret_cast<void**>(&services)))) {
        return nullptr;
    }
    return std::unique_ptr<IAccPropServices, ReleasedServices>(services);
}

void markAsPoliteLiveRegion(HWND display) {
    if (const auto services = annotationServices()) {
        VARIANT polite;
        VariantInit(&polite);
        polite.vt = VT_I4;
        polite.lVal = politeLiveSetting;
        services->SetHwndProp(display, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                              liveSettingProperty, polite);
    }
}

void clearLiveRegion(HWND display) {
    if (const auto services = annotationServices()) {
        services->ClearHwndProps(display, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 &liveSettingProperty, 1);
    }
}

LRESULT CALLBACK answerScreenReaders(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR) {
    // The object id arrives as a 32-bit value, not always sign-extended.
    if (message == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT) {
        if (const LRESULT answer = namedControlObject(control, wParam)) {
            return answer;
        }
    } else if (message == WM_NCDESTROY) {
        if (GetDlgCtrlID(control) == keyDisplay) {
            clearLiveRegion(control);
        }
        RemoveWindowSubclass(control, answerScreenReaders, subclassId);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void nameControlsForScreenReaders(HWND dialog) {
    for (const OwnName& own : ownNames) {
        SetWindowSubclass(GetDlgItem(dialog, own.controlId), answerScreenReaders, subclassId, 0);
    }
    markAsPoliteLiveRegion(GetDlgItem(dialog, keyDisplay));
}

void tellNameChanged(HWND display) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, display, OBJID_CLIENT, CHILDID_SELF);
}

void announceShownKey(HWND keyDisplay) {
    tellNameChanged(keyDisplay);
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, keyDisplay, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace zel::ui
