// A progress bar on the terminal for the long renders. It draws only when
// standard error is a terminal, so logs and CI output stay short.
#ifndef INTRO_TOOLS_PROGRESS_H
#define INTRO_TOOLS_PROGRESS_H

struct Progress {
    long total = 0;
    bool shown = false;  // standard error is a terminal
    int drawnPercent = -1;
};

Progress StartProgress(long total);
// Redraws the bar when the share done has grown by a percent.
void ShowProgress(Progress* progress, long done);
// Ends the bar's line, so the next message starts on a line of its own.
void EndProgress(Progress* progress);

#endif
