#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/windows/WideText.h"
#include "tests/window/win32/WindowFixture.h"
#include "window/ControlTable.h"
#include "window/Twips.h"
#include "window/win32/Dpi.h"
#include "window/win32/ResourceIds.h"

namespace {

using Box = std::vector<int>;

// These tests run at 96 DPI (the Wine session's default): 15 twips to the pixel.
class WindowLayoutTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(window.Dpi(), 96) << "run these tests at 96 DPI";
    }
};

// A device context of the control with the control's own font selected.
class ControlDc {
  public:
    explicit ControlDc(HWND control) : control_(control), dc_(GetDC(control)) {
        previous_ =
            SelectObject(dc_, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    }
    ~ControlDc() {
        SelectObject(dc_, previous_);
        ReleaseDC(control_, dc_);
    }
    ControlDc(const ControlDc&) = delete;
    ControlDc& operator=(const ControlDc&) = delete;

    int TextWidth(const std::wstring& text) const {
        SIZE extent{};
        GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &extent);
        return extent.cx;
    }
    int AverageCharWidth() const {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc_, &metrics);
        return metrics.tmAveCharWidth;
    }

  private:
    HWND control_;
    HDC dc_;
    HGDIOBJ previous_;
};

// Every caption whole in its box, and the number boxes with the largest value, 32767, in the font
// each control draws with, at the system DPI the test runs at (VANTREL_SCREEN_DPI, 96 unless set).
// The figures are printed for comparison.
class TextFitTest : public WindowTest {
  protected:
    // The width left for text, inside the client area: an edit box's formatting rectangle; a
    // label's width; a frame's width less its title's indent (an average character either side is
    // ample); a button's or check box's width less what it draws beside its text (its ideal size
    // less the text).
    int TextSpace(const ControlSpec& design, int textWidth) const {
        const HWND control = Widget(design.name);
        RECT client;
        GetClientRect(window.Handle(), &client);
        const std::vector<int> place = Place(design.name);
        const int width = std::min(place[2], static_cast<int>(client.right) - place[0]);
        switch (design.kind) {
            case ControlKind::TextBox: {
                RECT format{};
                SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
                return std::min(static_cast<int>(format.right - format.left), width);
            }
            case ControlKind::Label:
                return width;
            case ControlKind::Frame:
                return width - 2 * ControlDc(control).AverageCharWidth();
            default: {
                SIZE ideal{};
                EXPECT_TRUE(
                    SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)))
                    << design.name;
                return width - (ideal.cx - textWidth);
            }
        }
    }
};

TEST_F(TextFitTest, EveryTextFitsItsBox) {
    const char* configured = std::getenv("VANTREL_SCREEN_DPI");
    const int dpi = configured ? std::atoi(configured) : 96;
    ASSERT_EQ(window.Dpi(), dpi) << "the session's system DPI";
    form.VScroll1.SetValue(32767);
    form.VScroll2.SetValue(32767);
    Pump();
    for (const ControlSpec& design : kControls) {
        if (design.caption.empty()) {
            continue;
        }
        const HWND control = Widget(design.name);
        const std::wstring text =
            design.kind == ControlKind::TextBox ? L"32767" : Utf16(design.caption);
        EXPECT_EQ(TextOf(control), text);
        const int needed = ControlDc(control).TextWidth(text);
        const int space = TextSpace(design, needed);
        std::printf("%3d DPI %-9.*s needs %3d px, has %3d px\n", dpi,
                    static_cast<int>(design.name.size()), design.name.data(), needed, space);
        EXPECT_LE(needed, space) << design.name << " cuts off its text at " << dpi << " DPI";
    }
}

TEST_F(WindowLayoutTest, IsAFixedDialogFrameTitledVantrelAndOwnedByAHiddenWindow) {
    const HWND main = window.Handle();
    EXPECT_EQ(TextOf(main), L"Vantrel");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(main, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(main, GWL_EXSTYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_POPUP), 0u);
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    // Kept out of the taskbar by its owner, not as a tool window.
    EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), 0u);
    const HWND owner = GetWindow(main, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(WindowLayoutTest, ClientAreaAndControlsTakeTheirDesignPlaces) {
    RECT client;
    GetClientRect(window.Handle(), &client);
    EXPECT_EQ(client.right, 530);
    EXPECT_EQ(client.bottom, 169);

    EXPECT_EQ(Place("Image1"), (Box{0, 0, 272, 118}));
    EXPECT_EQ(Place("Command1"), (Box{16, 136, 81, 25}));
    EXPECT_EQ(Place("Label3"), (Box{280, 136, 225, 17}));
    EXPECT_EQ(Place("Frame1"), (Box{288, 40, 233, 81}));
    // Inside the frame, places count from the frame's corner.
    EXPECT_EQ(Place("VScroll1"), (Box{288 + 163, 40 + 16, 17, 25}));
    EXPECT_EQ(Place("Text1"), (Box{288 + 104, 40 + 16, 60, 25}));
    EXPECT_EQ(Place("Label2"), (Box{288 + 186, 40 + 56, 43, 17}));
    // Check1's box runs past the client area's right edge, as designed.
    EXPECT_EQ(Place("Check1"), (Box{288, 8, 249, 25}));
}

TEST_F(WindowLayoutTest, LaysEverythingOutAgainWhenTheDpiChanges) {
    RECT suggested;
    GetWindowRect(window.Handle(), &suggested);
    SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));

    EXPECT_EQ(window.Dpi(), 144);
    EXPECT_EQ(Place("Command1"), (Box{24, 204, 121, 37}));
    EXPECT_EQ(Place("VScroll1"), (Box{432 + 245, 60 + 24, 25, 37}));
    EXPECT_EQ(FontOf("Command1").lfHeight, -16);  // 7.8 pt at 144 DPI
    EXPECT_EQ(FontOf("Text1").lfHeight, -19);     // 9.6 pt

    RECT frame;
    GetWindowRect(window.Handle(), &frame);
    const SIZE expected =
        WindowSizeForClient(796, 253, MainWindow::kStyle, MainWindow::kExStyle, 144);
    EXPECT_EQ(frame.right - frame.left, expected.cx);
    EXPECT_EQ(frame.bottom - frame.top, expected.cy);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
}

