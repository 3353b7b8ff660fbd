/* A stand-in for the game's main program, for the Wine runs of the intro: it
 * appends the command line it was started with to z_qzm__.log in its current
 * directory and ends at once. */
#include <stdio.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show)
{
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    FILE* log = fopen("z_qzm__.log", "a");
    if (!log)
        return 1;
    fprintf(log, "%s\n", GetCommandLineA());
    fclose(log);
    return 0;
}
