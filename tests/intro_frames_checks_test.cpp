// intro-frames refusing what it cannot make honestly: sheets the build would refuse,
// frames after the end, names of formats it does not write; making the folders it
// writes into; and the video's sound, track 5 from the frame at which the intro cues
// it. Sounds are made here with sox and read back with ffmpeg, as a player would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "testkit/shell.h"

namespace {

using kit::Outcome;
using kit::Quoted;
using kit::Shell;

Outcome Tool(const std::vector<std::string>& args) { return kit::Run(INTRO_FRAMES, args); }

bool Has(const std::string& text, const std::string& piece)
{
    return text.find(piece) != std::string::npos;
}

bool Exists(const std::string& path)
{
    return std::ifstream(path).good();
}

// The first moment (in seconds) at which the file's sound is loud, or -1.
double FirstSound(const std::string& video)
{
    FILE* pipe = popen(("ffmpeg -v error -i " + Quoted(video) + " -map 0:a -ac 1 -ar 8000 -f s16le - 2>/dev/null").c_str(),
                       "r");
    if (!pipe)
        return -1;
    int16_t sample;
    long n = 0;
    double found = -1;
    while (std::fread(&sample, sizeof sample, 1, pipe) == 1) {
        if (found < 0 && std::abs(sample) > 2000)
            found = n / 8000.0;
        ++n;
    }
    pclose(pipe);
    return found;
}

class IntroFramesChecks : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/intro-frames-checks-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        Shell("rm -rf " + Quoted(folder));
    }
    std::string Path(const std::string& name) const
    {
        return folder + "/" + name;
    }
    // The project's sheet with `bytes` written at `offset`, or cut to `size` bytes.
    std::string Sheet(const std::string& name, size_t offset, const std::string& bytes, size_t size = 0) const
    {
        std::ifstream in(std::string(INTRO_SOURCE_DIR) + "/resources/all.bmp", std::ios::binary);
        std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        file.replace(offset, bytes.size(), bytes);
        if (size)
            file.resize(size);
        std::ofstream(Path(name), std::ios::binary) << file;
        return Path(name);
    }
    std::string folder;
};

TEST_F(IntroFramesChecks, SheetsTheBuildRefusesAreRefusedWithTheFindings)
{
    struct Case {
        std::string sheet;
        const char* finding;
    } cases[] = {
        {Sheet("deep.bmp", 28, std::string("\x18\x00", 2)), "biBitCount must be 8"},
        {Sheet("short.bmp", 22, std::string("\xbf\x06\x00\x00", 4), 554038 - 320), "biHeight must be 1728, it is 1727"},
        // A pixel of art in the logo's black foot, which the opening panel shows.
        {Sheet("stray.bmp", 1078 + (1727 - 650) * 320 + 10, "\x07"), "black-rows: rows 638-678 must be black"},
    };
    for (const Case& c : cases) {
        Outcome run = Tool({"--sheet", c.sheet, "--out", Path("frames"), "1"});
        EXPECT_EQ(run.status, 1) << c.sheet << ": " << run.output;
        EXPECT_TRUE(Has(run.output, c.finding)) << run.output;
        EXPECT_TRUE(Has(run.output, "is refused, as the build of intro.exe would refuse it")) << run.output;
        EXPECT_FALSE(Exists(Path("frames/frame-00001.png"))) << c.sheet;
    }
    // What the intro never reads only warns: an editor's 3780 pixels a metre renders.
    Outcome run = Tool({"--sheet", Sheet("pillow.bmp", 38, std::string("\xc4\x0e\x00\x00", 4)), "--out", Path("ok"), "1"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Has(run.output, "warning: info-header: biXPelsPerMeter must be 3779, it is 3780"));
    EXPECT_TRUE(Exists(Path("ok/frame-00001.png")));
}

TEST_F(IntroFramesChecks, CommandLinesThatCannotBeMetAreRefused)
{
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--out", Path("f"), "10212"}, "frame 10212 is never shown: the intro ends at frame 10211"},
        {{"--out", Path("f"), "5", "99999"}, "frame 99999 is never shown"},
        {{"--video", Path("v.mp4"), "--from", "10300"}, "frame 10300 is never shown"},
        {{"--video", Path("v.mp4"), "--to", "20000"}, "frame 20000 is never shown"},
        {{"--contact", Path("c.png"), "11000"}, "frame 11000 is never shown"},
        {{"--out", Path("f"), "--all", "5"}, "--all renders every frame: name no frames with it"},
        {{"--video", Path("v.gif")}, "--video writes H.264 in .mp4, .mkv or .mov, not"},
        {{"--video", Path("v")}, "--video writes H.264"},
        {{"--contact", Path("c.jpg")}, "--contact writes a PNG picture: name it .png"},
        {{"--video", Path("v.mp4"), "--music", Path("m.wav"), "--no-music"}, "choose --music FILE or --no-music"},
        {{"--contact", Path("c.png"), "--no-music"}, "belong to --video"},
    };
    for (const Case& c : cases) {
        Outcome run = Tool(c.args);
        EXPECT_EQ(run.status, 2) << c.message << ": " << run.output;
        EXPECT_TRUE(Has(run.output, c.message)) << run.output;
        // One usage line, not the whole help text.
        EXPECT_TRUE(Has(run.output, "usage: intro-frames")) << run.output;
        EXPECT_FALSE(Has(run.output, "--scale K      pixels grow")) << run.output;
    }
    for (const char* name : {"v.mp4", "v.gif", "c.png", "c.jpg", "f"})
        EXPECT_FALSE(Exists(Path(name))) << name;
    Outcome help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Has(help.output, "--scale K      pixels grow"));
    EXPECT_TRUE(Has(help.output, "--no-music"));
}

