// The served cdaudio device, by command string and by binary command: what
// each command answers and what it does to the sound and the notifications,
// as Windows' own cdaudio driver has it. The answers to malformed strings are
// the ones Wine's MCI gives for the same mistakes on its own devices (checked
// under Wine by tests/sound/run.sh). Codes are written as numbers, each with
// the MCIERR_ name mmsystem.h gives it.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "player/winmm/cd_device.h"

namespace {

using winmm::CdDevice;
using winmm::McParams;
using winmm::Reply;
using winmm::Segment;

// Records what the device asks of the platform as lines; the sound's
// progress, the end of a range and the system's answers are the test's.
class FakePlatform : public winmm::CdPlatform {
public:
    bool Play(const std::vector<Segment>& segments, uintptr_t window, unsigned deviceId) override
    {
        std::ostringstream call;
        call << "play";
        for (const Segment& s : segments)
            call << " " << s.track << ":" << s.first << "-" << s.end;
        if (window)
            call << " notify";
        calls.push_back(call.str());
        pendingWindow = window;
        pendingId = deviceId;
        progress = winmm::Progress{playWorks, 0, segments.empty() ? 0 : segments[0].first};
        return playWorks;
    }
    void Stop() override { calls.push_back("stop"); }
    void Pause() override { calls.push_back("pause"); }
    void Resume() override { calls.push_back("resume"); }
    winmm::Progress CurrentProgress() override { return progress; }
    void WaitUntilEnded() override { calls.push_back("wait"); }
    void EndNotification(unsigned flag) override
    {
        if (pendingWindow)
            Notify(pendingWindow, flag, pendingId);
        pendingWindow = 0;
    }
    void Notify(uintptr_t window, unsigned flag, unsigned deviceId) override
    {
        std::ostringstream call;
        call << "notify " << window << " flag=" << flag << " id=" << deviceId;
        calls.push_back(call.str());
    }
    unsigned long SystemCommand(unsigned deviceId, unsigned message, uint32_t flags, McParams* params) override
    {
        std::ostringstream call;
        call << "system " << deviceId << " message=0x" << std::hex << message << " flags=0x" << flags;
        if (params && message == winmm::kMciSet)
            call << " format=" << std::dec << params->timeFormat;
        calls.push_back(call.str());
        if (params && message == winmm::kMciOpen && systemAnswer == 0)
            params->deviceId = 7;
        return systemAnswer;
    }
    bool SystemHasDevice(unsigned deviceId) override { return systemIds.count(deviceId) > 0; }

    // The range runs out by itself: its notification goes out as successful.
    void EndRange()
    {
        progress.playing = false;
        EndNotification(1);
    }

