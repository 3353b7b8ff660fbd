#include "player/winmm/wave_stream.h"

#include <mmsystem.h>

#include <memory>
#include <utility>

#include "player/common/debug_line.h"
#include "player/common/passthrough.h"
#include "player/winmm/event_log.h"
#include "player/winmm/music_folder.h"
#include "player/winmm/volume.h"

namespace {

// Buffers queued at once, and the sound each holds: enough queued to ride
// out a busy machine, while a stop still silences at once (waveOutReset).
constexpr int kBuffers = 6;
constexpr uint32_t kBuffersPerSecond = 20;
// The longest a stop waits for the thread to have silenced the sound.
constexpr DWORD kMostStopWait = 2000;

// The system's waveOut functions: this DLL stands in for winmm.dll, so it
// reaches the real ones through the system's copy, never by import.
struct WaveOutCalls {
    decltype(&waveOutOpen) open = nullptr;
    decltype(&waveOutClose) close = nullptr;
    decltype(&waveOutPrepareHeader) prepare = nullptr;
    decltype(&waveOutUnprepareHeader) unprepare = nullptr;
    decltype(&waveOutWrite) write = nullptr;
    decltype(&waveOutReset) reset = nullptr;
    decltype(&waveOutPause) pause = nullptr;
    decltype(&waveOutRestart) restart = nullptr;
    bool found = false;
};

// Found by the first WaveStream, on the first served command's thread.
WaveOutCalls waveOut;

template <typename Function>
void Find(Function* function, const char* name)
{
    *function = SystemFunctionAs<Function>(name);
    waveOut.found = waveOut.found && *function != nullptr;
}

void FindWaveOut()
{
    waveOut.found = true;
    Find(&waveOut.open, "waveOutOpen");
    Find(&waveOut.close, "waveOutClose");
    Find(&waveOut.prepare, "waveOutPrepareHeader");
    Find(&waveOut.unprepare, "waveOutUnprepareHeader");
    Find(&waveOut.write, "waveOutWrite");
    Find(&waveOut.reset, "waveOutReset");
    Find(&waveOut.pause, "waveOutPause");
    Find(&waveOut.restart, "waveOutRestart");
}

// The system's description of a PCM format.
WAVEFORMATEX PcmWave(const winmm::WavFormat& format)
{
    WAVEFORMATEX wave = {};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = format.channels;
    wave.nSamplesPerSec = format.rate;
    wave.wBitsPerSample = format.bits;
    wave.nBlockAlign = format.frameBytes;
    wave.nAvgBytesPerSec = format.rate * format.frameBytes;
    return wave;
}

// Runs `step` holding `lock`, and gives back what it gives.
template <typename Step>
auto Locked(CRITICAL_SECTION& lock, Step step)
{
    struct Held {
        CRITICAL_SECTION& lock;
        ~Held() { LeaveCriticalSection(&lock); }
    };
    EnterCriticalSection(&lock);
    const Held held{lock};
    return step();
}

void PostNotification(HWND window, unsigned flag, unsigned deviceId)
{
    if (window)
        PostMessageA(window, MM_MCINOTIFY, flag, deviceId);
}

// The CD-audio aux device's volume (auxSetVolume), its low word the level;
// read by every streaming thread for each buffer, so a change is heard at once.
volatile LONG auxVolume = 0xFFFF;

}  // namespace

// One play range, shared by the device's side and the thread that streams it.
struct Playback {
    Playback() : wake(CreateEventA(NULL, FALSE, FALSE, NULL)), ended(CreateEventA(NULL, TRUE, FALSE, NULL))
    {
        InitializeCriticalSection(&lock);
    }
    ~Playback()
    {
        CloseHandle(wake);
        CloseHandle(ended);
        DeleteCriticalSection(&lock);
    }
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    std::vector<winmm::Segment> segments;
    std::vector<std::string> files;  // of each segment
    int volume = winmm::kFullVolume;
    HANDLE wake;   // an order came, or the system is done with a buffer
    HANDLE ended;  // the sound is silenced and the device closed
    HMODULE heldDll = NULL;  // this DLL, held while the thread runs
    // The window to notify at the end of the range; whoever takes it first notifies.
    HWND volatile window = NULL;
    unsigned deviceId = 0;  // the device the notification comes from
    // Guarded by lock: the orders of the device's side, and the progress.
    CRITICAL_SECTION lock;
    bool stop = false;
    bool paused = false;
    winmm::Progress progress;
};

namespace {

// The window a notification of this range is due to, taken so that exactly one goes out.
HWND TakeNotifyWindow(Playback& playback)
{
    return static_cast<HWND>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&playback.window), NULL));
}

