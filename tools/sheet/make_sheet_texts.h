// The words the sheet letters, read from a translator's text file (resources/texts/en.txt
// is the original), and the roll's word wrap.
#ifndef INTRO_TOOLS_SHEET_MAKE_SHEET_TEXTS_H
#define INTRO_TOOLS_SHEET_MAKE_SHEET_TEXTS_H

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace art {

// One field's words and the line of the file they stand on, for messages.
struct Field {
    const char* name = "";
    std::u32string text;
    int line = 0;
};

struct Texts {
    std::string file;
    Field captionDate, captionPlace;
    Field titleOver, titleName, titleSubtitle;
    Field creditBefore, creditStudio, creditAfter;  // the studio's name is lettered in gold
    std::array<Field, 4> smallPrint;
    Field rollTitle;
    std::vector<Field> storyLines;  // the story as written, one entry per line of the file
    std::vector<Field> paragraphs;  // its paragraphs, words joined by single spaces
};

// A file the sheet cannot be lettered from; the message names the file and the line.
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads and checks the file's form: UTF-8, every field once, no unknown field, and no
// character the lettering cannot place.
Texts ReadTexts(const std::string& path);

// Why the lettering cannot place `c` (right to left, shaped, a combining mark, a control
// of direction or joining), or null when it can.
const char* CannotPlace(char32_t c);

// "FILE:LINE: FIELD: what", thrown as a Refusal.
[[noreturn]] void Refuse(const Texts& t, const Field& f, const std::string& what);

// The roll's lines hold at most this many characters of its fixed-pitch face: 37 cells of
// 8 pixels fit the roll's 303, a 38th does not.
constexpr int kRollColumns = 37;

// A paragraph in the fewest lines of at most `columns` characters, and among those the
// lines of the most even length (the least sum of squared lengths). Empty when a word
// alone is longer than a line; `longWord` then holds it.
std::vector<std::u32string> WrapParagraph(const std::u32string& text, int columns, std::u32string* longWord);

std::string Utf8(const std::u32string& text);

}  // namespace art

#endif
