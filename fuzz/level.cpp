// Feeds arbitrary bytes to the level reader: it must never read or write out of bounds, and a
// level it accepts must hold only sizes, tile numbers and shop positions the game can use.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "world/level.h"

namespace {
constexpr int tile_count = 20;  // the shipped sheet's size
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    if (!read_level(in, tile_count, &error)) {
        if (error.empty()) std::abort();  // a refused level always says why
        return 0;
    }
    if (iXSize < min_level_columns || iXSize > map_columns || iYSize < min_level_rows || iYSize > map_rows)
        std::abort();
    for (int cx = 0; cx < iXSize; cx++)
        for (int cy = 0; cy < iYSize; cy++)
            if (iLevel[cx][cy].iTile < 0 || iLevel[cx][cy].iTile >= tile_count) std::abort();
    for (const SHOP_POS& s : shop)
        if (s.x < 0 || s.x >= 32 * iXSize || s.y < 0 || s.y > 32 * iYSize || s.x % 32 || s.y % 32) std::abort();
    return 0;
}
