// Feeds arbitrary bytes to the text map's reader and its checks: they must never read or write
// out of bounds, and a map they pass must make a level file that the game's own level reader
// takes back with the map's size and shops.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "authoring/level_map.h"
#include "world/level.h"

namespace {
constexpr int tile_count = 20;  // the shipped sheet's size
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const level_map m = read_map(in);
    if (!check_map(m).empty()) return 0;
    const level_cells cells = build_cells(m);
    if (cells.w != m.width() || cells.h != m.height()) std::abort();
    std::istringstream file(level_text(cells));
    LEVEL_READ lv;
    std::string error;
    if (!parse_level(file, tile_count, &lv, &error)) std::abort();
    if (lv.width != m.width() || lv.height != m.height()) std::abort();
    for (int i = 0; i < shop_count; i++)
        if (lv.places[i].x != cells.shop_col[i] * 32 || lv.places[i].y != cells.shop_row[i] * 32) std::abort();
    return 0;
}
