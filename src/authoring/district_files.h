// Writing a district's folder: its level, the map it came from, its district.cfg and a preview
// picture, shared by the level tool and the editor.
#ifndef OSA_AUTHORING_DISTRICT_FILES_H
#define OSA_AUTHORING_DISTRICT_FILES_H

#include <string>

#include "authoring/level_check.h"
#include "text/text.h"
#include "world/district.h"

struct BITMAP;

// The files of a district's folder and the keys of its district.cfg.


// The last part of a folder's path, trailing slashes ignored: "a/b/harbour/" gives "harbour".
std::string folder_name(const std::string& dir);

// Writes the level at half size (draw_level_preview with sheet and back; either may be null) as
// a 24-bit PNG at path, atomically: saved under temporary_name(path), then put in place. False,
// with why in *error, when it cannot be drawn or written; path is then untouched.
bool write_preview_png(const std::string& path, const level_cells& cells, BITMAP* sheet, BITMAP* back,
                       std::string* error);


// Writes the district folder dir (made when missing, parents too): level.map (map_text as
// given), district.cfg, and, when check.faults is empty, level.dat (check.text) and
// preview.png (the level at half size, draw_level_preview with sheet and back, the district's
// tiles and background; either may be null).
// When check has faults the district is a draft: level.dat and preview.png are removed and
// district.cfg says why. Every file is written atomically (core/files.h). order > 0 is
// written as `order = N` (shipped districts); 0 leaves it out. False, with why in *error.
bool write_district(const std::string& dir, const std::string& map_text,
                    const level_check& check, const std::string& shown_name, int order,
                    BITMAP* sheet, BITMAP* back, std::string* error);

// A district.cfg's not_playable when the editor saved a map before its proof was done.
// TRANSLATORS: a district was saved before the game had checked whether it can be played.
constexpr const char* level_not_checked = N_("the level was not checked");
// The formats of the not_playable reasons write_district and the editor write of their own (the
// others are the checks' faults), for showing them in the player's language (text/english.h).
extern const ENGLISH_FORMATS district_file_formats;

#endif