struct Buffer {
    WAVEHDR header = {};
    std::vector<char> bytes;
    bool queued = false;
    size_t segment = 0;
    uint64_t endSample = 0;  // the sample frame after the last one it holds
};

// The thread's work: the segments' samples, buffer by buffer, into waveOut.
class Streamer {
public:
    explicit Streamer(Playback& playback) : playback_(playback) {}
    void Run();

private:
    bool TakeStopAndPause();
    void ReclaimPlayedBuffers();
    bool FillAndQueue();
    bool Advance();
    bool OpenSegment(size_t index);
    bool OpenOut();
    void CloseOut();
    Buffer* FreeBuffer();
    void SetProgress(bool playing, size_t segment, uint64_t sample);

    Playback& playback_;
    HWAVEOUT out_ = NULL;
    bool outPaused_ = false;
    winmm::WavFormat outFormat_;
    TrackFileSound track_;
    winmm::WavFormat format_;
    size_t segment_ = 0;
    uint64_t next_ = 0, end_ = 0;  // sample frames of the segment still to queue
    Buffer buffers_[kBuffers];
    int queued_ = 0;
    bool exhausted_ = false;
    bool soundStarted_ = false;
};

void Streamer::Run()
{
    bool failed = !OpenSegment(0);
    while (!failed && TakeStopAndPause()) {
        ReclaimPlayedBuffers();
        failed = !FillAndQueue();
        if (exhausted_ && queued_ == 0) {
            SetProgress(false, segment_, end_);
            PostNotification(TakeNotifyWindow(playback_), winmm::kNotifySuccessful, playback_.deviceId);
            LogEvent("sound ended: the range has played");
            break;
        }
        WaitForSingleObject(playback_.wake, 1000);
    }
    CloseOut();
    SetProgress(false, segment_, next_);
}

// Applies the device's orders; false when it asked to stop.
bool Streamer::TakeStopAndPause()
{
    const auto [stop, paused] =
        Locked(playback_.lock, [&] { return std::make_pair(playback_.stop, playback_.paused); });
    if (stop)
        return false;
    if (out_ && paused != outPaused_)
        (paused ? waveOut.pause : waveOut.restart)(out_);
    outPaused_ = paused;
    return true;
}

// Takes back the buffers the system has played, and moves the progress on.
void Streamer::ReclaimPlayedBuffers()
{
    for (Buffer& buffer : buffers_) {
        if (!buffer.queued || !(buffer.header.dwFlags & WHDR_DONE))
            continue;
        waveOut.unprepare(out_, &buffer.header, sizeof buffer.header);
        buffer.queued = false;
        --queued_;
        SetProgress(true, buffer.segment, buffer.endSample);
    }
}

Buffer* Streamer::FreeBuffer()
{
    for (Buffer& buffer : buffers_)
        if (!buffer.queued)
            return &buffer;
    return nullptr;
}

static bool SameFormat(const winmm::WavFormat& a, const winmm::WavFormat& b)
{
    return a.rate == b.rate && a.channels == b.channels && a.bits == b.bits;
}

// Queues every free buffer there is sound for; false when the sound device fails.
bool Streamer::FillAndQueue()
{
    Buffer* buffer;
    bool holding = false;
    while (!exhausted_ && (buffer = FreeBuffer()) != nullptr) {
        if (!Advance()) {
            exhausted_ = true;
            break;
        }
        if (out_ && !SameFormat(format_, outFormat_)) {
            if (queued_ > 0)
                break;  // the next file needs the device opened afresh, once this one has played
            CloseOut();
        }
        if (!out_) {
            if (!OpenOut())
                return false;
            // A fresh device waits until every buffer is queued: a first buffer
            // playing alone runs dry when the thread is late with the second.
            if (!outPaused_) {
                waveOut.pause(out_);
                holding = true;
            }
        }
        const uint32_t perBuffer = format_.rate / kBuffersPerSecond;
        const uint64_t frames = end_ - next_ < perBuffer ? end_ - next_ : perBuffer;
        buffer->bytes.resize((size_t)frames * format_.frameBytes);
        size_t got = track_.sound->Read(next_, buffer->bytes.data(), (size_t)frames);
        if (got == 0) {
            DebugLine("a track's file ends early; the rest of its range is skipped");
            next_ = end_;
            continue;
        }
        next_ += got;
        const size_t bytes = got * format_.frameBytes;
        const int volume = winmm::WithAuxVolume(playback_.volume, (uint32_t)auxVolume);
        winmm::ScaleSamples(buffer->bytes.data(), bytes, format_.bits, volume);
        buffer->header = WAVEHDR();
        buffer->header.lpData = buffer->bytes.data();
        buffer->header.dwBufferLength = (DWORD)bytes;
        buffer->segment = segment_;
        buffer->endSample = next_;
        if (waveOut.prepare(out_, &buffer->header, sizeof buffer->header) != MMSYSERR_NOERROR ||
            waveOut.write(out_, &buffer->header, sizeof buffer->header) != MMSYSERR_NOERROR) {
            DebugLine("the sound device refused a buffer");
            return false;
        }
        buffer->queued = true;
        ++queued_;
        if (!soundStarted_)
            LogEvent("sound started: the first buffer is queued");
        soundStarted_ = true;
        // Which samples went to the system, so that what was heard can be told
        // apart from what was handed over.
        LogEvent("buffer queued: segment %u, samples %llu to %llu", (unsigned)segment_,
                 (unsigned long long)(next_ - got), (unsigned long long)next_);
    }
    if (holding && out_)
        waveOut.restart(out_);
    return true;
}

