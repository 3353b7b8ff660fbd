// intro-frames as its users meet it: the video plays and lasts as long as the
// sequence, the contact sheet holds the named frames pixel for pixel, and a
// wrong command line is refused with a message. Pictures are read back with
// ffprobe and ffmpeg, as a player would read them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "testkit/shell.h"
#include "tools/intro_frames/contact_layout.h"

namespace {

using kit::Outcome;
using kit::Quoted;
using kit::Shell;

Outcome Tool(const std::vector<std::string>& args) { return kit::Run(INTRO_FRAMES, args); }

class IntroFramesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/intro-frames-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { Shell("rm -rf " + Quoted(folder)); }
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    std::string folder;
};

// ffprobe's key=value lines for the first video stream.
std::map<std::string, std::string> Probe(const std::string& file)
{
    Outcome probe = Shell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                          "stream=codec_name,pix_fmt,width,height,nb_read_frames,r_frame_rate:format=duration "
                          "-of default=noprint_wrappers=1 " + Quoted(file));
    std::map<std::string, std::string> values;
    std::istringstream lines(probe.output);
    std::string line;
    while (std::getline(lines, line))
        if (line.find('=') != std::string::npos)
            values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    return values;
}

struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;
    const uint8_t* At(int x, int y) const { return &bytes[((size_t)y * width + x) * 3]; }
};

// One picture decoded to RGB: a PNG file, or frame `index` (from 0) of a video.
Rgb Decode(const std::string& file, int index = 0)
{
    Rgb picture;
    std::map<std::string, std::string> probe = Probe(file);
    picture.width = std::atoi(probe["width"].c_str());
    picture.height = std::atoi(probe["height"].c_str());
    std::string command = "ffmpeg -v error -i " + Quoted(file) + " -vf 'select=eq(n\\," +
                          std::to_string(index) + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    picture.bytes.resize((size_t)picture.width * picture.height * 3);
    size_t got = pipe ? fread(picture.bytes.data(), 1, picture.bytes.size(), pipe) : 0;
    if (pipe)
        pclose(pipe);
    if (got != picture.bytes.size())
        picture.bytes.clear();
    return picture;
}

// Mean absolute difference per channel between two pictures of one size.
double Difference(const Rgb& a, const Rgb& b)
{
    if (a.bytes.size() != b.bytes.size() || a.bytes.empty())
        return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.bytes.size(); ++i)
        sum += std::abs(a.bytes[i] - b.bytes[i]);
    return sum / a.bytes.size();
}

// The part of `picture` at (x, y) with the size of `like`.
Rgb Crop(const Rgb& picture, int x, int y, int width, int height)
{
    Rgb part;
    part.width = width;
    part.height = height;
    for (int row = 0; row < height; ++row)
        part.bytes.insert(part.bytes.end(), picture.At(x, y + row), picture.At(x, y + row) + width * 3);
    return part;
}

// `picture` with each pixel grown to scale x scale.
Rgb Enlarged(const Rgb& picture, int scale)
{
    Rgb large;
    large.width = picture.width * scale;
    large.height = picture.height * scale;
    for (int y = 0; y < large.height; ++y)
        for (int x = 0; x < large.width; ++x)
            large.bytes.insert(large.bytes.end(), picture.At(x / scale, y / scale),
                               picture.At(x / scale, y / scale) + 3);
    return large;
}

Rgb RenderedFrame(const std::string& folder, long frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05ld.png", frame);
    return Decode(folder + name);
}