    std::vector<std::string> calls;
    winmm::Progress progress;
    uintptr_t pendingWindow = 0;
    unsigned pendingId = 0;
    bool playWorks = true;
    unsigned long systemAnswer = 266;  // MCIERR_CANNOT_LOAD_DRIVER: Wine's answer without a CD drive
    std::set<unsigned> systemIds;
};

// Track 5 alone, three minutes at 44100 Hz: the intro's folder.
winmm::Disc TrackFiveOnly()
{
    std::vector<winmm::TrackFile> tracks(5);
    tracks[4] = winmm::TrackFile{44100, 7938000};
    return winmm::Disc(tracks);
}

// A game's disc: track 1 its data (ten minutes), track 2 ten seconds at
// 22050 Hz, tracks 3 and 4 without files, track 5 three minutes at 44100 Hz.
// On it track 1 starts at 00:02:00, track 2 at 10:02:00, track 5 at
// 10:12:00, and it ends at 13:12:00.
winmm::Disc GameDisc()
{
    std::vector<winmm::TrackFile> tracks(5);
    tracks[1] = winmm::TrackFile{22050, 220500};
    tracks[4] = winmm::TrackFile{44100, 7938000};
    return winmm::Disc(tracks, 45000);
}

// Tracks 2 (10 s at 22050 Hz) and 4 (one minute at 48000 Hz), no data track.
winmm::Disc TwoAndFour()
{
    std::vector<winmm::TrackFile> tracks(4);
    tracks[1] = winmm::TrackFile{22050, 220500};
    tracks[3] = winmm::TrackFile{48000, 2880000};
    return winmm::Disc(tracks);
}

// One step of a script: a command string, MCI's answer and return string, and
// what it asked of the platform ("~end" as a command: the range runs out).
struct Step {
    const char* command;
    unsigned long code;
    const char* text;
    std::vector<std::string> calls;
};

constexpr uintptr_t kWindow = 0x77;

class CdDeviceTest : public ::testing::Test {
protected:
    Reply Send(const std::string& text, uintptr_t window = 0)
    {
        EXPECT_TRUE(device.Addresses(text)) << text;
        return device.Execute(text, window);
    }
    // Sends and expects success with this return string.
    void Expect(const std::string& text, const std::string& answer)
    {
        Reply reply = Send(text);
        EXPECT_EQ(reply.code, 0u) << text;
        EXPECT_EQ(reply.text, answer) << text;
    }
    std::vector<std::string> TakeCalls()
    {
        std::vector<std::string> calls;
        calls.swap(platform.calls);
        return calls;
    }
    // Runs the steps in order on `on`, each with kWindow as its callback.
    void Run(CdDevice& on, const std::vector<Step>& steps)
    {
        TakeCalls();
        for (const Step& step : steps) {
            SCOPED_TRACE(step.command);
            if (std::string(step.command) == "~end") {
                platform.EndRange();
            } else {
                EXPECT_TRUE(on.Addresses(step.command));
                Reply reply = on.Execute(step.command, kWindow);
                EXPECT_EQ(reply.code, step.code);
                EXPECT_EQ(reply.text, step.text);
            }
            EXPECT_EQ(TakeCalls(), step.calls);
        }
    }

