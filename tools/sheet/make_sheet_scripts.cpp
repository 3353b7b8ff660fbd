// The characters the lettering cannot place. It draws each character's one form where
// the pen stands and moves the pen right: no right-to-left order, no joined or reordered
// forms, no marks placed on the letter before them. Whether a face has a glyph is asked
// later; these are refused even where it has one, because the line would read wrong.
#include "make_sheet_texts.h"

namespace art {
namespace {

struct Range {
    char32_t first, last;
    const char* why;
};

const char kRightToLeft[] = "is written right to left, and the lettering runs left to right only";
const char kShaped[] = "needs shaping (joined, reordered or stacked letters), and the lettering draws each "
                       "character alone";
const char kMark[] = "is a combining mark, and the lettering cannot place a mark on its letter (write the "
                     "letter with its mark as one character)";
const char kControl[] = "steers direction or joining, which the lettering does not do";

// Right to left: the blocks of the scripts whose letters have the bidirectional class R
// or AL, and the two areas Unicode keeps for such scripts. Shaped: the Brahmic scripts of
// South and Southeast Asia, Tibetan, Mongolian, Phags-pa, Miao, SignWriting and the
// conjoining Hangul letters, whole blocks. Marks: every other character of general
// category Mn, Mc or Me (as of Unicode 14). Controls: those of bidirectional class LRE,
// RLE, LRO, RLO, PDF, LRI, RLI, FSI or PDI, the two direction marks and the two joiners.
const Range kCannotPlace[] = {
    {0x0300, 0x036F, kMark},          // Combining Diacritical Marks
    {0x0483, 0x0489, kMark},          // Cyrillic combining marks
    {0x0590, 0x05FF, kRightToLeft},   // Hebrew
    {0x0600, 0x06FF, kRightToLeft},   // Arabic
    {0x0700, 0x074F, kRightToLeft},   // Syriac
    {0x0750, 0x077F, kRightToLeft},   // Arabic Supplement
    {0x0780, 0x07BF, kRightToLeft},   // Thaana
    {0x07C0, 0x07FF, kRightToLeft},   // N'Ko
    {0x0800, 0x08FF, kRightToLeft},   // Samaritan, Mandaic, Syriac Supplement, Arabic Extended-B and -A
    {0x0900, 0x0DFF, kShaped},        // Devanagari, Bengali, Gurmukhi, Gujarati, Oriya, Tamil, Telugu,
                                      // Kannada, Malayalam, Sinhala
    {0x0E00, 0x0E7F, kShaped},        // Thai
    {0x0E80, 0x0EFF, kShaped},        // Lao
    {0x0F00, 0x0FFF, kShaped},        // Tibetan
    {0x1000, 0x109F, kShaped},        // Myanmar
    {0x1100, 0x11FF, kShaped},        // Hangul Jamo
    {0x1700, 0x177F, kShaped},        // Tagalog, Hanunoo, Buhid, Tagbanwa
    {0x1780, 0x17FF, kShaped},        // Khmer
    {0x1800, 0x18AF, kShaped},        // Mongolian
    {0x1900, 0x194F, kShaped},        // Limbu
    {0x19E0, 0x19FF, kShaped},        // Khmer Symbols
    {0x1A00, 0x1AAF, kShaped},        // Buginese, Tai Tham
    {0x1AB0, 0x1AFF, kMark},          // Combining Diacritical Marks Extended
    {0x1B00, 0x1C4F, kShaped},        // Balinese, Sundanese, Batak, Lepcha
    {0x1CD0, 0x1CFF, kShaped},        // Vedic Extensions
    {0x1DC0, 0x1DFF, kMark},          // Combining Diacritical Marks Supplement
    {0x200C, 0x200F, kControl},       // zero-width non-joiner and joiner, left-to-right and right-to-left marks
    {0x202A, 0x202E, kControl},       // directional embeddings and overrides
    {0x2066, 0x2069, kControl},       // directional isolates
    {0x20D0, 0x20FF, kMark},          // Combining Diacritical Marks for Symbols
    {0x2CEF, 0x2CF1, kMark},          // Coptic combining marks
    {0x2DE0, 0x2DFF, kMark},          // Cyrillic Extended-A (combining letters)
    {0x302A, 0x302F, kMark},          // ideographic and Hangul tone marks
    {0x3099, 0x309A, kMark},          // combining kana voicing marks
    {0x135D, 0x135F, kMark},          // Ethiopic combining marks
    {0x2D7F, 0x2D7F, kMark},          // Tifinagh consonant joiner
    {0xA66F, 0xA672, kMark},          // Cyrillic Extended-B combining marks
    {0xA674, 0xA67D, kMark},
    {0xA69E, 0xA69F, kMark},
    {0xA6F0, 0xA6F1, kMark},          // Bamum combining marks
    {0xA800, 0xA82F, kShaped},        // Syloti Nagri
    {0xA840, 0xA87F, kShaped},        // Phags-pa
    {0xA880, 0xA8FF, kShaped},        // Saurashtra, Devanagari Extended
    {0xA900, 0xA95F, kShaped},        // Kayah Li, Rejang
    {0xA960, 0xA97F, kShaped},        // Hangul Jamo Extended-A
    {0xA980, 0xAAFF, kShaped},        // Javanese, Myanmar Extended-B, Cham, Myanmar Extended-A, Tai Viet,
                                      // Meetei Mayek Extensions
    {0xABC0, 0xABFF, kShaped},        // Meetei Mayek
    {0xD7B0, 0xD7FF, kShaped},        // Hangul Jamo Extended-B
    {0xFB1D, 0xFB4F, kRightToLeft},   // Hebrew presentation forms
    {0xFB50, 0xFDFF, kRightToLeft},   // Arabic Presentation Forms-A
    {0xFE00, 0xFE0F, kMark},          // variation selectors
    {0xFE20, 0xFE2F, kMark},          // Combining Half Marks
    {0xFE70, 0xFEFE, kRightToLeft},   // Arabic Presentation Forms-B (FEFF is the byte-order mark)
    {0x101FD, 0x101FD, kMark},        // Phaistos Disc combining stroke
    {0x102E0, 0x102E0, kMark},        // Coptic Epact combining mark
    {0x10376, 0x1037A, kMark},        // Old Permic combining letters
    {0x10800, 0x10FFF, kRightToLeft}, // the area kept for right-to-left scripts
    {0x11000, 0x11FFF, kShaped},      // Brahmi and the Brahmic scripts after it
    {0x16AF0, 0x16AF4, kMark},        // Bassa Vah combining marks
    {0x16B30, 0x16B36, kMark},        // Pahawh Hmong combining marks
    {0x16F4F, 0x16F92, kShaped},      // Miao vowel signs and tone marks
    {0x16FE4, 0x16FE4, kMark},        // Khitan filler
    {0x16FF0, 0x16FF1, kMark},        // Vietnamese reading marks
    {0x1BC9D, 0x1BC9E, kMark},        // Duployan marks
    {0x1CF00, 0x1CF46, kMark},        // Znamenny combining marks
    {0x1D165, 0x1D169, kMark},        // musical combining marks
    {0x1D16D, 0x1D172, kMark},
    {0x1D17B, 0x1D182, kMark},
    {0x1D185, 0x1D18B, kMark},
    {0x1D1AA, 0x1D1AD, kMark},
    {0x1D242, 0x1D244, kMark},        // combining Greek musical marks
    {0x1DA00, 0x1DAAF, kShaped},      // Sutton SignWriting
    {0x1E000, 0x1E02F, kMark},        // Glagolitic Supplement (combining letters)
    {0x1E130, 0x1E136, kMark},        // Nyiakeng Puachue Hmong tone marks
    {0x1E2AE, 0x1E2AE, kMark},        // Toto sign rising tone
    {0x1E2EC, 0x1E2EF, kMark},        // Wancho tone marks
    {0x1E800, 0x1EFFF, kRightToLeft}, // the second area kept for right-to-left scripts
    {0xE0100, 0xE01EF, kMark},        // Variation Selectors Supplement
};

}  // namespace

const char* CannotPlace(char32_t c)
{
    for (const Range& r : kCannotPlace)
        if (c >= r.first && c <= r.last)
            return r.why;
    return nullptr;
}

}  // namespace art
