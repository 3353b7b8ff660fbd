// make-sheet: draws the intro's artwork sheet and the program icon. Everything comes from
// fixed seeds and the DejaVu fonts, so each run writes the same bytes.
#include <cstdio>
#include <exception>
#include <string>

#include "make_sheet.h"

namespace {

struct Options {
  std::string out_bmp, out_ico, preview_dir, layout_png;
};

void print_usage(std::FILE* to) {
  std::fprintf(to,
               "usage: make-sheet --out-bmp FILE.bmp --out-ico FILE.ico [--preview-dir DIR] [--layout-png FILE]\n"
               "Draws the intro's artwork sheet and icon. --preview-dir also writes PNGs of the\n"
               "sheet and of screens as the intro shows them; --layout-png a labelled map of the sheet.\n");
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string* slot = a == "--out-bmp"       ? &o.out_bmp
                        : a == "--out-ico"     ? &o.out_ico
                        : a == "--preview-dir" ? &o.preview_dir
                        : a == "--layout-png"  ? &o.layout_png
                                               : nullptr;
    if (!slot || i + 1 >= argc) return false;
    *slot = argv[++i];
  }
  return !o.out_bmp.empty() && !o.out_ico.empty();
}

art::Canvas draw_sheet(const art::Palette& pal) {
  art::Canvas c;
  art::draw_starfield(c, pal);
  art::draw_edge_column(c);
  art::draw_caption(c);
  art::draw_logo(c);
  art::draw_opening(c);
  art::draw_roll(c);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    print_usage(stderr);
    return 2;
  }
  try {
    art::Palette pal = art::make_palette();
    art::Canvas c = draw_sheet(pal);
    std::vector<uint8_t> bmp = art::encode_bmp(c, pal);
    // Never hand the program a sheet it cannot use.
    std::vector<sheet::Violation> found = sheet::check_file_bytes(bmp);
    for (const sheet::Violation& v : found) std::fprintf(stderr, "make-sheet: %s\n", sheet::to_string(v).c_str());
    if (!o.preview_dir.empty()) art::write_previews(o.preview_dir, c, pal);
    if (!o.layout_png.empty()) art::write_layout(o.layout_png, c, pal);
    if (!found.empty()) return 1;
    art::write_file(o.out_bmp, bmp);
    art::write_file(o.out_ico, art::encode_ico());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-sheet: %s\n", e.what());
    return 1;
  }
  return 0;
}