    FakePlatform platform;
    CdDevice device{TrackFiveOnly(), &platform};
    CdDevice game{GameDisc(), &platform};
};

TEST_F(CdDeviceTest, TheIntrosCommandsPlayTrackFiveWholeAndStopIt)
{
    Run(device, {
        {"open cdaudio shareable", 0, "1", {}},
        {"set cdaudio time format tmsf", 0, "", {}},
        {"open cdaudio", 265, "", {}},  // MCIERR_DEVICE_OPEN: it is open already
        {"play cdaudio from 05:00:00:00 to 06:00:00:00", 0, "", {"play 5:0-7938000"}},
        {"status cdaudio mode", 0, "playing", {}},
        {"stop cdaudio", 0, "", {"stop"}},
        {"status cdaudio mode", 0, "stopped", {}},
        {"stop cdaudio", 0, "", {}},  // nothing left to stop
    });
}

// The answers of a device at rest, on a mixed-mode disc as game CDs are.
TEST_F(CdDeviceTest, AnswersAsWindowsCdAudioDriverGivesThem)
{
    Run(game, {
        {"open cdaudio alias c shareable", 0, "1", {}},
        {"status c mode", 0, "stopped", {}},
        {"status c media present", 0, "true", {}},
        {"status c ready", 0, "true", {}},
        {"status c time format", 0, "msf", {}},
        {"status c position", 0, "00:02:00", {}},
        {"status c position start", 0, "00:02:00", {}},
        {"status c start position", 0, "00:02:00", {}},
        {"status c length", 0, "13:10:00", {}},
        {"status c number of tracks", 0, "5", {}},
        {"status c current track", 0, "1", {}},
        {"status c type track 1", 0, "other", {}},
        {"status c type track 2", 0, "audio", {}},
        {"status c length track 1", 0, "10:00:00", {}},
        {"status c length track 2", 0, "00:10:00", {}},
        {"status c position track 2", 0, "10:02:00", {}},
        {"status c position track 5", 0, "10:12:00", {}},
        {"status c", 273, "", {}},                                // MCIERR_MISSING_PARAMETER
        {"status c type", 273, "", {}},
        {"status c position start track 2", 284, "", {}},         // MCIERR_FLAGS_NOT_COMPATIBLE
        {"status c length track 6", 282, "", {}},                 // MCIERR_OUTOFRANGE
        {"status c length track 0", 282, "", {}},
        {"capability c can play", 0, "true", {}},
        {"capability c can eject", 0, "true", {}},
        {"capability c has audio", 0, "true", {}},
        {"capability c can record", 0, "false", {}},
        {"capability c can save", 0, "false", {}},
        {"capability c has video", 0, "false", {}},
        {"capability c uses files", 0, "false", {}},
        {"capability c compound device", 0, "false", {}},
        {"capability c device type", 0, "cdaudio", {}},
        {"capability c", 273, "", {}},
        {"info c product", 0, "CD Audio", {}},
        {"info c upc", 350, "", {}},                              // MCIERR_NO_IDENTITY
        {"info c upc product", 0, "CD Audio", {}},
        {"info c", 273, "", {}},
        {"sysinfo cdaudio quantity", 0, "1", {}},
        {"sysinfo cdaudio quantity open", 0, "1", {}},
        {"sysinfo cdaudio name 1 open", 0, "c", {}},
        {"sysinfo cdaudio name 1", 0, "cdaudio", {}},
        {"sysinfo cdaudio name 2", 282, "", {}},
        {"record c", 274, "", {}},                                // MCIERR_UNSUPPORTED_FUNCTION
        {"save c", 274, "", {}},
        {"step c", 261, "", {}},                                  // MCIERR_UNRECOGNIZED_COMMAND
        {"resume c", 262, "", {}},                                // MCIERR_HARDWARE: nothing paused
        {"set c video on", 0, "", {}},
        {"set c audio all on", 0, "", {}},
        {"set c audio left off", 0, "", {}},
        {"set c door open", 0, "", {}},
        {"set c door closed", 0, "", {}},
        {"status c position", 0, "00:02:00", {}},
        {"status c mode", 0, "stopped", {}},
        {"close c", 0, "", {}},
        {"sysinfo cdaudio quantity open", 0, "0", {}},
        {"sysinfo cdaudio quantity", 0, "1", {}},
    });
}

TEST_F(CdDeviceTest, PlaysAndSeeksStayOnTheDisc)
{
    Run(game, {
        {"open cdaudio alias c", 0, "1", {}},
        {"set c time format tmsf", 0, "", {}},
        {"status c position", 0, "01:00:00:00", {}},
        {"play c from 02:00:00:00 to 02:00:05:00", 0, "", {"play 2:0-110250"}},
        {"status c mode", 0, "playing", {}},
        {"pause c", 0, "", {"pause"}},
        {"status c mode", 0, "stopped", {}},  // Windows' cdaudio driver reads a pause as stopped
        {"resume c", 0, "", {"resume"}},
        {"status c mode", 0, "playing", {}},
        {"pause c", 0, "", {"pause"}},
        {"stop c", 0, "", {"stop"}},
        {"resume c", 262, "", {}},  // a stop ends the pause: nothing to go on with
        {"status c mode", 0, "stopped", {}},
        {"play c from 02:00:02:00 to 02:00:01:00", 282, "", {}},
        {"play c from 05:03:00:01", 282, "", {}},  // a frame past the disc's end
        {"seek c", 273, "", {}},
        {"seek c to start to end", 284, "", {}},
        {"seek c to 05:03:00:01", 282, "", {}},
        {"seek c to 05:03:00:00", 0, "", {}},  // the last track's start plus its length
        {"status c position", 0, "05:03:00:00", {}},
        {"seek c to start", 0, "", {}},  // the first audio track, past the data
        {"status c position", 0, "02:00:00:00", {}},
        {"status c current track", 0, "2", {}},
        {"seek c to end", 0, "", {}},
        {"status c position", 0, "05:03:00:00", {}},
        {"seek c to 02:00:05:00", 0, "", {}},
        {"status c position", 0, "02:00:05:00", {}},
        {"play c", 0, "", {"play 2:110250-220500 5:0-7938000"}},  // on from where it is, to the end
        {"seek c to 02:00:01:00", 0, "", {"stop"}},               // a seek stops what plays
        {"status c mode", 0, "stopped", {}},
        {"status c position", 0, "02:00:01:00", {}},
        {"status c length track 5", 0, "03:00:00", {}},  // a track's length is msf in tmsf too
        {"set c time format msf", 0, "", {}},
        {"play c from 00:02:00 to 00:01:00", 282, "", {}},
        {"play c from 13:12:01", 282, "", {}},
        {"set c time format milliseconds", 0, "", {}},
        {"status c position", 0, "603000", {}},
        {"status c length track 2", 0, "10000", {}},
    });
}

TEST_F(CdDeviceTest, TheDataTrackIsSilent)
{
    Run(game, {
        {"open cdaudio alias c", 0, "1", {}},
        {"set c time format tmsf", 0, "", {}},
        {"play c from 01:00:00:00 to 01:05:00:00 notify", 0, "", {"notify 119 flag=1 id=1"}},
        {"status c mode", 0, "stopped", {}},
        {"status c position", 0, "01:05:00:00", {}},
        {"play c from 01:09:59:74 to 02:00:01:00", 0, "", {"play 2:0-22050"}},  // the data's frame is silence
        {"status c position track 1", 0, "01:00:00:00", {}},
        {"seek c to 01:10:00:00", 0, "", {"stop"}},  // track 1's end is track 2's start
        {"status c position", 0, "02:00:00:00", {}},
        {"seek c to 01:10:00:01", 282, "", {}},
    });
}

TEST_F(CdDeviceTest, NotificationsAsWindowsSendsThem)
{
    const std::string superseded = "notify 119 flag=2 id=1", aborted = "notify 119 flag=4 id=1",
                      successful = "notify 119 flag=1 id=1";
    const char* play = "play c from 02:00:00:00 to 02:00:01:00 notify";
    const std::string played = "play 2:0-22050 notify";
    Run(game, {
        {"open cdaudio alias c notify", 0, "1", {successful}},
        {"set c time format tmsf", 0, "", {}},
        {play, 0, "", {played}},  // the end of the range notifies, not the start
        {"~end", 0, "", {successful}},
        {"status c mode", 0, "stopped", {}},
        {play, 0, "", {played}},
        {play, 0, "", {superseded, "stop", played}},
        {"play c from 02:00:00:00 to 02:00:01:00", 0, "", {aborted, "stop", "play 2:0-22050"}},
        {play, 0, "", {"stop", played}},
        {"status c mode notify", 0, "playing", {superseded, successful}},
        {"~end", 0, "", {}},  // superseded: it sends nothing more
        {play, 0, "", {played}},
        {"stop c notify", 0, "", {aborted, "stop", successful}},
        {play, 0, "", {played}},
        {"seek c to start", 0, "", {aborted, "stop"}},
        {play, 0, "", {played}},
        {"pause c", 0, "", {aborted, "pause"}},
        {"resume c notify", 0, "", {"resume", successful}},
        {"~end", 0, "", {}},
        {"stop c notify", 0, "", {successful}},  // nothing to stop, its own notification all the same
        {"stop c", 0, "", {}},
    });
}

TEST_F(CdDeviceTest, MalformedCommandsGetTheSystemsErrors)
{
    Expect("open cdaudio", "1");
    Expect("set cdaudio time format tmsf", "");
    const std::pair<const char*, unsigned long> cases[] = {
        {"bogus cdaudio", 261},
        {"status cdaudio", 273},
        {"status cdaudio bogus", 261},
        {"status cdaudio mode extra", 261},
        {"status cdaudio length track", 270},
        {"status cdaudio length track x", 270},
        {"status cdaudio length track 6", 282},
        {"status cdaudio length track 0", 282},
        {"play cdaudio from", 270},
        {"play cdaudio from abc", 270},
        {"play cdaudio from 1:2:3:4:5", 270},
        {"play cdaudio from 300:0:0:0", 270},
        {"play cdaudio to", 270},
        {"play cdaudio to 5 from 1 bogus", 261},
        {"play cdaudio from 07:00:00:00", 282},
        {"play cdaudio from 05:03:00:01", 282},
        {"play cdaudio from 05:02:00:00 to 05:01:00:00", 282},
        {"play cdaudio from 05:01:00:01 to 05:01:00:00", 282},
        {"set cdaudio time format bogus", 261},
        {"set cdaudio time format ms extra", 261},
        {"set cdaudio bogus", 261},
        {"set cdaudio audio", 261},
        {"seek cdaudio", 273},
        {"seek cdaudio to", 270},
        {"seek cdaudio from 5", 261},
        {"stop cdaudio from 3", 261},
        {"pause cdaudio now", 261},
        {"close cdaudio extra", 261},
        {"open cdaudio alias", 269},
        {"open cdaudio bogus", 261},
        {"play cdaudio from \"05:00", 270},
        {"open cdaudio alias \"my cd", 294},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Send(c.first).code, c.second) << c.first;
    EXPECT_TRUE(TakeCalls().empty()) << "nothing played, nothing went to the system";
    // Forms the system's MCI takes without complaint.
    Expect("set cdaudio", "");
    Expect("set cdaudio time format", "");
    Expect("status cdaudio time format", "tmsf");
    Expect("play cdaudio from 5 from 05:00:01:00 to 05:00:02:00 wait wait", "");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 5:44100-88200"}) << "the last from counts";
}

TEST_F(CdDeviceTest, PositionsFollowTheSound)
{
    Run(device, {
        {"set cdaudio time format tmsf", 0, "", {}},  // opens the device on the way
        {"play cdaudio from 05:01:00:00 to 05:01:30:00", 0, "", {"play 5:2646000-3969000"}},
    });
    platform.progress.sample = 2646000 + 44100 + 588 * 3;
    Run(device, {
        {"status cdaudio position", 0, "05:01:01:03", {}},
        {"~end", 0, "", {}},
        {"status cdaudio mode", 0, "stopped", {}},
        {"status cdaudio position", 0, "05:01:30:00", {}},
        {"stop cdaudio", 0, "", {}},
        {"play cdaudio to 05:02:00:00", 0, "", {"play 5:3969000-5292000"}},  // from where the last one ended
    });
    EXPECT_TRUE(device.Execute("play cdaudio from 05:00:00:00 to 05:00:01:00 wait", 0).waitForEnd);
    EXPECT_FALSE(device.Execute("play cdaudio from 05:00:01:00 to 05:00:01:00 wait", 0).waitForEnd)
        << "an empty range has nothing to wait for";
    EXPECT_FALSE(device.Execute("status cdaudio mode wait", 0).waitForEnd);
}

TEST_F(CdDeviceTest, NamesOpenAndCloseAsMciHasThem)
{
    EXPECT_EQ(Send("close cdaudio").code, 263u) << "MCIERR_INVALID_DEVICE_NAME: not open";
    Expect("open cdaudio alias music wait", "1");
    EXPECT_TRUE(device.Addresses("play music"));
    EXPECT_TRUE(device.Addresses("PLAY MUSIC"));
    EXPECT_EQ(Send("open cdaudio alias music").code, 289u) << "MCIERR_DUPLICATE_ALIAS";
    EXPECT_EQ(Send("open cdaudio shareable").code, 265u);
    Expect("close music", "");
    EXPECT_FALSE(device.Addresses("play music"));
    // A command to a closed device opens it, as mciSendString does.
    Expect("status cdaudio mode", "stopped");
    EXPECT_EQ(Send("open cdaudio").code, 265u);
    Expect("set cdaudio time format tmsf", "");
    Expect("close cdaudio", "");
    // Opened again, it is a new device: in msf, at the disc's start.
    Expect("open cdaudio", "1");
    Expect("status cdaudio time format", "msf");
    // "close all" reaches it, and its alias is free again.
    EXPECT_EQ(Send("open cdaudio alias c").code, 265u);
    EXPECT_EQ(device.Execute("close all", 0).code, 0u);
    EXPECT_FALSE(device.Addresses("play c"));
    Expect("open cdaudio alias c", "1");
    Expect("close c", "");
    Expect("open d: type cdaudio alias c", "1");  // by a drive's name
    Expect("close c", "");
    Expect("open cdaudio!e: alias c", "1");
    Expect("close c", "");

    const std::pair<const char*, bool> addressed[] = {
        {"play cdaudio", true},       {"Stop CDAudio", true},  {"bogus cdaudio", true},
        {"sysinfo cdaudio quantity", true}, {"sysinfo all quantity", false},
        {"open new type waveaudio alias w", false}, {"play w", false}, {"", false}, {"cdaudio", false},
        {"open \"cdaudio", false},    {"open cdaudio alias \"x", true}, {"close all", false},
    };
    for (const auto& c : addressed)
        EXPECT_EQ(device.Addresses(c.first), c.second) << c.first;
}

// The same device by binary command: answers are MCI's, the value of a
// resource in dwReturn's low word (mciSendCommand gives the caller that alone).
TEST_F(CdDeviceTest, BinaryCommandsReachTheSameDevice)
{
    McParams open;
    open.deviceType = 516;  // MCI_DEVTYPE_CD_AUDIO
    const uint32_t openById = 0x1000 | 0x2000 | 0x400;  // MCI_OPEN_TYPE_ID | MCI_OPEN_TYPE | MCI_OPEN_ALIAS
    open.alias = "Music";
    ASSERT_TRUE(game.Serves(0, 0x0803, openById, open));
    ASSERT_EQ(game.Command(0, 0x0803, openById, &open), 0u);
    EXPECT_EQ(open.deviceId, 1u) << "the first device of a process";
    EXPECT_EQ(game.DeviceIdOf("music"), 1u);
    EXPECT_EQ(game.DeviceIdOf("CDAUDIO"), 1u);
    EXPECT_EQ(game.DeviceIdOf("other"), 0u);
    EXPECT_TRUE(game.Addresses("status music mode")) << "a device opened by command answers strings by its alias";

    struct Case {
        unsigned message;
        uint32_t flags, item, track, timeFormat;
        unsigned long code;
        uint32_t result;  // low word
    };
    const Case cases[] = {
        {0x080D, 0x400, 0, 0, 10, 0, 0},               // MCI_SET MCI_SET_TIME_FORMAT tmsf
        {0x080D, 0x400, 0, 0, 1, 293, 0},              // hms: MCIERR_BAD_TIME_FORMAT
        {0x0814, 0x100, 4, 0, 0, 0x10000, 525},        // status mode: MCI_MODE_STOP, a resource
        {0x0814, 0x100, 3, 0, 0, 0, 5},                // number of tracks
        {0x0814, 0x100, 2, 0, 0, 0x40000, 0x00000001}, // position 01:00:00:00, four fields
        {0x0814, 0x110, 2, 5, 0, 0x40000, 0x00000005}, // position of track 5: 05:00:00:00
        {0x0814, 0x110, 1, 5, 0, 0x20000, 0x00000003}, // length of track 5: 03:00:00, three fields
        {0x0814, 0x110, 0x4001, 1, 0, 0x10000, 1089},  // type of track 1: MCI_CDA_TRACK_OTHER
        {0x0814, 0x110, 0x4001, 2, 0, 0x10000, 1088},  // MCI_CDA_TRACK_AUDIO
        {0x0814, 0x100, 6, 0, 0, 0x10000, 10},         // time format: MCI_FORMAT_TMSF
        {0x0814, 0x310, 2, 2, 0, 284, 0},              // start and track
        {0x0814, 0x100, 99, 0, 0, 274, 0},
        {0x080B, 0x100, 4, 0, 0, 0x10000, 516},        // getdevcaps device type
        {0x080B, 0x100, 8, 0, 0, 0x10000, 1},          // can play: TRUE
        {0x080B, 0x100, 1, 0, 0, 0x10000, 0},          // can record: FALSE
        {0x080B, 0x100, 99, 0, 0, 274, 0},
        {0x080B, 0, 0, 0, 0, 273, 0},
        {0x080E, 0, 0, 0, 0, 261, 0},                  // MCI_STEP
        {0x080F, 0, 0, 0, 0, 274, 0},                  // MCI_RECORD
        {0x0855, 0, 0, 0, 0, 262, 0},                  // MCI_RESUME with nothing paused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "message 0x" << c.message << " flags 0x" << c.flags
                                        << " item 0x" << c.item);
        McParams params;
        params.item = c.item;
        params.track = c.track;
        params.timeFormat = c.timeFormat;
        EXPECT_TRUE(game.Serves(1, c.message, c.flags, params));
        EXPECT_EQ(game.Command(1, c.message, c.flags, &params), c.code);
        if ((c.code & 0xFFFF) == 0 && c.result) {
            EXPECT_EQ(params.result & 0xFFFF, c.result);
        }
    }
    // Play with notify, by ID, then a stop to every device.
    McParams play;
    play.from = 0x00000002;  // 02:00:00:00
    play.to = 0x00010002;    // 02:00:01:00
    play.callback = kWindow;
    TakeCalls();
    EXPECT_EQ(game.Command(1, 0x0806, 0x1 | 0x4 | 0x8, &play), 0u);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 2:0-22050 notify"});
    EXPECT_EQ(game.Execute("status music mode", 0).text, "playing") << "the string form sees the same device";
    McParams stop;
    EXPECT_TRUE(game.Serves(0xFFFFFFFF, 0x0808, 0, stop));
    EXPECT_EQ(game.Command(0xFFFFFFFF, 0x0808, 0, &stop), 0u);  // MCI_ALL_DEVICE_ID
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"notify 119 flag=4 id=1", "stop"}));
    McParams status;
    status.item = 4;
    EXPECT_FALSE(game.Serves(2, 0x0814, 0x100, status)) << "another ID is the system's";
    EXPECT_EQ(game.Command(2, 0x0814, 0x100, &status), 257u);  // MCIERR_INVALID_DEVICE_ID

    McParams sysinfo;
    sysinfo.deviceType = 516;
    ASSERT_TRUE(game.Serves(0, 0x0810, 0x100 | 0x200, sysinfo));
    EXPECT_EQ(game.Command(0, 0x0810, 0x100 | 0x200, &sysinfo), 0u);
    EXPECT_EQ(sysinfo.result, 1u) << "one cdaudio device open";

    McParams close;
    EXPECT_EQ(game.Command(0xFFFFFFFF, 0x0804, 0, &close), 0u);
    EXPECT_FALSE(game.Serves(1, 0x0814, 0x100, status)) << "closed by MCI_ALL_DEVICE_ID";
    McParams byName;
    byName.type = "CDAudio";
    EXPECT_TRUE(game.Serves(0, 0x0803, 0x2000, byName));
    byName.type = "waveaudio";
    EXPECT_FALSE(game.Serves(0, 0x0803, 0x2000, byName));
}

