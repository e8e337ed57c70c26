// The editor's files in a player's district folder: saving the map with what the proof found
// (a playable district, or a draft saying why not), and the autosave kept beside the map.
#ifndef OSA_EDITOR_EDITOR_FILES_H
#define OSA_EDITOR_EDITOR_FILES_H

#include <cstddef>
#include <string>

#include "authoring/proof_report.h"
#include "editor/editor.h"
#include "world/district.h"

struct BITMAP;

// The autosave beside a district's map.
constexpr const char* editor_autosave_file = "level.map.autosave";

// Saves e's map into the district folder dir (write_district): level.map and district.cfg named
// shown_name, and when proof (of this very map) is playable also level.dat and preview.png (drawn
// with sheet and back, the district's tile sheet and background); else a draft whose
// district.cfg names the first fault. Every file atomic; the autosave is removed once the map is
// saved. False, with why in *error.
bool save_editor_map(const std::string& dir, const EDITOR& e, const PROOF& proof, const std::string& shown_name,
                     BITMAP* sheet, BITMAP* back, std::string* error);

// Writes e's map as dir/level.map.autosave (atomically). False, with why in *error.
bool write_autosave(const std::string& dir, const EDITOR& e, std::string* error);
// True when dir holds an autosave newer than its level.map (or one and no level.map): the
// editor offers it back.
bool autosave_is_newer(const std::string& dir);
// Removes dir's autosave (when it is there).
void remove_autosave(const std::string& dir);

// The whole of the file at path into *text, read bounded (core/player_files.h): false when it
// cannot be read, is no regular file or is larger than max_bytes (by default the largest map).
bool read_text_file(const std::string& path, std::string* text, std::size_t max_bytes = level_map_max_bytes);

#endif
