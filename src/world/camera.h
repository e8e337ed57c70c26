// Tile drawing and the camera: the world pixel shown at the screen's top-left corner.
#ifndef OSA_WORLD_CAMERA_H
#define OSA_WORLD_CAMERA_H

struct BITMAP;

extern int iThex; // camera x; written by the player's control (follow) and check_iTheXY (clamp)
extern int iThey; // camera y

// Draws every cell of the level into bmp as a masked sprite, offset by (x, y).
void draw_tiles(BITMAP* bmp, int x, int y);

// Clamps the camera to the level; the upper bound wins on a level smaller than the screen.
void check_iTheXY();

// Puts the middle of a 32 x 64 frame at (x, y) at the centre of the screen.
void camera_follow(float x, float y);

#endif
