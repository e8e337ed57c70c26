// make-assets OUT MAP [--preview DIR] [--icons DIR]: writes every file of the game's dat/
// directory into OUT, the level from the text map MAP, with --preview review sheets into DIR,
// and with --icons the desktop icon's PNGs into DIR.
// make-assets --district NAME OUT: writes the shipped district NAME's tune as music.it into OUT,
// and, for a district with a look of its own (all but the town), its tiles.pcx and back.pcx.
#include <allegro.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets.h"
#include "pic_world.h"
#include "tune.h"

namespace {

bool make_dir(const std::string& dir) {
    if (mkdir(dir.c_str(), 0755) == 0) return true;
    struct stat st {};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
    std::string out, map, preview, icons, district;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--district") == 0 && i + 1 < argc)
            district = argv[++i];
        else if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            preview = argv[++i];
        else if (std::strcmp(argv[i], "--icons") == 0 && i + 1 < argc)
            icons = argv[++i];
        else if (out.empty())
            out = argv[i];
        else if (map.empty())
            map = argv[i];
    }
    if (out.empty() || (map.empty() && district.empty())) {
        std::fprintf(stderr, "usage: make-assets OUT MAP [--preview DIR] [--icons DIR]\n"
                             "       make-assets --district NAME OUT\n");
        return 2;
    }
    // No display is needed: memory bitmaps, PCX, RLE sprites and datafiles work without one.
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 1;
    set_color_depth(32);
    // Pixels as 0xRRGGBB, as the game sees them after it has set its video mode.
    _rgb_r_shift_32 = 16;
    _rgb_g_shift_32 = 8;
    _rgb_b_shift_32 = 0;

    if (!make_dir(out)) {
        std::fprintf(stderr, "make-assets: cannot create %s\n", out.c_str());
        return 1;
    }
    if (!district.empty()) {
        const tune* t = district_tune(district);
        if (!t) {
            std::fprintf(stderr, "make-assets: no tune for the district %s\n", district.c_str());
            return 1;
        }
        // The town keeps the shared tiles and background.
        const std::vector<std::string> looks = pic::district_look_names();
        const bool has_look = std::find(looks.begin(), looks.end(), district) != looks.end();
        if (write_tune(out + "/music.it", *t) && (!has_look || pic::write_district_look(district, out))) return 0;
        std::fprintf(stderr, "make-assets: the district %s cannot be written into %s\n", district.c_str(), out.c_str());
        return 1;
    }
    bool ok = write_pictures(out) && write_sounds(out) && write_music(out) && write_level(out, map) &&
              write_demo(out);
    if (ok && !preview.empty())
        ok = make_dir(preview) && write_picture_previews(preview) && write_level_preview(preview, out, map);
    if (ok && !icons.empty()) ok = make_dir(icons) && write_icons(icons);
    if (!ok) {
        std::fprintf(stderr, "make-assets: failed\n");
        return 1;
    }
    return 0;
}
