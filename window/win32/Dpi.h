#pragma once

#include <windows.h>

// Pixel density, asked of the newest API the running Windows has: per window where it can be
// (Windows 10 1607 and later), otherwise the system's one density.
int SystemDpi();
int WindowDpi(HWND window);

// The outer size of a window whose client area is `width` x `height` at `dpi`.
SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD exStyle, int dpi);
