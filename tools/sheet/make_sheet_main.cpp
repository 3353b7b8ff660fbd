// make-sheet: draws the intro's artwork sheet and the program icon, or makes a sheet of
// a picture exported from an image editor. The drawing comes from fixed seeds and the
// DejaVu fonts, so each run writes the same bytes.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "make_sheet.h"

namespace {

struct Options {
    std::string outBmp, outIco, previewDir, layoutPng;
    std::string from;          // a picture to make the sheet of, instead of drawing it
    std::string paletteSheet;  // --palette: the sheet whose colours the picture goes onto
    std::string texts = INTRO_DEFAULT_TEXTS;  // the words the sheet letters
    bool newPalette = false;   // build a palette of the picture's own colours
};

constexpr char kUsageLine[] =
    "usage: make-sheet --out-bmp FILE.bmp --out-ico FILE.ico [--texts FILE.txt] [--preview-dir DIR]\n"
    "                  [--layout-png FILE]\n"
    "       make-sheet --from PICTURE --out-bmp FILE.bmp [--palette SHEET.bmp | --new-palette] [...]\n";

void PrintHelp()
{
    std::printf(
        "%s"
        "Draws the intro's artwork sheet and icon, or with --from makes a sheet of a picture.\n"
        "  --out-bmp FILE     the sheet (folders are made as needed)\n"
        "  --out-ico FILE     the program icon (needed when drawing; optional with --from)\n"
        "  --texts FILE       the words to letter, in UTF-8 (default: the project's\n"
        "                     resources/texts/en.txt; docs/translating.md tells the form);\n"
        "                     refused when a line is too wide, the story too long for the\n"
        "                     roll, or a face has no glyph for a character\n"
        "  --preview-dir DIR  PNGs of the sheet and of screens as the intro shows them\n"
        "  --layout-png FILE  a labelled map of the sheet\n"
        "  --from PICTURE     a 320x1728 PNG or BMP, indexed or true colour, as an image\n"
        "                     editor exports it: its colours go onto the project's palette,\n"
        "                     black to index 0, and the headers are written as the intro\n"
        "                     expects them; says how many pixels changed colour and by how much\n"
        "  --palette SHEET    with --from: onto the colour table of that sheet instead\n"
        "  --new-palette      with --from: a palette of the picture's own colours (black only\n"
        "                     at 0, white at 255 and unused, every entry distinct), reduced\n"
        "                     to 254 colours when the picture has more\n"
        "Exit 0: written; 1: the sheet could not be made or would break a rule (nothing is\n"
        "written then); 2: a bad command line.\n",
        kUsageLine);
}

bool Parse(int argc, char** argv, Options& o, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--new-palette") {
            o.newPalette = true;
            continue;
        }
        std::string* slot = a == "--out-bmp"       ? &o.outBmp
                            : a == "--out-ico"     ? &o.outIco
                            : a == "--preview-dir" ? &o.previewDir
                            : a == "--layout-png"  ? &o.layoutPng
                            : a == "--from"        ? &o.from
                            : a == "--palette"     ? &o.paletteSheet
                            : a == "--texts"       ? &o.texts
                                                   : nullptr;
        if (!slot) {
            error = "unknown argument '" + a + "'";
            return false;
        }
        if (i + 1 >= argc) {
            error = a + " needs a value";
            return false;
        }
        *slot = argv[++i];
    }
    if (o.outBmp.empty())
        error = "say where the sheet goes: --out-bmp FILE.bmp";
    else if (o.from.empty() && o.outIco.empty())
        error = "say where the icon goes: --out-ico FILE.ico";
    else if (o.from.empty() && (o.newPalette || !o.paletteSheet.empty()))
        error = "--palette and --new-palette belong to --from";
    else if (o.newPalette && !o.paletteSheet.empty())
        error = "choose --palette or --new-palette, not both";
    return error.empty();
}

art::Canvas DrawSheet(const art::Palette& pal, const art::Texts& t)
{
    art::Canvas c;
    art::DrawStarfield(c, pal);
    art::DrawEdgeColumn(c);
    art::DrawCaption(c, t);
    art::DrawLogo(c, t);
    art::DrawOpening(c, t);
    art::DrawRoll(c, t);
    return c;
}

// What the import changed, in one line.
void Report(const Options& o, const art::Import& import)
{
    const char* onto = o.newPalette ? "a palette of its own" : o.paletteSheet.empty() ? "the project's palette"
                                                                                     : "the palette of --palette";
    std::printf("make-sheet: %s: %d colours onto %s; ", o.from.c_str(), import.colors, onto);
    if (import.moved == 0) {
        std::printf("no pixel changed colour\n");
        return;
    }
    const art::Rgb &from = import.worstFrom, &to = import.worstTo;
    std::printf("%ld pixel%s moved to another colour, the largest colour error %d (row %d, column %d: "
                "(%d,%d,%d) became (%d,%d,%d))\n",
                import.moved, import.moved == 1 ? "" : "s", import.largestError, import.worstRow, import.worstColumn,
                from.r, from.g, from.b, to.r, to.g, to.b);
}

// The sheet of the picture named by --from, or false with a message.
bool ImportSheet(const Options& o, art::Canvas* canvas, art::Palette* pal)
{
    art::Image picture;
    std::string error;
    art::Palette onto = art::MakePalette();
    if (!art::ReadPicture(o.from, &picture, &error) ||
        (!o.paletteSheet.empty() && !art::PaletteOfSheet(o.paletteSheet, &onto, &error))) {
        std::fprintf(stderr, "make-sheet: %s\n", error.c_str());
        return false;
    }
    art::Import import = art::ImportPicture(picture, o.newPalette ? nullptr : &onto);
    Report(o, import);
    *canvas = import.canvas;
    *pal = import.palette;
    return true;
}

int Make(const Options& o)
{
    art::Palette pal = art::MakePalette();
    art::Canvas c;
    if (o.from.empty())
        c = DrawSheet(pal, art::ReadTexts(o.texts));
    else if (!ImportSheet(o, &c, &pal))
        return 1;
    std::vector<uint8_t> bmp = art::EncodeBmp(c, pal);
    // Never hand the program a sheet it cannot use; the previews still show what is wrong.
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(bmp);
    for (const sheet::Finding& f : found)
        std::fprintf(stderr, "make-sheet: %s\n", sheet::ToString(f).c_str());
    if (!o.previewDir.empty())
        art::WritePreviews(o.previewDir, c, pal);
    if (!o.layoutPng.empty())
        art::WriteLayout(o.layoutPng, c, pal);
    if (sheet::Refused(found)) {
        std::fprintf(stderr, "make-sheet: %s not written: the intro could not use this sheet\n", o.outBmp.c_str());
        return 1;
    }
    art::WriteFile(o.outBmp, bmp);
    if (!o.outIco.empty())
        art::WriteFile(o.outIco, art::EncodeIco());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            PrintHelp();
            return 0;
        }
    Options o;
    std::string error;
    if (!Parse(argc, argv, o, error)) {
        std::fprintf(stderr, "make-sheet: %s\n%s", error.c_str(), kUsageLine);
        return 2;
    }
    try {
        return Make(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-sheet: %s\n", e.what());
        return 1;
    }
}
