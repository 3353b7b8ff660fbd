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

// Strings made binary as Windows' MCI makes them: the message, the flags
// (MCI_NOTIFY 1, MCI_WAIT 2, MCI_FROM 4, MCI_TO 8, MCI_TRACK 0x10, and the
// command's own from 0x100) and the one parameter each sets.
TEST(MciText, StringsBecomeTheBinaryCommand)
{
    struct Case {
        const char* text;
        unsigned message;
        uint32_t flags;
        uint32_t number;  // from, to, item, time format or sysinfo number, by the command
        const char* device;
    };
    const Case cases[] = {
        {"play c from 5 to 6 notify", 0x0806, 0x0D, 5, "c"},
        {"PLAY C TO 6 WAIT", 0x0806, 0x0A, 6, "c"},
        {"seek c to start", 0x0807, 0x100, 0, "c"},
        {"seek c to end", 0x0807, 0x200, 0, "c"},
        {"seek c to 7", 0x0807, 0x08, 7, "c"},
        {"status c position start", 0x0814, 0x300, 2, "c"},
        {"status c start position", 0x0814, 0x300, 2, "c"},
        {"status c number of tracks", 0x0814, 0x100, 3, "c"},
        {"status c type track 2", 0x0814, 0x110, 0x4001, "c"},
        {"set c time format tmsf", 0x080D, 0x400, 10, "c"},
        {"set c time format ms", 0x080D, 0x400, 0, "c"},
        {"set c audio right off", 0x080D, 0x4800, 0, "c"},
        {"set c door open", 0x080D, 0x100, 0, "c"},
        {"capability c can eject", 0x080B, 0x100, 7, "c"},
        {"info c identity", 0x080A, 0x800, 0, "c"},
        {"sysinfo cdaudio name 3 open", 0x0810, 0x600, 3, "cdaudio"},
        {"open cdaudio shareable alias c", 0x0803, 0x2500, 0, "cdaudio"},
        {"open d: type cdaudio", 0x0803, 0x2200, 0, "cdaudio"},
        {"close all", 0x0804, 0, 0, "all"},
        {"step c", 0, 0, 0, "c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        winmm::ParsedCommand parsed;
        unsigned long error = 99;
        ASSERT_TRUE(winmm::ParseCommand(c.text, 0x55, &parsed, &error));
        EXPECT_EQ(parsed.message, c.message);
        EXPECT_EQ(parsed.flags, c.flags);
        EXPECT_EQ(parsed.device, c.device);
        const winmm::McParams& p = parsed.params;
        const uint32_t number = c.message == 0x0806 ? (c.flags & 4 ? p.from : p.to)
                                : c.message == 0x0807 ? p.to
                                : c.message == 0x080D ? p.timeFormat
                                : c.message == 0x0810 ? p.number
                                                      : p.item;
        EXPECT_EQ(number, c.number);
        EXPECT_EQ(p.callback, (c.flags & 1) ? 0x55u : 0u) << "notify's window is the callback";
    }
    winmm::ParsedCommand parsed;
    unsigned long error = 0;
    ASSERT_TRUE(winmm::ParseCommand("open d: type cdaudio alias Music", 0, &parsed, &error));
    EXPECT_EQ(parsed.params.element, "d:");
    EXPECT_EQ(parsed.params.type, "cdaudio");
    EXPECT_EQ(parsed.params.alias, "music");
    ASSERT_TRUE(winmm::ParseCommand("set c audio left on", 0, &parsed, &error));
    EXPECT_EQ(parsed.params.audio, 1u);  // MCI_SET_AUDIO_LEFT
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
