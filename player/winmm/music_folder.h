// The music folder beside intro.exe: the WAV files that stand for the CD's
// tracks (music\trackNN.wav; the setting "music" names another folder), and
// reading them through the platform's file calls.
#ifndef INTRO_PLAYER_WINMM_MUSIC_FOLDER_H
#define INTRO_PLAYER_WINMM_MUSIC_FOLDER_H

#include <windows.h>

#include <string>
#include <vector>

#include "player/winmm/disc.h"
#include "player/winmm/wav_reader.h"

// An open file as the WAV reader reads it; every read asks the platform for
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
// track 1's; empty where there is none). A file that is no WAV this DLL can
// stream gets a debugger line and is left off, so that the system plays its
// track.
struct MusicFolder {
    winmm::Disc disc;
    std::vector<std::string> paths;
};
MusicFolder ReadMusicFolder();

// The format of a track's file as read now, for the thread that streams it;
// false, with a debugger line, when it cannot be read any more.
bool ReadTrackFormat(const std::string& path, winmm::WavFormat* format);

#endif
