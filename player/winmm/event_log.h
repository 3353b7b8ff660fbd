// The player's own record of what its winmm.dll did and when, for a player
// who wants to know and for the tests that line the sound up with the
// commands: the setting "log" (INTRO_WINMM_LOG) names a file, and each line
// appended to it starts with the wall-clock time in seconds since 1970, to
// the microsecond. Nothing is written without the setting.
#ifndef INTRO_PLAYER_WINMM_EVENT_LOG_H
#define INTRO_PLAYER_WINMM_EVENT_LOG_H

// Reads the setting; call once, outside DllMain, before any LogEvent.
void OpenEventLog();

// One line, printf-formatted, from any thread.
void LogEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
