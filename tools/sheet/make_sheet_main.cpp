// make-sheet: draws the intro's artwork sheet and the program icon. Everything comes from
// fixed seeds and the DejaVu fonts, so each run writes the same bytes.
#include <cstdio>
#include <exception>
#include <string>

#include "make_sheet.h"

namespace {

struct Options {
    std::string outBmp, outIco, previewDir, layoutPng;
};

void PrintUsage(std::FILE* to)
{
    std::fprintf(
        to,
        "usage: make-sheet --out-bmp FILE.bmp --out-ico FILE.ico [--preview-dir DIR] [--layout-png FILE]\n"
        "Draws the intro's artwork sheet and icon. --preview-dir also writes PNGs of the\n"
        "sheet and of screens as the intro shows them; --layout-png a labelled map of the sheet.\n");
}

bool Parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string* slot = a == "--out-bmp"       ? &o.outBmp
                            : a == "--out-ico"     ? &o.outIco
                            : a == "--preview-dir" ? &o.previewDir
                            : a == "--layout-png"  ? &o.layoutPng
                                                   : nullptr;
        if (!slot || i + 1 >= argc)
            return false;
        *slot = argv[++i];
    }
    return !o.outBmp.empty() && !o.outIco.empty();
}

art::Canvas DrawSheet(const art::Palette& pal)
{
    art::Canvas c;
    art::DrawStarfield(c, pal);
    art::DrawEdgeColumn(c);
    art::DrawCaption(c);
    art::DrawLogo(c);
    art::DrawOpening(c);
    art::DrawRoll(c);
    return c;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!Parse(argc, argv, o)) {
        PrintUsage(stderr);
        return 2;
    }
    try {
        art::Palette pal = art::MakePalette();
        art::Canvas c = DrawSheet(pal);
        std::vector<uint8_t> bmp = art::EncodeBmp(c, pal);
        // Never hand the program a sheet it cannot use.
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(bmp);
        for (const sheet::Finding& v : found)
            std::fprintf(stderr, "make-sheet: %s\n", sheet::ToString(v).c_str());
        if (!o.previewDir.empty())
            art::WritePreviews(o.previewDir, c, pal);
        if (!o.layoutPng.empty())
            art::WriteLayout(o.layoutPng, c, pal);
        if (!found.empty())
            return 1;
        art::WriteFile(o.outBmp, bmp);
        art::WriteFile(o.outIco, art::EncodeIco());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-sheet: %s\n", e.what());
        return 1;
    }
    return 0;
}
