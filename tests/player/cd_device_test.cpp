// The served cdaudio device: what the intro's commands and a player's usual
// ones do, what they answer, and what goes to the system's own MCI. The
// answers to malformed strings are the ones Wine's MCI gives for the same
// mistakes on its own devices (checked under Wine by tests/sound/run.sh).
#include <gtest/gtest.h>

#include <sstream>

#include "player/winmm/cd_device.h"

namespace {

using winmm::CdDevice;
using winmm::Reply;
using winmm::Segment;

// Records what the device asks of the platform; the sound's progress and
// the system's answers are set by the test.
class FakePlatform : public winmm::CdPlatform {
public:
    bool Play(const std::vector<Segment>& segments, uintptr_t window) override
    {
        std::ostringstream call;
        call << "play";
        for (const Segment& s : segments)
            call << " " << s.track << ":" << s.first << "-" << s.end;
        if (window)
            call << " window=" << window;
        calls.push_back(call.str());
        progress = winmm::Progress{playWorks, 0, segments.empty() ? 0 : segments[0].first};
        return playWorks;
    }
    void Stop(unsigned flag) override { calls.push_back("stop flag=" + std::to_string(flag)); }
    void Pause() override { calls.push_back("pause"); }
    void Resume() override { calls.push_back("resume"); }
    winmm::Progress Where() override { return progress; }
    void WaitUntilEnded() override { calls.push_back("wait"); }
    void Notify(uintptr_t window, unsigned flag) override
    {
        calls.push_back("notify window=" + std::to_string(window) + " flag=" + std::to_string(flag));
    }
    Reply SystemCommand(const std::string& command, uintptr_t) override
    {
        calls.push_back("system: " + command);
        Reply reply;
        reply.code = systemAnswer;
        return reply;
    }

    std::vector<std::string> calls;
    winmm::Progress progress;
    bool playWorks = true;
    unsigned long systemAnswer = 266;  // Wine's answer without a CD drive
};

// Track 5 alone, three minutes at 44100 Hz.
winmm::Disc TrackFiveOnly()
{
    std::vector<winmm::TrackFile> tracks(5);
    tracks[4] = winmm::TrackFile{44100, 7938000};
    return winmm::Disc(tracks);
}

// Track 2 (10 s at 22050 Hz) and track 4 (one minute at 48000 Hz).
winmm::Disc TwoAndFour()
{
    std::vector<winmm::TrackFile> tracks(4);
    tracks[1] = winmm::TrackFile{22050, 220500};
    tracks[3] = winmm::TrackFile{48000, 2880000};
    return winmm::Disc(tracks);
}

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

    FakePlatform platform;
    CdDevice device{TrackFiveOnly(), &platform};
};

TEST_F(CdDeviceTest, TheIntrosCommandsPlayTrackFiveWholeAndStopIt)
{
    Expect("open cdaudio shareable", "1");
    Expect("set cdaudio time format tmsf", "");
    EXPECT_EQ(Send("open cdaudio").code, 265u) << "MCIERR_DEVICE_OPEN: it is open already";
    Expect("play cdaudio from 05:00:00:00 to 06:00:00:00", "");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 5:0-7938000"});
    Expect("status cdaudio mode", "playing");
    Expect("stop cdaudio", "");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"stop flag=4"}) << "no command went to the system";
    Expect("status cdaudio mode", "stopped");
    Expect("stop cdaudio", "");
    EXPECT_TRUE(TakeCalls().empty()) << "a second stop has nothing to stop";
}

TEST_F(CdDeviceTest, StatusAnswersAsMciWritesThem)
{
    Expect("open cdaudio", "1");
    const std::pair<const char*, const char*> msf[] = {
        {"status cdaudio time format", "msf"}, {"status cdaudio position", "00:02:00"},
        {"status cdaudio length", "03:00:00"}, {"status cdaudio length track 5", "03:00:00"},
        {"status cdaudio position track 5", "00:02:00"},
    };
    for (const auto& c : msf)
        Expect(c.first, c.second);
    Expect("set cdaudio time format tmsf", "");
    const std::pair<const char*, const char*> tmsf[] = {
        {"status cdaudio mode", "stopped"},
        {"status cdaudio number of tracks", "5"},
        {"status cdaudio length track 5", "03:00:00"},
        {"status cdaudio length track 05", "03:00:00"},
        {"status cdaudio position", "05:00:00:00"},
        {"status cdaudio position track 5", "05:00:00:00"},
        {"status cdaudio start position", "05:00:00:00"},
        {"status cdaudio current track", "5"},
        {"status cdaudio time format", "tmsf"},
        {"status cdaudio ready", "true"},
        {"status cdaudio media present", "true"},
        {"status cdaudio type track 5", "audio"},
        {"STATUS CDAUDIO MODE WAIT", "stopped"},
    };
    for (const auto& c : tmsf)
        Expect(c.first, c.second);
    Expect("set cdaudio time format milliseconds", "");
    Expect("status cdaudio length track 5", "180000");
    Expect("status cdaudio position", "2000");
    Expect("set cdaudio time format ms", "");
    Expect("status cdaudio time format", "milliseconds");
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
        {"set cdaudio door open", 274},
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

TEST_F(CdDeviceTest, PositionsFollowTheSoundThroughPauseAndTheEndOfTheRange)
{
    Expect("set cdaudio time format tmsf", "");  // opens the device on the way
    Expect("play cdaudio from 05:01:00:00 to 05:01:30:00", "");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 5:2646000-3969000"});
    platform.progress.sample = 2646000 + 44100 + 588 * 3;
    Expect("status cdaudio position", "05:01:01:03");
    Expect("pause cdaudio", "");
    Expect("status cdaudio mode", "paused");
    Expect("pause cdaudio", "");
    Expect("resume cdaudio", "");
    Expect("status cdaudio mode", "playing");
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"pause", "resume"}));
    platform.progress.playing = false;  // the range has run out
    Expect("status cdaudio mode", "stopped");
    Expect("status cdaudio position", "05:01:30:00");
    Expect("resume cdaudio", "");
    Expect("stop cdaudio", "");
    EXPECT_TRUE(TakeCalls().empty()) << "nothing plays any more to pause, resume or stop";
    // A play without "from" goes on from where the last one ended.
    Expect("play cdaudio to 05:02:00:00", "");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 5:3969000-5292000"});
    Expect("seek cdaudio to 05:00:10:00", "");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"stop flag=4"}) << "a seek stops the sound";
    Expect("status cdaudio position", "05:00:10:00");
    Expect("seek cdaudio to end", "");
    Expect("status cdaudio position", "05:03:00:00");
    Expect("seek cdaudio to start", "");
    Expect("play cdaudio", "");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 5:0-7938000"});
}

