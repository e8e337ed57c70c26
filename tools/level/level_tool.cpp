// one-step-ahead-level MAP (-o OUT.dat | --district DIR) [--name NAME] [--order N]
// [--preview OUT.png] [--data DIR]: checks a level drawn as text, proves with the game's own
// physics that every shop can be reached and left, and writes the level file that
// `one-step-ahead --level` plays, or a district's folder that the game lists; --report FILE
// writes what it found for another program (the game's editor).
#include <allegro.h>
#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "authoring/district_files.h"
#include "authoring/level_check.h"
#include "authoring/proof_report.h"
#include "characters/player.h"
#include "core/assets.h"
#include "core/files.h"
#include "core/picture_bytes.h"
#include "core/player_files.h"
#include "shell/options.h"
#include "world/district.h"

namespace {

constexpr int exit_written = 0;
constexpr int exit_refused = 1;
constexpr int exit_usage = 2;
constexpr int max_order = 999;  // --order's largest value

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: one-step-ahead-level MAP -o OUT.dat [--preview OUT.png] [--data DIR]\n"
                 "       one-step-ahead-level MAP --district DIR [--name NAME] [--order N] [--data DIR]\n"
                 "       one-step-ahead-level MAP --report FILE [--data DIR]\n"
                 "Checks the text map MAP and writes the level file OUT.dat, or the district DIR.\n"
                 "  -o, --output FILE   the level file to write\n"
                 "  -p, --preview FILE  also a PNG picture of the whole level at half size\n"
                 "  -D, --district DIR  write the district folder DIR (its last part lower case\n"
                 "                      letters, digits and '-'): level.dat, level.map,\n"
                 "                      district.cfg and preview.png (drawn with DIR/tiles.pcx\n"
                 "                      and DIR/back.pcx when they are there)\n"
                 "  -n, --name NAME     the district's shown name (default: its folder's name)\n"
                 "  -r, --order N       the district's place among the game's own (1 the first)\n"
                 "  -R, --report FILE   also write what the checks found, for a program to read:\n"
                 "                      the faults, each shop's routes and the first mission's\n"
                 "                      tour (written whether or not the map passes)\n"
                 "  -d, --data DIR      read the game's tiles and characters from DIR/dat (also\n"
                 "                      ONE_STEP_AHEAD_DATA=DIR); by default as the game finds them\n"
                 "  -h, --help          this text\n");
}

// The directory that holds the game's dat/, found as the game finds it: --data, then
// ONE_STEP_AHEAD_DATA, then beside this program (the build tree) or the installed tree's
// share/one-step-ahead; the working directory when none of them holds a dat/.
std::string find_data(const std::string& given) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    self[n > 0 ? n : 0] = '\0';
    const std::string dir = find_data_dir(given, std::getenv("ONE_STEP_AHEAD_DATA"), self);
    return (dir.empty() ? "." : dir) + "/dat";
}

// A picture of the district's own, the size of like's: read bounded and decoded only when its
// header gives that size; null when it is missing, larger or another size (or like is null).
BITMAP* own_picture(const std::string& path, const BITMAP* like) {
    std::string bytes;
    int w = 0, h = 0;
    if (!like || read_player_file(path, pcx_max_bytes(like->w, like->h), &bytes, nullptr) != READ_RESULT::ok ||
        !pcx_size(bytes, &w, &h) || w != like->w || h != like->h)
        return nullptr;
    return pcx_from_bytes(bytes);
}

}  // namespace

