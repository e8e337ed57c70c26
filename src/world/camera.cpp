// Tile drawing and the camera that keeps the player in the middle of the screen.
#include "world/camera.h"

#include <allegro.h>

#include "core/assets.h"
#include "core/state.h"
#include "masks/pmask.h"
#include "world/level.h"

int iThex = 0;
int iThey = 0;

namespace {

// A tile without a pixel of the mask colour: as a masked sprite it covers its cell exactly as a
// plain copy does, and the copy costs a fraction (most cells of a frame are such tiles).
bool opaque(const PMASK* m) {
    static_assert(tile_size == 32, "a tile's row is one word of its mask's only strip");
    if (!m || m->w != tile_size || m->h != tile_size) return false;
    for (int row = 0; row < tile_size; row++)
        if (m->bits[row] != 0xFFFFFFFFu) return false;
    return true;
}

} // namespace

void draw_tiles(BITMAP* bmp, int x, int y) {
    // Every cell of the level, also those outside the window. A cell wholly outside bmp's
    // clipping rectangle would draw nothing, so it is tested here, where the test is cheap (a
    // whole column at once), rather than inside draw_sprite: with the frame's clip set to the
    // camera's window, the cost of a frame hardly grows with the level's size.
    // cr and cb lie one past the rectangle. With clipping off, everything is drawn.
    const bool clip = bmp->clip != 0;
    const int left = bmp->cl, right = bmp->cr, top = bmp->ct, bottom = bmp->cb;
    for (int cx = 0; cx < iXSize; cx++) {
        const int px = tile_size * cx + x;
        if (clip && (px + tile_size <= left || px >= right)) continue;
        for (int cy = 0; cy < iYSize; cy++) {
            const int py = tile_size * cy + y;
            if (clip && (py + tile_size <= top || py >= bottom)) continue;
            const size_t n = static_cast<size_t>(iLevel[cx][cy].iTile);
            // blit always keeps to the clipping rectangle; draw_sprite only while clipping is on.
            if (clip && n < masktiles.size() && opaque(masktiles[n]))
                blit(tiles[n], bmp, 0, 0, px, py, tile_size, tile_size);
            else
                draw_sprite(bmp, tiles[n], px, py);
        }
    }
}

void check_iTheXY_in(int screen_w, int screen_h) {
    if (iThex < 0) iThex = 0;
    if (iThex > tile_size * iXSize - screen_w) iThex = tile_size * iXSize - screen_w;
    if (iThey < 0) iThey = 0;
    if (iThey > tile_size * iYSize - screen_h) iThey = tile_size * iYSize - screen_h;
}

void check_iTheXY() { check_iTheXY_in(view_w, view_h); }

void camera_follow_in(float x, float y, int screen_w, int screen_h) {
    // The middle of the frame goes to the centre of the screen; the float position is truncated
    // toward zero first.
    iThex = static_cast<int>(x) + frame_w / 2 - screen_w / 2;
    iThey = static_cast<int>(y) + frame_h / 2 - screen_h / 2;
}

void camera_follow(float x, float y) { camera_follow_in(x, y, view_w, view_h); }
