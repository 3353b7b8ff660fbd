#include "player/winmm/music_folder.h"

#include "player/common/debug_line.h"
#include "player/common/settings.h"
#include "player/winmm/settings_table.h"

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
// the DLL unless it is a full path.
static std::string FolderPath()
{
    std::string folder = player::Setting(player::winmm_settings::kMusic).text;
    bool full = folder.size() > 1 && (folder[1] == ':' || (folder[0] == '\\' && folder[1] == '\\'));
    if (!full)
        folder = player::DllFolder() + folder;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

TrackFileSound OpenTrackFile(const std::string& path)
{
    TrackFileSound track;
    track.file.reset(new FileSource(path));
    if (!track.file->IsOpen()) {
        DebugLine("%s cannot be opened (error %lu); the system's cdaudio plays its track", path.c_str(),
                  GetLastError());
        return track;
    }
    winmm::TrackKind kind = winmm::TrackKind::Wav;
    winmm::TrackOfFileName(path.substr(path.find_last_of("\\/") + 1), &kind);
    std::string refusal;
    track.sound = winmm::OpenTrackSound(*track.file, kind, &refusal);
    if (!track.sound)
        DebugLine("%s is no track this DLL plays (%s); the system's cdaudio plays its track", path.c_str(),
                  refusal.c_str());
    return track;
}

// The names of the folder's files, in the order the system lists them.
static std::vector<std::string> FileNames(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

MusicFolder ReadMusicFolder()
{
    const std::string folder = FolderPath();
    const std::vector<std::vector<std::string>> names = winmm::TrackFileNames(FileNames(folder));
    std::vector<winmm::TrackFile> tracks(winmm::kMostTracks);
    MusicFolder music;
    music.paths.resize(winmm::kMostTracks);
    for (int track = 1; track <= winmm::kMostTracks; ++track) {
        std::string& chosen = music.paths[track - 1];
        for (const std::string& name : names[track - 1]) {
            const std::string path = folder + name;
            if (!chosen.empty()) {
                DebugLine("%s and %s are both track %d; the first is played", chosen.c_str(), path.c_str(), track);
                continue;
            }
            TrackFileSound file = OpenTrackFile(path);
            if (!file.sound)
                continue;
            tracks[track - 1] = winmm::TrackFile{file.sound->Format().rate, file.sound->Format().frames};
            chosen = path;
        }
    }
    // A game's CD begins with its data; its length moves every track after it.
    const long dataSeconds = player::Setting(player::winmm_settings::kDataTrack).number;
    music.disc = winmm::Disc(tracks, (uint32_t)dataSeconds * winmm::kCdFramesPerSecond);
    return music;
}