TEST_F(WindowLayoutTest, EveryControlShowsItsCaption) {
    for (const ControlSpec& control : kControls) {
        EXPECT_EQ(TextOf(Widget(control.name)), Utf16(control.caption)) << control.name;
    }
    EXPECT_EQ(TextOf(Widget("Frame1")), L"Watchdog timer");
    EXPECT_EQ(TextOf(Widget("Command3")), L"Restart USB");
}

TEST_F(WindowLayoutTest, ControlsAreOfTheirKind) {
    struct Expected {
        const char* name;
        const wchar_t* windowClass;
        DWORD typeMask;
        DWORD type;
    };
    const Expected expected[] = {
        {"Frame1", L"Button", BS_TYPEMASK, BS_GROUPBOX},
        {"Command1", L"Button", BS_TYPEMASK, BS_PUSHBUTTON},
        {"Command2", L"Button", BS_TYPEMASK, BS_PUSHBUTTON},
        {"Command3", L"Button", BS_TYPEMASK, BS_PUSHBUTTON},
        {"Check1", L"Button", BS_TYPEMASK, BS_AUTOCHECKBOX},
        {"Check2", L"Button", BS_TYPEMASK, BS_AUTOCHECKBOX},
        {"VScroll1", L"ScrollBar", SBS_VERT, SBS_VERT},
        {"VScroll2", L"ScrollBar", SBS_VERT, SBS_VERT},
        {"Text1", L"Edit", ES_CENTER | ES_READONLY, ES_CENTER | ES_READONLY},
        {"Text2", L"Edit", ES_CENTER | ES_READONLY, ES_CENTER | ES_READONLY},
        {"Label1", L"Static", SS_TYPEMASK, SS_LEFT},
        {"Label3", L"Static", SS_TYPEMASK, SS_CENTER},
        {"Image1", L"Static", SS_TYPEMASK, SS_OWNERDRAW},
    };
    for (const Expected& e : expected) {
        const HWND widget = Widget(e.name);
        wchar_t windowClass[64] = {};
        GetClassNameW(widget, windowClass, 64);
        EXPECT_EQ(lstrcmpiW(windowClass, e.windowClass), 0) << e.name;
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(widget, GWL_STYLE));
        EXPECT_EQ(style & e.typeMask, e.type) << e.name;
    }
}

TEST_F(WindowLayoutTest, FontsAreVerdanaAtTheDesignSizes) {
    for (const ControlSpec& control : kControls) {
        if (control.kind != ControlKind::ScrollBar) {  // no text, so no font
            EXPECT_EQ(std::wstring(FontOf(control.name).lfFaceName), L"Verdana") << control.name;
        }
    }
    EXPECT_EQ(FontOf("Command1").lfHeight, -10);  // 7.8 pt at 96 DPI
    EXPECT_EQ(FontOf("Check2").lfWeight, FW_NORMAL);
    EXPECT_EQ(FontOf("Text1").lfHeight, -13);  // 9.6 pt
    EXPECT_EQ(FontOf("Text2").lfHeight, -13);
    EXPECT_EQ(FontOf("Check1").lfCharSet, 204);
    EXPECT_EQ(FontOf("Check2").lfCharSet, ANSI_CHARSET);

    const LOGFONTW title = FontOf("Label3");
    EXPECT_EQ(title.lfHeight, -12);  // 9 pt
    EXPECT_EQ(title.lfWeight, FW_BOLD);
    EXPECT_TRUE(title.lfItalic);
}