TEST_F(CdDeviceTest, AStringOpenedDeviceAnswersByItsId)
{
    Expect("open cdaudio alias c", "1");
    Expect("set c time format tmsf", "");
    McParams status;
    status.item = 2;  // MCI_STATUS_POSITION
    ASSERT_TRUE(device.Serves(1, 0x0814, 0x100, status));
    EXPECT_EQ(device.Command(1, 0x0814, 0x100, &status), 0x40000u);
    EXPECT_EQ(status.result, 0x00000005u) << "05:00:00:00, as the string form set it";
    McParams close;
    EXPECT_EQ(device.Command(1, 0x0804, 0, &close), 0u);
    EXPECT_FALSE(device.Addresses("status c mode")) << "closed by ID, its alias is gone";
}

TEST_F(CdDeviceTest, IdsSkipThoseTheSystemGave)
{
    platform.systemIds = {1, 2, 4};
    Expect("open cdaudio", "3");
    McParams status;
    status.item = 4;
    EXPECT_TRUE(device.Serves(3, 0x0814, 0x100, status));
    EXPECT_FALSE(device.Serves(1, 0x0814, 0x100, status));
}

TEST_F(CdDeviceTest, ARangeMayCrossTracksAndSkipsTracksWithoutFiles)
{
    CdDevice two(TwoAndFour(), &platform);
    two.Execute("set cdaudio time format tmsf", 0);
    EXPECT_EQ(two.Execute("play cdaudio from 02:00:05:00 to 04:00:10:00", 0).code, 0u);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 2:110250-220500 4:0-480000"});
    platform.progress = winmm::Progress{true, 1, 48000};
    EXPECT_EQ(two.Execute("status cdaudio position", 0).text, "04:00:01:00");
    EXPECT_EQ(two.Execute("status cdaudio current track", 0).text, "4");
    EXPECT_EQ(two.Execute("status cdaudio number of tracks", 0).text, "4");
    EXPECT_EQ(two.Execute("status cdaudio position", 0).text, "04:00:01:00");
    EXPECT_EQ(two.Execute("seek cdaudio to start", 0).code, 0u);
    EXPECT_EQ(two.Execute("status cdaudio position", 0).text, "02:00:00:00") << "no data track: the first is audio";
}

