// The change effect: the look before a shop visit fades out while the look after it fades in.
#include "gameplay/effect.h"

#include <allegro.h>

#include "characters/player.h"
#include "gameplay/shops.h"
#include "world/level.h"

void draw_effect(BITMAP* bmp, PLAYER& p) {
    // Where PLAYER::draw puts the picture: the frame's corner 4 pixels below the position.
    const int X = static_cast<int>(p.x);
    const int Y = static_cast<int>(p.y) + 4;
    const int a = 255 - metafactor;
    set_trans_blender(a, a, a, a);
    if (before) draw_trans_sprite(bmp, before, X, Y);
    set_trans_blender(metafactor, metafactor, metafactor, metafactor);
    if (now) draw_trans_sprite(bmp, now, X, Y);
}
