// The world's pictures: dat/tiles.pcx, dat/back.pcx, dat/title.pcx and dat/shops.dat, and each
// district's own tiles.pcx and back.pcx.
#ifndef OSA_TOOLS_PIC_WORLD_H
#define OSA_TOOLS_PIC_WORLD_H

#include <allegro.h>

#include <string>
#include <vector>

namespace pic {

// Each returns a new 32-bit bitmap that the caller destroys.
BITMAP* make_tile_sheet();           // 320 x 64, tile n at cell (n % 10, n / 10), tile_ids.h
BITMAP* make_shop_picture(int i);    // 96 x 96, shop i (0 make-up .. 4 handbag)
BITMAP* make_background();           // the parallax background, before the game stretches it
BITMAP* make_title_picture();        // 320 x 240

// Writes tiles.pcx, back.pcx, title.pcx and shops.dat into out; false on failure.
bool write_world(const std::string& out);

// The districts that have a look of their own (their folder names), in the order of the table.
std::vector<std::string> district_look_names();
// Writes district's tiles.pcx and back.pcx into out (which exists): the town's tiles and
// background recoloured and decorated, every tile's mask the town's. False when district has
// no look of its own or a file cannot be written.
bool write_district_look(const std::string& district, const std::string& out);

}  // namespace pic

#endif
