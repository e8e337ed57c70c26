// Shops and the look cycle: holding Up in front of shop i moves outfit category i on by one look.
#ifndef OSA_GAMEPLAY_SHOPS_H
#define OSA_GAMEPLAY_SHOPS_H

struct BITMAP;
class PLAYER;

extern bool metamorphose; // the change effect plays; set on a shop visit, cleared when it ends
extern int metafactor;    // the effect's progress 0..255 (+3 a tick); 0 when idle

// Advances a look along the cycle 0, 1, 2, 0; any other value stays.
void upgrade(int& level);
// 1 when look a is one step ahead of look b (a == upgrade(b)), else 0.
int parem(int a, int b);
// Draws the five storefronts into bmp in world pixels, standing on their floor lines.
void draw_shops(BITMAP* bmp);
// One logic tick of the shops: advance a playing effect, or enter every shop whose window
// holds p while Up is held.
void check_shops(PLAYER& p);

#endif
