#include "common/windows/SystemDlls.h"

#include <string>

namespace {

using SetDirectories = BOOL(WINAPI*)(DWORD);

// Looked up, not imported: an import the loader cannot find stops the program before it starts.
SetDirectories SetDefaultDllDirectoriesCall() {
    return reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
}

}  // namespace

void LoadDllsFromSystemFolderOnly() {
    if (const SetDirectories set = SetDefaultDllDirectoriesCall()) {
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

HMODULE LoadSystemDll(const wchar_t* name) {
    if (SetDefaultDllDirectoriesCall() != nullptr) {
        // By name, so that the manifest's Common Controls 6 still applies to comctl32.dll.
        return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    // The DLLs it needs in turn are looked for in its own folder first.
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
