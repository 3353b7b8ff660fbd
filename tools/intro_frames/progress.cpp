#include "tools/intro_frames/progress.h"

#include <unistd.h>

#include <cstdio>

// Width of the bar in characters, so that bar and counts fit 80 columns.
static const int kBarWidth = 40;

Progress StartProgress(long total)
{
    Progress progress;
    progress.total = total > 0 ? total : 1;
    progress.shown = isatty(STDERR_FILENO) == 1;
    return progress;
}

void ShowProgress(Progress* progress, long done)
{
    int percent = (int)(done * 100 / progress->total);
    if (!progress->shown || percent == progress->drawnPercent)
        return;
    progress->drawnPercent = percent;
    char bar[kBarWidth + 1];
    int filled = percent * kBarWidth / 100;
    for (int i = 0; i < kBarWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  frame %ld of %ld", bar, percent, done, progress->total);
    std::fflush(stderr);
}

void EndProgress(Progress* progress)
{
    if (progress->shown && progress->drawnPercent >= 0)
        std::fputc('\n', stderr);
    progress->drawnPercent = -1;
}
