// The tune of a player's district: one of the shipped districts' tunes, chosen in the editor and
// kept as a copy of its music.it in the district's folder.
#ifndef OSA_EDITOR_DISTRICT_TUNE_H
#define OSA_EDITOR_DISTRICT_TUNE_H

#include <string>
#include <vector>

#include "world/district.h"

// A shipped tune: the district it belongs to (its shown name) and its file.
struct TUNE_CHOICE {
    std::string name;  // the district's name, in English (shown as the catalogue's "district" word)
    std::string path;
};

// The shipped districts of list that have a tune (their music.it), in list's order.
std::vector<TUNE_CHOICE> shipped_tunes(const std::vector<DISTRICT>& list);

// The index in tunes of the one whose file holds the same bytes as the file at path; -1 when
// none does or path cannot be read.
int tune_index(const std::vector<TUNE_CHOICE>& tunes, const std::string& path);

// Copies the tune's file into the folder dir as its music.it, atomically. False, with why in
// *error.
bool write_district_tune(const std::string& dir, const TUNE_CHOICE& tune, std::string* error);

#endif