int main(int argc, char** argv) {
    static const option options[] = {
        {"output", required_argument, nullptr, 'o'}, {"preview", required_argument, nullptr, 'p'},
        {"data", required_argument, nullptr, 'd'},   {"district", required_argument, nullptr, 'D'},
        {"name", required_argument, nullptr, 'n'},   {"order", required_argument, nullptr, 'r'},
        {"report", required_argument, nullptr, 'R'}, {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0}};
    std::string out, preview, data, district, name, report;
    long order = 0;
    for (int c; (c = getopt_long(argc, argv, "o:p:d:D:n:r:R:h", options, nullptr)) != -1;) {
        char* end = nullptr;
        switch (c) {
        case 'o': out = optarg; break;
        case 'p': preview = optarg; break;
        case 'd': data = optarg; break;
        case 'D': district = optarg; break;
        case 'n': name = optarg; break;
        case 'R': report = optarg; break;
        case 'r':
            order = std::strtol(optarg, &end, 10);
            if (*optarg == '\0' || *end != '\0' || order < 1 || order > max_order) {
                std::fprintf(stderr, "one-step-ahead-level: --order takes a number from 1 to %d\n", max_order);
                return exit_usage;
            }
            break;
        case 'h': usage(stdout); return exit_written;
        default: usage(stderr); return exit_usage;
        }
    }
    if (optind != argc - 1 || (out.empty() && district.empty() && report.empty())) {
        usage(stderr);
        return exit_usage;
    }
    if (!district.empty() && !is_district_folder_name(folder_name(district))) {
        std::fprintf(stderr,
                     "%s: a district's folder is named with lower case letters, digits and '-' (at most %d, "
                     "not starting with '-')\n",
                     district.c_str(), district_name_max);
        return exit_usage;
    }
    const std::string map_path = argv[optind];

    std::ifstream in(map_path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read the map\n", map_path.c_str());
        return exit_refused;
    }
    const std::string map_text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream map_in(map_text);
    const level_map m = read_map(map_in);

    // No display: memory bitmaps, PCX, PNG and datafiles work without one.
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "one-step-ahead-level: the graphics library does not start\n");
        return exit_refused;
    }
    set_color_depth(32);
    _rgb_r_shift_32 = 16;  // pixels as 0xRRGGBB, as the game sees them
    _rgb_g_shift_32 = 8;
    _rgb_b_shift_32 = 0;

    // The search needs the tiles' masks and the player's, cut as the game cuts them.
    const std::string dat = find_data(data);
    BITMAP* sheet = load_bitmap((dat + "/tiles.pcx").c_str(), nullptr);
    if (!sheet || !cut_tiles(sheet)) {
        std::fprintf(stderr, "one-step-ahead-level: cannot load %s/tiles.pcx (name the directory that holds dat/ with --data)\n",
                     dat.c_str());
        return exit_refused;
    }
    const PLAYER player(player_start_x, start_y, (dat + "/mora.dat").c_str(), type_player);
    const PLAYER partner(partner_start_x, start_y, (dat + "/vela.dat").c_str(), type_partner);
    if (!player.has_frames() || !partner.has_frames()) {
        std::fprintf(stderr, "one-step-ahead-level: cannot load the characters from %s\n", dat.c_str());
        return exit_refused;
    }

    const level_check c = check_level(m, player, partner);
    for (const std::string& line : c.report) std::printf("%s\n", line.c_str());
    for (const std::string& f : c.faults) std::fprintf(stderr, "%s: %s\n", map_path.c_str(), f.c_str());
    if (!report.empty()) {
        const std::string text = proof_text(make_proof(c, player, partner));
        std::string error;
        if (!write_file_atomically(report, text.data(), text.size(), &error)) {
            std::fprintf(stderr, "%s: %s\n", report.c_str(), error.c_str());
            return exit_refused;
        }
        if (out.empty() && district.empty()) return c.faults.empty() ? exit_written : exit_refused;
    }
    if (!c.faults.empty()) {
        // Only playable districts are written here: a draft is the editor's.
        std::fprintf(stderr, "%s: not written\n", (out.empty() ? district : out).c_str());
        return exit_refused;
    }
    std::string error;
    // The preview is drawn over the shared background, or the district's own.
    BITMAP* shared_back = load_bitmap((dat + "/back.pcx").c_str(), nullptr);
    if (!district.empty()) {
        // The district's own tiles and background when it has them, so that the preview shows
        // its look: read bounded, and decoded only when their headers give the shared ones' sizes.
        BITMAP* own = own_picture(district + "/" + district_tiles_file, sheet);
        BITMAP* own_back = own_picture(district + "/" + district_back_file, shared_back);
        const bool written = write_district(district, map_text, c, name, static_cast<int>(order), own ? own : sheet,
                                            own_back ? own_back : shared_back, &error);
        destroy_bitmap(own);
        destroy_bitmap(own_back);
        if (!written) {
            std::fprintf(stderr, "%s: %s\n", district.c_str(), error.c_str());
            return exit_refused;
        }
        std::printf("%s: written\n", district.c_str());
        if (out.empty()) {
            destroy_bitmap(sheet);
            destroy_bitmap(shared_back);
            return exit_written;
        }
    }

    // The preview first: a level file is written only when everything asked for can be.
    if (!preview.empty() && !write_preview_png(preview, c.cells, sheet, shared_back, &error)) {
        std::fprintf(stderr, "%s: cannot write the preview (%s)\n", preview.c_str(), error.c_str());
        return exit_refused;
    }
    std::ofstream file(out, std::ios::binary);
    if (!(file << c.text) || !file.flush()) {
        std::fprintf(stderr, "%s: cannot write the level\n", out.c_str());
        return exit_refused;
    }
    std::printf("%s: written\n", out.c_str());
    if (!preview.empty()) std::printf("%s: written\n", preview.c_str());
    destroy_bitmap(sheet);
    destroy_bitmap(shared_back);
    return exit_written;
}
