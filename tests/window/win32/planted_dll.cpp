// A DLL planted beside vantrel.exe under the name of one the program or Windows may load, as
// another program of the user could drop it there. When it is loaded, it appends its own file
// name to planted.log in its folder. It exports what vantrel.exe once imported from oleacc.dll,
// so that a program that still imports it starts with this one loaded in its place.
#include <windows.h>

namespace {

void NoteLoad(HMODULE self) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return;
    }
    wchar_t* name = path;
    for (wchar_t* c = path; *c; ++c) {
        if (*c == L'\\' || *c == L'/') {
            name = c + 1;
        }
    }
    char line[MAX_PATH + 2];
    int size = WideCharToMultiByte(CP_UTF8, 0, name, -1, line, MAX_PATH, nullptr, nullptr);
    if (size <= 0) {
        return;
    }
    line[size - 1] = '\n';
    lstrcpyW(name, L"planted.log");
    const HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(log, line, static_cast<DWORD>(size), &written, nullptr);
        CloseHandle(log);
    }
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        NoteLoad(self);
    }
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI CreateStdAccessibleObject(HWND, LONG, REFIID, void**) {
    return E_FAIL;
}

__declspec(dllexport) LRESULT WINAPI LresultFromObject(REFIID, WPARAM, IUnknown*) {
    return 0;
}

}  // extern "C"
