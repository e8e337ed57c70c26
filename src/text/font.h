// The player's words on the picture: UTF-8 text drawn and measured in the game's font, with a
// box for a character the font lacks and for bytes that are not UTF-8, and lines wrapped to a
// width. Every text the game draws goes through here rather than through Allegro's textout.
#ifndef OSA_TEXT_FONT_H
#define OSA_TEXT_FONT_H

#include <string>
#include <vector>

struct BITMAP;
struct FONT;

// The game's font (dat/font.dat, drawn in tools/pixel_font.cpp): a line of text is
// font_line_rows high, capitals and digits on its rows 0..6, descenders on 7 and 8. Above row 0
// every glyph has font_accent_rows more, where the accents of capitals (and of the tall small
// letters, as in ĥ) stand, so that an accented capital keeps the capitals' height.
constexpr int font_line_rows = 9;
constexpr int font_accent_rows = 2;
// The character whose glyph stands in for one the font lacks and for bytes that are not UTF-8
// (U+FFFD, the replacement character): in the game's font a hollow box.
constexpr int font_missing_char = 0xFFFD;

// The rows f has above a line's top: the height of its glyphs less font_line_rows, and 0 for a
// font no taller (Allegro's own 8 x 8 font, used while font.dat is missing).
int font_rows_above(const FONT* f);
// The height of a line of text in f without the rows above it: what a layout centres or spaces.
int font_line_height(const FONT* f);
// Whether f has a glyph of its own for character c (a Unicode code point); false for anything
// it would draw as a stand-in.
bool font_has_char(const FONT* f, int c);

// The width of s in pixels as draw_text draws it in f: every character's blank column after it
// included, a missing character and every bad spot of UTF-8 as wide as the box.
int text_width(const FONT* f, const char* s);
inline int text_width(const FONT* f, const std::string& s) { return text_width(f, s.c_str()); }
// Draws the UTF-8 text s in colour with the top of its line at y (capitals from row y, their
// accents above it) and its left end at x, over a transparent background. What f lacks, and
// each bad spot of UTF-8, is drawn as f's glyph of font_missing_char, or as Allegro's
// allegro_404_char in a font without one. Nothing is skipped.
void draw_text(BITMAP* b, const FONT* f, const char* s, int x, int y, int colour);
// The same with x the middle of the text, or its right end.
void draw_text_centre(BITMAP* b, const FONT* f, const char* s, int x, int y, int colour);
void draw_text_right(BITMAP* b, const FONT* f, const char* s, int x, int y, int colour);
inline void draw_text(BITMAP* b, const FONT* f, const std::string& s, int x, int y, int colour) {
    draw_text(b, f, s.c_str(), x, y, colour);
}
inline void draw_text_centre(BITMAP* b, const FONT* f, const std::string& s, int x, int y, int colour) {
    draw_text_centre(b, f, s.c_str(), x, y, colour);
}
inline void draw_text_right(BITMAP* b, const FONT* f, const std::string& s, int x, int y, int colour) {
    draw_text_right(b, f, s.c_str(), x, y, colour);
}

// s in lines no wider than width (text_width), broken at blanks (spaces; a no-break space keeps
// its words together); the blanks where a line breaks are left out, those inside a line kept. A
// word wider than width is broken between two characters, and a line holds at least one
// character however narrow width is. A newline always breaks. No text, no lines.
std::vector<std::string> wrap_text(const FONT* f, const std::string& s, int width);

// s as it fits in width (text_width): s itself when it does, else as many of its first
// characters as fit followed by an ellipsis ("…"); at least the ellipsis.
std::string fit_text(const FONT* f, const std::string& s, int width);

#endif
