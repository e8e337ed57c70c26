// Tile drawing and the camera that keeps the player in the middle of the screen.
#include "world/camera.h"

#include <allegro.h>

#include "shell/assets.h"
#include "world/level.h"

int iThex = 0;
int iThey = 0;

void draw_tiles(BITMAP* bmp, int x, int y) {
    // Every cell of the level, also those outside the window: the clipping rectangle that the
    // frame sets on the buffer makes the off-window ones cost only the clip test.
    for (int cx = 0; cx < iXSize; cx++)
        for (int cy = 0; cy < iYSize; cy++)
            draw_sprite(bmp, tiles[static_cast<size_t>(iLevel[cx][cy].iTile)], 32 * cx + x, 32 * cy + y);
}

void check_iTheXY() {
    if (iThex < 0) iThex = 0;
    if (iThex > 32 * iXSize - SCREEN_W) iThex = 32 * iXSize - SCREEN_W;
    if (iThey < 0) iThey = 0;
    if (iThey > 32 * iYSize - SCREEN_H) iThey = 32 * iYSize - SCREEN_H;
}

void camera_follow(float x, float y) {
    // The middle of the 32 x 64 frame, (x + 16, y + 32), goes to the centre of the screen;
    // the float position is truncated toward zero first.
    iThex = static_cast<int>(x) + 16 - SCREEN_W / 2;
    iThey = static_cast<int>(y) + 32 - SCREEN_H / 2;
}