// Makes sure the current segment has samples left, moving to the next ones;
// false when the range has none left.
bool Streamer::Advance()
{
    while (next_ >= end_) {
        if (segment_ + 1 >= playback_.segments.size() || !OpenSegment(segment_ + 1))
            return false;
    }
    return true;
}

bool Streamer::OpenSegment(size_t index)
{
    segment_ = index;
    const winmm::Segment& segment = playback_.segments[index];
    track_ = OpenTrackFile(playback_.files[index]);
    if (!track_.sound)
        return false;
    format_ = track_.sound->Format();
    next_ = segment.first;
    end_ = segment.end < format_.frames ? segment.end : format_.frames;
    return true;
}

bool Streamer::OpenOut()
{
    WAVEFORMATEX wave = PcmWave(format_);
    MMRESULT result = waveOut.open(&out_, WAVE_MAPPER, &wave, reinterpret_cast<DWORD_PTR>(playback_.wake), 0,
                                   CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        DebugLine("the sound device cannot play %u Hz, %u channels, %u bits (waveOutOpen: %u); the music is silent",
                  (unsigned)format_.rate, (unsigned)format_.channels, (unsigned)format_.bits, result);
        out_ = NULL;
        return false;
    }
    outFormat_ = format_;
    outPaused_ = false;
    const bool paused = Locked(playback_.lock, [&] { return playback_.paused; });
    if (paused)
        waveOut.pause(out_);
    outPaused_ = paused;
    return true;
}

void Streamer::CloseOut()
{
    if (!out_)
        return;
    waveOut.reset(out_);
    for (Buffer& buffer : buffers_) {
        if (buffer.queued)
            waveOut.unprepare(out_, &buffer.header, sizeof buffer.header);
        buffer.queued = false;
    }
    queued_ = 0;
    waveOut.close(out_);
    out_ = NULL;
    LogEvent("sound silenced: the device is reset and closed");
}

void Streamer::SetProgress(bool playing, size_t segment, uint64_t sample)
{
    Locked(playback_.lock, [&] { playback_.progress = winmm::Progress{playing, segment, sample}; });
}

// The CPU time the calling thread has used, in milliseconds.
double ThreadMilliseconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) { return (unsigned long long)t.dwHighDateTime << 32 | t.dwLowDateTime; };
    return (double)(ticks(kernel) + ticks(user)) / 10000.0;
}

DWORD WINAPI StreamThread(void* parameter)
{
    std::shared_ptr<Playback>* held = static_cast<std::shared_ptr<Playback>*>(parameter);
    Playback& playback = **held;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    const DWORD began = GetTickCount();
    {
        Streamer streamer(playback);
        streamer.Run();
    }
    LogEvent("stream thread ends: %.1f ms of CPU in %.1f s", ThreadMilliseconds(),
             (GetTickCount() - began) / 1000.0);
    HMODULE heldDll = playback.heldDll;
    SetEvent(playback.ended);
    delete held;
    FreeLibraryAndExitThread(heldDll, 0);
}

// Opens and closes the sound device once, when the program first speaks to
// the CD (at its start): the system's first open sets up its whole sound path
// (under Wine, the sound server's connection), which would otherwise fall
// between the program's play command and the first sound.
void WarmUp()
{
    winmm::WavFormat cd;  // the CD's own: 44100 Hz, 16 bits, stereo
    cd.rate = 44100;
    cd.channels = 2;
    cd.bits = 16;
    cd.frameBytes = 4;
    WAVEFORMATEX wave = PcmWave(cd);
    const DWORD began = GetTickCount();
    HWAVEOUT out = NULL;
    const MMRESULT result = waveOut.open(&out, WAVE_MAPPER, &wave, 0, 0, CALLBACK_NULL);
    if (result == MMSYSERR_NOERROR)
        waveOut.close(out);
    LogEvent("sound device opened and closed once in %lu ms (waveOutOpen: %u)", GetTickCount() - began, result);
}

}  // namespace