TEST_F(WindowLayoutTest, TitleLabelIsDarkBlueAndNumberBoxesLookLikeTextBoxes) {
    const HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(window.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Widget("Label3")));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 192));

    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(window.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Widget("Text1"))));
    EXPECT_EQ(brush, GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));

    SendMessageW(window.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Widget("Label1")));
    EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
    DeleteDC(dc);
}

TEST_F(WindowLayoutTest, PictureIsStretchedToFillItsBox) {
    // A box larger than the picture itself: drawn at its own size it would leave a margin.
    constexpr int kWidth = 500;
    constexpr int kHeight = 250;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, canvas);
    const auto* pixels = static_cast<const DWORD*>(bits);
    constexpr DWORD kMagenta = 0x00FF00FF;
    std::fill_n(static_cast<DWORD*>(bits), kWidth * kHeight, kMagenta);

    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = static_cast<UINT>(ControlIdOf("Image1"));
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = Widget("Image1");
    item.hDC = dc;
    item.rcItem = {0, 0, kWidth, kHeight};
    EXPECT_TRUE(
        SendMessageW(window.Handle(), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item)));
    GdiFlush();

    int untouched = 0;
    int white = 0;
    int blue = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const DWORD pixel = pixels[i] & 0x00FFFFFF;
        untouched += pixel == kMagenta;
        white += pixel == 0x00FFFFFF;
        blue += (pixel & 0xFF) > 0x80 && ((pixel >> 16) & 0xFF) < 0x60;
    }
    EXPECT_EQ(untouched, 0);
    EXPECT_GT(white, kWidth * kHeight / 3);  // the white ground
    EXPECT_GT(blue, kWidth * kHeight / 50);  // the blue letters
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(canvas);
}

TEST_F(WindowLayoutTest, IconAndPictureAreBuiltIn) {
    const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(window.Handle(), GCLP_HICON));
    ASSERT_NE(icon, nullptr);
    ICONINFO iconInfo{};
    ASSERT_TRUE(GetIconInfo(icon, &iconInfo));
    BITMAP mask{};
    GetObjectW(iconInfo.hbmColor, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 32);
    DeleteObject(iconInfo.hbmColor);
    DeleteObject(iconInfo.hbmMask);

    const auto picture = static_cast<HBITMAP>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_USB_PICTURE), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(picture, nullptr);
    BITMAP bitmap{};
    GetObjectW(picture, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 340);
    EXPECT_EQ(bitmap.bmHeight, 148);
    DeleteObject(picture);
}

TEST_F(WindowLayoutTest, WhereControlsOverlapTheLaterOneLiesOnTop) {
    struct Overlap {
        const char* below;
        const char* above;
        POINT inBoth;  // client coordinates at 96 DPI
    };
    // Text1 starts at x 392, Check2 ends at 392; the spinners start one pixel inside the boxes.
    const Overlap overlaps[] = {{"Check2", "Text1", {392, 68}},
                                {"VScroll1", "Text1", {451, 68}},
                                {"VScroll2", "Text2", {451, 100}}};
    for (const Overlap& overlap : overlaps) {
        RECT below;
        GetWindowRect(Widget(overlap.below), &below);
        MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&below), 2);
        ASSERT_TRUE(PtInRect(&below, overlap.inBoth)) << overlap.below;
        EXPECT_EQ(ChildWindowFromPointEx(window.Handle(), overlap.inBoth, CWP_SKIPINVISIBLE),
                  Widget(overlap.above))
            << overlap.above << " over " << overlap.below;
    }
}

TEST_F(WindowLayoutTest, FocusStartsOnCommand1AndTabFollowsTheTabOrder) {
    EXPECT_EQ(GetFocus(), Widget("Command1"));
    const auto order = TabOrder();
    // GetNextDlgTabItem is what dialog navigation asks.
    for (std::size_t i = 0; i < order.size(); ++i) {
        const ControlSpec* next = order[(i + 1) % order.size()];
        EXPECT_EQ(GetNextDlgTabItem(window.Handle(), Widget(order[i]->name), FALSE),
                  Widget(next->name))
            << "after " << order[i]->name;
    }
    // And the Tab key itself, through the program's dispatch.
    for (std::size_t i = 1; i <= order.size(); ++i) {
        Press(VK_TAB);
        EXPECT_EQ(GetFocus(), Widget(order[i % order.size()]->name)) << i;
    }
}

TEST_F(WindowLayoutTest, EnterAndEscPressNoButtonWhereverTheFocusIs) {
    for (std::size_t i = 0; i < TabOrder().size(); ++i) {
        Press(VK_RETURN);
        Press(VK_ESCAPE);
        Press(VK_TAB);
    }
    EXPECT_TRUE(launches.empty());
    EXPECT_FALSE(form.Check1.Ticked() || form.Check2.Ticked() || form.Check3.Ticked());
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
}

TEST_F(WindowLayoutTest, ClosingTheWindowEndsTheLoopWithExitCodeZero) {
    MSG stale;
    while (PeekMessageW(&stale, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SendMessageW(window.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(window.Handle(), nullptr);
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

}  // namespace
