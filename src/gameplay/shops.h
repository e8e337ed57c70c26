// Shops and the look cycle: holding Up in front of shop i moves outfit category i on by one look.
#ifndef OSA_GAMEPLAY_SHOPS_H
#define OSA_GAMEPLAY_SHOPS_H

struct BITMAP;
class PLAYER;

extern bool metamorphose; // the change effect plays; set on a shop visit, cleared when it ends
extern int metafactor;    // the effect's progress 0..effect_end (+effect_step a tick); 0 when idle

constexpr int effect_step = 3;   // metafactor gained per tick while the effect plays
constexpr int effect_end = 255;  // the effect ends in the tick that takes metafactor past this
// The ticks after a shop visit's own in which the effect plays and the player's control waits;
// she moves again in the next one (and a held Up enters again then).
constexpr int effect_ticks = effect_end / effect_step + 1;

// Advances a look along the cycle 0, 1, 2, 0; any other value stays.
void upgrade(int& level);
// 1 when look a is one step ahead of look b (a == upgrade(b)), else 0.
int parem(int a, int b);
// The character stands in the window in front of shop i, whose picture is picture_w pixels wide:
// her middle within 20 px of the picture's middle, her frame between 128 px above the shop's
// floor line and the line itself (all four comparisons strict).
bool in_shop_window(const PLAYER& p, int i, int picture_w);
// Draws the five storefronts into bmp in world pixels, each with its bottom row just above its
// floor line shop[i].y; the handbag shop's picture stands 4 pixels lower. A shop whose picture
// failed to load is left out.
void draw_shops(BITMAP* bmp);
// One logic tick of the shops: advance a playing effect (past effect_end it ends: effect_ticks),
// or, while Up is held, enter every shop whose window holds p, in index order: the look before
// and after go into `before` and `now`, p.look[i] moves on, the effect starts, `change` plays.
void check_shops(PLAYER& p);

#endif
