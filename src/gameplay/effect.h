// The change effect: a cross-fade from the look before a shop visit to the look after it.
#ifndef OSA_GAMEPLAY_EFFECT_H
#define OSA_GAMEPLAY_EFFECT_H

struct BITMAP;
class PLAYER;

// Draws before and now at p's picture position, weighted 255 - metafactor and metafactor.
void draw_effect(BITMAP* bmp, PLAYER& p);

#endif
