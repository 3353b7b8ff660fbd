// boxwatch OUTFILE MILLISECONDS CAPTION: waits for a visible message box (a
// dialog of class "#32770") with that caption and writes what it shows to
// OUTFILE: its caption, its texts, its buttons and the class of its owner.
// Exits 0 once it was found, 1 when none came in time. It only looks.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// What the search is after, and what it found.
struct Search {
    std::string caption;
    HWND box = NULL;
};

// A window's class name, of any process.
static std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A window's text, of any process.
static std::string TextOf(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Stops the enumeration at the first visible dialog with the caption.
static BOOL CALLBACK LookAtTopWindow(HWND window, LPARAM context)
{
    Search* search = reinterpret_cast<Search*>(context);
    if (IsWindowVisible(window) && ClassOf(window) == "#32770" &&
        TextOf(window) == search->caption) {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

// Every static text and button of the box, one line each.
static BOOL CALLBACK DescribeControl(HWND control, LPARAM context)
{
    FILE* out = reinterpret_cast<FILE*>(context);
    std::string kind = ClassOf(control);
    std::string text = TextOf(control);
    if (kind == "Static" && !text.empty())
        std::fprintf(out, "text=%s\n", text.c_str());
    else if (kind == "Button")
        std::fprintf(out, "button=%s\n", text.c_str());
    return TRUE;
}

// Looks every 20 ms until the box is there or the time is up.
static HWND WaitForBox(const std::string& caption, DWORD milliseconds)
{
    Search search;
    search.caption = caption;
    for (DWORD waited = 0; waited <= milliseconds; waited += 20) {
        EnumWindows(LookAtTopWindow, reinterpret_cast<LPARAM>(&search));
        if (search.box)
            return search.box;
        Sleep(20);
    }
    return NULL;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 4)
        return 2;
    HWND box = WaitForBox(__argv[3], std::strtoul(__argv[2], NULL, 10));
    if (!box)
        return 1;
    FILE* out = std::fopen(__argv[1], "w");
    if (!out)
        return 2;
    std::fprintf(out, "caption=%s\n", TextOf(box).c_str());
    EnumChildWindows(box, DescribeControl, reinterpret_cast<LPARAM>(out));
    HWND owner = GetWindow(box, GW_OWNER);
    std::fprintf(out, "owner=%s\n", owner ? ClassOf(owner).c_str() : "");
    return std::fclose(out) == 0 ? 0 : 2;
}
