// The HUD: the translucent message strip and the box with time, level and score.
#ifndef OSA_GAMEPLAY_HUD_H
#define OSA_GAMEPLAY_HUD_H

constexpr int message_size = 100;
extern char message[message_size]; // the message line; "Welcome!" until the first mission

// Copies text into message, cut to the 99 characters that fit.
void add_message(const char* text);
// Draws the HUD into bmp at the camera's corner.
struct BITMAP;
void disp_message(BITMAP* bmp);

#endif
