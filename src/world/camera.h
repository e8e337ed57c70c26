// Tile drawing and the camera: the world pixel shown at the screen's top-left corner.
#ifndef OSA_WORLD_CAMERA_H
#define OSA_WORLD_CAMERA_H

struct BITMAP;

extern int iThex; // camera x; written by the player's control (follow) and check_iTheXY (clamp)
extern int iThey; // camera y

// Draws every cell of the level into bmp as a masked sprite, offset by (x, y). Every tile
// number of the map must index tiles (the level reader guarantees it).
void draw_tiles(BITMAP* bmp, int x, int y);

// Clamps the camera to the level for the game's picture (view_w x view_h, whatever the screen);
// the upper bound wins on a level smaller than the picture.
void check_iTheXY();
// The same clamp for a window of screen_w x screen_h pixels. The frame (draw_frame_sized) calls
// this one with the picture's size.
void check_iTheXY_in(int screen_w, int screen_h);

// Puts the middle of a character's frame (frame_w x frame_h) at (x, y) at the centre of the
// game's picture.
void camera_follow(float x, float y);
// The same for a window of screen_w x screen_h pixels.
void camera_follow_in(float x, float y, int screen_w, int screen_h);

#endif
