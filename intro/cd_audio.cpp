// The music is track 5 of the audio CD. Nothing here waits for or depends on
// it: without a drive, a disc or a fifth track every command simply fails.
#include "intro/intro.h"

// Sent once at frame 1501: open the drive (shared, then again unshared, whatever
// became of the first), count positions in tracks, play track 5 to its end.
static const char* const kCueCommands[] = {
    "open cdaudio shareable",
    "set cdaudio time format tmsf",
    "open cdaudio",
    "play cdaudio from 05:00:00:00 to 06:00:00:00",
};
// Sent at every shutdown; the device is never closed.
static const char kStopCommand[] = "stop cdaudio";

// No return text and no callback window: nothing is waited for or heard back.
static void SendCommand(const char* command)
{
    mciSendStringA(command, NULL, 0, NULL);
}

void StartCdAudio()
{
    for (const char* command : kCueCommands)
        SendCommand(command);
}

void StopCdAudio()
{
    SendCommand(kStopCommand);
}
