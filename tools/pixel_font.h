// The game's pixel font: one proportional glyph per printable ASCII character 32..126, 9 rows
// high (capitals on rows 0..6, descenders on rows 7..8), one blank column between glyphs. The
// HUD font in dat/font.dat and the lettering of the title and the shop signs are drawn from it.
#ifndef OSA_TOOLS_PIXEL_FONT_H
#define OSA_TOOLS_PIXEL_FONT_H

#include <string>

namespace pic {

constexpr int font_first = 32, font_last = 126;
constexpr int font_height = 9;

struct font_glyph {
    int ch;            // the character
    int w;             // width in pixels (without the blank column after it)
    const char* rows;  // rows top to bottom, '#' ink and '.' blank, separated by single spaces
};

// The glyph of character ch; characters outside 32..126 get the glyph of '?'.
const font_glyph& glyph_of(int ch);
// Whether pixel (x, y) of the glyph is ink.
bool glyph_pixel(const font_glyph& g, int x, int y);

// Writes dat/font.dat into out: object 0 a mono FONT, characters 32..126, each glyph box as wide
// as the glyph plus its blank column. False on failure.
bool write_font(const std::string& out);

}  // namespace pic

#endif