TEST_F(IntroFramesChecks, FoldersAreMadeAndWriteFailuresSayWhy)
{
    ASSERT_EQ(Tool({"--out", Path("a/b/frames"), "1"}).status, 0);
    EXPECT_TRUE(Exists(Path("a/b/frames/frame-00001.png")));
    ASSERT_EQ(Tool({"--contact", Path("c/d/sheet.png"), "1"}).status, 0);
    EXPECT_TRUE(Exists(Path("c/d/sheet.png")));
    ASSERT_EQ(Tool({"--video", Path("e/f/v.mp4"), "--to", "3", "--preset", "ultrafast"}).status, 0);
    EXPECT_TRUE(Exists(Path("e/f/v.mp4")));

    // A folder where the picture should go: the reason is the system's own.
    Shell("mkdir -p " + Quoted(Path("taken/frame-00002.png")));
    Outcome run = Tool({"--out", Path("taken"), "2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.output, "cannot write " + Path("taken/frame-00002.png") + ": Is a directory")) << run.output;
    std::ofstream(Path("file")) << "x";
    run = Tool({"--out", Path("file/frames"), "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.output, "cannot make the folder " + Path("file/frames"))) << run.output;
}

TEST_F(IntroFramesChecks, AnInterruptedVideoLeavesNoFile)
{
    // The whole intro at a slow preset takes long enough to be stopped in the middle.
    std::string video = Path("stopped.mp4");
    // Stopped once ffmpeg has begun the file, with at most a minute's wait for that.
    Outcome run = Shell("(" + Quoted(INTRO_FRAMES) + " --video " + Quoted(video) +
                        " --preset veryslow --no-music & pid=$!; for i in $(seq 600); do [ -e " +
                        Quoted(video + ".part") + " ] && break; sleep 0.1; done; sleep 0.5; kill -TERM $pid; "
                        "wait $pid)");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(Has(run.output, "interrupted: no video written")) << run.output;
    EXPECT_FALSE(Exists(video));
    EXPECT_FALSE(Exists(video + ".part"));
}

TEST_F(IntroFramesChecks, TheMusicStartsAtTheFrameOfTheCue)
{
    // Half a second of silence, then a tone: the tone marks where the track is.
    std::string music = Path("track05.wav");
    ASSERT_EQ(Shell("sox -n -r 44100 -c 2 " + Quoted(music) + " synth 0.5 sine 440 vol 0 : synth 3 sine 440").status, 0);
    struct Case {
        long from, to;
        int fps;
        double loudAt;  // seconds into the video
    } cases[] = {
        {1471, 1560, 60, 1.0},  // the cue comes 30 frames in (0.5 s), the tone 0.5 s later
        {1486, 1530, 30, 1.0},  // 15 frames at 30 fps
        {1531, 1620, 60, 0.0},  // the video begins 0.5 s after the cue: the tone at once
    };
    for (const Case& c : cases) {
        std::string video = Path("cue-" + std::to_string(c.from) + ".mp4");
        Outcome run = Tool({"--video", video, "--from", std::to_string(c.from), "--to", std::to_string(c.to),
                            "--fps", std::to_string(c.fps), "--scale", "1", "--preset", "ultrafast", "--music", music});
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_TRUE(Has(run.output, "music " + music + " from frame 1501")) << run.output;
        EXPECT_NEAR(FirstSound(video), c.loudAt, 0.03) << "from frame " << c.from;
        Outcome probe = Shell("ffprobe -v error -select_streams a:0 -show_entries format=duration -of csv=p=0 " +
                              Quoted(video));
        EXPECT_NEAR(std::atof(probe.output.c_str()), double(c.to - c.from + 1) / c.fps, 0.05) << probe.output;
    }
    std::string silent = Path("silent.mp4");
    ASSERT_EQ(Tool({"--video", silent, "--from", "1471", "--to", "1560", "--scale", "1", "--preset", "ultrafast",
                    "--no-music"})
                  .status,
              0);
    EXPECT_EQ(Shell("ffprobe -v error -select_streams a -show_entries stream=codec_type -of csv=p=0 " +
                    Quoted(silent)).output,
              "");
    Outcome missing = Tool({"--video", Path("m.mp4"), "--music", Path("none.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(Has(missing.output, "cannot read the music")) << missing.output;
    EXPECT_FALSE(Exists(Path("m.mp4")));
}

}  // namespace