TEST_F(CdDeviceTest, ATrackWithoutAFileIsTheSystemsToPlay)
{
    CdDevice two(TwoAndFour(), &platform);
    two.Execute("open cdaudio", 0);
    two.Execute("set cdaudio time format tmsf", 0);
    TakeCalls();
    // Without a drive the system refuses to open its device; nothing more is sent.
    EXPECT_EQ(two.Execute("play cdaudio from 03:00:00:00 to 04:00:00:00", 0).code, 266u);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"system 0 message=0x803 flags=0x2100"});
    EXPECT_EQ(two.Execute("status cdaudio length track 1", 0).code, 266u);
    TakeCalls();

    // With a drive: the system's device is opened once, in the same time format.
    platform.systemAnswer = 0;
    EXPECT_EQ(two.Execute("play cdaudio from 01:00:00:00 to 02:00:00:00 notify", 77).code, 0u);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"system 0 message=0x803 flags=0x2100",
                                                      "system 7 message=0x80d flags=0x400 format=10",
                                                      "system 7 message=0x806 flags=0xd"}))
        << "the system notifies its own play";
    two.Execute("status cdaudio mode", 0);
    two.Execute("pause cdaudio", 0);
    two.Execute("set cdaudio time format msf", 0);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"system 7 message=0x814 flags=0x100", "system 7 message=0x809 flags=0x0",
                                                      "system 7 message=0x80d flags=0x400 format=2"}));
    // Playing a track of the folder stops the system's play first.
    two.Execute("set cdaudio time format tmsf", 0);
    TakeCalls();
    two.Execute("play cdaudio from 04:00:00:00", 0);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"system 7 message=0x808 flags=0x0", "play 4:0-2880000"}));
    two.Execute("close cdaudio", 0);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"stop", "system 7 message=0x804 flags=0x0"}));
}

TEST_F(CdDeviceTest, ASoundDeviceThatRefusesIsAHardwareError)
{
    platform.playWorks = false;
    Expect("set cdaudio time format tmsf", "");
    EXPECT_EQ(Send("play cdaudio from 05:00:00:00 to 06:00:00:00").code, 262u);
    Expect("status cdaudio mode", "stopped");
    Expect("status cdaudio position", "05:00:00:00");
}

TEST_F(CdDeviceTest, TheIdentityComesFromTheTableOfContents)
{
    CdDevice again(GameDisc(), &platform);
    const std::string identity = Send("info cdaudio identity").text;
    EXPECT_EQ(identity.size(), 8u) << identity;
    EXPECT_NE(identity, game.Execute("info cdaudio identity", 0).text) << "another disc, another number";
    EXPECT_EQ(again.Execute("info cdaudio identity", 0).text, game.Execute("info cdaudio identity", 0).text);
}

}  // namespace
