// The application shell: entry point, main window, shutdown and hand-over.
#ifndef INTRO_APP_APP_H
#define INTRO_APP_APP_H

#include "base/platform.h"

// The platform's start-up calls this once; it returns the exit status.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// The one start-up routine, called by WinMain before the loop: makes the main
// window, then takes the display and loads the sheet (TakeDisplay). 1 when all is
// ready; 0 when the window could not be made or a step failed (and was reported).
int InitDisplay(HINSTANCE instance, int showCommand);

// First half of InitDisplay: registers the class, creates, shows and updates the
// full-screen window and stores it in intro.mainWindow. Null when it could not be made.
HWND CreateMainWindow(HINSTANCE instance, int showCommand);

// The window's procedure: activation, cursor, the two closing keys, and the
// shutdown when the window is destroyed.
LRESULT CALLBACK IntroWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Releases primary, sheet, palette and DirectDraw object (each only if present,
// then nulled; the back buffer goes with the primary and is nulled too) and
// stops the CD. Safe to call any number of times.
void ReleaseDisplay();

// Reports a failed display step: releases the display, shows the text, destroys
// the window (which hands over to the main program). Always 0.
int FailInit(HWND window, const char* message);

// Starts `name` with the arguments after args[0] (list closed by a null). Ends
// the process when it started; returns -1 when it could not be started.
int LaunchMainProgram(const char* name, const char* const* args);

// The main program and its one argument.
extern const char kMainProgramName[];
extern const char kMainProgramArgument[];
// The window title, also the caption of the start-up failure message.
extern const char kWindowTitle[];

#endif
