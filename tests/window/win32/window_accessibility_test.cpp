// What a screen reader reads from the window through Active Accessibility, as Wine's oleacc
// serves it, and the caption colour under a high-contrast theme.
#include <windows.h>

#include <ole2.h>
#include <oleacc.h>

#include <cstdio>
#include <set>
#include <string>

#include "tests/window/win32/WindowFixture.h"
#include "window/win32/HighContrast.h"

namespace {

struct Reading {
    std::wstring name;
    LONG role = 0;
    std::wstring value;
};

std::wstring Take(BSTR text) {
    std::wstring taken = text ? text : L"";
    SysFreeString(text);
    return taken;
}

VARIANT Self() {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

// A client's view of the control: its accessible object, asked for by window as clients do.
class AccessibleControl {
  public:
    explicit AccessibleControl(HWND control) {
        result_ = AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object_));
    }
    ~AccessibleControl() {
        if (object_) {
            object_->Release();
        }
    }
    AccessibleControl(const AccessibleControl&) = delete;
    AccessibleControl& operator=(const AccessibleControl&) = delete;

    bool Found() const { return SUCCEEDED(result_) && object_ != nullptr; }
    HRESULT Result() const { return result_; }

    Reading Read() const {
        Reading reading;
        BSTR text = nullptr;
        if (SUCCEEDED(object_->get_accName(Self(), &text))) {
            reading.name = Take(text);
        }
        VARIANT role;
        VariantInit(&role);
        if (SUCCEEDED(object_->get_accRole(Self(), &role)) && role.vt == VT_I4) {
            reading.role = role.lVal;
        }
        text = nullptr;
        if (SUCCEEDED(object_->get_accValue(Self(), &text))) {
            reading.value = Take(text);
        }
        return reading;
    }

    // As a late-bound client (a script) reads a property: by its name, through IDispatch.
    HRESULT ReadByName(const wchar_t* property, std::wstring& text) const {
        LPOLESTR names[] = {const_cast<LPOLESTR>(property)};
        DISPID id = 0;
        HRESULT result = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(result)) {
            return result;
        }
        VARIANT self = Self();
        DISPPARAMS parameters{&self, nullptr, 1, 0};
        VARIANT answer;
        VariantInit(&answer);
        result = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                 &parameters, &answer, nullptr, nullptr);
        if (SUCCEEDED(result) && answer.vt == VT_BSTR) {
            text = answer.bstrVal ? answer.bstrVal : L"";
        }
        VariantClear(&answer);
        return result;
    }

    HRESULT ReadValue(std::wstring& value) const {
        BSTR text = nullptr;
        const HRESULT result = object_->get_accValue(Self(), &text);
        value = Take(text);
        return result;
    }

    HRESULT SetValue(const wchar_t* value) const {
        BSTR text = SysAllocString(value);
        const HRESULT result = object_->put_accValue(Self(), text);
        SysFreeString(text);
        return result;
    }

  private:
    HRESULT result_ = E_FAIL;
    IAccessible* object_ = nullptr;
};

// Counts the messages this thread's windows are sent while it lives.
class SentMessageCount {
  public:
    SentMessageCount() {
        count_ = 0;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Count, nullptr, GetCurrentThreadId());
    }
    ~SentMessageCount() { UnhookWindowsHookEx(hook_); }
    SentMessageCount(const SentMessageCount&) = delete;
    SentMessageCount& operator=(const SentMessageCount&) = delete;

    bool Hooked() const { return hook_ != nullptr; }
    static long Sent() { return count_; }

  private:
    static LRESULT CALLBACK Count(int code, WPARAM wParam, LPARAM lParam) {
        ++count_;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline long count_ = 0;
    HHOOK hook_;
};

std::string RoleText(LONG role) {
    char text[64] = {};
    GetRoleTextA(static_cast<DWORD>(role), text, sizeof text);
    return text;
}

class AccessibilityTest : public WindowTest {
  protected:
    void SetUp() override {
        // Handing an accessible object through WM_GETOBJECT marshals it, which takes COM.
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        WindowTest::SetUp();
    }
    void TearDown() override { CoUninitialize(); }

    Reading Read(std::string_view name) const {
        const AccessibleControl control(Widget(name));
        EXPECT_TRUE(control.Found()) << name << std::hex << " " << control.Result();
        return control.Found() ? control.Read() : Reading{};
    }
};

}  // namespace

// Printed as well, so that the test's output shows what a screen reader would announce.
TEST_F(AccessibilityTest, EveryControlThatTakesTheFocusHasANameOfItsOwn) {
    std::set<std::wstring> names;
    for (const ControlSpec* design : TabOrder()) {
        const Reading reading = Read(design->name);
        std::printf("%-8.*s name \"%ls\" role %s value \"%ls\"\n",
                    static_cast<int>(design->name.size()), design->name.data(),
                    reading.name.c_str(), RoleText(reading.role).c_str(), reading.value.c_str());
        EXPECT_FALSE(reading.name.empty()) << design->name;
        EXPECT_TRUE(names.insert(reading.name).second) << design->name;
    }
    EXPECT_EQ(names.size(), kFocusableControls);
    EXPECT_EQ(Read("Check2").name, L"Restart every Hour");
    EXPECT_EQ(Read("VScroll2").name, L"Minutes spinner");

    const Reading picture = Read("Image1");
    std::printf("Image1   name \"%ls\" role %s\n", picture.name.c_str(),
                RoleText(picture.role).c_str());
    EXPECT_EQ(picture.name, L"USB logo");
    EXPECT_EQ(picture.role, ROLE_SYSTEM_GRAPHIC);
}

