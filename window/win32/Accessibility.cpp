#include "window/win32/Accessibility.h"

#include <commctrl.h>
#include <ole2.h>
#include <oleacc.h>

#include <cwchar>
#include <string>

#include "common/windows/SystemDlls.h"
#include "common/windows/WideText.h"
#include "window/AccessibleNames.h"
#include "window/SpinnerScale.h"
#include "window/win32/MainWindow.h"

namespace {

// What a control says of itself beyond what the system knows.
struct Annotation {
    std::wstring name;
    ControlKind kind;
};

// oleacc.dll and comctl32.dll are not Known DLLs: imported, they would be looked for in the
// program's folder first, where anyone may have put a DLL of that name, and run as administrator.
// They are loaded from the system folder instead; without them the controls only lack their names.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
    const HMODULE module = LoadSystemDll(library);
    // Through void (*)(), which converts to any function pointer type without a warning.
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

struct Oleacc {
    decltype(&CreateStdAccessibleObject) createStdAccessibleObject =
        SystemFunction<decltype(&CreateStdAccessibleObject)>(L"oleacc.dll",
                                                             "CreateStdAccessibleObject");
    decltype(&LresultFromObject) lresultFromObject =
        SystemFunction<decltype(&LresultFromObject)>(L"oleacc.dll", "LresultFromObject");
};

// Loaded when a client first asks for an accessible object, and kept for the process.
const Oleacc& OleaccFunctions() {
    static const Oleacc functions;
    return functions;
}

struct Subclassing {
    decltype(&SetWindowSubclass) set =
        SystemFunction<decltype(&SetWindowSubclass)>(L"comctl32.dll", "SetWindowSubclass");
    decltype(&RemoveWindowSubclass) remove =
        SystemFunction<decltype(&RemoveWindowSubclass)>(L"comctl32.dll", "RemoveWindowSubclass");
    decltype(&DefSubclassProc) next =
        SystemFunction<decltype(&DefSubclassProc)>(L"comctl32.dll", "DefSubclassProc");
    bool Available() const { return set && remove && next; }
};

const Subclassing& SubclassingFunctions() {
    static const Subclassing functions;
    return functions;
}

// IAccessible as the system's type library describes it, by which Invoke and GetIDsOfNames reach
// this program's answers rather than the system object's. Its registered path is a full one.
ITypeInfo* AccessibleTypeInfo() {
    static ITypeInfo* const info = [] {
        // LIBID_Accessibility
        constexpr GUID kLibrary = {
            0x1ea4dbf0, 0x3c3b, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
        ITypeLib* library = nullptr;
        ITypeInfo* found = nullptr;
        if (SUCCEEDED(LoadRegTypeLib(kLibrary, 1, 1, LOCALE_NEUTRAL, &library))) {
            library->GetTypeInfoOfGuid(__uuidof(IAccessible), &found);
            library->Release();
        }
        return found;
    }();
    return info;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT ReturnString(const std::wstring& text, BSTR* result) {
    if (result == nullptr) {
        return E_INVALIDARG;
    }
    *result = SysAllocString(text.c_str());
    return *result ? S_OK : E_OUTOFMEMORY;
}

SCROLLINFO RangeAndPosition(HWND spinner) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS;
    GetScrollInfo(spinner, SB_CTL, &info);
    return info;
}

// The system's accessible object for a control, with the control's name, and for a spinner its
// value, and for the picture its role. Everything else is the system's.
class AnnotatedAccessible final : public IAccessible, public IOleWindow {
  public:
    AnnotatedAccessible(IAccessible* system, HWND control, const Annotation& annotation)
        : system_(system), control_(control), name_(annotation.name), kind_(annotation.kind) {}
    AnnotatedAccessible(const AnnotatedAccessible&) = delete;
    AnnotatedAccessible& operator=(const AnnotatedAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        // IID_IAccessible from MinGW's import library is the address of a thunk, not the IID:
        // __uuidof is the IID, here and below.
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
        } else if (iid == IID_IOleWindow) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // IOleWindow, by which a client finds the control's window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (window == nullptr) {
            return E_INVALIDARG;
        }
        *window = control_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch, for late-bound clients: the same answers as through the vtable.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_INVALIDARG;
        }
        *count = AccessibleTypeInfo() ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info == nullptr) {
            return E_INVALIDARG;
        }
        *info = index == 0 ? AccessibleTypeInfo() : nullptr;
        if (*info == nullptr) {
            return DISP_E_BADINDEX;
        }
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        ITypeInfo* const info = AccessibleTypeInfo();
        return info ? DispGetIDsOfNames(info, names, count, ids) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        ITypeInfo* const info = AccessibleTypeInfo();
        return info ? DispInvoke(static_cast<IAccessible*>(this), info, id, flags, parameters,
                                 result, exception, badArgument)
                    : E_NOTIMPL;
    }

    // IAccessible: what differs from the system's object. Once the control is destroyed, the
    // object answers that it is gone rather than with a name or number of a control that is not.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) {
            return system_->get_accName(child, name);
        }
        return IsWindow(control_) ? ReturnString(name_, name) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!IsSelf(child) || kind_ != ControlKind::ScrollBar) {
            return system_->get_accValue(child, value);
        }
        if (!IsWindow(control_)) {
            return CO_E_OBJNOTCONNECTED;
        }
        return ReturnString(std::to_wstring(SpinnerValue(control_)), value);
    }
    // Sets the value in one step, as the binding sets it when the thumb is dropped.
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        if (!IsSelf(child) || kind_ != ControlKind::ScrollBar) {
            return system_->put_accValue(child, value);
        }
        if (!IsWindow(control_)) {
            return CO_E_OBJNOTCONNECTED;
        }
        if (value == nullptr) {
            return E_INVALIDARG;
        }
        wchar_t* end = nullptr;
        const long number = std::wcstol(value, &end, 10);
        if (end == value || *end != L'\0') {
            return E_INVALIDARG;
        }
        const SCROLLINFO range = RangeAndPosition(control_);
        const long clamped = number < range.nMin   ? range.nMin
                             : number > range.nMax ? range.nMax
                                                   : number;
        SendMessageW(GetParent(control_), kSetSpinnerValue, static_cast<WPARAM>(clamped),
                     reinterpret_cast<LPARAM>(control_));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (IsSelf(child) && kind_ == ControlKind::Picture && role != nullptr) {
            if (!IsWindow(control_)) {
                return CO_E_OBJNOTCONNECTED;
            }
            role->vt = VT_I4;
            role->lVal = ROLE_SYSTEM_GRAPHIC;
            return S_OK;
        }
        return system_->get_accRole(child, role);
    }

    // IAccessible: the system's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return system_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return system_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return system_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return system_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return system_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return system_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return system_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return system_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return system_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return system_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return system_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return system_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return system_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return system_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return system_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return system_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return system_->put_accName(child, name);
    }

  private:
    ~AnnotatedAccessible() { system_->Release(); }

    IAccessible* system_;
    HWND control_;
    std::wstring name_;
    ControlKind kind_;
    LONG references_ = 1;
};

