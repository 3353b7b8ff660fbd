#include "player/winmm/music_folder.h"

#include "player/common/debug_line.h"
#include "player/common/settings.h"

FileSource::FileSource(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL))
{
    LARGE_INTEGER size;
    if (file_ != INVALID_HANDLE_VALUE && GetFileSizeEx(file_, &size))
        size_ = (uint64_t)size.QuadPart;
}

FileSource::~FileSource()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
}

size_t FileSource::ReadAt(uint64_t offset, void* into, size_t bytes)
{
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)offset;
    if (file_ == INVALID_HANDLE_VALUE || !SetFilePointerEx(file_, at, NULL, FILE_BEGIN))
        return 0;
    size_t done = 0;
    while (done < bytes) {
        DWORD chunk = bytes - done > 0x100000 ? 0x100000 : (DWORD)(bytes - done);
        DWORD got = 0;
        if (!ReadFile(file_, static_cast<char*>(into) + done, chunk, &got, NULL) || got == 0)
            break;
        done += got;
    }
    return done;
}

// The folder's path with a trailing backslash: the setting, taken as beside
// the DLL unless it is a full path, or "music" beside the DLL.
static std::string FolderPath()
{
    std::string folder = player::SettingText("music");
    if (folder.empty())
        folder = "music";
    bool full = folder.size() > 1 && (folder[1] == ':' || (folder[0] == '\\' && folder[1] == '\\'));
    if (!full)
        folder = player::DllFolder() + folder;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

// The track's format, or false with the reason in a debugger line.
static bool ReadFormat(const std::string& path, winmm::WavFormat* format)
{
    FileSource file(path);
    if (!file.IsOpen()) {
        DebugLine("%s cannot be opened (error %lu); the system's cdaudio plays its track", path.c_str(),
                  GetLastError());
        return false;
    }
    std::string refusal = winmm::ReadWavFormat(file, format);
    if (!refusal.empty()) {
        DebugLine("%s is no track this DLL plays (%s); the system's cdaudio plays its track", path.c_str(),
                  refusal.c_str());
        return false;
    }
    return true;
}

MusicFolder ReadMusicFolder()
{
    const std::string folder = FolderPath();
    std::vector<winmm::TrackFile> tracks(winmm::kMostTracks);
    MusicFolder music;
    music.paths.resize(winmm::kMostTracks);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.wav").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return music;
    do {
        int track = winmm::TrackOfFileName(found.cFileName);
        if (track == 0 || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        const std::string path = folder + found.cFileName;
        if (!music.paths[track - 1].empty()) {
            DebugLine("%s and %s are both track %d; the first is played", music.paths[track - 1].c_str(),
                      path.c_str(), track);
            continue;
        }
        winmm::WavFormat format;
        if (!ReadFormat(path, &format))
            continue;
        tracks[track - 1] = winmm::TrackFile{format.rate, format.frames};
        music.paths[track - 1] = path;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    music.disc = winmm::Disc(tracks);
    return music;
}

bool ReadTrackFormat(const std::string& path, winmm::WavFormat* format)
{
    return ReadFormat(path, format);
}
