// Debugger lines of a player DLL: what it refused or could not do, for a player
// who looks with a debugger (or WINEDEBUG=+debugstr under Wine).
#ifndef INTRO_PLAYER_COMMON_DEBUG_LINE_H
#define INTRO_PLAYER_COMMON_DEBUG_LINE_H

// One line through OutputDebugStringA, "ddraw: " (the DLL's short name) first
// and a newline last; printf formatting, cut at 511 characters.
void DebugLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
