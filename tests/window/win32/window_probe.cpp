// Reads the running program's window for the end-to-end test, which clicks with xdotool:
//   window_probe at NAME FX FY   screen point at fractions FX, FY of control NAME's box
//   window_probe closebox        screen point inside the close box
//   window_probe check NAME      1 if check box NAME is ticked, else 0
//   window_probe text NAME       the text of control NAME
//   window_probe focus           the name of the control with the focus
//   window_probe accessible NAME name, role and value of control NAME, as a screen reader reads
//                                them through Active Accessibility: NAME|ROLE|VALUE
// Exits with 1 when there is no window.
#include <windows.h>

#include <ole2.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "window/ControlTable.h"
#include "window/win32/MainWindow.h"

namespace {

HWND Item(HWND main, const char* name) {
    return GetDlgItem(main, ControlIdOf(name));
}

int PrintPoint(POINT point) {
    std::printf("%ld %ld\n", point.x, point.y);
    return 0;
}

int At(HWND main, const char* name, double fx, double fy) {
    RECT box;
    GetWindowRect(Item(main, name), &box);
    return PrintPoint({box.left + static_cast<LONG>((box.right - box.left) * fx),
                       box.top + static_cast<LONG>((box.bottom - box.top) * fy)});
}

// Walks the caption row from the right until the window itself says "close box".
int CloseBox(HWND main) {
    RECT frame;
    RECT client;
    GetWindowRect(main, &frame);
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const LONG y = (frame.top + client.top) / 2;
    for (LONG x = frame.right - 1; x > frame.left; --x) {
        if (SendMessageW(main, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
            return PrintPoint({x - 4, y});
        }
    }
    return 1;
}

int Focus(HWND main) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui);
    for (const ControlSpec& control : kControls) {
        if (gui.hwndFocus && gui.hwndFocus == Item(main, std::string(control.name).c_str())) {
            std::printf("%.*s\n", static_cast<int>(control.name.size()), control.name.data());
            return 0;
        }
    }
    std::printf("none\n");
    return 0;
}

std::wstring Take(BSTR text) {
    std::wstring taken = text ? text : L"";
    SysFreeString(text);
    return taken;
}

int Accessible(HWND main, const char* name) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(Item(main, name), OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return 1;
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const std::wstring accessibleName =
        SUCCEEDED(object->get_accName(self, &text)) ? Take(text) : L"";
    VARIANT role;
    VariantInit(&role);
    char roleText[64] = "none";
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) {
        GetRoleTextA(static_cast<DWORD>(role.lVal), roleText, sizeof roleText);
    }
    text = nullptr;
    const std::wstring value = SUCCEEDED(object->get_accValue(self, &text)) ? Take(text) : L"";
    object->Release();
    std::printf("%ls|%s|%ls\n", accessibleName.c_str(), roleText, value.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const HWND main = FindWindowW(kMainWindowClass, L"Vantrel");
    if (!main || argc < 2) {
        return 1;
    }
    const std::string command = argv[1];
    if (command == "at" && argc == 5) {
        return At(main, argv[2], std::atof(argv[3]), std::atof(argv[4]));
    }
    if (command == "closebox") {
        return CloseBox(main);
    }
    if (command == "check" && argc == 3) {
        std::printf("%d\n", SendMessageW(Item(main, argv[2]), BM_GETCHECK, 0, 0) == BST_CHECKED);
        return 0;
    }
    if (command == "text" && argc == 3) {
        wchar_t text[256] = {};
        SendMessageW(Item(main, argv[2]), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
        std::printf("%ls\n", text);
        return 0;
    }
    if (command == "accessible" && argc == 3) {
        return Accessible(main, argv[2]);
    }
    if (command == "focus") {
        return Focus(main);
    }
    return 2;
}
