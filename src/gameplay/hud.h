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
// The HUD's style, which the menus take up too: its font (object 0 of font1, or Allegro's own
// font while font.dat is missing), the strip's and the box's colours, the text's, and the
// blender level at which the strip and the box are mixed with the picture below.
struct FONT;
FONT* hud_font();
constexpr int strip_colour = 0x990000;
constexpr int box_colour = 0x1111AA;
constexpr int text_colour = 0xFFFFFF;
constexpr int hud_blend = 128;
// The same with the strip's width given (tests and benchmarks draw other widths).
void disp_message_width(BITMAP* bmp, int screen_w);

#endif
