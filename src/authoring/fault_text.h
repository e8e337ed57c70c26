// Why a map or a district cannot be played, in the player's language. The checks write their
// faults in English, and they stay English where they are kept or printed: district.cfg's
// not_playable, the level tool's report and its lines on the terminal. The screen (the editor's
// status, the district screen) shows them through shown_fault.
#ifndef OSA_AUTHORING_FAULT_TEXT_H
#define OSA_AUTHORING_FAULT_TEXT_H

#include <string>

// A fault of the checks, of the game's level reader or of a district (as check_map, find_routes,
// check_level, read_level, read_district and write_district write them, or as a district.cfg
// gives it) in the language in force: taken apart along the formats that made it (shown_english
// over every table of faults) and filled into their translations. A text no check writes (a
// hostile district.cfg's own words) is shown as it stands.
std::string shown_fault(const std::string& english);

#endif
