#pragma once

#include <windows.h>

// DLLs from the system folder only, never from the folder of the program or the current one, for
// devcon.exe and vantrel.exe alike, which run as administrator. Windows 7 without update
// KB2533623 has neither SetDefaultDllDirectories nor LOAD_LIBRARY_SEARCH_SYSTEM32: there, each
// DLL is loaded by its full path in the system folder.

// First thing in the program: the default search order for every later load, where Windows has it.
void LoadDllsFromSystemFolderOnly();

// The system folder's DLL of that name ("cfgmgr32.dll"); null, with GetLastError, if it cannot be
// loaded.
HMODULE LoadSystemDll(const wchar_t* name);
