// How the player's winmm.dll reads command strings and MCI's integers.
#include <gtest/gtest.h>

#include "player/winmm/mci_text.h"

namespace {

TEST(MciText, CommandsSplitIntoLowerCaseWords)
{
    struct Case {
        const char* text;
        const char* verb;
        const char* device;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"play cdaudio from 05:00:00:00 to 06:00:00:00", "play", "cdaudio", {"from", "05:00:00:00", "to", "06:00:00:00"}},
        {"  Open  CDAUDIO\tShareable ", "open", "cdaudio", {"shareable"}},
        {"open cdaudio alias \"My CD\" wait", "open", "cdaudio", {"alias", "my cd", "wait"}},
        {"\"cd audio\" x", "cd audio", "x", {}},
        {"stop", "stop", "", {}},
        {"", "", "", {}},
        {" \t ", "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        winmm::Command command;
        unsigned long error = 0;
        ASSERT_TRUE(winmm::SplitCommand(c.text, &command, &error));
        EXPECT_EQ(command.verb, c.verb);
        EXPECT_EQ(command.device, c.device);
        EXPECT_EQ(command.words, c.words);
    }
}

TEST(MciText, AQuoteLeftOpenMakesTheRestOneWord)
{
    winmm::Command command;
    unsigned long error = 0;
    ASSERT_TRUE(winmm::SplitCommand("open cdaudio alias \"my cd", &command, &error));
    EXPECT_EQ(command.words, (std::vector<std::string>{"alias", "\"my cd"}));
    EXPECT_TRUE(winmm::IsOpenQuote(command.words[1]));
    EXPECT_FALSE(winmm::IsOpenQuote("my cd"));
    // In the device's name it is the command's fault: MCIERR_NO_CLOSING_QUOTE.
    EXPECT_FALSE(winmm::SplitCommand("play \"cdaudio", &command, &error));
    EXPECT_EQ(error, 294u);
    EXPECT_EQ(command.verb, "play");
}

TEST(MciText, JoiningPutsTheDeviceNameBack)
{
    winmm::Command command;
    unsigned long error = 0;
    ASSERT_TRUE(winmm::SplitCommand("PLAY music  from 5 notify", &command, &error));
    EXPECT_EQ(winmm::JoinCommand(command, "cdaudio"), "play cdaudio from 5 notify");
}

TEST(MciText, IntegersAreDecimalOrColonSeparatedBytes)
{
    struct Case {
        const char* text;
        bool taken;
        uint32_t value;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"4500", true, 4500},
        {"4294967295", true, 0xFFFFFFFFu},
        {"05:00:00:00", true, 0x00000005},
        {"06:00:00:00", true, 0x00000006},
        {"05:01:30:00", true, 0x001E0105},
        {"5:1:30:74", true, 0x4A1E0105},
        {"01:02", true, 0x0201},
        {"255:255:255:255", true, 0xFFFFFFFFu},
        {"7", true, 7},
        {"4294967296", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"-5", false, 0},
        {"+5", false, 0},
        {"1:2:3:4:5", false, 0},
        {"300:0:0:0", false, 0},
        {"256:0:0:0", false, 0},
        {"0:0:0:256", false, 0},
        {"05::00:00", false, 0},
        {"05:00:00:", false, 0},
        {":05", false, 0},
        {"0005:00", false, 0},
        {"5x", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t value = 12345;
        EXPECT_EQ(winmm::ParseMciInteger(c.text, &value), c.taken);
        if (c.taken) {
            EXPECT_EQ(value, c.value);
        }
    }
}

}  // namespace
