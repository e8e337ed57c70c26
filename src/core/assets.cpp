// Loading of the shared assets: the tile sheet cut into tiles with masks, the title, the shops,
// the samples and the music.
#include "core/assets.h"

#include <allegro.h>

#include "masks/pmask.h"
#include "music/music.h"
#include "core/datafile_check.h"
#include "core/state.h"

BITMAP* tilemap = nullptr;
std::vector<BITMAP*> tiles;
std::vector<PMASK*> masktiles;
BITMAP* the_title = nullptr;
DATAFILE* datshops = nullptr;
RLE_SPRITE* shops[shop_count] = {};
SAMPLE* change = nullptr;
SAMPLE* shoe[2] = {};
SAMPLE* land = nullptr;
SAMPLE* jump = nullptr;
SAMPLE* velachange = nullptr;
SAMPLE* unlock_sound = nullptr;
FMUSIC_MODULE* song = nullptr;

namespace {

// True when the datafile starts with shop_count RLE sprites. The object list ends with DAT_END,
// which is not an RLE sprite, so the walk stops there and never reads past the list.
bool usable_shops(const DATAFILE* dat) {
    for (int i = 0; i < shop_count; i++)
        if (dat[i].type != DAT_RLE_SPRITE || dat[i].dat == nullptr) return false;
    return true;
}

} // namespace

bool cut_tiles(BITMAP* sheet) {
    for (int y = 0; y < sheet->h; y += tile_size)
        for (int x = 0; x < sheet->w; x += tile_size) {
            BITMAP* cell = create_sub_bitmap(sheet, x, y, tile_size, tile_size);
            BITMAP* tile = make_system_bitmap(tile_size, tile_size);
            PMASK* mask = nullptr;
            if (cell && tile) {
                // A cell cut off by the sheet's edge: what lies beyond it stays transparent.
                clear_to_color(tile, bitmap_mask_color(tile));
                blit(cell, tile, 0, 0, 0, 0, tile_size, tile_size);
                mask = create_allegro_pmask(tile);
            }
            destroy_bitmap(cell);
            if (!mask) {
                destroy_bitmap(tile);
                return false;
            }
            tiles.push_back(tile);
            masktiles.push_back(mask);
        }
    return true;
}

void load_shit() {
    tilemap = load_bitmap("dat/tiles.pcx", nullptr);
    if (!tilemap || !cut_tiles(tilemap)) {
        start_failure("error loading dat/tiles.pcx");
        return;
    }

    the_title = load_bitmap("dat/title.pcx", nullptr);
    if (!the_title) {
        start_failure("error loading dat/title.pcx");
        return;
    }

    if (!datshops) datshops = load_checked_datafile("dat/shops.dat");
    if (!datshops || !usable_shops(datshops)) {
        start_failure("error loading shops.dat");
        return;
    }
    for (int i = 0; i < shop_count; i++) shops[i] = static_cast<RLE_SPRITE*>(datshops[i].dat);

    change = load_wav("dat/change.wav");
    shoe[0] = load_wav("dat/shoe1.wav");
    shoe[1] = load_wav("dat/shoe2.wav");
    land = load_wav("dat/land.wav");
    jump = load_wav("dat/jump.wav");
    velachange = load_wav("dat/vela.wav");
    unlock_sound = load_wav("dat/unlock.wav");

    song = FMUSIC_LoadSong("dat/music.it");
}

void unload_shit() {
    for (BITMAP* t : tiles) destroy_bitmap(t);
    for (PMASK* m : masktiles) destroy_pmask(m);
    tiles.clear();
    masktiles.clear();
    destroy_bitmap(tilemap);
    destroy_bitmap(the_title);
    unload_datafile(datshops);  // owns the shop sprites
    tilemap = the_title = nullptr;
    datshops = nullptr;
    for (RLE_SPRITE*& s : shops) s = nullptr;
    for (SAMPLE** s : {&change, &shoe[0], &shoe[1], &land, &jump, &velachange, &unlock_sound}) {
        destroy_sample(*s);
        *s = nullptr;
    }
    song = nullptr;
}
