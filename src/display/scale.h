// The whole-number scaler that shows the game's picture: each pixel a square block (nearest
// neighbour), written straight into the destination's lines.
#ifndef OSA_DISPLAY_SCALE_H
#define OSA_DISPLAY_SCALE_H

struct BITMAP;

// Copies the w x h pixels of src at (sx, sy) to dst at (dx, dy), each pixel a scale x scale
// block, leaving out what falls outside dst's clipping rectangle (when clipping is on): the
// pixels stretch_blit(src, dst, sx, sy, w, h, dx, dy, w * scale, h * scale) gives. The source
// rectangle must lie inside src. Needs 32-bit bitmaps, src in main memory (a memory or system
// bitmap, or a sub-bitmap of one: the world buffer's window) and dst linear (a
// memory bitmap, or the X11 screen, which it acquires itself): each block's first line is read
// back through its address to fill the others. Otherwise it calls stretch_blit. Draws nothing
// for w, h or scale below 1. Neither bitmap is kept.
void scale_blit(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int scale);

// As scale_blit, but writing through dst->line[] alone, without acquiring dst or telling its
// driver of any line: for a screen whose lines are its memory and which the caller sends to the
// display itself afterwards (the X11 screen over shared memory). The same pixels.
void scale_into_memory(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int scale);

#endif
