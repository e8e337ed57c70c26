// The HUD: the translucent message strip and the box with time, level and score.
#ifndef OSA_GAMEPLAY_HUD_H
#define OSA_GAMEPLAY_HUD_H

constexpr int message_size = 100;
extern char message[message_size]; // the message line; "Welcome!" until the first mission

// Copies text into message, cut to the 99 characters that fit with the terminator; text may
// lie within message itself.
void add_message(const char* text);
// Draws the HUD into bmp at the camera's corner (iThex, iThey), the strip view_w wide. Leaves
// the translucent drawing mode and the blender at 128 in force.
struct BITMAP;
void disp_message(BITMAP* bmp);
// Draws the "Paused" line in the HUD's style across the middle of a view_w x view_h picture
// whose top-left corner is (x, y) in bmp.
void disp_paused(BITMAP* bmp, int x, int y);
// The same with the strip's width given (tests and benchmarks draw other widths).
void disp_message_width(BITMAP* bmp, int screen_w);

#endif