TEST_F(IntroFramesTest, BadCommandLinesAreRefusedWithAMessage)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string video = Path("refused.mp4"), contact = Path("refused.png");
    const Case cases[] = {
        {{}, "say what to make"},
        {{"--video"}, "--video needs a value"},
        {{"--video", video, "--fps", "0"}, "--fps needs a whole number from 1 to 1000, not '0'"},
        {{"--video", video, "--fps", "sixty"}, "--fps needs a whole number"},
        {{"--video", video, "--scale", "9"}, "--scale needs a whole number from 1 to 8"},
        {{"--video", video, "--preset", "quick"}, "--preset must be an x264 preset"},
        {{"--video", video, "--from", "20", "--to", "10"}, "--to must not come before --from"},
        {{"--video", video, "750"}, "use --from and --to"},
        {{"--video", video, "--contact", contact}, "choose one of --out, --video and --contact"},
        {{"--contact", contact, "--fps", "30"}, "belong to --video"},
        {{"--contact", contact, "--all"}, "--all belongs to --out"},
        {{"--out", folder}, "name at least one frame, or --all"},
        {{"--out", folder, "0"}, "not a frame number from 1 to 99999: '0'"},
        {{"--out", folder, "--frames", "3"}, "unknown option '--frames'"},
    };
    for (const Case& c : cases) {
        Outcome outcome = Tool(c.args);
        std::string shown = c.args.empty() ? "(no arguments)" : c.args[0];
        EXPECT_EQ(outcome.status, 2) << shown << " " << c.message;
        EXPECT_EQ(outcome.output.rfind("intro-frames: ", 0), 0u) << "got: " << outcome.output;
        EXPECT_NE(outcome.output.find(c.message), std::string::npos) << "got: " << outcome.output;
        EXPECT_NE(outcome.output.find("usage: intro-frames"), std::string::npos) << c.message;
    }
    EXPECT_FALSE(std::ifstream(video).good());
    EXPECT_FALSE(std::ifstream(contact).good());
}

TEST_F(IntroFramesTest, FailuresWhileRenderingAreReported)
{
    std::ofstream(Path("c.png")) << "a file where a folder would go";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--sheet", Path("missing.bmp"), "--contact", Path("c.png")}, "cannot read the sheet"},
        {{"--contact", Path("c.png/under/a/file.png"), "1"}, "cannot make the folder"},
    };
    for (const Case& c : cases) {
        Outcome outcome = Tool(c.args);
        EXPECT_EQ(outcome.status, 1) << c.message << ": " << outcome.output;
        EXPECT_NE(outcome.output.find(c.message), std::string::npos) << "got: " << outcome.output;
    }
}

TEST_F(IntroFramesTest, TheVideoPlaysEveryFrameOnceAtTheDisplaysRate)
{
    const std::string video = Path("intro.mp4");
    Outcome made = Tool({"--video", video, "--fps", "60", "--scale", "1", "--preset", "ultrafast"});
    ASSERT_EQ(made.status, 0) << made.output;
    std::map<std::string, std::string> probe = Probe(video);
    EXPECT_EQ(probe["codec_name"], "h264");
    EXPECT_EQ(probe["pix_fmt"], "yuv420p");
    EXPECT_EQ(probe["width"] + "x" + probe["height"], "320x240");
    EXPECT_EQ(probe["r_frame_rate"], "60/1");
    EXPECT_EQ(probe["nb_read_frames"], "10211");
    EXPECT_NEAR(std::atof(probe["duration"].c_str()), 10211 / 60.0, 1 / 60.0);

    // Video frame n is intro frame n + 1: the switch from the opening panel to
    // the caption falls exactly between video frames 748 and 749.
    ASSERT_EQ(Tool({"--out", folder, "749", "750"}).status, 0);
    Rgb opening = RenderedFrame(folder, 749), caption = RenderedFrame(folder, 750);
    Rgb last = Decode(video, 748), first = Decode(video, 749);
    EXPECT_LT(Difference(last, opening), Difference(last, caption));
    EXPECT_LT(Difference(first, caption), Difference(first, opening));
    EXPECT_LT(Difference(first, caption), 4.0) << "the video should look like the rendered frame";
}

