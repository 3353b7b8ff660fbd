// Entry point and the message loop, which is also the intro's frame clock.
#include "app/app.h"
#include "base/intro_state.h"
#include "display/display.h"
#include "intro/intro.h"

// The loop handles one waiting message per turn; only with an empty queue does
// it draw a frame (when active) or sleep until the next message (when not).
static int RunMessageLoop()
{
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&message, NULL, 0, 0))
                return (int)message.wParam;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (intro.appActive) {
            RenderFrame();
        } else {
            WaitMessage();
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)previous;     // the intro takes no arguments
    (void)commandLine;
    if (!InitDisplay(instance, showCommand))
        return 0;
    return RunMessageLoop();
}
