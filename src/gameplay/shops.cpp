// The shops: the look cycle, the one-step-ahead relation, the storefronts and the shop entry
// that starts the change effect.
#include "gameplay/shops.h"

#include <allegro.h>

#include "characters/player.h"
#include "core/assets.h"
#include "core/state.h"
#include "input/input.h"
#include "world/level.h"

bool metamorphose = false;
int metafactor = 0;

namespace {

constexpr int handbag_shop = 4;          // the one shop whose picture stands lower
constexpr int handbag_drop = 4;          // by this many pixels; its window does not move
constexpr int window_half_width = 20;    // the window reaches 20 px either side of the middle
constexpr int window_height = 128;       // and from 128 px above the floor line
constexpr int mask_colour = 0xFF00FF;

// Captures the look before and after moving category i on, and starts the effect.
void enter_shop(PLAYER& p, int i) {
    if (before) clear_to_color(before, mask_colour);
    if (now) clear_to_color(now, mask_colour);
    if (before) p.draw(before, true);
    upgrade(p.look[i]);
    if (now) p.draw(now, true);
    metamorphose = true;
    p.walking = false;
    play_effect(change);
}

}  // namespace

bool in_shop_window(const PLAYER& p, int i, int picture_w) {
    // Double holds every float sum here exactly, so a position exactly on a limit is outside
    // however large the coordinates.
    const int cx = shop[i].x + picture_w / 2;
    const double mid = static_cast<double>(p.x) + 16.0;
    return mid > static_cast<double>(cx - window_half_width) &&
           mid < static_cast<double>(cx + window_half_width) &&
           static_cast<double>(p.y) + 10.0 > static_cast<double>(shop[i].y - window_height) &&
           static_cast<double>(p.y) + 60.0 < static_cast<double>(shop[i].y);
}

void upgrade(int& level) {
    if (level == 0)
        level = 1;
    else if (level == 1)
        level = 2;
    else if (level == 2)
        level = 0;
}

int parem(int a, int b) {
    // Only the three pairs of the cycle: a value outside 0..2 is never ahead nor behind.
    return (a == 1 && b == 0) || (a == 2 && b == 1) || (a == 0 && b == 2) ? 1 : 0;
}

void draw_shops(BITMAP* bmp) {
    for (int i = 0; i < shop_count; i++) {
        if (!shops[i]) continue;
        const int drop = i == handbag_shop ? handbag_drop : 0;
        draw_rle_sprite(bmp, shops[i], shop[i].x, shop[i].y - shops[i]->h + drop);
    }
}

void check_shops(PLAYER& p) {
    if (metamorphose) {
        metafactor += effect_step;
        if (metafactor > effect_end) {
            metamorphose = false;
            metafactor = 0;
        }
        return;
    }
    if (!read_input().up) return;
    // No stop at a hit: every shop whose window holds her is entered, in index order.
    for (int i = 0; i < shop_count; i++)
        if (shops[i] && in_shop_window(p, i, shops[i]->w)) enter_shop(p, i);
}
