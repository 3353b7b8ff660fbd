// The one door between the intro and the platform.
//
// Every source file of the program includes this header for every Win32, GDI,
// DirectDraw and MCI name it uses, and nothing else of the platform. On Windows
// these are the real headers; on the development host they are the host
// stand-in, a second implementation of the same calls that the tests and the
// frame renderer run the program against.
//
// What the program asks of the platform, function by function (tests/tools/run.sh
// checks this list against the calls the program's code makes):
//   USER        RegisterClassA, CreateWindowExA, ShowWindow, UpdateWindow,
//               DestroyWindow, DefWindowProcA, PeekMessageA, GetMessageA,
//               TranslateMessage, DispatchMessageA, WaitMessage, PostMessageA,
//               PostQuitMessage, GetSystemMetrics, LoadIconA, LoadCursorA,
//               SetCursor, MessageBoxA, LoadImageA
//   GDI         GetStockObject, GetObjectA, CreateCompatibleDC, SelectObject,
//               StretchBlt, DeleteDC, DeleteObject, GetPixel, SetPixel
//   KERNEL      GetModuleHandleA, OutputDebugStringA, FindResourceA, LoadResource,
//               LockResource, SizeofResource, _lopen, _lread, _lclose,
//               CreateProcessA, GetLastError, GetFileAttributesA,
//               GetEnvironmentVariableA, ExitProcess
//   DirectDraw  DirectDrawCreate
//   MCI         mciSendStringA
// and the methods of IDirectDraw, IDirectDrawSurface and IDirectDrawPalette in
// their first interface versions.
#ifndef INTRO_PLATFORM_H
#define INTRO_PLATFORM_H

#ifdef _WIN32
#include <windows.h>
#include <ddraw.h>
#include <mmsystem.h>
#else
#include "host/win32.h"
#endif

#endif
