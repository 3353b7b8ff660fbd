#include "tools/intro_frames/video.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

// True when this ffmpeg was built with the encoder, e.g. "libx264".
bool HasEncoder(const char* name)
{
    FILE* list = popen("ffmpeg -hide_banner -encoders 2>/dev/null", "r");
    if (!list)
        return false;
    char line[512];
    bool found = false;
    std::string wanted = std::string(" ") + name + " ";
    while (std::fgets(line, sizeof line, list))
        found = found || std::strstr(line, wanted.c_str()) != nullptr;
    pclose(list);
    return found;
}

// The encoder part of the command: H.264 when this ffmpeg has it, MPEG-4 part 2
// (which every ffmpeg has) otherwise. Flat colours and hard edges: x264's
// animation tuning keeps them.
std::vector<std::string> EncoderArguments(const VideoSettings& settings)
{
    if (HasEncoder("libx264"))
        return {"-c:v", "libx264", "-preset", settings.preset, "-tune", "animation", "-crf", "18"};
    return {"-c:v", "mpeg4", "-q:v", "2"};
}

// ffmpeg's name for the container, from the ending of the video's name; the part
// file's own ending says nothing.
std::string ContainerOf(const std::string& path)
{
    std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    for (char& ch : ending)
        ch = (char)std::tolower((unsigned char)ch);
    return ending == ".mkv" ? "matroska" : ending == ".mov" ? "mov" : "mp4";
}

// The music as a second input: delayed to the frame of the cue, padded with
// silence and cut at the video's last frame, so that the video, not the track,
// decides where the file ends (ffmpeg's -shortest lets the sound run on by a
// packet or two past the last frame).
void AddMusic(const VideoSettings& settings, std::vector<std::string>* args)
{
    if (settings.musicStart < 0) {
        args->push_back("-ss");
        args->push_back(std::to_string(-settings.musicStart));
    }
    args->push_back("-i");
    args->push_back(settings.music);
    long delayMs = settings.musicStart > 0 ? std::lround(settings.musicStart * 1000) : 0;
    for (const std::string& arg :
         {std::string("-filter_complex"), "[1:a]adelay=delays=" + std::to_string(delayMs) + ":all=1,apad,atrim=end=" +
                                              std::to_string((double)settings.frames / settings.fps) + "[music]",
          std::string("-map"), std::string("0:v"), std::string("-map"), std::string("[music]"),
          std::string("-c:a"), std::string("aac"), std::string("-b:a"), std::string("192k")})
        args->push_back(arg);
}

// Raw RGB in at a fixed rate; out in yuv420p, converted and tagged as BT.709 so
// that players show the sheet's colours as they are.
std::vector<std::string> FfmpegArguments(const VideoSettings& settings, const std::string& output)
{
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
        "-video_size", std::to_string(settings.width) + "x" + std::to_string(settings.height),
        "-framerate", std::to_string(settings.fps), "-i", "pipe:0"};
    if (!settings.music.empty())
        AddMusic(settings, &args);
    for (const char* arg : {"-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p", "-colorspace",
                            "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv"})
        args.push_back(arg);
    for (const std::string& arg : EncoderArguments(settings))
        args.push_back(arg);
    for (const char* arg : {"-pix_fmt", "yuv420p", "-movflags", "+faststart", "-f"})
        args.push_back(arg);
    args.push_back(ContainerOf(settings.path));
    args.push_back(output);
    return args;
}

bool Spawn(const std::vector<std::string>& args, int input, pid_t* child, int* failure)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    *failure = posix_spawnp(child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return *failure == 0;
}

}  // namespace

bool OpenEncoder(const VideoSettings& settings, VideoEncoder* encoder, std::string* error)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    encoder->path = settings.path;
    encoder->partPath = PartPath(settings.path);
    int failure = 0;
    bool started = Spawn(FfmpegArguments(settings, encoder->partPath), ends[0], &encoder->child, &failure);
    close(ends[0]);
    if (!started) {
        close(ends[1]);
        *error = std::string("cannot run ffmpeg (") + std::strerror(failure) +
                 "); install Debian's ffmpeg, as scripts/setup.sh does";
        return false;
    }
    encoder->input = fdopen(ends[1], "wb");
    encoder->width = settings.width;
    encoder->height = settings.height;
    return encoder->input != nullptr;
}

bool WriteFrame(VideoEncoder* encoder, const RgbImage& frame)
{
    if (frame.width != encoder->width || frame.height != encoder->height)
        return false;
    return std::fwrite(frame.rgb.data(), 1, frame.rgb.size(), encoder->input) == frame.rgb.size();
}

std::string PartPath(const std::string& path)
{
    return path + ".part";
}

bool CloseEncoder(VideoEncoder* encoder, bool keep, std::string* error)
{
    bool written = encoder->input && std::fclose(encoder->input) == 0;
    encoder->input = nullptr;
    int status = 0;
    while (waitpid(encoder->child, &status, 0) < 0 && errno == EINTR) {
    }
    encoder->child = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        *error = "ffmpeg could not write the video (its message is above)";
    else if (!written)
        *error = "the frames did not all reach ffmpeg";
    else if (keep && std::rename(encoder->partPath.c_str(), encoder->path.c_str()) != 0)
        *error = "cannot write " + encoder->path + ": " + std::strerror(errno);
    else if (keep)
        return true;
    std::remove(encoder->partPath.c_str());
    return false;
}
