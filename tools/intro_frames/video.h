// The intro as a video: raw RGB frames piped into a child ffmpeg, which
// encodes them as H.264 in yuv420p (what players accept) at a fixed rate, with
// the music of track 5 from the frame at which the intro cues it. The video is
// written beside its name and takes the name only once it is whole.
#ifndef INTRO_TOOLS_VIDEO_H
#define INTRO_TOOLS_VIDEO_H

#include <sys/types.h>

#include <cstdio>
#include <string>

#include "tools/intro_frames/picture.h"

struct VideoSettings {
    std::string path;
    int width = 0, height = 0;  // even, as yuv420p needs
    int fps = 60;
    std::string preset;
    std::string music;         // a sound file for track 5, or empty for a silent video
    double musicStart = 0;     // seconds into the video at which the track begins; negative
                               // when the video begins after the cue, that far into the track
    long frames = 0;           // the video's frames, at which the sound ends too
};

struct VideoEncoder {
    pid_t child = -1;
    FILE* input = nullptr;  // the child's standard input
    int width = 0, height = 0;
    std::string partPath;   // where ffmpeg writes until the video is whole
    std::string path;
};

// The file a video is written to before it takes its name.
std::string PartPath(const std::string& path);

// Starts ffmpeg; false with a message when it cannot be started.
bool OpenEncoder(const VideoSettings& settings, VideoEncoder* encoder, std::string* error);
// Hands one frame of the encoder's size to ffmpeg; false once ffmpeg is gone.
bool WriteFrame(VideoEncoder* encoder, const RgbImage& frame);
// Ends the input and waits for ffmpeg; gives the video its name when ffmpeg
// finished it and `keep` holds, else removes what was written. False, with a
// message, when there is no whole video.
bool CloseEncoder(VideoEncoder* encoder, bool keep, std::string* error);

#endif
