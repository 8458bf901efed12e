#include <windows.h>

#include <objbase.h>

#include "common/windows/SystemDlls.h"
#include "launcher/RunDevcon.h"
#include "panel/Form1.h"
#include "window/readiness/WindowsReadiness.h"
#include "window/win32/DevconResults.h"
#include "window/win32/FormBinding.h"
#include "window/win32/InstallerClose.h"
#include "window/win32/MainWindow.h"
#include "window/win32/Notice.h"

// No arguments are read, no files written and nothing is kept between runs: the program is the
// window, until it is closed.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // The program runs as administrator: every DLL it or the system loads from here on comes from
    // the system folder, never from the program's folder or the current one.
    LoadDllsFromSystemFolderOnly();

    // COM on this thread, as the window's accessible objects are handed to screen readers
    // through it.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    MainWindow window(instance);
    Notice notice(instance, window.Handle());
    DevconResults runs(instance, [&notice](const DevconResult& run) { notice.AddRun(run); });
    Form1 form([&runs](DeviceVerb verb) { runs.Launch(verb); });
    FormBinding binding(form, window);
    // Whichever way the program ends, the switch-on it owes first; at a session's end, also
    // after a disable, so that the next logon, or the next start after Fast Startup, has USB.
    window.SetEndHandler([&form, &runs](bool sessionEnds) {
        runs.Finish(form.EnableOwed() ||
                    (sessionEnds && runs.LastLaunched() == DeviceVerb::Disable));
    });
    const InstallerClose installerClose(window.Handle());
    window.Show(showCommand);
    // Once, after the window is up: why a click would switch nothing, if it would not.
    notice.ShowReadiness(NoticeText(CheckReadiness()));

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!notice.PreTranslate(message)) {
            window.Dispatch(message);
        }
    }
    return 0;
}