WaveStream::WaveStream(std::vector<std::string> paths, int volume) : paths_(std::move(paths)), volume_(volume)
{
    InitializeCriticalSection(&lock_);
    FindWaveOut();
    if (!waveOut.found)
        DebugLine("the system's winmm.dll lacks waveOut functions; the music folder cannot play");
    else
        WarmUp();
}

WaveStream::~WaveStream()
{
    DeleteCriticalSection(&lock_);
}

std::shared_ptr<Playback> WaveStream::Current()
{
    return Locked(lock_, [&] { return current_; });
}

bool WaveStream::Play(const std::vector<winmm::Segment>& segments, uintptr_t window, unsigned deviceId)
{
    Stop();
    if (!waveOut.found || segments.empty())
        return false;
    auto playback = std::make_shared<Playback>();
    playback->segments = segments;
    playback->volume = volume_;
    for (const winmm::Segment& segment : segments)
        playback->files.push_back(paths_[segment.track - 1]);
    playback->window = reinterpret_cast<HWND>(window);
    playback->deviceId = deviceId;
    playback->progress = winmm::Progress{true, 0, segments[0].first};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&StreamThread),
                            &playback->heldDll)) {
        DebugLine("cannot hold this DLL for the music's thread (error %lu)", GetLastError());
        return false;
    }
    auto* held = new std::shared_ptr<Playback>(playback);
    HANDLE thread = CreateThread(NULL, 0, StreamThread, held, 0, NULL);
    if (!thread) {
        DebugLine("cannot start the music's thread (error %lu)", GetLastError());
        FreeLibrary(playback->heldDll);
        delete held;
        return false;
    }
    CloseHandle(thread);
    Locked(lock_, [&] { current_ = playback; });
    return true;
}

void WaveStream::Stop()
{
    std::shared_ptr<Playback> playback = Current();
    if (!playback)
        return;
    // A notification still due is the device's to end (EndNotification); none goes out after a stop.
    TakeNotifyWindow(*playback);
    Locked(playback->lock, [&] { playback->stop = true; });
    SetEvent(playback->wake);
    if (WaitForSingleObject(playback->ended, kMostStopWait) != WAIT_OBJECT_0)
        DebugLine("the music's thread did not stop within %lu ms", kMostStopWait);
    Locked(lock_, [&] {
        if (current_ == playback)
            current_.reset();
    });
}

static void SetPaused(Playback* playback, bool paused)
{
    if (!playback)
        return;
    Locked(playback->lock, [&] { playback->paused = paused; });
    SetEvent(playback->wake);
}

void WaveStream::Pause()
{
    SetPaused(Current().get(), true);
}

void WaveStream::Resume()
{
    SetPaused(Current().get(), false);
}

winmm::Progress WaveStream::CurrentProgress()
{
    std::shared_ptr<Playback> playback = Current();
    if (!playback)
        return winmm::Progress();
    return Locked(playback->lock, [&] { return playback->progress; });
}

void WaveStream::WaitUntilEnded()
{
    std::shared_ptr<Playback> playback = Current();
    if (playback)
        WaitForSingleObject(playback->ended, INFINITE);
}

void WaveStream::EndNotification(unsigned flag)
{
    std::shared_ptr<Playback> playback = Current();
    if (playback)
        PostNotification(TakeNotifyWindow(*playback), flag, playback->deviceId);
}

void WaveStream::Notify(uintptr_t window, unsigned flag, unsigned deviceId)
{
    PostNotification(reinterpret_cast<HWND>(window), flag, deviceId);
}

unsigned long WaveStream::SystemCommand(unsigned deviceId, unsigned message, uint32_t flags, winmm::McParams* params)
{
    return SystemSendCommand(deviceId, message, flags, params);
}

bool WaveStream::SystemHasDevice(unsigned deviceId)
{
    static const auto creator = SystemFunctionAs<decltype(&mciGetCreatorTask)>("mciGetCreatorTask");
    // An ID the program sees for a device of the system's is taken, whichever the system's is.
    return creator && creator(SystemDeviceId(deviceId)) != NULL;
}

void SetCdAuxVolume(DWORD volume)
{
    InterlockedExchange(&auxVolume, (LONG)volume);
}

DWORD CdAuxVolume()
{
    return (DWORD)auxVolume;
}

MCIERROR SystemSendString(LPCSTR command, LPSTR answer, UINT length, HWND window)
{
    static const auto send = SystemFunctionAs<decltype(&mciSendStringA)>("mciSendStringA");
    return send ? send(command, answer, length, window) : MCIERR_CANNOT_LOAD_DRIVER;
}
