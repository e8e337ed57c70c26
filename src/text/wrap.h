// A text cut into lines that fit a width in a font, measured as the font draws them (UTF-8, the
// font's own widths), never by counting letters.
#ifndef OSA_TEXT_WRAP_H
#define OSA_TEXT_WRAP_H

#include <string>
#include <vector>

struct FONT;

// The lines of text, each at most width pixels wide in f: broken at spaces (which then start no
// line), a word wider than a whole line broken between its letters (never inside a UTF-8
// character). An empty text gives no line; a width below one letter's still gives a letter a line.
std::vector<std::string> wrap_text(FONT* f, const std::string& text, int width);

// The width of text in f, in pixels (text_length; 0 for an empty text).
int text_width(FONT* f, const std::string& text);

#endif
