// The host stand-in's platform names: the part of Win32 USER, GDI, KERNEL,
// DirectDraw (first interface versions) and MCI that the intro calls, with the
// names, values, structures and argument orders the platform publishes.
//
// It is a second implementation of the platform contract, for the tests and the
// frame renderer on the development host. Every call is recorded and can be made
// to fail (host/host.h); a call it does not model is not declared here, so
// using one fails the build instead of silently doing nothing.
#ifndef INTRO_HOST_WIN32_H
#define INTRO_HOST_WIN32_H

#include <stddef.h>
#include <stdint.h>

// ---- Base types -----------------------------------------------------------
#define WINAPI
#define CALLBACK
#define STDMETHODCALLTYPE
#define TRUE 1
#define FALSE 0

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef int HFILE;
typedef WORD ATOM;
typedef int32_t HRESULT;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef DWORD COLORREF;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef void* HGDIOBJ;
typedef void* HGLOBAL;

#define HOST_DECLARE_HANDLE(name) \
    struct name##__;              \
    typedef struct name##__* name
HOST_DECLARE_HANDLE(HWND);
HOST_DECLARE_HANDLE(HINSTANCE);
HOST_DECLARE_HANDLE(HDC);
HOST_DECLARE_HANDLE(HBITMAP);
HOST_DECLARE_HANDLE(HBRUSH);
HOST_DECLARE_HANDLE(HICON);
HOST_DECLARE_HANDLE(HRSRC);
#undef HOST_DECLARE_HANDLE
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;

#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)(WORD)(i))
#define IS_INTRESOURCE(p) (((ULONG_PTR)(p) >> 16) == 0)
#define RGB(r, g, b) ((COLORREF)((BYTE)(r) | ((WORD)(BYTE)(g) << 8) | ((DWORD)(BYTE)(b) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define CLR_INVALID 0xFFFFFFFF

// ---- Result and error codes -----------------------------------------------
#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)

#define ERROR_INVALID_FUNCTION 1
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_DRIVE 15
#define ERROR_NO_MORE_FILES 18
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INVALID_NAME 123
#define ERROR_BAD_PATHNAME 161
#define ERROR_BAD_EXE_FORMAT 193
#define ERROR_ENVVAR_NOT_FOUND 203
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814

DWORD GetLastError(void);
void SetLastError(DWORD error);

// ---- USER: windows and messages -------------------------------------------
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagPOINT {
    LONG x, y;
} POINT;

typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT, *LPRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define WS_POPUP 0x80000000u
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWDEFAULT 10
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define MB_OK 0x00000000
#define IDOK 1
#define SC_CLOSE 0xF060
#define WA_INACTIVE 0
#define WA_ACTIVE 1

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_ACTIVATE 0x0006
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCOMMAND 0x0112
#define WM_MOUSEMOVE 0x0200

#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_F4 0x73
#define VK_F12 0x7B

ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     LPVOID param);
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove);
BOOL GetMessageA(LPMSG message, HWND window, UINT first, UINT last);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
BOOL WaitMessage(void);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
int GetSystemMetrics(int index);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#define IMAGE_BITMAP 0
#define LR_LOADFROMFILE 0x00000010
#define LR_CREATEDIBSECTION 0x00002000
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);

// ---- GDI -------------------------------------------------------------------
typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP;

typedef struct tagRGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
} RGBQUAD;

typedef struct tagPALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
} PALETTEENTRY, *LPPALETTEENTRY;

#define BLACK_BRUSH 4
#define SRCCOPY 0x00CC0020u

HGDIOBJ GetStockObject(int object);
int GetObjectA(HANDLE object, int size, LPVOID buffer);
HDC CreateCompatibleDC(HDC reference);
HGDIOBJ SelectObject(HDC context, HGDIOBJ object);
BOOL StretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
                int sourceY, int sourceWidth, int sourceHeight, DWORD rop);
BOOL DeleteDC(HDC context);
BOOL DeleteObject(HGDIOBJ object);
COLORREF GetPixel(HDC context, int x, int y);
COLORREF SetPixel(HDC context, int x, int y, COLORREF color);

// ---- KERNEL ------------------------------------------------------------------
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define OF_READ 0x0000
#define HFILE_ERROR ((HFILE)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020

typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

HMODULE GetModuleHandleA(LPCSTR name);
void OutputDebugStringA(LPCSTR text);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
HFILE _lopen(LPCSTR path, int mode);
UINT _lread(HFILE file, LPVOID buffer, UINT count);
HFILE _lclose(HFILE file);
BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, void* processAttributes,
                    void* threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment,
                    LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process);
DWORD GetFileAttributesA(LPCSTR path);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
[[noreturn]] void ExitProcess(UINT exitCode);

