// A writer of Allegro 4 datafiles, unpacked, with no properties: the objects are stored in the
// order given, so object i of the file is element i of the vector. Only the two object types the
// game reads are built here: 32-bit RLE sprites and mono fonts.
#ifndef OSA_TOOLS_DATAFILE_H
#define OSA_TOOLS_DATAFILE_H

#include <allegro.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pic {

// One datafile object: its type (DAT_RLE_SPRITE, DAT_FONT) and its data as the file holds it.
struct dat_object {
    uint32_t type;
    std::vector<uint8_t> data;
};

// A 32-bit RLE sprite of the whole bitmap b (32-bit, pixels 0xRRGGBB); magenta pixels become
// transparent runs. load_datafile gives back exactly the same pixels.
dat_object rle_sprite_object(BITMAP* b);

// One glyph of a mono font: w x h pixels, bits row by row, rows padded to whole bytes, most
// significant bit leftmost.
struct mono_glyph {
    int w, h;
    std::vector<uint8_t> bits;
};
// One range of a mono font: the glyphs of characters first .. first + glyphs.size() - 1.
struct mono_range {
    int first;
    std::vector<mono_glyph> glyphs;
};
// A mono font of the ranges, in the order given (each of one glyph at least, none overlapping).
dat_object mono_font_object(const std::vector<mono_range>& ranges);

// Writes the datafile; false if the file cannot be written.
bool write_datafile(const std::string& path, const std::vector<dat_object>& objects);

}  // namespace pic

#endif
