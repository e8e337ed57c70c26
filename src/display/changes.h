// What changed between two pictures, as a few rectangles: what the display sends to the X
// server instead of the whole scaled picture, most of which stays the same from frame to frame
// (the sky, the walls the camera has not moved past, the HUD).
#ifndef OSA_DISPLAY_CHANGES_H
#define OSA_DISPLAY_CHANGES_H

#include <vector>

struct BITMAP;

// A rectangle of the picture, in its pixels.
struct PICTURE_RECT {
    int x, y, w, h;
};

// The side of the square blocks the pictures are compared in. Small, as walking changes about
// half of them all over the ground (its flecks move with the camera) and the X server's work
// grows with the pixels sent; not smaller, as each part sent is a request.
constexpr int change_block = 8;

// The rectangles covering every pixel where now differs from before (two 32-bit memory bitmaps
// of the same size): the changed blocks of each row of blocks in runs, a run that spans the same
// columns as the one above it joined to it, each then shrunk to the changed pixels in it.
// Copying them from now onto before makes the two equal. Empty when nothing changed. The
// rectangles do not overlap and lie inside the picture.
std::vector<PICTURE_RECT> changed_rects(const BITMAP* now, const BITMAP* before);

#endif
