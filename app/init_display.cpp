// Start-up: the main window first, then the display, as one routine.
#include "app/app.h"
#include "display/display.h"

int InitDisplay(HINSTANCE instance, int showCommand)
{
    HWND window = CreateMainWindow(instance, showCommand);
    if (!window)
        return 0;
    if (const char* failure = TakeDisplay(window))
        return FailInit(window, failure);
    return 1;
}
