// The music folder the setting music names (player/settings.txt): the files
// that stand for the CD's tracks (trackNN.wav or trackNN.ogg, in any case),
// and reading them through the platform's file calls.
#ifndef INTRO_PLAYER_WINMM_MUSIC_FOLDER_H
#define INTRO_PLAYER_WINMM_MUSIC_FOLDER_H

#include <windows.h>

#include <string>
#include <vector>

#include <memory>

#include "player/winmm/disc.h"
#include "player/winmm/track_reader.h"

// An open file as the track reader reads it; every read asks the platform for
// no more than it was given room for.
class FileSource : public winmm::ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void* into, size_t bytes) override;

private:
    HANDLE file_;
    uint64_t size_ = 0;
};

// The tracks the folder holds, as a disc, and the file of each (paths[0] is
// track 1's; empty where there is none). Where a track has both, its WAV is
// played before its Ogg (winmm::TrackFileNames), and a debugger line names
// the one left aside. A file this DLL cannot play gets a debugger line and
// is left off; with no other file for its track the system plays it.
struct MusicFolder {
    winmm::Disc disc;
    std::vector<std::string> paths;
};
MusicFolder ReadMusicFolder();

// A track's file opened for the thread that streams it; `sound` is null,
// with a debugger line, when it cannot be played any more.
struct TrackFileSound {
    std::unique_ptr<FileSource> file;
    std::unique_ptr<winmm::TrackSound> sound;  // reads from file
};
TrackFileSound OpenTrackFile(const std::string& path);

#endif