TEST_F(CdDeviceTest, NotificationsAndWaiting)
{
    const uintptr_t window = 0x1234;
    Expect("set cdaudio time format tmsf", "");
    EXPECT_EQ(device.Execute("status cdaudio mode notify", window).text, "stopped");
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"notify window=4660 flag=1"});
    device.Execute("play cdaudio from 05:00:00:00 to 05:00:01:00 notify", window);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"play 5:0-44100 window=4660"})
        << "the end of the range notifies, not the start";
    device.Execute("play cdaudio from 05:00:00:00 to 05:00:01:00 notify", window);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"stop flag=2", "play 5:0-44100 window=4660"}));
    device.Execute("stop cdaudio", 0);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"stop flag=4"});
    EXPECT_EQ(device.Execute("stop cdaudio notify", 0).code, 0u);
    EXPECT_TRUE(TakeCalls().empty()) << "notify without a window notifies nobody";
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
    Expect("close cdaudio", "");

    const std::pair<const char*, bool> addressed[] = {
        {"play cdaudio", true},       {"Stop CDAudio", true},  {"bogus cdaudio", true},
        {"sysinfo cdaudio quantity", false}, {"open new type waveaudio alias w", false},
        {"play w", false},            {"", false},             {"cdaudio", false},
        {"open \"cdaudio", false},     {"open cdaudio alias \"x", true}, {"close all", false},
    };
    for (const auto& c : addressed)
        EXPECT_EQ(device.Addresses(c.first), c.second) << c.first;
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
    // The start of a track without a file is the end of the one before: nothing to play.
    EXPECT_EQ(two.Execute("play cdaudio from 02:00:10:00 to 03:00:00:00", 0).code, 0u);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"stop flag=2"});
    EXPECT_EQ(two.Execute("status cdaudio position", 0).text, "04:00:00:00");
}

TEST_F(CdDeviceTest, ATrackWithoutAFileIsTheSystemsToPlay)
{
    CdDevice two(TwoAndFour(), &platform);
    two.Execute("open cdaudio", 0);
    two.Execute("set cdaudio time format tmsf", 0);
    // Without a drive the system refuses to open its device; nothing more is sent.
    EXPECT_EQ(two.Execute("play cdaudio from 03:00:00:00 to 04:00:00:00", 0).code, 266u);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"system: open cdaudio shareable"});
    EXPECT_EQ(two.Execute("status cdaudio length track 1", 0).code, 266u);
    TakeCalls();

    // With a drive: the system's device is opened once, in the same time format.
    platform.systemAnswer = 0;
    EXPECT_EQ(two.Execute("play cdaudio from 01:00:00:00 to 02:00:00:00 notify", 77).code, 0u);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"system: open cdaudio shareable",
                                                      "system: set cdaudio time format tmsf",
                                                      "system: play cdaudio from 01:00:00:00 to 02:00:00:00 notify"}))
        << "the system notifies its own play";
    two.Execute("status cdaudio mode", 0);
    two.Execute("pause cdaudio", 0);
    two.Execute("set cdaudio time format msf", 0);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"system: status cdaudio mode", "system: pause cdaudio",
                                                      "system: set cdaudio time format msf"}));
    // Playing a track of the folder stops the system's play first.
    two.Execute("set cdaudio time format tmsf", 0);
    TakeCalls();
    two.Execute("play cdaudio from 04:00:00:00", 0);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"system: stop cdaudio", "play 4:0-2880000"}));
    two.Execute("close cdaudio", 0);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"stop flag=4", "system: close cdaudio"}));
}

TEST_F(CdDeviceTest, ASoundDeviceThatRefusesIsAHardwareError)
{
    platform.playWorks = false;
    Expect("set cdaudio time format tmsf", "");
    EXPECT_EQ(Send("play cdaudio from 05:00:00:00 to 06:00:00:00").code, 262u);
    Expect("status cdaudio mode", "stopped");
    Expect("status cdaudio position", "05:00:00:00");
}

}  // namespace
