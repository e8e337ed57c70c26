// The game's pixel font: one proportional glyph per character it draws (printable ASCII,
// Latin-1's letters and signs, Latin Extended-A, the Russian alphabet, the quotation marks,
// dashes and ellipsis of the translations, and a box for every character it lacks), one blank
// column between glyphs. A line is font_line_rows high (capitals on rows 0..6, descenders on 7
// and 8), with font_accent_rows more above it for the accents of capitals (text/font.h). The
// HUD font in dat/font.dat and the lettering of the title and the shop signs are drawn from it.
#ifndef OSA_TOOLS_PIXEL_FONT_H
#define OSA_TOOLS_PIXEL_FONT_H

#include <string>
#include <vector>

#include "text/font.h"

namespace pic {

struct font_glyph {
    int ch;            // the character, a Unicode code point
    int w;             // width in pixels (without the blank column after it)
    const char* rows;  // rows top to bottom, '#' ink and '.' blank, separated by single spaces;
                       // the rows above the line first, if any, then " | "
};

// The characters of the font in order (font_missing_char, the box, among them).
std::vector<int> font_chars();
// Whether the font has a glyph for character c.
bool font_has(int c);
// The glyph of character c; characters the font lacks get the box, font_missing_char's.
const font_glyph& glyph_of(int c);
// Whether pixel (x, y) of the glyph is ink; y from -font_accent_rows (the rows above the line)
// to font_line_rows - 1, anything outside the glyph is blank.
bool glyph_pixel(const font_glyph& g, int x, int y);

// Writes dat/font.dat into out: object 0 a mono FONT of one range per run of consecutive
// characters, each glyph box as wide as the glyph plus its blank column and
// font_accent_rows + font_line_rows high (row 0 of the line at its row font_accent_rows).
// False on failure.
bool write_font(const std::string& out);

}  // namespace pic

#endif
