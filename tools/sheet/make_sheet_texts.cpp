// The translator's text file: "field = words" lines, notes after '#', and the story from
// the line after "roll.story =" to the end, paragraphs parted by blank lines.
#include "make_sheet_texts.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <map>
#include <utility>

namespace art {
namespace {

// Decodes one line; false at the first byte sequence that is not UTF-8.
bool DecodeUtf8(const std::string& in, std::u32string* out)
{
    for (size_t i = 0; i < in.size();) {
        unsigned char b = in[i];
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + size_t(extra) >= in.size() + (extra == 0 ? 1 : 0))
            return false;
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char c = in[i + k];
            if ((c >> 6) != 2)
                return false;
            cp = cp << 6 | (c & 0x3F);
        }
        // Overlong forms, surrogates and numbers past Unicode are not characters.
        static const char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        out->push_back(cp);
        i += size_t(extra) + 1;
    }
    return true;
}

std::u32string Trim(const std::u32string& s)
{
    size_t a = s.find_first_not_of(U" \t"), b = s.find_last_not_of(U" \t");
    return a == std::u32string::npos ? std::u32string() : s.substr(a, b - a + 1);
}

[[noreturn]] void Malformed(const std::string& file, int line, const std::string& what)
{
    throw Refusal(file + ":" + std::to_string(line) + ": " + what);
}

// Every field a file must give, by name.
std::map<std::string, Field*> FieldTable(Texts& t)
{
    const std::pair<const char*, Field*> fields[] = {
        {"caption.date", &t.captionDate},     {"caption.place", &t.captionPlace},
        {"title.over", &t.titleOver},         {"title.name", &t.titleName},
        {"title.subtitle", &t.titleSubtitle}, {"credit.before", &t.creditBefore},
        {"credit.studio", &t.creditStudio},   {"credit.after", &t.creditAfter},
        {"smallprint.1", &t.smallPrint[0]},   {"smallprint.2", &t.smallPrint[1]},
        {"smallprint.3", &t.smallPrint[2]},   {"smallprint.4", &t.smallPrint[3]},
        {"roll.title", &t.rollTitle}};
    std::map<std::string, Field*> table;
    for (const auto& [name, field] : fields) {
        field->name = name;
        table[name] = field;
    }
    return table;
}

// The first character in the file the lettering cannot place is refused,
// as a character the face lacks would be.
void CheckPlaceable(const Texts& t, const std::map<std::string, Field*>& fields)
{
    std::vector<const Field*> all;
    for (const auto& [name, field] : fields)
        all.push_back(field);
    for (const Field& f : t.storyLines)
        all.push_back(&f);
    std::sort(all.begin(), all.end(), [](const Field* a, const Field* b) { return a->line < b->line; });
    for (const Field* f : all)
        for (char32_t c : f->text)
            if (const char* why = CannotPlace(c)) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
                Refuse(t, *f, std::string(code) + " cannot be lettered: it " + why);
            }
}

// A field missing from its place, but written after roll.story, where every line is the
// story's: the message says so rather than that the field is not there.
void CheckOrder(const std::string& path, const std::string& name,
                const std::vector<std::pair<int, std::u32string>>& story)
{
    for (const auto& [line, text] : story) {
        size_t eq = text.find(U'=');
        if (eq != std::u32string::npos && Utf8(Trim(text.substr(0, eq))) == name)
            Malformed(path, line, "'" + name + "' comes after roll.story, so it is read as the story: move it above "
                                  "roll.story, which comes last");
    }
}

void Paragraphs(Texts& t, const std::vector<std::pair<int, std::u32string>>& story)
{
    Field* open = nullptr;
    for (const auto& [line, raw] : story) {
        std::u32string text = Trim(raw);
        if (text.empty()) {
            open = nullptr;
            continue;
        }
        t.storyLines.push_back({"roll.story", text, line});
        if (!open) {
            t.paragraphs.push_back({"roll.story", U"", line});
            open = &t.paragraphs.back();
        }
        open->text += (open->text.empty() ? U"" : U" ") + text;
    }
}

}  // namespace

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80)
            out += char(c);
        else if (c < 0x800)
            out += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            out += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
        else
            out += {char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)), char(0x80 | (c >> 6 & 0x3F)),
                    char(0x80 | (c & 0x3F))};
    }
    return out;
}

