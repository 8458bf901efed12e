#include "Accessibility.h"

#include <ole2.h>
#include <oleacc.h>

#include <cwchar>
#include <string>

#include "MainWindow.h"
#include "Utf16.h"
#include "window/AccessibleNames.h"

namespace {

constexpr wchar_t kAnnotationProperty[] = L"Vantrel.Accessibility";

// What a control says of itself beyond what the system knows.
struct Annotation {
    WNDPROC original;
    std::wstring name;
    ControlKind kind;
};

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

// Steps the spinner towards `target` with the messages its arrows send, so that the binding
// runs as for a click on them. Stops where a step changes nothing.
void StepSpinnerTo(HWND spinner, int target) {
    for (int value = SpinnerValue(spinner); value != target;) {
        SendMessageW(GetParent(spinner), WM_VSCROLL, value < target ? SB_LINEUP : SB_LINEDOWN,
                     reinterpret_cast<LPARAM>(spinner));
        const int stepped = SpinnerValue(spinner);
        if (stepped == value) {
            return;
        }
        value = stepped;
    }
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

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return system_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return system_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return system_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override {
        return system_->Invoke(id, iid, locale, flags, parameters, result, exception, badArgument);
    }

    // IAccessible: what differs from the system's object.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return IsSelf(child) ? ReturnString(name_, name) : system_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (IsSelf(child) && kind_ == ControlKind::ScrollBar) {
            return ReturnString(std::to_wstring(SpinnerValue(control_)), value);
        }
        return system_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        if (!IsSelf(child) || kind_ != ControlKind::ScrollBar) {
            return system_->put_accValue(child, value);
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
        StepSpinnerTo(control_, static_cast<int>(clamped));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (IsSelf(child) && kind_ == ControlKind::Picture && role != nullptr) {
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

LRESULT ServeAccessibleObject(HWND control, const Annotation& annotation, WPARAM wParam) {
    IAccessible* system = nullptr;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&system)))) {
        return 0;
    }
    auto* annotated = new AnnotatedAccessible(system, control, annotation);
    const LRESULT result =
        LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(annotated));
    annotated->Release();
    return result;
}

LRESULT CALLBACK AnnotatedControlProcedure(HWND control, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* annotation = static_cast<Annotation*>(GetPropW(control, kAnnotationProperty));
    const WNDPROC original = annotation->original;
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT served = ServeAccessibleObject(control, *annotation, wParam)) {
            return served;
        }
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(control, kAnnotationProperty);
        delete annotation;
    }
    return CallWindowProcW(original, control, message, wParam, lParam);
}

void Annotate(HWND control, const ControlSpec& design) {
    auto* annotation = new Annotation{nullptr, Utf16(AccessibleNameOf(design)), design.kind};
    SetPropW(control, kAnnotationProperty, annotation);
    annotation->original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnnotatedControlProcedure)));
}

}  // namespace

int SpinnerValue(HWND spinner) {
    const SCROLLINFO info = RangeAndPosition(spinner);
    return info.nMin + info.nMax - info.nPos;
}

void DescribeForAssistiveTechnology(MainWindow& window) {
    for (const ControlSpec& design : kControls) {
        if (TakesFocus(design.kind) || design.kind == ControlKind::Picture) {
            Annotate(window.Control(design.name), design);
        }
    }
}
