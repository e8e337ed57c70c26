// The character pictures: dat/mora.dat and dat/vela.dat, 16 strips of 32 x 64 frames.
#ifndef OSA_TOOLS_PIC_CHARACTERS_H
#define OSA_TOOLS_PIC_CHARACTERS_H

#include <allegro.h>

#include <string>

namespace pic {

enum figure_id { figure_mora, figure_vela };

// Frames per strip: 28 for Mora, 16 for Vela.
int character_frames(figure_id who);
// A new bitmap (the caller destroys it) holding strip `object` (0 body, 1 + 3c + l the look l of
// category c) of the character: character_frames(who) frames of 32 x 64 side by side, magenta
// where transparent and in the columns that are never shown.
BITMAP* character_strip(figure_id who, int object);
// Writes mora.dat and vela.dat into out; false on failure.
bool write_characters(const std::string& out);

}  // namespace pic

#endif