void Refuse(const Texts& t, const Field& f, const std::string& what)
{
    throw Refusal(t.file + ":" + std::to_string(f.line) + ": " + f.name + ": " + what);
}

Texts ReadTexts(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Refusal("cannot read the texts '" + path + "'");
    Texts t;
    t.file = path;
    std::map<std::string, Field*> names = FieldTable(t);
    std::vector<std::pair<int, std::u32string>> story;
    bool inStory = false;
    std::string raw;
    for (int line = 1; std::getline(in, raw); ++line) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (line == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
            raw.erase(0, 3);  // the byte-order mark some editors write
        std::u32string text;
        if (!DecodeUtf8(raw, &text))
            Malformed(path, line, "not UTF-8 text (save the file as UTF-8)");
        std::u32string bare = Trim(text);
        if (!bare.empty() && bare[0] == U'#')
            continue;
        if (inStory) {
            story.push_back({line, text});
            continue;
        }
        if (bare.empty())
            continue;
        size_t eq = bare.find(U'=');
        if (eq == std::u32string::npos)
            Malformed(path, line, "expected 'field = words', found no '='");
        std::string name = Utf8(Trim(bare.substr(0, eq)));
        std::u32string value = Trim(bare.substr(eq + 1));
        if (name == "roll.story") {
            inStory = true;
            if (!value.empty())
                story.push_back({line, value});
            continue;
        }
        auto it = names.find(name);
        if (it == names.end())
            Malformed(path, line, "unknown field '" + name + "'");
        if (it->second->line != 0)
            Malformed(path, line, "'" + name + "' given twice (first on line " + std::to_string(it->second->line) + ")");
        it->second->text = value;
        it->second->line = line;
    }
    for (const auto& [name, field] : names)
        if (field->line == 0) {
            CheckOrder(path, name, story);
            throw Refusal(path + ": the field '" + name + "' is missing");
        }
    if (!inStory)
        throw Refusal(path + ": the field 'roll.story' is missing (it comes last; the story follows it)");
    Paragraphs(t, story);
    CheckPlaceable(t, names);
    if (t.paragraphs.empty())
        throw Refusal(path + ": roll.story has no words");
    return t;
}

std::vector<std::u32string> WrapParagraph(const std::u32string& text, int columns, std::u32string* longWord)
{
    std::vector<std::u32string> words;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(U' ', at);
        end = end == std::u32string::npos ? text.size() : end;
        if (end > at)
            words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    for (const std::u32string& w : words)
        if (int(w.size()) > columns) {
            *longWord = w;
            return {};
        }
    // From the last word back: the best lines for words i.., as (lines, sum of squares).
    const size_t n = words.size();
    std::vector<std::pair<long, long>> best(n + 1, {0, 0});
    std::vector<size_t> next(n + 1, n);
    for (size_t i = n; i-- > 0;) {
        best[i] = {LONG_MAX, LONG_MAX};
        long len = -1;
        for (size_t j = i + 1; j <= n; ++j) {
            len += long(words[j - 1].size()) + 1;
            if (len > columns)
                break;
            std::pair<long, long> cost{best[j].first + 1, best[j].second + len * len};
            if (cost < best[i])
                best[i] = cost, next[i] = j;
        }
    }
    std::vector<std::u32string> lines;
    for (size_t i = 0; i < n; i = next[i]) {
        std::u32string line;
        for (size_t k = i; k < next[i]; ++k)
            line += (k > i ? U" " : U"") + words[k];
        lines.push_back(line);
    }
    return lines;
}

}  // namespace art