// ---- MCI -----------------------------------------------------------------------
typedef DWORD MCIERROR;
#define MCIERR_BASE 256
#define MCIERR_INVALID_DEVICE_NAME (MCIERR_BASE + 7)
MCIERROR mciSendStringA(LPCSTR command, LPSTR returnString, UINT returnLength, HWND callback);

// ---- DirectDraw ------------------------------------------------------------------
#define DD_OK S_OK
#define MAKE_DDHRESULT(code) ((HRESULT)(0x88760000u | (code)))
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_INVALIDMODE MAKE_DDHRESULT(120)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_NOCOOPERATIVELEVELSET MAKE_DDHRESULT(212)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_PRIMARYSURFACEALREADYEXISTS MAKE_DDHRESULT(564)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_WRONGMODE MAKE_DDHRESULT(587)
#define DDERR_DCALREADYCREATED MAKE_DDHRESULT(620)
#define DDERR_CANTCREATEDC MAKE_DDHRESULT(585)
#define DDERR_NODC MAKE_DDHRESULT(586)

#define DDSCL_FULLSCREEN 0x00000001
#define DDSCL_NORMAL 0x00000008
#define DDSCL_EXCLUSIVE 0x00000010
#define DDSCL_ALLOWMODEX 0x00000040

#define DDSD_CAPS 0x00000001
#define DDSD_HEIGHT 0x00000002
#define DDSD_WIDTH 0x00000004
#define DDSD_PITCH 0x00000008
#define DDSD_BACKBUFFERCOUNT 0x00000020
#define DDSD_LPSURFACE 0x00000800
#define DDSD_PIXELFORMAT 0x00001000

#define DDSCAPS_BACKBUFFER 0x00000004
#define DDSCAPS_COMPLEX 0x00000008
#define DDSCAPS_FLIP 0x00000010
#define DDSCAPS_FRONTBUFFER 0x00000020
#define DDSCAPS_OFFSCREENPLAIN 0x00000040
#define DDSCAPS_PRIMARYSURFACE 0x00000200
#define DDSCAPS_SYSTEMMEMORY 0x00000800

#define DDPF_PALETTEINDEXED8 0x00000020
#define DDPF_RGB 0x00000040

#define DDBLT_KEYSRC 0x00008000
#define DDBLT_WAIT 0x01000000
#define DDBLTFAST_NOCOLORKEY 0x00000000
#define DDBLTFAST_SRCCOLORKEY 0x00000001
#define DDBLTFAST_WAIT 0x00000010
#define DDLOCK_WAIT 0x00000001
#define DDCKEY_SRCBLT 0x00000008
#define DDPCAPS_8BIT 0x00000004
#define DDPCAPS_ALLOW256 0x00000040

typedef struct _DDSCAPS {
    DWORD dwCaps;
} DDSCAPS, *LPDDSCAPS;

typedef struct _DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
} DDCOLORKEY, *LPDDCOLORKEY;

typedef struct _DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
} DDPIXELFORMAT;

typedef struct _DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
} DDSURFACEDESC, *LPDDSURFACEDESC;

// Of the blit effects only the size is read; the rest stands for the platform's
// record, which is 100 bytes on the real platform (the pointer members here are
// 32-bit values so that the host record has that size too).
typedef struct _DDBLTFX {
    DWORD dwSize;
    DWORD unused[24];
} DDBLTFX, *LPDDBLTFX;

struct IDirectDrawSurface;
struct IDirectDrawPalette;
typedef struct IDirectDraw* LPDIRECTDRAW;
typedef struct IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef struct IDirectDrawPalette* LPDIRECTDRAWPALETTE;
struct IUnknown;

// The interfaces keep the platform's method names, argument orders and the order
// of the methods among themselves; methods the intro never calls are left out.
struct IDirectDraw {
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                                    LPDIRECTDRAWPALETTE* palette,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description,
                                                    LPDIRECTDRAWSURFACE* surface,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp) = 0;

protected:
    ~IDirectDraw() = default;
};

struct IDirectDrawSurface {
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
    virtual HRESULT STDMETHODCALLTYPE Blt(LPRECT target, LPDIRECTDRAWSURFACE source,
                                          LPRECT sourceRect, DWORD flags, LPDDBLTFX effects) = 0;
    virtual HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source,
                                              LPRECT sourceRect, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                                         LPDIRECTDRAWSURFACE* attached) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDC(HDC* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC description) = 0;
    virtual HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                           HANDLE event) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC context) = 0;
    virtual HRESULT STDMETHODCALLTYPE Restore() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unlock(LPVOID pixels) = 0;

protected:
    ~IDirectDrawSurface() = default;
};

struct IDirectDrawPalette {
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IDirectDrawPalette() = default;
};

HRESULT DirectDrawCreate(void* driver, LPDIRECTDRAW* directDraw, IUnknown* outer);

#endif