TEST_F(IntroFramesTest, AVideoOfARangeAtAnotherRateAndScale)
{
    const std::string video = Path("cue.mp4");
    Outcome made = Tool({"--video", video, "--from", "1495", "--to", "1510", "--fps", "30", "--scale", "2",
                         "--preset", "ultrafast"});
    ASSERT_EQ(made.status, 0) << made.output;
    std::map<std::string, std::string> probe = Probe(video);
    EXPECT_EQ(probe["width"] + "x" + probe["height"], "640x480");
    EXPECT_EQ(probe["r_frame_rate"], "30/1");
    EXPECT_EQ(probe["nb_read_frames"], "16");
    EXPECT_NEAR(std::atof(probe["duration"].c_str()), 16 / 30.0, 1 / 30.0);

    ASSERT_EQ(Tool({"--out", folder, "1500", "1501"}).status, 0);
    Rgb caption = Enlarged(RenderedFrame(folder, 1500), 2), logo = Enlarged(RenderedFrame(folder, 1501), 2);
    Rgb sixth = Decode(video, 5), seventh = Decode(video, 6);
    EXPECT_LT(Difference(sixth, caption), Difference(sixth, logo));
    EXPECT_LT(Difference(seventh, logo), Difference(seventh, caption));
}

TEST_F(IntroFramesTest, TheContactSheetHoldsEachKeyFrameAndItsLabel)
{
    const long keyFrames[] = {1, 400, 750, 1100, 1501, 1601, 2001, 2501, 3000, 3499, 5000, 7500, 10000, 10211};
    const std::string contact = Path("contact.png");
    ASSERT_EQ(Tool({"--contact", contact}).status, 0);
    std::vector<std::string> render = {"--out", folder};
    for (long frame : keyFrames)
        render.push_back(std::to_string(frame));
    ASSERT_EQ(Tool(render).status, 0);

    ContactLayout layout = LayOutContact(std::size(keyFrames), 320, 240, 1);
    Rgb sheet = Decode(contact);
    ASSERT_EQ(sheet.width, layout.width);
    ASSERT_EQ(sheet.height, layout.height);
    ASSERT_GE(layout.columns * layout.rows, (int)std::size(keyFrames));
    for (size_t i = 0; i < std::size(keyFrames); ++i) {
        int x, y;
        TileOrigin(layout, i, &x, &y);
        Rgb tile = Crop(sheet, x, y, 320, 240);
        EXPECT_EQ(tile.bytes, RenderedFrame(folder, keyFrames[i]).bytes) << "frame " << keyFrames[i];
        Rgb label = Crop(sheet, x, y + 240, 320, layout.labelHeight);
        int inked = 0;
        for (size_t b = 0; b < label.bytes.size(); ++b)
            inked += label.bytes[b] > 200;
        EXPECT_GT(inked, 30) << "no label under frame " << keyFrames[i];
    }
}

TEST_F(IntroFramesTest, ScalingRepeatsPixelsWithoutSmoothing)
{
    const std::string contact = Path("large.png");
    ASSERT_EQ(Tool({"--contact", contact, "--scale", "2", "2001", "5000"}).status, 0);
    ASSERT_EQ(Tool({"--out", Path("large"), "--scale", "3", "2001"}).status, 0);
    ASSERT_EQ(Tool({"--out", folder, "2001", "5000"}).status, 0);

    ContactLayout layout = LayOutContact(2, 320, 240, 2);
    Rgb sheet = Decode(contact);
    ASSERT_EQ(sheet.width, layout.width);
    const long frames[] = {2001, 5000};
    for (size_t i = 0; i < 2; ++i) {
        int x, y;
        TileOrigin(layout, i, &x, &y);
        EXPECT_EQ(Crop(sheet, x, y, 640, 480).bytes, Enlarged(RenderedFrame(folder, frames[i]), 2).bytes)
            << "frame " << frames[i];
    }
    Rgb threefold = RenderedFrame(Path("large"), 2001);
    EXPECT_EQ(threefold.width, 960);
    EXPECT_EQ(threefold.bytes, Enlarged(RenderedFrame(folder, 2001), 3).bytes);
}

}  // namespace