// Zero, which asks the system to serve its own object, when oleacc.dll is not at hand.
LRESULT ServeAccessibleObject(HWND control, const Annotation& annotation, WPARAM wParam) {
    const Oleacc& oleacc = OleaccFunctions();
    if (!oleacc.createStdAccessibleObject || !oleacc.lresultFromObject) {
        return 0;
    }
    IAccessible* system = nullptr;
    if (FAILED(oleacc.createStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&system)))) {
        return 0;
    }
    auto* annotated = new AnnotatedAccessible(system, control, annotation);
    const LRESULT result = oleacc.lresultFromObject(__uuidof(IAccessible), wParam,
                                                    static_cast<IAccessible*>(annotated));
    annotated->Release();
    return result;
}

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK AnnotatedControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR data) {
    auto* annotation = reinterpret_cast<Annotation*>(data);
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT served = ServeAccessibleObject(control, *annotation, wParam)) {
            return served;
        }
    } else if (message == WM_NCDESTROY) {
        SubclassingFunctions().remove(control, AnnotatedControlProcedure, kSubclassId);
        delete annotation;
    }
    return SubclassingFunctions().next(control, message, wParam, lParam);
}

void Annotate(HWND control, const ControlSpec& design) {
    auto* annotation = new Annotation{Utf16(AccessibleNameOf(design)), design.kind};
    if (!SubclassingFunctions().set(control, AnnotatedControlProcedure, kSubclassId,
                                    reinterpret_cast<DWORD_PTR>(annotation))) {
        delete annotation;
    }
}

}  // namespace

int SpinnerValue(HWND spinner) {
    const SCROLLINFO info = RangeAndPosition(spinner);
    return ReflectInSpinnerRange(info.nMin, info.nMax, info.nPos);
}

void DescribeForAssistiveTechnology(MainWindow& window) {
    if (!SubclassingFunctions().Available()) {
        return;
    }
    for (const ControlSpec& design : kControls) {
        if (GetsAccessibleName(design.kind)) {
            Annotate(window.Control(design.name), design);
        }
    }
}
