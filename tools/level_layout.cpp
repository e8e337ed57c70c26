// The shipped level (dat/level.dat) and its preview, made from the text map the build passes in
// (levels/town.map) by the same reader, rules and writer as the level tool.
#include <allegro.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "assets.h"
#include "authoring/level_map.h"

namespace {

// Reads and checks the map; its faults go to stderr.
bool load_map(const std::string& map_path, level_cells& lv) {
    std::ifstream in(map_path);
    if (!in) {
        std::fprintf(stderr, "make-assets: cannot read %s\n", map_path.c_str());
        return false;
    }
    const level_map m = read_map(in);
    const std::vector<std::string> faults = check_map(m);
    for (const std::string& f : faults) std::fprintf(stderr, "make-assets: %s: %s\n", map_path.c_str(), f.c_str());
    if (!faults.empty()) return false;
    lv = build_cells(m);
    return true;
}

}  // namespace

bool write_level(const std::string& out, const std::string& map_path) {
    level_cells lv;
    if (!load_map(map_path, lv)) return false;
    const std::string path = out + "/level.dat";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make-assets: cannot write %s\n", path.c_str());
        return false;
    }
    const std::string text = level_text(lv);
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

// The whole level at half size, with the tiles and the background of out/ when they are there.
bool write_level_preview(const std::string& dir, const std::string& out, const std::string& map_path) {
    level_cells lv;
    if (!load_map(map_path, lv)) return false;
    BITMAP* sheet = load_bitmap((out + "/tiles.pcx").c_str(), nullptr);
    BITMAP* back = load_bitmap((out + "/back.pcx").c_str(), nullptr);
    BITMAP* bmp = draw_level_preview(lv, sheet, back);
    destroy_bitmap(sheet);
    destroy_bitmap(back);
    if (!bmp) return false;
    const bool ok = save_bitmap((dir + "/level.pcx").c_str(), bmp, nullptr) == 0;
    destroy_bitmap(bmp);
    return ok;
}