TEST_F(AccessibilityTest, ASpinnerReadsAsTheNumberInItsBox) {
    EXPECT_EQ(Read("VScroll1").value, L"2");
    EXPECT_EQ(Read("VScroll2").value, L"3");
    Scroll("VScroll1", SB_LINEUP);
    Scroll("VScroll2", SB_LINEDOWN);
    EXPECT_EQ(Read("VScroll1").value, TextOf(Widget("Text1")));
    EXPECT_EQ(Read("VScroll2").value, TextOf(Widget("Text2")));
    EXPECT_EQ(TextOf(Widget("Text1")), L"3");
    EXPECT_EQ(TextOf(Widget("Text2")), L"2");
}

TEST_F(AccessibilityTest, SettingASpinnersValueMovesItsBoxAndTheWatchdog) {
    const AccessibleControl hours(Widget("VScroll1"));
    ASSERT_TRUE(hours.Found());
    EXPECT_EQ(hours.SetValue(L"3"), S_OK);
    EXPECT_EQ(TextOf(Widget("Text1")), L"3");
    EXPECT_EQ(form.VScroll1.Value(), 3);
    EXPECT_EQ(form.HourLimit(), 3 * 3600);
    // Out of range, beyond a 32-bit long too, is clamped; what is not a number changes nothing.
    struct Case {
        const wchar_t* sent;
        HRESULT result;
        int value;
    };
    for (const Case c : {Case{L"0", S_OK, 1}, Case{L"3000000000", S_OK, 32767},
                         Case{L"three", E_INVALIDARG, 32767}, Case{L"-3000000000", S_OK, 1}}) {
        EXPECT_EQ(hours.SetValue(c.sent), c.result) << c.sent;
        EXPECT_EQ(form.VScroll1.Value(), c.value) << c.sent;
    }
    EXPECT_TRUE(launches.empty());
}

// A screen reader that sets 32767 waits for one change, not for the thousands of arrow steps
// between 2 and 32767.
TEST_F(AccessibilityTest, SettingASpinnerToItsLargestValueTakesOneStep) {
    const AccessibleControl hours(Widget("VScroll1"));
    ASSERT_TRUE(hours.Found());
    long sent = 0;
    {
        const SentMessageCount messages;
        ASSERT_TRUE(messages.Hooked());
        EXPECT_EQ(hours.SetValue(L"32767"), S_OK);
        sent = SentMessageCount::Sent();
    }
    std::printf("setting 32767 sent %ld window messages\n", sent);
    EXPECT_LT(sent, 100);
    EXPECT_EQ(TextOf(Widget("Text1")), L"32767");
    EXPECT_EQ(form.VScroll1.Value(), 32767);
    EXPECT_EQ(ScrollPosition("VScroll1"), 1);
    std::wstring value;
    EXPECT_EQ(hours.ReadValue(value), S_OK);
    EXPECT_EQ(value, L"32767");
}

// Scripts and other late-bound clients call IDispatch; they read what every other client reads.
TEST_F(AccessibilityTest, ALateBoundClientReadsTheSameNameAndValue) {
    const AccessibleControl hours(Widget("VScroll1"));
    ASSERT_TRUE(hours.Found());
    std::wstring name;
    std::wstring value;
    EXPECT_EQ(hours.ReadByName(L"accName", name), S_OK);
    EXPECT_EQ(hours.ReadByName(L"accValue", value), S_OK);
    EXPECT_EQ(name, L"Hour spinner");
    EXPECT_EQ(value, L"2");
}

// A client may keep an object past its control; it then hears that the control is gone.
TEST_F(AccessibilityTest, ADestroyedSpinnerAnswersWithAnError) {
    const AccessibleControl minutes(Widget("VScroll2"));
    ASSERT_TRUE(minutes.Found());
    DestroyWindow(Widget("VScroll2"));
    std::wstring value;
    EXPECT_EQ(minutes.ReadValue(value), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(minutes.SetValue(L"5"), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(form.VScroll2.Value(), 3);
}

TEST(LabelTextColourTest, AHighContrastThemeReplacesTheCaptionsOwnColour) {
    const Rgb blue{0, 0, 192};
    const COLORREF themeText = RGB(255, 255, 0);
    EXPECT_EQ(LabelTextColour(blue, false, themeText), RGB(0, 0, 192));
    EXPECT_EQ(LabelTextColour(blue, true, themeText), themeText);
}
