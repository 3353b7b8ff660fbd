// The text side of MCI command strings, as the player's winmm.dll reads them:
// splitting a command into its words, MCI's integers, and the error codes it
// answers with. Platform-free, so the host tests check it too.
#ifndef INTRO_PLAYER_WINMM_MCI_TEXT_H
#define INTRO_PLAYER_WINMM_MCI_TEXT_H

#include <cstdint>
#include <string>
#include <vector>

#include "player/winmm/mci_command.h"

namespace winmm {

// The answers of mciSendString that this DLL gives itself: the platform's
// MCIERR_ values (mmsystem.h), checked against it in the Windows build. Where
// a string is malformed the code is the one Wine's MCI gives for the same
// mistake on its own devices.
enum : unsigned long {
    kMciOk = 0,
    kMciErrInvalidDeviceId = 257,
    kMciErrUnrecognizedCommand = 261,  // an unknown command or keyword
    kMciErrHardware = 262,             // the sound device refused
    kMciErrInvalidDeviceName = 263,    // closing what is not open
    kMciErrDeviceOpen = 265,           // opening what is open
    kMciErrMissingStringArgument = 269,
    kMciErrBadInteger = 270,           // a position that is no MCI integer, or none
    kMciErrMissingParameter = 273,     // "status cdaudio" with nothing to report
    kMciErrUnsupportedFunction = 274,
    kMciErrOutOfRange = 282,           // a position off the disc
    kMciErrFlagsNotCompatible = 284,
    kMciErrDuplicateAlias = 289,
    kMciErrBadTimeFormat = 293,
    kMciErrNoClosingQuote = 294,
    kMciErrNoIdentity = 350,
};

// One command string in words: the command and the device name it addresses
// in lower case, then every further word in lower case, flags included.
struct Command {
    std::string verb;
    std::string device;
    std::vector<std::string> words;
};

// Splits at spaces and tabs; a word in double quotes may hold spaces and
// loses its quotes. A quote left open makes the rest one word that keeps it.
// False, with the error MCI gives, when that word is the device's name; the
// words are in `command` all the same.
bool SplitCommand(const std::string& text, Command* command, unsigned long* error);

// Whether a word is the rest of a command after a quote left open: no
// number, and as a name refused with kMciErrNoClosingQuote, as MCI does.
bool IsOpenQuote(const std::string& word);

// A command string made binary, as Windows' MCI does before a driver sees
// it: the message (0 for a command no cdaudio table holds), its flags and
// parameters, and the name of the device it addresses ("cdaudio", an alias,
// "all"; for open, the device type it names). `window` is the callback of
// "notify".
struct ParsedCommand {
    unsigned message = 0;
    uint32_t flags = 0;
    McParams params;
    std::string device;
};

// False, with the error MCI gives, for a string that is no command of the
// cdaudio device's table.
bool ParseCommand(const std::string& text, uintptr_t window, ParsedCommand* parsed, unsigned long* error);

// What mciSendString gives back for a command the device answered with
// `answer` (an error code, with how to write the result in its high word).
std::string ReturnText(const ParsedCommand& parsed, unsigned long answer);

// A status or capability result as mciSendString writes it, by the high
// word of the answer: a resource's name, colon-separated bytes, or decimal.
std::string ResultText(uint32_t result, unsigned long answer);

// An MCI integer: decimal digits ("4500"), or one to four colon-separated
// fields of 0 to 255 ("05:01:30:00"), packed low field first (0x001E0105).
bool ParseMciInteger(const std::string& text, uint32_t* value);

}  // namespace winmm

#endif
