// The intro as a video: raw RGB frames piped into a child ffmpeg, which
// encodes them as H.264 in yuv420p (what players accept) at a fixed rate.
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
    std::string preset = "medium";
};

struct VideoEncoder {
    pid_t child = -1;
    FILE* input = nullptr;  // the child's standard input
    int width = 0, height = 0;
};

// Starts ffmpeg; false with a message when it cannot be started.
bool OpenEncoder(const VideoSettings& settings, VideoEncoder* encoder, std::string* error);
// Hands one frame of the encoder's size to ffmpeg; false once ffmpeg is gone.
bool WriteFrame(VideoEncoder* encoder, const RgbImage& frame);
// Ends the input and waits for ffmpeg; false when it did not finish the file.
bool CloseEncoder(VideoEncoder* encoder, std::string* error);

#endif
